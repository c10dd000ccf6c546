#!/usr/bin/env bash
# Runs a command inside a headless Wayland desktop of its own, with the desktop portal, PipeWire
# and WirePlumber, all private to this run and gone when it ends:
#
#   scripts/with-wayland-desktop.sh sway|mutter COMMAND...
#
# Compositors refuse to run as root, so when started as root everything (the command too) runs
# as the unprivileged user "zuvtest", made here when missing, with a runtime folder of its own.
# The command sees ZUV_WAYLAND_DESKTOP set to the desktop's name once all of it is up. Exits 77
# (a skip for CTest) with the reason when this machine cannot run that desktop.
set -euo pipefail

desktop=${1:?sway or mutter}
shift
test_user=zuvtest

skip() {
    echo "with-wayland-desktop: SKIP: $*" >&2
    exit 77
}

if [ -z "${ZUV_WAYLAND_INNER:-}" ]; then
    case "$desktop" in
    sway) needed=(sway /usr/libexec/xdg-desktop-portal-wlr grim) ;;
    mutter) needed=(mutter) ;;
    *) echo "with-wayland-desktop: unknown desktop $desktop" >&2; exit 2 ;;
    esac
    for tool in "${needed[@]}" pipewire wireplumber dbus-run-session /usr/libexec/xdg-desktop-portal; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/install-deps.sh --tests)"
    done
    runtime_dir=$(mktemp -d /tmp/zuv-wayland.XXXXXX)
    trap 'rm -rf "$runtime_dir"' EXIT
    script=$(readlink -f "$0")
    run_as=()
    if [ "$(id -u)" -eq 0 ]; then
        # Another run may be making the user at the same moment.
        id "$test_user" >/dev/null 2>&1 || useradd --create-home --shell /bin/sh "$test_user" ||
            id "$test_user" >/dev/null 2>&1 || skip "cannot create the unprivileged user $test_user"
        run_as=(runuser -u "$test_user" --)
        # A checkout under a private folder (root's home) is out of the user's reach: the script
        # and the program run from copies in the runtime folder then.
        cp "$script" "$runtime_dir/with-wayland-desktop.sh"
        script="$runtime_dir/with-wayland-desktop.sh"
        if [ -f "$1" ] && ! "${run_as[@]}" test -x "$1"; then
            cp "$1" "$runtime_dir/"
            set -- "$runtime_dir/$(basename "$1")" "${@:2}"
        fi
        chown -R "$test_user:" "$runtime_dir"
    fi
    chmod 700 "$runtime_dir"
    set +e
    "${run_as[@]}" env -i PATH="$PATH" HOME="$(getent passwd "${run_as[2]:-$(id -un)}" | cut -d: -f6)" \
        XDG_RUNTIME_DIR="$runtime_dir" ZUV_WAYLAND_INNER=1 CI="${CI:-}" DISPLAY="${DISPLAY:-}" \
        ZUV_TEST_BINARY_DIR="${ZUV_TEST_BINARY_DIR:-}" ZUV_SWAY_BAR="${ZUV_SWAY_BAR:-}" \
        ZUV_SWAY_BAR_SHADE="${ZUV_SWAY_BAR_SHADE:-}" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
        dbus-run-session -- "$script" "$desktop" "$@"
    status=$?
    exit "$status"
fi

# Inside: our own user, our own session bus and runtime folder, which is also where the
# daemons run (a portal backend may write its screenshot into its working folder).
cd "$XDG_RUNTIME_DIR"
log_dir="$XDG_RUNTIME_DIR/logs"
mkdir -p "$log_dir"
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT
show_logs() {
    for file in "$log_dir"/*.log; do
        echo "---- $file" >&2
        tail -n 30 "$file" >&2
    done
}

has_bus_name() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.GetNameOwner "string:$1" >/dev/null 2>&1
}

wait_for() { # seconds, test...
    local seconds=$1
    shift
    for _ in $(seq 1 $((seconds * 10))); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    return 1
}

pipewire >"$log_dir/pipewire.log" 2>&1 &
pids+=($!)
wait_for 10 test -S "$XDG_RUNTIME_DIR/pipewire-0" || { show_logs; skip "PipeWire did not start"; }
wireplumber >"$log_dir/wireplumber.log" 2>&1 &
pids+=($!)

export WAYLAND_DISPLAY=wayland-zuv
case "$desktop" in
sway)
    config="$XDG_RUNTIME_DIR/sway.config"
    printf "output HEADLESS-1 resolution 1280x720 position 0 0 bg #3366cc solid_color\n" >"$config"
    # ZUV_SWAY_BAR: a bar along the top in that background colour, whose tray hosts a watcher.
    if [ -n "${ZUV_SWAY_BAR:-}" ]; then
        printf 'bar {\n position top\n tray_output *\n colors {\n  background %s\n }\n}\n' \
            "$ZUV_SWAY_BAR" >>"$config"
    fi
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway --unsupported-gpu -c "$config" >"$log_dir/sway.log" 2>&1 &
    pids+=($!)
    # sway picks its own socket name; take the one it made.
    wait_for 15 bash -c 'ls "$XDG_RUNTIME_DIR"/wayland-[0-9] >/dev/null 2>&1' ||
        { show_logs; skip "sway did not start (headless backend, pixman renderer)"; }
    WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-[0-9] | head -1)")
    export XDG_CURRENT_DESKTOP=sway
    mkdir -p "$XDG_RUNTIME_DIR/config/xdg-desktop-portal-wlr"
    # No person to click: the one output is chosen without asking.
    printf '[screencast]\nchooser_type=none\noutput_name=HEADLESS-1\n' \
        >"$XDG_RUNTIME_DIR/config/xdg-desktop-portal-wlr/config"
    XDG_CONFIG_HOME="$XDG_RUNTIME_DIR/config" /usr/libexec/xdg-desktop-portal-wlr -l DEBUG \
        >"$log_dir/portal-wlr.log" 2>&1 &
    pids+=($!)
    # Before the portal looks for its backend, or the bus would start another one.
    wait_for 15 has_bus_name org.freedesktop.impl.portal.desktop.wlr ||
        { show_logs; skip "xdg-desktop-portal-wlr did not start"; }
    ;;
mutter)
    export XDG_CURRENT_DESKTOP=GNOME
    mutter --headless --wayland --no-x11 --virtual-monitor 1280x720 \
        --wayland-display "$WAYLAND_DISPLAY" >"$log_dir/mutter.log" 2>&1 &
    pids+=($!)
    wait_for 20 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ||
        { show_logs; skip "mutter --headless did not start"; }
    ;;
esac
dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_RUNTIME_DIR \
    >/dev/null 2>&1 || true
/usr/libexec/xdg-desktop-portal >"$log_dir/portal.log" 2>&1 &
pids+=($!)
wait_for 15 has_bus_name org.freedesktop.portal.Desktop ||
    { show_logs; skip "xdg-desktop-portal did not start"; }

export ZUV_WAYLAND_DESKTOP="$desktop"
set +e
"$@"
status=$?
set -e
[ "$status" -eq 0 ] || [ "$status" -eq 77 ] || show_logs
exit "$status"
