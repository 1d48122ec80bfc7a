#!/bin/sh
# Set-up, build, run and test in one place.
#
#   ./build.sh run     install what is missing, build, start the program
#   ./build.sh test    install what is missing, build, run every test
#                      (normal build, then the Debian package made from it
#                      and checked unpacked, then AddressSanitizer/UBSan
#                      build, then a bounded fuzzing run of the file reader)
#   ./build.sh package install what is missing, make the Debian package
#                      (build-package/marrowgate_VERSION_ARCH.deb)
#
# Extra arguments after "run" are passed to the program.
set -eu

cd "$(dirname "$0")"
ROOT=$(pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev
qt6-translations-l10n libgl-dev fonts-noto-cjk clang-14 libclang-rt-14-dev socat curl
dpkg-dev file desktop-file-utils lintian libcap2-bin man-db"

install_packages() {
    missing=""
    for p in $PACKAGES; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $p"
        fi
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
    $SUDO apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
}

configure_and_build() { # dir, extra cmake args...
    dir=$1; shift
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

cmd=${1:-}
[ $# -gt 0 ] && shift
case "$cmd" in
run)
    install_packages
    configure_and_build "$ROOT/build"
    exec "$ROOT/build/app/marrowgate" "$@"
    ;;
test)
    install_packages
    echo "== normal build"
    configure_and_build "$ROOT/build"
    (cd "$ROOT/build" && ctest --output-on-failure -j "$JOBS")
    echo "== Debian package"
    packaging/test-package.sh "$ROOT/build"
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
    configure_and_build "$ROOT/build-asan" -DMG_SANITIZE=ON
    (cd "$ROOT/build-asan" && ctest --output-on-failure -j "$JOBS")
    if [ -x tools/fuzz.sh ]; then
        echo "== fuzzing the configuration file reader"
        tools/fuzz.sh "$ROOT/build-fuzz" 60
    fi
    echo "All tests passed."
    ;;
package)
    install_packages
    dir="$ROOT/build-package"
    # Debian's hardening flags, as its own packages are built with.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
    cflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)"
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
        -DCMAKE_C_FLAGS="$cflags" -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
    cmake --build "$dir" -j "$JOBS" --target marrowgate tzel marrowgate-bind69 mg_packaging_files
    rm -f "$dir"/marrowgate_*.deb
    (cd "$dir" && cpack >/dev/null)
    echo "Package: $(ls "$dir"/marrowgate_*.deb)"
    ;;
*)
    echo "usage: ./build.sh run [program arguments] | ./build.sh test | ./build.sh package" >&2
    exit 2
    ;;
esac
