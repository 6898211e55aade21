<?php
<!--##=GeneratorBanner()##-->
// The site menu: every entry has a text, a link (empty for a heading) and its sub-entries.
const TV_MENU = [
<!--##=tvMenuPhp(-1, 0)##-->];

function tv_menu_items(array $items, string $current): string
{
    if ($items === []) {
        return '';
    }
    $out = '<ul>';
    foreach ($items as $item) {
        $active = $item['href'] !== '' && $item['href'] === $current;
        $out .= '<li' . ($active ? ' class="tv-active"' : '') . '>';
        if ($item['href'] !== '') {
            $out .= '<a href="' . tv_h($item['href']) . '">' . tv_h($item['text']) . '</a>';
        } else {
            $out .= '<span>' . tv_h($item['text']) . '</span>';
        }
        $out .= tv_menu_items($item['items'], $current) . '</li>';
    }
    return $out . '</ul>';
}

function tv_menu(): void
{
    $current = basename((string)($_SERVER['SCRIPT_NAME'] ?? ''));
    echo '<nav class="tv-menu">' . tv_menu_items(TV_MENU, $current) . '</nav>';
}
