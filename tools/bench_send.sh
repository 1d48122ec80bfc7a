#!/bin/sh
# How long `marrowgate send` takes to type the largest configuration (32
# destinations, 100 static routes, 100 ENAT entries) into the router
# simulator's console emulating a 9600 bit/s line, with line pacing (one
# line a second, as the window types) and with echo pacing, next to the
# bound the line itself sets: the bytes typed divided by 960 bytes a second.
# Not a test: it prints figures. The goal is echo pacing within 2x the bound.
#
#   tools/bench_send.sh [BUILD_DIR]      (default: build)
#
# The whole session (login, reset, script, password, boot configuration) is
# real time; the line-paced run alone takes six to seven minutes. With
# BENCH_SKIP_LINE=1 that run is left out and its time given as one second a
# line. Everything stays on this machine: a pseudo-terminal, no network.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
PROGRAM=$BUILD/app/marrowgate
ROUTERSIM=$BUILD/tools/routersim/routersim
CONFIG=$ROOT/tests/model/golden/full.rcf
RATE=9600

[ -x "$PROGRAM" ] || { echo "no program at $PROGRAM: build first (./build.sh test) or name the build folder" >&2; exit 2; }
[ -x "$ROUTERSIM" ] || { echo "no router simulator at $ROUTERSIM: build the routersim target" >&2; exit 2; }

WORK=$(mktemp -d)
SIM_PID=""
cleanup() {
    [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

cp "$CONFIG" "$WORK/full.rcf"
destinations=$(sed -n 's/^Count=//p' "$WORK/full.rcf" | tr -d '\r')
routes=$(sed -n 's/^RouteNumber=//p' "$WORK/full.rcf" | tr -d '\r')
enat=$(sed -n 's/^ENATListNum=//p' "$WORK/full.rcf" | tr -d '\r')

now() { date +%s%N; }

# One installation with the given pacing on a fresh simulated router; sets
# WALL_NS (the whole command), TYPED_S (the typing, as the program reports
# it), LINES and BYTES.
run() { # pace
    rm -f "$WORK/ready" "$WORK/tty" "$WORK/state.json"
    "$ROUTERSIM" --state "$WORK/state.json" --serial "$WORK/tty" --line-rate "$RATE" >"$WORK/ready" 2>"$WORK/sim.log" &
    SIM_PID=$!
    tries=0
    until grep -q '^ready' "$WORK/ready" 2>/dev/null; do
        tries=$((tries + 1))
        [ $tries -le 500 ] || { cat "$WORK/sim.log" >&2; exit 1; }
        sleep 0.01
    done
    t0=$(now)
    printf 'pastry\nbench0pw\n' | "$PROGRAM" send --serial "$WORK/tty" --pace="$1" --timeout 3600 \
        --transcript "$WORK/$1.log" "$WORK/full.rcf" 2>"$WORK/$1.err" \
        || { cat "$WORK/$1.err" >&2; exit 1; }
    t1=$(now)
    WALL_NS=$((t1 - t0))
    kill "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
    SIM_PID=""
    # "N 行 (B バイト) を T 秒で送りました。"
    summary=$(grep 'バイト) を' "$WORK/$1.err")
    LINES=$(echo "$summary" | sed 's/ 行 .*//')
    BYTES=$(echo "$summary" | sed 's/.*(\([0-9]*\) バイト.*/\1/')
    TYPED_S=$(echo "$summary" | sed 's/.*を \([0-9.]*\) 秒.*/\1/')
}

echo "Configuration: $destinations destinations, $routes static routes, $enat ENAT entries ($CONFIG)"
echo "Console: router simulator at $RATE bit/s ($((RATE / 10)) bytes a second each way)"

run echo
ECHO_WALL=$WALL_NS
ECHO_TYPED=$TYPED_S

if [ "${BENCH_SKIP_LINE:-0}" = 1 ]; then
    LINE_WALL=""
    LINE_TYPED=$LINES
else
    run line
    LINE_WALL=$WALL_NS
    LINE_TYPED=$TYPED_S
fi

awk -v lines="$LINES" -v bytes="$BYTES" -v rate="$RATE" -v ew="$ECHO_WALL" -v et="$ECHO_TYPED" \
    -v lw="$LINE_WALL" -v lt="$LINE_TYPED" 'BEGIN {
    bound = bytes / (rate / 10)
    printf "Typed: %d lines, %d bytes (reset, login, script, password, boot configuration)\n", lines, bytes
    printf "Line-rate bound (bytes / %d per second): %8.1f s\n", rate / 10, bound
    if (lw == "")
        printf "Line pacing (one line a second):        %8.1f s typing (not run: one second a line)\n", lt
    else
        printf "Line pacing (one line a second):        %8.1f s typing, %6.1f s whole command  (%.1fx the bound)\n", lt, lw / 1e9, lt / bound
    printf "Echo pacing:                            %8.1f s typing, %6.1f s whole command  (%.2fx the bound)\n", et, ew / 1e9, et / bound
}'
