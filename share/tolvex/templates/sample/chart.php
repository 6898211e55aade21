The chart page of a table: each chart of the table that is shown (ShowChart), drawn on the
server as SVG from the chart's settings, its trend lines and zones included. The page needs
no script and nothing from outside the site.

<!--##session chart##-->
<?php
$tv_table = require __DIR__ . '/' . <!--##=zvPhpStr(tvPageName(TABLE, "info"))##-->;
<!--## zvPageTitle = TABLE.TblCaption & " - " & LANG.Phrase("Charts") ##-->
$tv_charts = [
<!--##=tvChartsPhp(TABLE)##-->];

// A number for an SVG attribute, whatever the locale.
function tv_svg_num(float $v): string
{
    return rtrim(rtrim(sprintf('%.2F', $v), '0'), '.');
}

// A step of the value axis: 1, 2 or 5 times a power of ten, at least the given range.
function tv_nice_step(float $range): float
{
    if ($range <= 0) {
        return 1.0;
    }
    $p = 10 ** floor(log10($range));
    foreach ([1, 2, 5, 10] as $m) {
        if ($m * $p >= $range) {
            return $m * $p;
        }
    }
    return 10 * $p;
}

// The chart as SVG: bars (or a line for type 2), the value grid, the names and values, the
// axis titles and the trend lines and zones.
function tv_chart_svg(array $c, array $data): string
{
    $w = $c['width'] > 0 ? $c['width'] : 600;
    $h = $c['height'] > 0 ? $c['height'] : 300;
    $left = 60 + ($c['yname'] !== '' ? 20 : 0);
    $top = $c['caption'] !== '' ? 36 : 16;
    $bottom = 16 + ($c['names'] ? ($c['xrotated'] ? 60 : 24) : 0) + ($c['xname'] !== '' ? 22 : 0);
    $right = 90;
    $pw = max(10, $w - $left - $right);
    $ph = max(10, $h - $top - $bottom);
    $values = array_map(fn(array $d): float => $d[1], $data);
    foreach ($c['trends'] as $t) {
        $values[] = (float)$t['start'];
        $values[] = (float)$t['end'];
    }
    $min = (float)min(0, $c['ymin'], ...($values === [] ? [0] : $values));
    $lines = $c['grid'] > 0 ? $c['grid'] : 4;
    if ($c['ymax'] > $c['ymin']) {
        $max = (float)$c['ymax'];
        $min = (float)$c['ymin'];
        $step = ($max - $min) / $lines;
    } else {
        $top_value = (float)max(1, ...($values === [] ? [1] : $values));
        $step = tv_nice_step(($top_value - $min) / $lines);
        $max = $min + $step * $lines;
    }
    $y = fn(float $v): float => $top + $ph - ($v - $min) / ($max - $min) * $ph;
    $alpha = $c['alpha'] > 0 && $c['alpha'] <= 100 ? $c['alpha'] / 100 : 1;
    $palette = $c['palette'] !== [] ? $c['palette'] : ['#2E86C1', '#28B463', '#F39C12', '#8E44AD', '#C0392B'];

    $s = '<svg xmlns="http://www.w3.org/2000/svg" class="tv-chart-svg" viewBox="0 0 ' . $w . ' ' . $h . '" width="' . $w . '" height="' . $h . '" role="img" aria-label="' . tv_h($c['caption']) . '">';
    $s .= '<rect x="0" y="0" width="' . $w . '" height="' . $h . '" fill="' . $c['bg'] . '"/>';
    if ($c['caption'] !== '') {
        $s .= '<text x="' . tv_svg_num($w / 2) . '" y="22" text-anchor="middle" font-size="15" font-weight="bold">' . tv_h($c['caption']) . '</text>';
    }
    $s .= '<rect x="' . $left . '" y="' . $top . '" width="' . $pw . '" height="' . $ph . '" fill="' . $c['plotbg'] . '" stroke="' . $c['border'] . '"/>';
    for ($i = 0; $i <= $lines; $i++) {
        $v = $min + $step * $i;
        $yy = tv_svg_num($y($v));
        if ($i > 0 && $i < $lines) {
            $s .= '<line class="tv-grid-line" x1="' . $left . '" y1="' . $yy . '" x2="' . ($left + $pw) . '" y2="' . $yy . '" stroke="' . $c['gridcolor'] . '"/>';
        }
        $s .= '<text x="' . ($left - 6) . '" y="' . $yy . '" dy="4" text-anchor="end" font-size="11">' . tv_h(number_format($v, $step < 1 ? 2 : 0)) . '</text>';
    }
    $trends = function (bool $onTop) use ($c, $y, $left, $pw, $min, $max): string {
        $out = '';
        foreach ($c['trends'] as $t) {
            if ($t['top'] !== $onTop) {
                continue;
            }
            $a = $t['alpha'] > 0 && $t['alpha'] <= 100 ? $t['alpha'] / 100 : ($t['zone'] ? 0.3 : 1);
            $y1 = $y(max($min, min($max, (float)$t['start'])));
            $y2 = $y(max($min, min($max, (float)$t['end'])));
            $title = '<title>' . tv_h($t['label'] !== '' ? $t['label'] : $t['name']) . '</title>';
            if ($t['zone']) {
                $out .= '<rect class="tv-trend-zone" x="' . $left . '" y="' . tv_svg_num(min($y1, $y2)) . '" width="' . $pw . '" height="' . tv_svg_num(abs($y2 - $y1)) . '" fill="' . $t['color'] . '" fill-opacity="' . tv_svg_num($a) . '">' . $title . '</rect>';
            } else {
                $out .= '<line class="tv-trend" x1="' . $left . '" y1="' . tv_svg_num($y1) . '" x2="' . ($left + $pw) . '" y2="' . tv_svg_num($y2) . '" stroke="' . $t['color'] . '" stroke-width="' . max(1, $t['thickness']) . '" stroke-opacity="' . tv_svg_num($a) . '">' . $title . '</line>';
            }
            if ($t['label'] !== '') {
                $out .= '<text class="tv-trend-label" x="' . ($left + $pw + 4) . '" y="' . tv_svg_num($t['zone'] ? min($y1, $y2) : $y2) . '" dy="' . ($t['zone'] ? 12 : 4) . '" font-size="11" fill="' . $t['color'] . '">' . tv_h($t['label']) . '</text>';
            }
        }
        return $out;
    };
    $s .= $trends(false);
    $n = max(1, count($data));
    $slot = $pw / $n;
    $points = [];
    foreach (array_values($data) as $i => [$label, $v]) {
        $color = $palette[$i % count($palette)];
        $cx = $left + $slot * ($i + 0.5);
        $yv = $y(max($min, min($max, $v)));
        $y0 = $y(max($min, 0.0));
        $title = $c['hover'] ? '<title>' . tv_h($label . ': ' . number_format($v, 2)) . '</title>' : '';
        if ($c['type'] === 2) {
            $points[] = tv_svg_num($cx) . ',' . tv_svg_num($yv);
            $s .= '<circle class="tv-point" cx="' . tv_svg_num($cx) . '" cy="' . tv_svg_num($yv) . '" r="4" fill="' . $color . '" fill-opacity="' . tv_svg_num($alpha) . '">' . $title . '</circle>';
        } else {
            $bw = $slot * 0.6;
            $s .= '<rect class="tv-bar" x="' . tv_svg_num($cx - $bw / 2) . '" y="' . tv_svg_num(min($yv, $y0)) . '" width="' . tv_svg_num($bw) . '" height="' . tv_svg_num(abs($y0 - $yv)) . '" fill="' . $color . '" fill-opacity="' . tv_svg_num($alpha) . '">' . $title . '</rect>';
        }
        if ($c['values']) {
            $s .= '<text class="tv-value" x="' . tv_svg_num($cx) . '" y="' . tv_svg_num(min($yv, $y0) - 4) . '" text-anchor="middle" font-size="11">' . tv_h(number_format($v, 2)) . '</text>';
        }
        if ($c['names']) {
            $ly = $top + $ph + 14;
            $s .= $c['xrotated']
                ? '<text x="' . tv_svg_num($cx) . '" y="' . $ly . '" text-anchor="end" font-size="11" transform="rotate(-40 ' . tv_svg_num($cx) . ' ' . $ly . ')">' . tv_h($label) . '</text>'
                : '<text x="' . tv_svg_num($cx) . '" y="' . $ly . '" text-anchor="middle" font-size="11">' . tv_h($label) . '</text>';
        }
    }
    if ($points !== []) {
        $s .= '<polyline class="tv-line" points="' . implode(' ', $points) . '" fill="none" stroke="' . $palette[0] . '" stroke-width="2"/>';
    }
    $s .= $trends(true);
    if ($c['xname'] !== '') {
        $s .= '<text x="' . tv_svg_num($left + $pw / 2) . '" y="' . ($h - 6) . '" text-anchor="middle" font-size="12" font-weight="bold">' . tv_h($c['xname']) . '</text>';
    }
    if ($c['yname'] !== '') {
        $s .= $c['yrotated']
            ? '<text x="14" y="' . tv_svg_num($top + $ph / 2) . '" text-anchor="middle" font-size="12" font-weight="bold" transform="rotate(-90 14 ' . tv_svg_num($top + $ph / 2) . ')">' . tv_h($c['yname']) . '</text>'
            : '<text x="4" y="' . ($top - 6) . '" font-size="12" font-weight="bold">' . tv_h($c['yname']) . '</text>';
    }
    return $s . '</svg>';
}

$tv_drawn = [];
foreach ($tv_charts as $tv_c) {
    $tv_agg = $tv_c['summary'] . '(' . $tv_c['y'] . ')';
    $tv_order = match ($tv_c['sort']) {
        1 => 'v ASC',
        2 => 'v DESC',
        default => 'l ASC',
    };
    $tv_rows = tv_query('SELECT ' . $tv_c['x'] . ' AS l, ' . $tv_agg . ' AS v FROM ' . $tv_table['from']
        . ($tv_table['filter'] !== '' ? ' WHERE (' . $tv_table['filter'] . ')' : '')
        . ' GROUP BY ' . $tv_c['x'] . ' ORDER BY ' . $tv_order . ' LIMIT 100');
    $tv_xf = $tv_table['fields'][$tv_c['xfield']] ?? null;
    $tv_data = array_map(fn(array $r): array => [$tv_xf !== null ? tv_text($tv_xf, $r['l']) : (string)$r['l'], (float)$r['v']], $tv_rows);
    $tv_drawn[] = [$tv_c, $tv_data === [] ? '' : tv_chart_svg($tv_c, $tv_data)];
}
?>
<!--##include shared.php/header##-->
<h1><!--##=tvHtml(TABLE.TblCaption)##--> - <!--##@Charts##--></h1>
<?php foreach ($tv_drawn as [$tv_c, $tv_svg]): ?>
<figure class="tv-chart" id="chart-<?php echo tv_h($tv_c['name']); ?>">
<?php if ($tv_svg === ''): ?>
<p class="tv-empty"><!--##@NoData##--></p>
<?php else: ?>
<?php echo $tv_svg; ?>
<?php endif; ?>
</figure>
<?php endforeach; ?>
<p class="tv-links"><a href="<?php echo tv_h($tv_table['pages']['list']); ?>"><!--##@BackToList##--></a></p>
<!--##include shared.php/footer##-->
<!--##/session##-->
