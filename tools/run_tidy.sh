#!/usr/bin/env bash
# tools/run_tidy.sh BUILD [JOBS]: runs clang-tidy with the tree's .clang-tidy
# over the libraries' and programs' sources in BUILD's compile_commands.json
# (not the tests, benchmarks or fuzz targets: they would triple the time) and
# fails on any finding. Headers are checked through the sources that include
# them. BUILD must be built: moc's output is part of the sources. The tests,
# benchmarks and fuzz targets are kept clean too: GW_TIDY_ALL=1 checks them
# as well (configure BUILD with -DGW_BENCH=ON to include the benchmarks).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:?usage: run_tidy.sh BUILD [JOBS]}" && pwd)"
JOBS="${2:-$(nproc)}"
[ -f "$BUILD/compile_commands.json" ] || { echo "$BUILD/compile_commands.json is missing" >&2; exit 1; }
escape() { printf '%s' "$1" | sed 's/[][\.*^$+?(){}|]/\\&/g'; }
# Files of the source tree, outside the build folder and the folders left out.
skip='tests|bench|fuzz|build'
[ "${GW_TIDY_ALL:-0}" = 1 ] && skip='build'
regex="^(?!$(escape "$BUILD")/)$(escape "$ROOT")/(?!(?:$skip)/)"
set +e
# run-clang-tidy colours its output always and names each file it starts.
run-clang-tidy -quiet -p "$BUILD" -j "$JOBS" "$regex" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' |
  grep -v -E '^([0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|clang-tidy(-[0-9]+)? --use-color )'
status=${PIPESTATUS[0]}
set -e
[ "$status" = 0 ] && echo "clang-tidy: no findings"
exit "$status"
