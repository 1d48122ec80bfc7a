#!/bin/sh
# Checks the Debian package without installing it on this machine.
#
#   packaging/test-package.sh BUILD_DIR
#
# BUILD_DIR is a configured build in which marrowgate, tzel,
# marrowgate-bind69 and mg_packaging_files are built. The package is made from it with cpack into
# a temporary folder, unpacked into a temporary root and checked there:
# layout, menu entry, lintian, manual page, --version, the encoder found
# through the package's settings file, the capability the maintainer script
# gives (to the port 69 helper only) and what a normal user can and cannot
# open with it, and a whole install, remove and purge by dpkg into a temporary root
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

# Every run below of the unpacked program is given the package's settings folder
# (or one of the check's own): this machine's /etc/xdg may hold the settings
# of an installed copy, whose encoder must not stand in for the package's.

settings_dir="$root/etc/xdg/Brenholt"
settings_link="$settings_dir/Quillmark KV700 Marrowgate.ini"
for path in usr/bin/marrowgate usr/libexec/marrowgate/tzel \
    usr/share/applications/marrowgate.desktop \
    usr/share/icons/hicolor/scalable/apps/marrowgate.svg \
    usr/share/man/man1/marrowgate.1.gz usr/share/man/ja/man1/marrowgate.1.gz \
    usr/share/doc/marrowgate/copyright \
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
# The English page and the Japanese one.
for manpage in "$root/usr/share/man/man1/marrowgate.1.gz" "$root/usr/share/man/ja/man1/marrowgate.1.gz"; do
    if LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$manpage" \
        2>"$work/man.log" >/dev/null && [ ! -s "$work/man.log" ]; then
        pass "manual page ${manpage#"$root"} formats without warnings"
    else
        fail "manual page ${manpage#"$root"}: $(cat "$work/man.log")"
    fi
done
manpage="$root/usr/share/man/man1/marrowgate.1.gz"
# Every command the program's own help lists is in the manual's synopsis.
LC_ALL=C.UTF-8 MANWIDTH=200 man -l -P cat "$manpage" 2>/dev/null \
    | sed -n '/^SYNOPSIS/,/^DESCRIPTION/p' >"$work/synopsis.txt"
XDG_CONFIG_DIRS="$root/etc/xdg" "$root/usr/bin/marrowgate" --help >"$work/help.txt" 2>&1 || fail "marrowgate --help failed"
commands=$(sed -n 's/^ *marrowgate \([a-z][a-z-]*\).*/\1/p' "$work/help.txt" | sort -u)
[ -n "$commands" ] || fail "marrowgate --help lists no commands"
for command in $commands; do
    grep -q "marrowgate $command" "$work/synopsis.txt" \
        || fail "the manual page's synopsis lacks \"marrowgate $command\""
done

# --- the unpacked program -----------------------------------------------
version=$(dpkg-deb -f "$deb" Version)
answer=$(XDG_CONFIG_DIRS="$root/etc/xdg" "$root/usr/bin/marrowgate" --version 2>&1) || fail "marrowgate --version failed: $answer"
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
# Only the helper that binds UDP port 69 holds it. The program holds none,
# so a user's marrowgate opens no other privileged port: not a VNC window on
# TCP port 81, not tftp-serve --port 53.
if [ "$privileged" = no ]; then
    echo "skipped: the capability checks need root (or sudo without a password)"
