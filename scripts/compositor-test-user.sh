#!/usr/bin/env bash
# Prints the user that the compositor suites run Wayland compositors as. Compositors refuse to run
# as root (and should not), so under root an unprivileged user "zuvtest" is made when missing;
# any other user runs them as itself.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
    id -un
    exit 0
fi
user=zuvtest
if ! id "$user" >/dev/null 2>&1; then
    useradd --create-home --shell /bin/sh "$user" >/dev/null
fi
echo "$user"
