#!/bin/sh
# How fast the built-in file server hands the router its script, next to a
# standard TFTP server: a 64 KiB file fetched N times by curl over loopback
# (client 127.0.0.2, server 127.0.0.1), from `marrowgate tftp-serve` and from
# tftpd-hpa's in.tftpd. Not a test: it prints figures.
#
#   tools/bench_tftp.sh [BUILD_DIR] [N]      (defaults: build, 20)
#
# The times are curl's, fetch by fetch: what the router waits. tftp-serve is
# one-shot, so it is started for every fetch; its start-up is reported apart.
# in.tftpd comes from the Debian package tftpd-hpa, installed with apt-get
# when missing (on a machine whose services start on installation, the
# package also starts its own daemon on port 69; this script does not use it).
# Ports: BENCH_PORT and BENCH_PORT+1 (default 16969, 16970).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
N=${2:-20}
PORT=${BENCH_PORT:-16969}
PROGRAM=$BUILD/app/marrowgate
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi

[ -x "$PROGRAM" ] || { echo "no program at $PROGRAM: build first (./build.sh test) or name the build folder" >&2; exit 2; }
command -v curl >/dev/null || { echo "curl is needed" >&2; exit 2; }
TFTPD=/usr/sbin/in.tftpd
if [ ! -x "$TFTPD" ]; then
    echo "Installing tftpd-hpa for the comparison" >&2
    $SUDO apt-get install -y --no-install-recommends tftpd-hpa >/dev/null \
        || { $SUDO apt-get update >/dev/null && $SUDO apt-get install -y --no-install-recommends tftpd-hpa >/dev/null; }
fi

WORK=$(mktemp -d)
TFTPD_PID=""
SERVE_PID=""
cleanup() {
    [ -n "$SERVE_PID" ] && kill "$SERVE_PID" 2>/dev/null || true
    [ -n "$TFTPD_PID" ] && $SUDO kill "$TFTPD_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

# in.tftpd serves from a chroot as its own user: the folder must be open to it.
chmod 755 "$WORK"
head -c 65536 /dev/urandom > "$WORK/bench.bin"
chmod 644 "$WORK/bench.bin"

now() { date +%s%N; }

# One fetch into $WORK/got; adds curl's time to FETCH_NS. Both servers are
# asked the plain way (no option negotiation), block by block of 512 bytes.
fetch() { # port
    rm -f "$WORK/got"
    t0=$(now)
    curl -s --tftp-no-options --interface 127.0.0.2 -o "$WORK/got" "tftp://127.0.0.1:$1/bench.bin"
    t1=$(now)
    FETCH_NS=$((FETCH_NS + t1 - t0))
    cmp -s "$WORK/bench.bin" "$WORK/got" || { echo "fetch from port $1: the file differs" >&2; exit 1; }
}

# marrowgate tftp-serve, started anew for every fetch.
FETCH_NS=0
START_NS=0
i=0
while [ $i -lt "$N" ]; do
    # The last run's log says "listening" too: it must not count for this one.
    rm -f "$WORK/serve.log"
    t0=$(now)
    "$PROGRAM" tftp-serve --router 127.0.0.2 --port "$PORT" --timeout 30 "$WORK/bench.bin" 2>"$WORK/serve.log" &
    SERVE_PID=$!
    tries=0
    until grep -q "待ちます" "$WORK/serve.log" 2>/dev/null; do
        tries=$((tries + 1))
        [ $tries -le 400 ] || { cat "$WORK/serve.log" >&2; exit 1; }
        sleep 0.01
    done
    START_NS=$((START_NS + $(now) - t0))
    fetch "$PORT"
    wait "$SERVE_PID" || { cat "$WORK/serve.log" >&2; exit 1; }
    SERVE_PID=""
    i=$((i + 1))
done
MG_NS=$FETCH_NS

# in.tftpd in the foreground, serving every fetch.
TPORT=$((PORT + 1))
$SUDO "$TFTPD" -L -s "$WORK" -a "127.0.0.1:$TPORT" &
TFTPD_PID=$!
sleep 0.3
FETCH_NS=0
i=0
while [ $i -lt "$N" ]; do
    fetch "$TPORT"
    i=$((i + 1))
done
HPA_NS=$FETCH_NS

awk -v n="$N" -v mg="$MG_NS" -v hpa="$HPA_NS" -v start="$START_NS" 'BEGIN {
    printf "64 KiB file, %d fetches each by curl over loopback\n", n
    printf "marrowgate tftp-serve: %8.2f ms per fetch (%.1f ms in all)\n", mg / n / 1e6, mg / 1e6
    printf "in.tftpd (tftpd-hpa):  %8.2f ms per fetch (%.1f ms in all)\n", hpa / n / 1e6, hpa / 1e6
    printf "ratio marrowgate / in.tftpd: %.2f\n", mg / hpa
    printf "tftp-serve start-up until listening: %.2f ms per run (not in the times above)\n", start / n / 1e6
}'
