#!/usr/bin/env bash
# Kills the engine at random moments of three kinds of run and checks what each kill leaves:
#   first-run  `tolvex new` with an empty user registry (the first-run copy of the machine keys)
#   save       the save of a large project (crash_probe save)
#   generate   `tolvex generate` of the sample project over a site generated before
# After each kill every file must be the old one or the new one (never a part of one), no
# backup may be truncated, and a kill may leave in a site folder only hidden temporary files
# without a served extension; after the next normal run the registry hive must be complete and
# no temporary file may be left.
# One more kind kills nothing but runs two writers at once:
#   writers    two `tolvex set` of one project started together, each changing another setting:
#              both must succeed and both changes must be in the file afterwards
#
# Usage: crash_test.sh --tolvex BIN --probe BIN --data DIR [--kills N] [--tables N] [--kinds LIST]
#                      [--seed N] [--work DIR] [--keep]
#   --kills N     kills of each kind, rounds of the writers (default 10: about two minutes in all)
#   --tables N    tables of the large project (default 100 of 24 columns, about 5 MB)
#   --kinds LIST  comma-separated kinds (default first-run,save,generate; writers on request)
#   --work DIR    where to work (default a new temporary folder, removed unless --keep)
# Kills are SIGKILL, SIGTERM and SIGINT (Ctrl-C), chosen at random.
set -u

tolvex="" probe="" data="" kills=10 tables=100 kinds="first-run,save,generate" seed="" work="" keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --tolvex) tolvex="$2"; shift 2 ;;
    --probe) probe="$2"; shift 2 ;;
    --data) data="$2"; shift 2 ;;
    --kills) kills="$2"; shift 2 ;;
    --kinds) kinds="$2"; shift 2 ;;
    --tables) tables="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
if [ -z "$tolvex" ] || [ -z "$probe" ] || [ -z "$data" ]; then
  echo "usage: $0 --tolvex BIN --probe BIN --data DIR [--kills N] [--kinds LIST] [--seed N] [--work DIR] [--keep]" >&2
  exit 2
fi
[ -n "$seed" ] || seed=$(( $(date +%s) % 32768 ))
RANDOM=$seed
if [ -z "$work" ]; then
  work=$(mktemp -d "${TMPDIR:-/tmp}/tolvex-crash-XXXXXX")
  [ $keep -eq 1 ] || trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"
export TOLVEX_DATA_DIR="$data"
export TOLVEX_CONFIG_DIR="$work/config"
export XDG_DOCUMENTS_DIR="$work/docs"
umask 022
echo "crash test: seed $seed, $kills kills of each kind ($kinds), in $work"

failures=0 readable_temps=0
fail() {
  if [ "$kind" = writers ]; then echo "FAIL [writers round $k]: $*" >&2
  else echo "FAIL [$kind kill $k, $signal after ${delay_ms}ms]: $*" >&2; fi
  failures=$((failures + 1))
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Runs the command and kills it after a random time below `budget_ms` (the time a whole run
# takes); sets `signal`, `delay_ms` and `status`.
run_and_kill() {
  local budget=$1; shift
  delay_ms=$(( (RANDOM * 32768 + RANDOM) % (budget > 0 ? budget : 1) ))
  case $(( RANDOM % 4 )) in
    0) signal=TERM ;;
    1) signal=INT ;;
    *) signal=KILL ;;
  esac
  "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
  kill -s "$signal" "$pid" 2>/dev/null
  wait "$pid"
  status=$?
}

# Times one normal run of the command (it must succeed); sets `run_ms`.
timed_run() {
  local start; start=$(now_ms)
  if ! "$@" >"$work/last.log" 2>&1; then
    echo "a normal run failed: $*" >&2
    cat "$work/last.log" >&2
    exit 1
  fi
  run_ms=$(( $(now_ms) - start ))
}

# A normal run after a kill: it must succeed.
next_run() {
  if ! "$@" >"$work/last.log" 2>&1; then
    fail "the next normal run failed: $(tr '\n' ' ' <"$work/last.log")"
    return 1
  fi
}

# Temporary files of writes (ours, and the names earlier versions gave them) in the folders.
temp_files() {
  find "$@" \( -name '.tolvex-*.tmp' -o -name '*.tmp-??????????' -o -name '.*.tolvex.new-*' \
    -o -name '.*.tolvex.old-*' \) 2>/dev/null
}

no_temp_files() {
  local left; left=$(temp_files "$@")
  [ -z "$left" ] || fail "temporary files left after the next run: $(echo $left)"
}

