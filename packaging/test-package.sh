#!/bin/sh
# Checks the Debian package without installing it on this machine.
#
#   packaging/test-package.sh BUILD_DIR
#
# BUILD_DIR is a configured build in which marrowgate, tzel and
# mg_packaging_files are built. The package is made from it with cpack into
# a temporary folder, unpacked into a temporary root and checked there:
# layout, menu entry, lintian, manual page, --version, the encoder found
# through the package's settings file, the capability the maintainer script
# gives, and a whole install, remove and purge by dpkg into a temporary root
# of its own.
#
# The capability checks need root: without it they run through "sudo -n"
# when that works without a password, and are skipped with a notice otherwise.
set -eu

if [ $# -ne 1 ] || [ ! -f "$1/CPackConfig.cmake" ]; then
    echo "usage: $0 BUILD_DIR (a configured build folder)" >&2
    exit 2
fi
build=$(cd "$1" && pwd)

if [ "$(id -u)" -eq 0 ]; then
    as_root() { "$@"; }
    privileged=yes
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    as_root() { sudo -n "$@"; }
    privileged=yes
else
    as_root() { "$@"; }
    privileged=no
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/marrowgate-package.XXXXXX")
# dpkg leaves files of root's in there.
trap 'as_root rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# --- the package --------------------------------------------------------
if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack did not make the package" >&2
    exit 1
fi
deb=$(find "$work/out" -maxdepth 1 -name 'marrowgate_*.deb' | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no marrowgate_*.deb from cpack" >&2; exit 1; }
pass "package $(basename "$deb")"

root="$work/root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$work/control"

settings_dir="$root/etc/xdg/Brenholt"
settings_link="$settings_dir/Quillmark KV700 Marrowgate.ini"
for path in usr/bin/marrowgate usr/libexec/marrowgate/tzel \
    usr/share/applications/marrowgate.desktop \
    usr/share/icons/hicolor/scalable/apps/marrowgate.svg \
    usr/share/man/man1/marrowgate.1.gz usr/share/doc/marrowgate/copyright \
    "etc/xdg/Brenholt/Quillmark KV700 Marrowgate.ini"; do
    [ -e "$root/$path" ] || fail "the package has no /$path"
done

# --- menu entry ---------------------------------------------------------
desktop="$root/usr/share/applications/marrowgate.desktop"
status=0
desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 || status=$?
sed 's/^/  /' "$work/desktop.log"
if [ "$status" -eq 0 ]; then
    pass "desktop-file-validate"
else
    fail "desktop-file-validate reports errors (above)"
fi
# The menu starts what Exec names from PATH and shows the theme icon Icon names.
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
if [ -z "$exec_program" ] || [ ! -x "$root/usr/bin/$exec_program" ]; then
    fail "the menu entry starts \"$exec_program\", which is not in /usr/bin of the package"
fi
if [ -z "$icon" ] || [ ! -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ]; then
    fail "the menu entry shows icon \"$icon\", which the package does not have"
fi

# --- lintian ------------------------------------------------------------
# Errors fail; warnings and notes are shown.
if lintian --fail-on error --display-info "$deb" >"$work/lintian.log" 2>&1; then
    pass "lintian: no errors"
else
    fail "lintian reports errors (below)"
fi
grep -v -e '^N:' -e '^running with root privileges' "$work/lintian.log" | sed 's/^/  /' || true

# --- manual page --------------------------------------------------------
manpage="$root/usr/share/man/man1/marrowgate.1.gz"
if LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$manpage" \
    2>"$work/man.log" >/dev/null && [ ! -s "$work/man.log" ]; then
    pass "manual page formats without warnings"
else
    fail "manual page: $(cat "$work/man.log")"
fi
# Every command the program's own help lists is in the manual's synopsis.
LC_ALL=C.UTF-8 MANWIDTH=200 man -l -P cat "$manpage" 2>/dev/null \
    | sed -n '/^SYNOPSIS/,/^DESCRIPTION/p' >"$work/synopsis.txt"
"$root/usr/bin/marrowgate" --help >"$work/help.txt" 2>&1 || fail "marrowgate --help failed"
commands=$(sed -n 's/^ *marrowgate \([a-z][a-z-]*\).*/\1/p' "$work/help.txt" | sort -u)
[ -n "$commands" ] || fail "marrowgate --help lists no commands"
for command in $commands; do
    grep -q "marrowgate $command" "$work/synopsis.txt" \
        || fail "the manual page's synopsis lacks \"marrowgate $command\""
done

# --- the unpacked program -----------------------------------------------
version=$(dpkg-deb -f "$deb" Version)
answer=$("$root/usr/bin/marrowgate" --version 2>&1) || fail "marrowgate --version failed: $answer"
if [ "$answer" = "marrowgate $version" ]; then
    pass "--version answers \"$answer\""
else
    fail "--version answers \"$answer\", the package is $version"
fi

# The settings file names the folder of the package's encoder.
target=$(sed -n 's/^Target="\(.*\)"$/\1/p' "$settings_link")
if [ -n "$target" ] && [ -x "$root$target/tzel" ]; then
    pass "Target=$target holds tzel"
else
    fail "Target \"$target\" in the settings file is not the folder of the package's tzel"
fi

# The unpacked program finds the encoder through that file: its check
# command runs the encoder it finds. Beside the unpacked program there is no
# tzel, so the settings file is the only way to it; it is made to name the
# unpacked folder. The router is not there (Telnet fails): only the
# encoder's line counts.
encoder_line() { # XDG_CONFIG_DIRS; the check's line about the encoder, ✓ or ✗
    XDG_CONFIG_DIRS="$1" "$root/usr/bin/marrowgate" check --lan 127.0.0.2 --telnet-port 1 \
        >"$work/check.log" 2>&1 || true
    grep -e '^✓.*暗号化プログラム' -e '^✗.*暗号化プログラム' "$work/check.log" || true
}
if [ -n "$target" ] && [ ! -e "$target" ]; then
    # As packed, Target names a folder of the installed system, not here:
    # that must be an error, not a quiet fallback to another encoder.
    line=$(encoder_line "$root/etc/xdg")
    case "$line" in
    ✗*) grep -q 'レジストリを読み出し中にエラーが発生しました' "$work/check.log" \
            || fail "a Target naming a missing folder: $(cat "$work/check.log")" ;;
    *) fail "a Target naming a missing folder: $(cat "$work/check.log")" ;;
    esac
