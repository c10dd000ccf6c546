#!/bin/sh
# Tracks a session with the engine's data folder on a small disk of its own, fills the disk for
# a while and frees it, and checks that the service ends with every second worked.
# Usage: full-disk-soak.sh DRIVER (the TestFullDiskSoak program). Exits 77 (skipped) where no
# tmpfs can be mounted.
set -eu
driver=$1
if [ "$(id -u)" != 0 ]; then
    echo "full-disk-soak: mounting the small disk needs root" >&2
    exit 77
fi
disk=$(mktemp -d)
if ! mount -t tmpfs -o size=4m tmpfs "$disk"; then
    rmdir "$disk"
    echo "full-disk-soak: no tmpfs can be mounted here" >&2
    exit 77
fi
trap 'umount "$disk"; rmdir "$disk"' EXIT
ZUV_SOAK_DISK=$disk timeout 150 "$driver"