# True when the file equals one of the reference files.
is_one_of() {
  local file=$1; shift
  local ref
  for ref in "$@"; do cmp -s "$file" "$ref" && return 0; done
  return 1
}

# ---------------------------------------------------------------------------------------------
kill_first_runs() {
  local dir="$work/first-run" machine="$data/machine.reg" user="$TOLVEX_CONFIG_DIR/user.reg"
  rm -rf "$dir" "$TOLVEX_CONFIG_DIR" "$XDG_DOCUMENTS_DIR"; mkdir -p "$dir"
  timed_run "$tolvex" new "$dir/ref.tvp" --name crash
  "$probe" hive-complete "$user" "$machine" || { echo "a normal first run leaves the hive incomplete" >&2; exit 1; }
  local budget=$run_ms
  for k in $(seq 1 "$kills"); do
    rm -rf "$TOLVEX_CONFIG_DIR" "$dir/new.tvp"
    run_and_kill "$budget" "$tolvex" new "$dir/new.tvp" --name crash
    if [ -e "$user" ]; then
      "$probe" hive-complete --if-marked "$user" "$machine" || fail "the hive is marked as copied but incomplete"
    fi
    if [ -e "$dir/new.tvp" ] && ! cmp -s "$dir/new.tvp" "$dir/ref.tvp"; then
      fail "the new project is neither missing nor whole"
    fi
    next_run "$tolvex" new "$dir/new.tvp" --name crash --force || continue
    "$probe" hive-complete "$user" "$machine" || fail "the hive is incomplete after the next run"
    cmp -s "$dir/new.tvp" "$dir/ref.tvp" || fail "the next run wrote another project"
    no_temp_files "$TOLVEX_CONFIG_DIR" "$dir"
  done
}

# ---------------------------------------------------------------------------------------------
kill_saves() {
  local dir="$work/save" backups="$XDG_DOCUMENTS_DIR/Tolvex/Backup"
  rm -rf "$dir" "$XDG_DOCUMENTS_DIR"; mkdir -p "$dir"
  "$tolvex" new "$dir/warm-up.tvp" >/dev/null 2>&1  # the user registry, once
  local file="$dir/big.tvp" schema="$dir/big.schema"
  "$probe" make-project "$schema" "$tables" 24 "$file" || exit 1
  cp "$file" "$dir/ref-made"
  timed_run "$probe" save "$schema" "$file" A; cp "$file" "$dir/ref-A"
  timed_run "$probe" save "$schema" "$file" B; cp "$file" "$dir/ref-B"
  local budget=$run_ms refs=("$dir/ref-made" "$dir/ref-A" "$dir/ref-B")
  echo "  save: a project of $(stat -c %s "$file") bytes, a save takes ${budget}ms"
  local name=A
  for k in $(seq 1 "$kills"); do
    run_and_kill "$budget" "$probe" save "$schema" "$file" "$name"
    is_one_of "$file" "${refs[@]}" || fail "the project file is not a whole version"
    local b
    for b in "$backups"/big.tvp-*/big\(*\).tvp; do
      [ -e "$b" ] || continue
      is_one_of "$b" "${refs[@]}" || fail "backup $(basename "$b") is not a whole version ($(stat -c %s "$b") bytes)"
    done
    next_run "$probe" save "$schema" "$file" "$name" || continue
    cmp -s "$file" "$dir/ref-$name" || fail "the next save wrote another project"
    for b in "$backups"/big.tvp-*/big\(*\).tvp; do
      [ -e "$b" ] || continue
      is_one_of "$b" "${refs[@]}" || fail "backup $(basename "$b") is not a whole version after the next run"
    done
    no_temp_files "$dir" "$backups"
    [ $name = A ] && name=B || name=A
  done
}