fi
settings_file=$(readlink -f "$settings_link")
escaped=$(printf '%s' "$root$target" | sed 's/[\\"&|]/\\&/g')
sed -i "s|^Target=.*|Target=\"$escaped\"|" "$settings_file"
line=$(encoder_line "$root/etc/xdg")
case "$line" in
"✓ "*"$root$target/tzel "*) pass "the unpacked program finds tzel through the package's settings file" ;;
*) fail "no encoder through the package's settings file: $(cat "$work/check.log")" ;;
esac
mkdir "$work/no-settings"
case "$(encoder_line "$work/no-settings")" in
✓*) fail "the encoder was found without the settings file: the check above proves nothing" ;;
✗*) ;;
*) fail "marrowgate check says nothing about the encoder: $(cat "$work/check.log")" ;;
esac

# --- the capability -----------------------------------------------------
if [ "$privileged" = no ]; then
    echo "skipped: the capability checks need root (or sudo without a password)"
else
    chmod 755 "$work" # the unprivileged user below reaches the program
    program="$root/usr/bin/marrowgate"
    plain="$work/marrowgate-without-capability"
    cp "$program" "$plain" # cp leaves the capability behind
    if as_root env DPKG_ROOT="$root" sh "$work/control/postinst" configure >"$work/postinst.log" 2>&1; then
        sed 's/^/  /' "$work/postinst.log"
    else
        fail "postinst failed: $(cat "$work/postinst.log")"
    fi
    if getcap "$program" | grep -q 'cap_net_bind_service=ep'; then
        pass "postinst gave $(getcap "$program" | sed "s|^$root||")"
    else
        fail "postinst did not give the capability: $(getcap "$program")"
    fi

    # A normal user serves the script from port 69 with the capability, and
    # is told the remedy without it.
    start=$(cat /proc/sys/net/ipv4/ip_unprivileged_port_start 2>/dev/null || echo 1024)
    if [ "$start" -le 69 ]; then
        echo "skipped: every user may open port 69 on this machine (ip_unprivileged_port_start=$start)"
    else
        printf 'save\r\n' >"$work/script.cfg"
        chmod 644 "$work/script.cfg"
        as_user() {
            as_root setpriv --reuid=65534 --regid=65534 --clear-groups \
                env -i PATH=/usr/bin:/bin HOME=/ LANG=C.UTF-8 "$@"
        }
        status=0
        as_user "$program" tftp-serve --router 127.0.0.2 --timeout 1 "$work/script.cfg" \
            >/dev/null 2>"$work/serve.log" || status=$?
        # Bound and waited: the router never asked within the second.
        if [ "$status" -eq 1 ] && grep -q '1 秒待ちましたが' "$work/serve.log"; then
            pass "a normal user's marrowgate opens UDP port 69"
        else
            fail "a normal user's marrowgate could not serve from port 69: $(cat "$work/serve.log")"
        fi
        status=0
        as_user "$plain" tftp-serve --router 127.0.0.2 --timeout 1 "$work/script.cfg" \
            >/dev/null 2>"$work/refused.log" || status=$?
        if [ "$status" -eq 1 ] && grep -q "sudo setcap cap_net_bind_service=+ep $plain" "$work/refused.log" \
            && grep -q 'パッケージからインストールすると' "$work/refused.log"; then
            pass "without the capability the message names setcap and the package"
        else
            fail "without the capability: $(cat "$work/refused.log")"
        fi
    fi

    # With the capability, plugin folders a user names are not searched (they
    # would load the user's code into a privileged program); the copy without
    # it searches them, which shows the check can see a search.
    mkdir -p "$work/plugins/platforms"
    chmod -R 755 "$work/plugins"
    plugin_trace() { # program, log
        as_root setpriv --reuid=65534 --regid=65534 --clear-groups \
            env -i PATH=/usr/bin:/bin HOME=/ LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
            QT_PLUGIN_PATH="$work/plugins" QT_DEBUG_PLUGINS=1 timeout 5 "$1" >/dev/null 2>"$2" || true
    }
    plugin_trace "$program" "$work/plugins-cap.log"
    plugin_trace "$plain" "$work/plugins-plain.log"
    if grep -q "$work/plugins" "$work/plugins-plain.log" && ! grep -q "$work/plugins" "$work/plugins-cap.log" \
        && grep -q 'platforms' "$work/plugins-cap.log"; then
        pass "with the capability, QT_PLUGIN_PATH is ignored"
    else
        fail "plugin folders from the environment: $(grep -c "$work/plugins" "$work/plugins-cap.log") searches with the capability, $(grep -c "$work/plugins" "$work/plugins-plain.log") without"
    fi

    # dpkg installs into a root of its own (not this machine's), runs the
    # maintainer script there, and removing then purging leaves nothing.
    failures_before=$failures
    dpkgroot="$work/dpkgroot"
    mkdir -p "$dpkgroot/var/lib/dpkg/info" "$dpkgroot/var/lib/dpkg/updates"
    : >"$dpkgroot/var/lib/dpkg/status"
    run_dpkg() {
        as_root dpkg --root="$dpkgroot" --log=/dev/null --force-script-chrootless --force-depends "$@" \
            >>"$work/dpkg.log" 2>&1
    }
    leftovers() { # what is there besides dpkg's own records, one line each
        (cd "$dpkgroot" && find . -mindepth 1 -path ./var/lib/dpkg -prune -o -print \
            | grep -v -x -e ./var -e ./var/lib | sort | tr '\n' ' ')
    }
    if run_dpkg --install "$deb"; then
        getcap "$dpkgroot/usr/bin/marrowgate" | grep -q 'cap_net_bind_service=ep' \
            || fail "dpkg --install: no capability on /usr/bin/marrowgate"
    else
        fail "dpkg --install failed: $(cat "$work/dpkg.log")"
    fi
    if run_dpkg --remove marrowgate; then
        # Only the machine-wide settings stay until a purge, as with any
        # package's configuration files.
        left=$(leftovers)
        [ "$left" = "./etc ./etc/xdg ./etc/xdg/Brenholt ./etc/xdg/Brenholt/marrowgate.ini " ] \
            || fail "dpkg --remove left: $left"
    else
        fail "dpkg --remove failed: $(cat "$work/dpkg.log")"
    fi
    if run_dpkg --purge marrowgate; then
        left=$(leftovers)
        [ -z "$left" ] || fail "dpkg --purge left: $left"
    else
        fail "dpkg --purge failed: $(cat "$work/dpkg.log")"
    fi
    if [ "$failures" -eq "$failures_before" ]; then
        pass "dpkg install, remove and purge in a temporary root"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures package check(s) failed" >&2
    exit 1
fi
echo "Package checks passed."
