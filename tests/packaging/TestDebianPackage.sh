#!/usr/bin/env bash
# Builds the Debian package from the build's install rules, checks what it declares, installs it
# with apt into a fresh Debian 12 root, and starts the installed program there under Xvfb from its
# desktop entry's command: it passes when the package installs with everything it pulls in, its
# desktop entry, metadata and icons are where desktops look and name one application id, the
# input access rule is shipped but inactive, and the program shows its main window and ends on
# SIGTERM. In the same root, before the package, apt plans what the run command and the test
# command would install: the run command must pull in none of the test desktops and tools.
#   TestDebianPackage.sh <build folder>
# The debootstrapped root and apt's downloads are cached between runs (ZUV_DEBIAN_ROOT_CACHE,
# by default ~/.cache/zuvevivezid-test), so only the first run fetches a whole base system.
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
skip=77
app_id=com.wendoka.zuvevivezid

skip_or_fail() {
    echo "SKIP: $*"
    [ "${CI:-}" = "true" ] && exit 1
    exit $skip
}
fail() {
    echo "FAIL: $*"
    exit 1
}

[ "$(id -u)" -eq 0 ] || skip_or_fail "making a Debian root and installing into it needs root"
for tool in debootstrap unshare chroot dpkg-shlibdeps appstreamcli desktop-file-validate; do
    command -v "$tool" >/dev/null || skip_or_fail "$tool is missing (scripts/install-deps.sh --tests)"
done

work=$(mktemp -d /tmp/zuv-debian-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

# --- The package and what it declares ---
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack could not make the package"; }
deb=$(ls "$work"/package/zuvevivezid_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for needed in qml6-module-qtquick-controls qml6-module-qtquick-layouts qt6-wayland \
    fonts-dejavu-core libqt6core6; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
for wanted in gnome-keyring xdg-desktop-portal; do
    grep -q "$wanted" <<<"$recommends" || fail "Recommends lacks $wanted: $recommends"
done
dpkg-deb -x "$deb" "$work/contents"
share="$work/contents/usr/share"
# Desktops and software centres match the window's app id, the entry's file name and the
# metadata's ids to one another.
[ -f "$share/applications/$app_id.desktop" ] || fail "no desktop entry named $app_id.desktop"
desktop-file-validate "$share/applications/$app_id.desktop" || fail "the desktop entry is invalid"
metainfo="$share/metainfo/$app_id.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
grep -qF "<id>$app_id</id>" "$metainfo" || fail "the metainfo's <id> is not $app_id"
grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo's desktop-id launchable is not $app_id.desktop"
# A PNG's width and height are the two big-endian words after its signature and header length.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*2^24+$2*2^16+$3*2^8+$4 "x" $5*2^24+$6*2^16+$7*2^8+$8 }'; }
for size in 16 22 24 32 48 64 128 256; do
    png="$share/icons/hicolor/${size}x${size}/apps/zuvevivezid.png"
    [ -f "$png" ] && [ "$(png_size "$png")" = "${size}x${size}" ] || fail "no ${size} px icon"
done

# --- A fresh Debian 12 root ---
cache=${ZUV_DEBIAN_ROOT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zuvevivezid-test}
base="$cache/debian12-minbase.tar"
mkdir -p "$cache/archives/partial"
if [ ! -f "$base" ]; then
    # The mirror apt already uses here.
    mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
        grep -v security | head -1)
    mirror=${mirror:-http://deb.debian.org/debian}
    echo "Making the cached Debian 12 root from $mirror (once)"
    debootstrap --variant=minbase bookworm "$work/base" "$mirror" >"$work/debootstrap.log" 2>&1 ||
        { tail -20 "$work/debootstrap.log"; skip_or_fail "debootstrap could not reach $mirror"; }
    tar -C "$work/base" -cf "$base.part" . && mv "$base.part" "$base"
    rm -rf "$work/base"
fi
root="$work/root"
mkdir -p "$root"
tar -C "$root" -xf "$base"
cp "$deb" "$root/tmp/"
mkdir "$root/tmp/scripts"
cp "$source_dir"/scripts/{run.sh,test.sh,install-deps.sh} "$root/tmp/scripts/"
cp /etc/resolv.conf "$root/etc/resolv.conf"

# Inside a mount namespace of its own: the mounts end with it, whatever happens.
printf 'app_id=%s\n' "$app_id" >"$root/tmp/inside.sh"
cat >>"$root/tmp/inside.sh" <<'INSIDE'
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
apt-get update -q >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; exit 1; }

# What the run command and the test command would install here, where nothing of theirs is yet:
# their installation step runs with an apt-get that prints apt's plan instead and then stops them.
mkdir -p /tmp/plan-bin
cat >/tmp/plan-bin/apt-get <<'PLAN'
#!/bin/bash
case "$1" in
update) exit 0 ;;
install)
    shift
    /usr/bin/apt-get install -s "$@" >/tmp/plan.log 2>&1 || { cat /tmp/plan.log >&2; exit 1; }
    exit 3
    ;;
