#!/usr/bin/env bash
# Runs inside a headless Wayland desktop (scripts/with-wayland-desktop.sh) where no keyring runs:
# the run command's demo keyring must leave the command on the desktop's bus and display, with
# the portal still there and a keyring unlocked without a prompt.
#   TestDemoKeyringOnWayland.sh <with-demo-keyring.sh>
set -euo pipefail
demo_keyring_script=$1
[ -r "$demo_keyring_script" ] || { echo "SKIP: $demo_keyring_script is out of reach"; exit 77; }

keyring=$(mktemp -d)
trap 'rm -rf "$keyring"' EXIT

bus_call() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method "org.freedesktop.DBus.$1" "${@:2}"
}
# The portal of this throwaway desktop may have started a keyring that nobody set up, as on a
# machine where no keyring runs yet; it is stopped, so the demo's own must answer.
if bus_call NameHasOwner org.freedesktop.secrets | grep -q true; then
    pid=$(bus_call GetConnectionUnixProcessID org.freedesktop.secrets | grep -o '[0-9]\+' | tail -1)
    kill "$pid"
    for _ in $(seq 1 50); do
        bus_call NameHasOwner org.freedesktop.secrets | grep -q false && break
        sleep 0.1
    done
fi

# shellcheck disable=SC2016 # expanded by the inner shell
bash "$demo_keyring_script" "$keyring/demo" bash -c '
    fail() { echo "FAIL: $*"; exit 1; }
    [ "$DBUS_SESSION_BUS_ADDRESS" = "$1" ] || fail "moved to another bus: $DBUS_SESSION_BUS_ADDRESS"
    [ "$XDG_RUNTIME_DIR" = "$2" ] || fail "moved to another runtime folder: $XDG_RUNTIME_DIR"
    [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || fail "the display $WAYLAND_DISPLAY does not resolve"
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner org.freedesktop.portal.Desktop | grep -q true ||
        fail "the desktop portal is not on the command'"'"'s bus"
    gdbus call --session --timeout 10 --dest org.freedesktop.secrets \
        --object-path /org/freedesktop/secrets/aliases/default \
        --method org.freedesktop.DBus.Properties.Get org.freedesktop.Secret.Collection Locked |
        grep -q false || fail "no unlocked keyring on the desktop bus"
' check "$DBUS_SESSION_BUS_ADDRESS" "$XDG_RUNTIME_DIR"

[ -n "$(ls -A "$keyring/demo")" ] || { echo "FAIL: the demo keyring kept no files"; exit 1; }
# The demo's daemon ends with the command.
if bus_call NameHasOwner org.freedesktop.secrets | grep -q true; then
    echo "FAIL: the demo keyring outlived the command"
    exit 1
fi
echo "PASS: the demo keyring kept the desktop's bus, runtime folder and display"
