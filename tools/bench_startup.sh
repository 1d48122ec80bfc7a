#!/bin/sh
# How long the main window takes to appear, beside a minimal Qt window with
# a Japanese label: from the launch to the first paint, each program started
# ROUNDS times on the offscreen platform, the median of each and their ratio
# printed. Not a test: it prints figures; the goal is a ratio of 1.5 or less.
# Build with a release configuration for figures worth quoting:
#
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-release --target marrowgate bench_minwindow
#   tools/bench_startup.sh build-release [ROUNDS]
#
# The programs read the launch time from MARROWGATE_BENCH_FIRST_SHOW, print
# how long after it their window was first painted, and end. Each run gets
# a settings folder of its own, as on a first start, so that neither the
# user's settings nor a running copy of the program take part.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
ROUNDS=${2:-20}
MAIN=$BUILD/app/marrowgate
MINIMAL=$BUILD/tools/bench_minwindow
for program in "$MAIN" "$MINIMAL"; do
    [ -x "$program" ] || { echo "no $program: build the marrowgate and bench_minwindow targets first" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/marrowgate-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Milliseconds to the first show, one run: the program's own report.
first_show() {
    rm -rf "$work/home"
    mkdir -p "$work/home/config" "$work/home/runtime"
    chmod 700 "$work/home/runtime"
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_RUNTIME_DIR="$work/home/runtime" \
        QT_QPA_PLATFORM=offscreen MARROWGATE_BENCH_FIRST_SHOW=$(date +%s%N) "$1" 2>/dev/null \
        | sed -n 's/^first show after \([0-9.]*\) ms$/\1/p'
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One round starts both, so that a busy moment of the machine falls on both.
# The first start of each warms the disk cache and is not counted.
first_show "$MAIN" >/dev/null
first_show "$MINIMAL" >/dev/null
: >"$work/main" && : >"$work/minimal"
i=0
while [ "$i" -lt "$ROUNDS" ]; do
    first_show "$MAIN" >>"$work/main"
    first_show "$MINIMAL" >>"$work/minimal"
    i=$((i + 1))
done
[ "$(wc -l <"$work/main")" -eq "$ROUNDS" ] && [ "$(wc -l <"$work/minimal")" -eq "$ROUNDS" ] \
    || { echo "a run printed no time to its first show" >&2; exit 1; }
main=$(median <"$work/main")
minimal=$(median <"$work/minimal")
echo "main window:    median $main ms to the first show ($ROUNDS runs)"
echo "minimal window: median $minimal ms to the first show ($ROUNDS runs)"
awk -v a="$main" -v b="$minimal" 'BEGIN { printf "ratio:          %.2f\n", a / b }'