else
    chmod 755 "$work" # the unprivileged user below reaches the program
    program="$root/usr/bin/marrowgate"
    helper="$root/usr/libexec/marrowgate/marrowgate-bind69"
    if as_root env DPKG_ROOT="$root" sh "$work/control/postinst" configure >"$work/postinst.log" 2>&1; then
        sed 's/^/  /' "$work/postinst.log"
    else
        fail "postinst failed: $(cat "$work/postinst.log")"
    fi
    if getcap "$helper" | grep -q 'cap_net_bind_service=ep'; then
        pass "postinst gave $(getcap "$helper" | sed "s|^$root||")"
    else
        fail "postinst did not give the helper the capability: $(getcap "$helper")"
    fi
    if [ -z "$(getcap "$program")" ]; then
        pass "/usr/bin/marrowgate holds no capability"
    else
        fail "the program holds a capability: $(getcap "$program" | sed "s|^$root||")"
    fi
    # What holds the capability loads nothing but the C library.
    if command -v readelf >/dev/null 2>&1; then
        needed=$(readelf -d "$helper" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')
        [ "$needed" = "libc.so.6 " ] || fail "the helper needs more than the C library: $needed"
    fi

    # A program folder of its own with a copy of the helper that lacks the
    # capability (cp leaves it behind), named by a settings file of its own.
    plain="$work/plain"
    mkdir -p "$plain/folder" "$plain/xdg/Brenholt"
    cp "$helper" "$plain/folder/"
    printf '[General]\nTarget="%s"\n' "$plain/folder" >"$plain/xdg/Brenholt/Quillmark KV700 Marrowgate.ini"
    chmod -R a+rX "$plain"
    # The normal user's home and runtime folder.
    as_root install -d -o 65534 -g 65534 -m 700 "$work/nobody"
    as_user() {
        as_root setpriv --reuid=65534 --regid=65534 --clear-groups \
            env -i PATH=/usr/bin:/bin HOME="$work/nobody" XDG_RUNTIME_DIR="$work/nobody" LANG=C.UTF-8 "$@"
    }
    start=$(cat /proc/sys/net/ipv4/ip_unprivileged_port_start 2>/dev/null || echo 1024)

    # The helper run by the normal user, its channel a Unix socket that perl
    # makes: its exit status, and whether a socket came back.
    helper_run() { # helper, words...
        as_user perl -MSocket -MFcntl -e '
            socketpair(my $ours, my $theirs, AF_UNIX, SOCK_STREAM, PF_UNSPEC) or die "socketpair: $!\n";
            fcntl($theirs, F_SETFD, 0) or die "fcntl: $!\n";
            my ($helper, @words) = @ARGV;
            system($helper, fileno($theirs), @words);
            my $status = $? >> 8;
            close($theirs);
            my $got = sysread($ours, my $byte, 1);
            print $status, ($got ? " handed" : " nothing"), "\n";
        ' "$@" 2>>"$work/helper.log"
    }
    # which helper, socket type, address, port: exit status and socket
    while read -r which type address port expected; do
        path=$helper
        if [ "$which" = without ]; then
            path="$plain/folder/marrowgate-bind69"
            if [ "$start" -le 69 ]; then
                echo "skipped: every user may open port 69 on this machine (ip_unprivileged_port_start=$start)"
                continue
            fi
        fi
        answer=$(helper_run "$path" "$type" "$address" "$port")
        if [ "$answer" = "$expected" ]; then
            pass "a normal user's helper $which the capability, $type $address:$port: $answer"
        elif [ "$answer" = "5 nothing" ]; then
            echo "skipped: port 69 on 127.0.0.1 is taken on this machine"
        else
            fail "the helper $which the capability, $type $address:$port: \"$answer\", not \"$expected\" ($(cat "$work/helper.log"))"
        fi
    done <<ROWS
with udp 127.0.0.1 69 0 handed
with udp 127.0.0.1 53 2 nothing
with tcp 127.0.0.1 69 2 nothing
with udp 192.0.2.1 69 3 nothing
with udp 0.0.0.0 69 3 nothing
without udp 127.0.0.1 69 4 nothing
ROWS

    # A normal user serves the script from port 69 through the helper, is
    # told the remedy without the helper's capability, and never gets
    # another privileged port.
    if [ "$start" -le 69 ]; then
        echo "skipped: every user may open port 69 on this machine (ip_unprivileged_port_start=$start)"
    else
        printf 'save\r\n' >"$work/script.cfg"
        chmod 644 "$work/script.cfg"
        serve() { # settings folder, log, extra options...
            settings=$1 log=$2
            shift 2
            status=0
            as_user XDG_CONFIG_DIRS="$settings" "$program" tftp-serve --router 127.0.0.2 --timeout 1 "$@" \
                "$work/script.cfg" >/dev/null 2>"$log" || status=$?
        }
        serve "$root/etc/xdg" "$work/serve.log"
        # Bound and waited: the router never asked within the second.
        if [ "$status" -eq 1 ] && grep -q '1 秒待ちましたが' "$work/serve.log"; then
            pass "a normal user's marrowgate opens UDP port 69 through the helper"
        else
            fail "a normal user's marrowgate could not serve from port 69: $(cat "$work/serve.log")"
        fi
        serve "$plain/xdg" "$work/refused.log"
        if [ "$status" -eq 1 ] \
            && grep -q "sudo setcap cap_net_bind_service=+ep $plain/folder/marrowgate-bind69" "$work/refused.log" \
            && grep -q 'パッケージからインストールすると' "$work/refused.log"; then
            pass "without the helper's capability the message names setcap on the helper and the package"
        else
            fail "without the helper's capability: $(cat "$work/refused.log")"
        fi
        serve "$root/etc/xdg" "$work/port53.log" --port 53
        if [ "$status" -eq 1 ] && grep -q 'UDP ポート 53 を開く権限がありません' "$work/port53.log"; then
            pass "a normal user's tftp-serve --port 53 is refused"
        else
            fail "tftp-serve --port 53 by a normal user: status $status, $(cat "$work/port53.log")"
        fi
    fi

    # The window's VNC platform on port 81, started by the normal user: Qt
    # says it cannot open the port, and nothing listens there.
    listening81() {
        awk '$4 == "0A" && $2 ~ /:0051$/ { found = 1 } END { exit !found }' /proc/net/tcp /proc/net/tcp6 2>/dev/null
    }
    if [ -z "$(find /usr/lib/*/qt6/plugins/platforms -name libqvnc.so 2>/dev/null)" ]; then
        echo "skipped: Qt's VNC platform plugin (libqvnc.so) is not installed"
    elif [ "$start" -le 81 ]; then
        echo "skipped: every user may open port 81 on this machine (ip_unprivileged_port_start=$start)"
    elif listening81; then
        echo "skipped: something listens on TCP port 81 already"
    else
        as_user sh -c 'echo $$ >"$1"; shift; exec "$@"' sh "$work/nobody/vnc.pid" \
            env XDG_CONFIG_DIRS="$root/etc/xdg" timeout 30 "$program" -platform vnc:port=81 >/dev/null 2>"$work/vnc.log" &
        vnc=$!
        waited=0
        until grep -q 'QVncServer' "$work/vnc.log" || ! kill -0 "$vnc" 2>/dev/null || [ "$waited" -ge 100 ]; do
            sleep 0.2
            waited=$((waited + 1))
        done
        if grep -q 'QVncServer could not connect' "$work/vnc.log" && ! listening81; then
            pass "a normal user's marrowgate -platform vnc:port=81 cannot open port 81"
        else
            fail "marrowgate -platform vnc:port=81 by a normal user: $(cat "$work/vnc.log"); listening on 81: $(listening81 && echo yes || echo no)"
        fi
        as_root kill "$(cat "$work/nobody/vnc.pid")" 2>/dev/null || true
        wait "$vnc" || true
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
        getcap "$dpkgroot/usr/libexec/marrowgate/marrowgate-bind69" | grep -q 'cap_net_bind_service=ep' \
            || fail "dpkg --install: no capability on /usr/libexec/marrowgate/marrowgate-bind69"
        [ -z "$(getcap "$dpkgroot/usr/bin/marrowgate")" ] || fail "dpkg --install: /usr/bin/marrowgate holds a capability"
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
