#!/bin/sh
# How long reading the largest script back takes (32 destinations, 100
# static routes, 100 ENAT entries), beside generating it from the same
# configuration. Not a test: it prints figures; the goal is well under 5 ms
# a reading. Build with a release configuration for figures worth quoting:
#
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-release --target bench_reader
#   tools/bench_reader.sh build-release [ROUNDS]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
ROUNDS=${2:-200}
PROGRAM=$BUILD/tools/bench_reader
[ -x "$PROGRAM" ] || { echo "no $PROGRAM: build the bench_reader target first" >&2; exit 2; }
exec "$PROGRAM" "$ROOT/tests/model/golden/full.rcf" "$ROUNDS"
