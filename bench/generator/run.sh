#!/usr/bin/env bash
# Generation benchmark: generates a project of 250 tables x 20 fields with the bundled sample
# package and prints each time beside its reference measured in the same run: writing the same
# output files one by one through a temporary file, fsync and rename.
#
#   bench/generator/run.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR (default build) must hold bin/tolvex, bench/projectfile/make_large_project and
# bench/generator/bench_generator_reference (configure with -DTOLVEX_BUILD_BENCHMARKS=ON). Each figure is the median of RUNS runs (default 3):
#   first run  - a fresh working folder (the package unpacked and compiled), no destination yet;
#   later run  - the same project again over the site of the first run (every output replaced,
#                with its backup as the default settings ask);
#   reference  - the first run's files written by the reference program into an empty folder
#                (for the first run) and over those files (for the later run; the two later
#                runs take turns at going first, odd runs the reference first).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
runs="${2:-3}"
tables="${TABLES:-250}"
fields="${FIELDS:-20}"
tolvex="$build/bin/tolvex"
reference="$build/bench/generator/bench_generator_reference"
maker="$build/bench/projectfile/make_large_project"
package="$build/share/tolvex/templates/sample.zip"
for f in "$tolvex" "$reference" "$maker" "$package"; do
  [[ -e "$f" ]] || { echo "missing $f (build tolvex_cli, make_large_project and bench_generator_reference)" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tolvex-genbench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
project="$work/large.tvp"
"$maker" "$tables" "$fields" "$project" >/dev/null

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

generate() {  # generate CONFIG DOCUMENTS DESTINATION: prints the seconds taken
  local start end
  start="$(now)"
  TOLVEX_CONFIG_DIR="$1" XDG_DOCUMENTS_DIR="$2" "$tolvex" generate "$project" --template "$package" \
    --destination "$3" --overwrite=all --yes >"$work/out.log" 2>&1 || { cat "$work/out.log" >&2; exit 1; }
  end="$(now)"
  awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f\n", b - a}'
}

first=() later=() ref_first=() ref_later=()
for ((i = 1; i <= runs; i++)); do
  run="$work/run$i"
  mkdir -p "$run/config" "$run/documents"
  first+=("$(generate "$run/config" "$run/documents" "$run/site")")
  ref_first+=("$("$reference" "$run/site" "$run/ref" | awk '{print $1}')")
  # A later run of either program deletes some 1,500 files, and the file system then takes
  # longer to find room for the files of whatever runs next: the two later runs take turns
  # at going first.
  if ((i % 2 == 1)); then
    ref_later+=("$("$reference" "$run/site" "$run/ref" | awk '{print $1}')")
    later+=("$(generate "$run/config" "$run/documents" "$run/site")")
  else
    later+=("$(generate "$run/config" "$run/documents" "$run/site")")
    ref_later+=("$("$reference" "$run/site" "$run/ref" | awk '{print $1}')")
  fi
done
files="$(find "$work/run1/ref" -type f | wc -l)"
bytes="$(find "$work/run1/ref" -type f -printf '%s\n' | awk '{s+=$1} END {print s}')"

m_first="$(printf '%s\n' "${first[@]}" | median)"
m_later="$(printf '%s\n' "${later[@]}" | median)"
m_ref_first="$(printf '%s\n' "${ref_first[@]}" | median)"
m_ref_later="$(printf '%s\n' "${ref_later[@]}" | median)"
echo "project: $tables tables x $fields fields; site: $files files, $bytes bytes; median of $runs runs"
show() {  # show LABEL SECONDS REFERENCE_SECONDS
  awk -v l="$1" -v t="$2" -v r="$3" 'BEGIN {printf "%-36s %8.3f s   reference %8.3f s   ratio %5.2fx\n", l, t, r, t / r}'
}
show "generate, first run (fresh folder)" "$m_first" "$m_ref_first"
show "generate, later run" "$m_later" "$m_ref_later"