# ---------------------------------------------------------------------------------------------
# Every file of the site against the reference site: the same content, or (a file the
# reference lacks) a backup of one that holds its content, or a temporary file of ours.
check_site() {
  local site=$1 ref=$2 when=$3 f rel
  while IFS= read -r -d '' f; do
    rel=${f#"$site"/}
    if [ -f "$ref/$rel" ]; then
      cmp -s "$f" "$ref/$rel" || fail "$rel is not a whole version $when"
    elif [ -f "$ref/${rel%.bak}" ] && [ "$rel" != "${rel%.bak}" ]; then
      cmp -s "$f" "$ref/${rel%.bak}" || fail "backup $rel is not a whole version $when"
    elif [[ "$rel" =~ ^(.*/)?(\.[^/]*\.tolvex\.(new|old)-[0-9a-f]{8})/ ]]; then
      # Inside a hidden folder copy that a kill interrupted: one being made is its owner's only.
      if [ "${BASH_REMATCH[3]}" = new ] && [ "$(stat -c %a "$site/${BASH_REMATCH[1]}${BASH_REMATCH[2]}")" != 700 ]; then
        fail "folder copy ${BASH_REMATCH[2]} is readable by others $when"
      fi
    elif [[ "$(basename "$rel")" == .tolvex-*.tmp ]]; then
      # Hidden and without a served extension; readable by others only when the kill fell
      # between naming it and renaming it over the page (counted, not a failure).
      [ $(( 0$(stat -c %a "$f") & 044 )) -eq 0 ] || readable_temps=$((readable_temps + 1))
    else
      fail "unexpected file $rel $when"
    fi
  done < <(find "$site" -type f -print0)
}

kill_generations() {
  local dir="$work/generate"
  rm -rf "$dir" "$XDG_DOCUMENTS_DIR"; mkdir -p "$dir"
  cp "$data/samples/sample.tvp" "$dir/sample.tvp"
  local gen=("$tolvex" generate "$dir/sample.tvp" --overwrite=all --yes --destination)
  timed_run "${gen[@]}" "$dir/ref-site"
  timed_run "${gen[@]}" "$dir/ref-site"   # over itself: the backups a regeneration makes
  local budget=$run_ms
  echo "  generate: $(find "$dir/ref-site" -type f | wc -l) files, a generation takes ${budget}ms"
  cp -a "$dir/ref-site" "$dir/site"
  for k in $(seq 1 "$kills"); do
    run_and_kill "$budget" "${gen[@]}" "$dir/site"
    check_site "$dir/site" "$dir/ref-site" "after the kill"
    next_run "${gen[@]}" "$dir/site" || continue
    check_site "$dir/site" "$dir/ref-site" "after the next run"
    no_temp_files "$dir"
  done
}

# ---------------------------------------------------------------------------------------------
concurrent_writers() {
  local dir="$work/writers" lost=0
  rm -rf "$dir" "$XDG_DOCUMENTS_DIR"; mkdir -p "$dir"
  local file="$dir/shop.tvp"
  cp "$data/samples/sample.tvp" "$file"
  "$tolvex" get "$file" AppHeader >/dev/null 2>&1  # the user registry, once
  for k in $(seq 1 "$kills"); do
    "$tolvex" set "$file" "AppHeader=header $k" >"$dir/header.log" 2>&1 &
    local header=$!
    "$tolvex" set "$file" "AppFooter=footer $k" >"$dir/footer.log" 2>&1 &
    local footer=$!
    local header_status=0 footer_status=0
    wait $header || header_status=$?
    wait $footer || footer_status=$?
    [ $header_status -eq 0 ] || fail "the writer of AppHeader failed: $(tr '\n' ' ' <"$dir/header.log")"
    [ $footer_status -eq 0 ] || fail "the writer of AppFooter failed: $(tr '\n' ' ' <"$dir/footer.log")"
    local got; got=$("$tolvex" get "$file" AppHeader AppFooter 2>&1 | tr '\n' ' ')
    if [ "$got" != "AppHeader=header $k AppFooter=footer $k " ]; then
      lost=$((lost + 1))
      fail "a change was lost: $got"
    fi
  done
  [ -z "$(find "$dir" -name '.*.lock')" ] || fail "lock files left: $(find "$dir" -name '.*.lock')"
  no_temp_files "$dir"
  echo "  writers: $kills rounds of two writers at once, $lost changes lost"
}

for kind in ${kinds//,/ }; do
  k=0 signal=- delay_ms=0
  start=$(now_ms)
  case $kind in
    first-run) kill_first_runs ;;
    save) kill_saves ;;
    generate) kill_generations ;;
    writers) concurrent_writers ;;
    *) echo "unknown kind: $kind" >&2; exit 2 ;;
  esac
  [ "$kind" = writers ] && runs=rounds || runs=kills
  echo "  $kind: $kills $runs in $(( ($(now_ms) - start) / 1000 ))s, $failures failures so far"
done
[ $readable_temps -eq 0 ] || echo "  note: $readable_temps kills left a temporary file readable by others in the site"
if [ $failures -ne 0 ]; then
  echo "crash test: $failures failures (seed $seed)" >&2
  exit 1
fi
echo "crash test: passed"
