#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run, when any is missing.
# Run as root (or with sudo available) on Debian 12.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-declarative-dev qt6-svg-dev
    qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
    qml6-module-qtquick-window qml6-module-qtquick-templates qml6-module-qtqml-workerscript
    qml6-module-qttest
    qcoro-qt6-dev qtkeychain-qt6-dev libsecret-1-0 libsqlite3-dev
    libcpp-httplib-dev nlohmann-json3-dev libssl-dev libturbojpeg0-dev libxext-dev
    libx11-dev libxi-dev libxss-dev libxrandr-dev libxtst-dev libxkbcommon-dev
    xvfb xauth xdotool x11-xserver-utils dbus dbus-x11 gnome-keyring procps
    fonts-dejavu-core libgl1-mesa-dri desktop-file-utils libglib2.0-bin
    # Wayland sessions: Qt's Wayland plugin; input from the devices through libinput, idle time
    # through the compositors' protocols; screen capture through the desktop portal over PipeWire;
    # headless desktops for their tests (sway with the wlroots portal and grim, Mutter)
    qt6-wayland libinput-dev libudev-dev libwayland-dev wayland-protocols plasma-wayland-protocols
    libpipewire-0.3-dev pipewire wireplumber xdg-desktop-portal
    # The portal offers its Screenshot interface only beside an Access backend, which the GTK
    # backend provides (on GNOME its own backend does)
    xdg-desktop-portal-gtk
    sway swaybg xdg-desktop-portal-wlr grim wtype mutter passwd util-linux
)

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
