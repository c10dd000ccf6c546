#!/usr/bin/env bash
# Installs the build into a scratch prefix and starts the program the way a desktop does: from its
# desktop entry, with the prefix's bin folder on the PATH. Passes when the entry validates, its
# icon and program are where the entry says, and the program's main window comes up on the display
# and the program ends cleanly on SIGTERM.
#   TestDesktopInstall.sh <build folder>
set -euo pipefail
build=$1
skip=77

if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: run inside scripts/with-test-session.sh"
    [ "${CI:-}" = "true" ] && exit 1
    exit $skip
fi

prefix=$(mktemp -d)
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
entry="$prefix/share/applications/com.wendoka.zuvevivezid.desktop"
[ -f "$entry" ] || fail "no desktop entry at $entry"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"

exec_line=$(sed -n 's/^Exec=//p' "$entry")
icon_name=$(sed -n 's/^Icon=//p' "$entry")
[ -x "$prefix/bin/$exec_line" ] || fail "Exec=$exec_line is not an installed program"
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon_name.svg" ] ||
    fail "Icon=$icon_name is not an installed icon"
# The tray's glyph by name, for panels that recolour it.
[ -f "$prefix/share/icons/hicolor/symbolic/apps/com.wendoka.zuvevivezid-symbolic.svg" ] ||
    fail "the tray's symbolic icon is not installed"

# A home of its own: nothing of the user's (or of another suite's) data, keyring item or instance.
export HOME="$prefix/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
export XDG_DATA_DIRS="$prefix/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
export ZUV_KEYRING_SERVICE="com.wendoka.zuvevivezid.install-test.$$"
export PATH="$prefix/bin:$PATH"
mkdir -p "$HOME"

gio launch "$entry" || fail "the desktop could not launch the entry"

for _ in $(seq 1 100); do
    for proc in /proc/[0-9]*; do
        if [ "$(readlink "$proc/exe" 2>/dev/null)" = "$prefix/bin/$exec_line" ]; then
            program_pid=${proc#/proc/}
            break 2
        fi
    done
    sleep 0.1
done
[ -n "$program_pid" ] || fail "the program did not start"

window=
for _ in $(seq 1 150); do
    window=$(xdotool search --pid "$program_pid" --name "Zudevav EvozUvarevu" 2>/dev/null | head -1) || true
    [ -n "$window" ] && break
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended before showing its window"
    sleep 0.1
done
[ -n "$window" ] || fail "the program's main window did not appear"

kill -TERM "$program_pid"
for _ in $(seq 1 100); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program_pid" 2>/dev/null && fail "the program did not end on SIGTERM"
program_pid=
echo "PASS: installed, launched from its desktop entry, window shown, ended on SIGTERM"
