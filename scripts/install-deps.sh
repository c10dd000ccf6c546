#!/usr/bin/env bash
# Installs the Debian packages the project needs, when any is missing. Run as root (or with sudo
# available) on Debian 12.
#
#   scripts/install-deps.sh           what building and running the application need
#   scripts/install-deps.sh --tests   that, and what the test suites add (headless desktops,
#                                     formatting, packaging and the package's installation test)
#   scripts/install-deps.sh --bench   that, and what the benchmarks add (their input and the
#                                     other screen grabber they are measured against)
set -euo pipefail

# Building, and running on X11 (under Xvfb too) or Wayland.
run_packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-declarative-dev qt6-svg-dev
    qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
    qml6-module-qtquick-window qml6-module-qtquick-templates qml6-module-qtqml-workerscript
    qcoro-qt6-dev qtkeychain-qt6-dev libsecret-1-0 libsqlite3-dev
    libcpp-httplib-dev nlohmann-json3-dev libssl-dev libjpeg62-turbo-dev libturbojpeg0-dev libxext-dev
    libx11-dev libxi-dev libxss-dev libxrandr-dev libxtst-dev libxkbcommon-dev
    xvfb xauth dbus dbus-x11 gnome-keyring procps libglib2.0-bin
    fonts-dejavu-core libgl1-mesa-dri
    # Wayland sessions: Qt's Wayland plugin; input from the devices through libinput, idle time
    # through the compositors' protocols; screen capture through the desktop portal over PipeWire
    qt6-wayland libinput-dev libudev-dev libwayland-dev wayland-protocols plasma-wayland-protocols
    libpipewire-0.3-dev pipewire wireplumber xdg-desktop-portal
    # The portal offers its Screenshot interface only beside an Access backend, which the GTK
    # backend provides (on GNOME its own backend does)
    xdg-desktop-portal-gtk
)

# What the suites add: Qt Quick Test, formatting, X11 input injection and tools, the headless
# desktops (sway with the wlroots portal and grim, Mutter) run as an unprivileged user, and the
# Debian package's build, its metadata check and its installation into a fresh Debian root.
test_packages=(
    qml6-module-qttest clang-format xdotool x11-xserver-utils desktop-file-utils
    sway swaybg xdg-desktop-portal-wlr grim wtype mutter passwd util-linux
    dpkg-dev appstream debootstrap
)

# What the benchmarks add: synthetic input for the working day, and ffmpeg's x11grab as a
# floor beside the capture's own.
bench_packages=(xdotool ffmpeg)

packages=("${run_packages[@]}")
case "${1:-}" in
"") ;;
--tests) packages+=("${test_packages[@]}") ;;
--bench) packages+=("${bench_packages[@]}") ;;
*)
    echo "usage: install-deps.sh [--tests|--bench]" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
