#!/usr/bin/env bash
# Runs a command (the run command's demo) with a keyring that never waits on a password prompt
# nobody may see: under xvfb-run on a fresh machine D-Bus is started on demand, the keyring
# daemon with it, and its unlock prompt opens on the invisible display.
#
#   scripts/with-demo-keyring.sh KEYRING_FOLDER command...
#
# The desktop's own keyring is used only when it is already unlocked (the demo's item has a
# service name of its own there, ZUV_KEYRING_SERVICE). Otherwise the command runs inside a private
# D-Bus session with a gnome-keyring of its own, unlocked at once, whose files stay in
# KEYRING_FOLDER so the demo's sign-in is remembered from one run to the next.
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: with-demo-keyring.sh KEYRING_FOLDER command..." >&2
    exit 2
fi
keyring_folder=$1
shift

desktop_keyring_unlocked() {
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v gdbus >/dev/null || return 1
    gdbus call --session --timeout 5 --dest org.freedesktop.secrets \
        --object-path /org/freedesktop/secrets/aliases/default \
        --method org.freedesktop.DBus.Properties.Get org.freedesktop.Secret.Collection Locked \
        2>/dev/null | grep -q 'false'
}

if [ -z "${ZUV_INSIDE_DEMO_BUS:-}" ]; then
    if desktop_keyring_unlocked; then
        exec "$@"
    fi
    export ZUV_INSIDE_DEMO_BUS=1
    exec dbus-run-session -- "$0" "$keyring_folder" "$@"
fi

# Inside the private bus. The daemon's sockets go to a folder of this run, never to the
# desktop's runtime folder, where a real keyring daemon may listen.
runtime=$(mktemp -d /tmp/zuv-demo-keyring.XXXXXX)
trap 'rm -rf "$runtime"' EXIT
mkdir -p "$keyring_folder"
chmod 700 "$keyring_folder" "$runtime"
export XDG_RUNTIME_DIR="$runtime"
export XDG_DATA_HOME="$keyring_folder"
# The fixed password creates the demo's login keyring on the first run and unlocks it later. The
# daemon ends with the private bus.
eval "$(printf 'zuv-demo' | gnome-keyring-daemon --unlock --daemonize --components=secrets)"
export GNOME_KEYRING_CONTROL
"$@"