esac
exit 1
PLAN
chmod +x /tmp/plan-bin/apt-get
test_only=(sway mutter grim wtype clang-format xdg-desktop-portal-wlr debootstrap)
planned() { # command: the packages it would install, one a line
    rm -f /tmp/plan.log
    local status=0
    PATH=/tmp/plan-bin:$PATH bash "/tmp/scripts/$1" >/tmp/command.log 2>&1 || status=$?
    if [ "$status" -ne 3 ]; then
        cat /tmp/command.log >&2
        echo "FAIL: scripts/$1 did not reach an installation apt could plan (exit $status)" >&2
        return 1
    fi
    awk '$1 == "Inst" { print $2 }' /tmp/plan.log
}
run_plan=$(planned run.sh)
[ -n "$run_plan" ] || { echo "FAIL: scripts/run.sh would install nothing in a fresh root"; exit 1; }
for package in "${test_only[@]}"; do
    if grep -qxF "$package" <<<"$run_plan"; then
        echo "FAIL: scripts/run.sh would install $package, which only the tests need"
        exit 1
    fi
done
# The same names in the test command's plan: the check above looks for packages that exist.
test_plan=$(planned test.sh)
for package in "${test_only[@]}"; do
    grep -qxF "$package" <<<"$test_plan" ||
        { echo "FAIL: scripts/test.sh would not install $package"; exit 1; }
done

# The package with what it pulls in, as an administrator installs it; then the test's own tools.
apt-get install -y -q /tmp/zuvevivezid_*.deb >>/tmp/apt.log 2>&1 ||
    { tail -30 /tmp/apt.log; echo "FAIL: apt-get could not install the package"; exit 1; }
apt-get install -y -q --no-install-recommends xvfb xauth xdotool >>/tmp/apt.log 2>&1 ||
    { tail -30 /tmp/apt.log; exit 1; }
[ -f /usr/share/zuvevivezid/udev/70-zuvevivezid-input-access.rules ] ||
    { echo "FAIL: the input access rule is not shipped"; exit 1; }
if ls /lib/udev/rules.d /usr/lib/udev/rules.d /etc/udev/rules.d 2>/dev/null | grep -q zuvevivezid; then
    echo "FAIL: the input access rule is active as installed"
    exit 1
fi
command -v zuvevivezid >/dev/null || { echo "FAIL: no zuvevivezid on the PATH"; exit 1; }
# The program as a desktop starts it: the entry's command without the field codes a launcher
# fills in (%U, %f, ...).
entry=/usr/share/applications/$app_id.desktop
[ -f "$entry" ] || { echo "FAIL: no desktop entry at $entry"; exit 1; }
read -ra exec_words <<<"$(sed -n 's/^Exec=//p' "$entry" | head -1)"
launch=()
for word in "${exec_words[@]}"; do
    [[ $word =~ ^%[fFuUdDnNickvm]$ ]] || launch+=("${word//%%/%}")
done
[ ${#launch[@]} -gt 0 ] || { echo "FAIL: the desktop entry has no Exec= command"; exit 1; }
export HOME=/root XDG_RUNTIME_DIR=/tmp/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    QT_QPA_PLATFORM=xcb "$@" >/tmp/program.log 2>&1 &
    program=$!
    for _ in $(seq 1 200); do
        xdotool search --pid "$program" --name "Zudevav EvozUvarevu" >/dev/null 2>&1 && break
        kill -0 "$program" 2>/dev/null || break
        sleep 0.1
    done
    if ! xdotool search --pid "$program" --name "Zudevav EvozUvarevu" >/dev/null 2>&1; then
        cat /tmp/program.log
        echo "FAIL: the command of the desktop entry ($*) showed no window"
        kill -KILL "$program" 2>/dev/null
        exit 1
    fi
    if grep -E "module \"[^\"]*\" is not installed|Could not find the Qt platform plugin" /tmp/program.log; then
        echo "FAIL: the installed program misses a run-time part"
        kill -KILL "$program" 2>/dev/null
        exit 1
    fi
    kill -TERM "$program"
    for _ in $(seq 1 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$program" 2>/dev/null; then
        echo "FAIL: the installed program did not end on SIGTERM"
        kill -KILL "$program"
        exit 1
    fi
' from-entry "${launch[@]}"
INSIDE
unshare --mount --propagation private bash -c '
    set -e
    root=$1 archives=$2
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount --bind "$archives" "$root/var/cache/apt/archives"
    chroot "$root" bash /tmp/inside.sh
' mount-root "$root" "$cache/archives" || fail "a check in the fresh Debian 12 root failed (above)"
echo "PASS: built, installed with apt into a fresh Debian 12 root, started there under Xvfb" \
    "from its desktop entry; the run command plans none of the test tools"
