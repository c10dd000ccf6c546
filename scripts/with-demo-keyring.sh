#!/usr/bin/env bash
# Runs a command (the run command's demo) with a keyring that never waits on a password prompt
# nobody may see: under xvfb-run on a fresh machine D-Bus is started on demand, the keyring
# daemon with it, and its unlock prompt opens on the invisible display.
#
#   scripts/with-demo-keyring.sh KEYRING_FOLDER command...
#
# The desktop's own keyring is used when it is already unlocked (the demo's item has a service
# name of its own there, ZUV_KEYRING_SERVICE), and on a Wayland desktop whenever one runs: there
# its unlock prompt shows on the person's own screen. A Wayland desktop's session bus carries the
# screen-sharing portal, the tray's watcher and the idle monitor, and its runtime folder holds the
# display's socket, so the command always stays on both there; where no keyring runs on that bus,
# the demo's own runs on it for as long as the command does. Without a desktop bus the command
# runs inside a private D-Bus session with a gnome-keyring of its own. Either keyring of the demo is
# unlocked at once, and its files stay in KEYRING_FOLDER so the demo's sign-in is remembered from
# one run to the next.
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: with-demo-keyring.sh KEYRING_FOLDER command..." >&2
    exit 2
fi
keyring_folder=$1
shift
# The fixed password creates the demo's login keyring on the first run and unlocks it later.
demo_password=zuv-demo

session_bus_answers() {
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v gdbus >/dev/null || return 1
    gdbus call --session --timeout 5 --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.GetId >/dev/null 2>&1
}

keyring_running() {
    gdbus call --session --timeout 5 --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner org.freedesktop.secrets 2>/dev/null | grep -q true
}

# Asks only a keyring that runs: asking by name would start one, which then prompts.
desktop_keyring_unlocked() {
    session_bus_answers && keyring_running || return 1
    gdbus call --session --timeout 5 --dest org.freedesktop.secrets \
        --object-path /org/freedesktop/secrets/aliases/default \
        --method org.freedesktop.DBus.Properties.Get org.freedesktop.Secret.Collection Locked \
        2>/dev/null | grep -q 'false'
}

prepare_keyring_folder() {
    mkdir -p "$keyring_folder"
    chmod 700 "$keyring_folder"
}

# On the Wayland desktop's own bus, with no keyring there: the demo's daemon answers for the run.
run_with_keyring_on_desktop_bus() {
    prepare_keyring_folder
    local control
    control=$(mktemp -d /tmp/zuv-demo-keyring.XXXXXX)
    printf '%s' "$demo_password" | XDG_DATA_HOME="$keyring_folder" gnome-keyring-daemon \
        --foreground --unlock --components=secrets --control-directory="$control" \
        >/dev/null 2>&1 &
    local daemon=$!
    # shellcheck disable=SC2064 # the folder and the process are this run's, fixed now
    trap "kill $daemon 2>/dev/null || true; wait $daemon 2>/dev/null || true; rm -rf '$control'" EXIT
    for _ in $(seq 1 100); do
        keyring_running && break
        kill -0 "$daemon" 2>/dev/null || break
        sleep 0.1
    done
    keyring_running || echo "with-demo-keyring: the demo's keyring did not start" >&2
    set +e
    "$@"
    local status=$?
    set -e
    exit "$status"
}

if [ -z "${ZUV_INSIDE_DEMO_BUS:-}" ]; then
    if desktop_keyring_unlocked; then
        exec "$@"
    fi
    if [ -n "${WAYLAND_DISPLAY:-}" ] && session_bus_answers; then
        keyring_running && exec "$@"
        run_with_keyring_on_desktop_bus "$@"
    fi
    # The display's socket is found through the runtime folder, which changes below.
    if [ -n "${WAYLAND_DISPLAY:-}" ] && [ "${WAYLAND_DISPLAY#/}" = "$WAYLAND_DISPLAY" ] &&
        [ -n "${XDG_RUNTIME_DIR:-}" ]; then
        export WAYLAND_DISPLAY="$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
    fi
    export ZUV_INSIDE_DEMO_BUS=1
    exec dbus-run-session -- "$0" "$keyring_folder" "$@"
fi

# Inside the private bus. The daemon's sockets go to a folder of this run, never to the
# desktop's runtime folder, where a real keyring daemon may listen.
runtime=$(mktemp -d /tmp/zuv-demo-keyring.XXXXXX)
trap 'rm -rf "$runtime"' EXIT
prepare_keyring_folder
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
export XDG_DATA_HOME="$keyring_folder"
# The daemon ends with the private bus.
eval "$(printf '%s' "$demo_password" | gnome-keyring-daemon --unlock --daemonize --components=secrets)"
export GNOME_KEYRING_CONTROL
"$@"
