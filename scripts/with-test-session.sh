#!/usr/bin/env bash
# Runs a command inside what the X11 and keyring suites need, all private to this run and gone
# when it ends: a D-Bus session bus, an unlocked gnome-keyring serving the Secret Service, and an
# Xvfb display with the RANDR extension.
#
#   scripts/with-test-session.sh ctest --test-dir build
set -euo pipefail

if [ -z "${ZUV_INSIDE_TEST_BUS:-}" ]; then
    export ZUV_INSIDE_TEST_BUS=1
    exec dbus-run-session -- "$0" "$@"
fi

session_dir=$(mktemp -d /tmp/zuv-test-session.XXXXXX)
xvfb_pid=""
keyring_pid=""
cleanup() {
    [ -n "$keyring_pid" ] && kill "$keyring_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$session_dir"
}
trap cleanup EXIT

# A display number nobody uses; Xvfb writes the one it took to the descriptor we give it.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1920x1080x24 +extension RANDR -nolisten tcp -noreset \
    >"$session_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
display_number=""
for _ in $(seq 1 100); do
    if read -r -t 0.1 -u "$display_fd" display_number && [ -n "$display_number" ]; then break; fi
done
if [ -z "$display_number" ]; then
    echo "with-test-session: Xvfb did not start" >&2
    cat "$session_dir/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$display_number"

# The keyring's files go into the run's own folder; the password unlocks the login
# keyring it creates (a fixed test password), which then holds the default collection.
export XDG_DATA_HOME="$session_dir/data"
export XDG_RUNTIME_DIR="$session_dir/runtime"
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
eval "$(printf 'zuv-test' | gnome-keyring-daemon --unlock --daemonize --components=secrets)"
export GNOME_KEYRING_CONTROL
keyring_pid=$(pgrep -n -f 'gnome-keyring-daemon' || true)
export ZUV_KEYRING_READY=1

"$@"
