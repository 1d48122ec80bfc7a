#!/bin/sh
# Fuzzes the .rcf reader for a bounded time with clang's libFuzzer, then the
# parser of the router's Telnet output.
#
#   tools/fuzz.sh BUILD_DIR SECONDS
#
# Configures BUILD_DIR with clang-14 and -DMG_FUZZ=ON, builds only the fuzz
# target and runs it over the checked-in seeds (tests/model/corpus). New
# inputs go to BUILD_DIR/fuzz-corpus, so the seeds stay as they are; a crash
# leaves its input in BUILD_DIR/fuzz-artifacts and fails the script. Copy such
# an input into tests/model/corpus: tst_rcffile then runs it on every test.
#
# The router-output run takes SECONDS or 20 s, whichever is shorter
# (FUZZ_ROUTER_SECONDS sets it), over tests/transfer/corpus; its new inputs go
# to BUILD_DIR/fuzz-corpus-router and a crash to
# BUILD_DIR/fuzz-artifacts/router-*. Copy such an input into
# tests/transfer/corpus: tst_routeroutputparser then runs it on every test.
#
# The run starts from a fixed seed (FUZZ_SEED, default 1), so the test
# command explores the same inputs every time and cannot fail by chance on an
# unchanged tree. Hunt for new faults with FUZZ_SEED=0 (a random seed) and a
# longer time.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: tools/fuzz.sh BUILD_DIR SECONDS" >&2
    exit 2
fi
BUILD=$1
DURATION=$2
ROOT=$(cd "$(dirname "$0")/.." && pwd)

CC=clang-14 CXX=clang++-14 cmake -S "$ROOT" -B "$BUILD" -G Ninja \
    -DCMAKE_BUILD_TYPE=Debug -DMG_FUZZ=ON >/dev/null
cmake --build "$BUILD" -j "${FUZZ_JOBS:-2}" --target fuzz_rcf

mkdir -p "$BUILD/fuzz-corpus" "$BUILD/fuzz-artifacts"
"$BUILD/tools/fuzz_rcf" \
    -max_total_time="$DURATION" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -dict="$ROOT/tools/rcf.dict" -artifact_prefix="$BUILD/fuzz-artifacts/" \
    -seed="${FUZZ_SEED:-1}" -print_final_stats=1 \
    "$BUILD/fuzz-corpus" "$ROOT/tests/model/corpus"

ROUTER_DURATION=${FUZZ_ROUTER_SECONDS:-$(( DURATION < 20 ? DURATION : 20 ))}
cmake --build "$BUILD" -j "${FUZZ_JOBS:-2}" --target fuzz_router_output
mkdir -p "$BUILD/fuzz-corpus-router"
"$BUILD/tools/fuzz_router_output" \
    -max_total_time="$ROUTER_DURATION" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -artifact_prefix="$BUILD/fuzz-artifacts/router-" \
    -seed="${FUZZ_SEED:-1}" -print_final_stats=1 \
    "$BUILD/fuzz-corpus-router" "$ROOT/tests/transfer/corpus"

# The script reader, over the checked-in scripts (tests/script/corpus), for
# SECONDS or 20 s, whichever is shorter (FUZZ_SCRIPT_SECONDS sets it); a crash
# leaves its input in BUILD_DIR/fuzz-artifacts/script-*.
SCRIPT_DURATION=${FUZZ_SCRIPT_SECONDS:-$(( DURATION < 20 ? DURATION : 20 ))}
cmake --build "$BUILD" -j "${FUZZ_JOBS:-2}" --target fuzz_script
mkdir -p "$BUILD/fuzz-corpus-script"
"$BUILD/tools/fuzz_script" \
    -max_total_time="$SCRIPT_DURATION" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$BUILD/fuzz-artifacts/script-" \
    -seed="${FUZZ_SEED:-1}" -print_final_stats=1 \
    "$BUILD/fuzz-corpus-script" "$ROOT/tests/script/corpus"
