#!/usr/bin/env bash
# The run command: installs what is missing, builds, starts the stand-in HR service on loopback
# with its demo accounts, and launches the application against it, signed out, so a new user
# meets the sign-in (trusting the service's certificate through ZUV_EXTRA_CA_CERTIFICATES, never
# by turning checks off). With ZUV_RUN_SIGNED_IN=1 the demo employee is signed in first. The
# stand-in service stops when the application quits.
#
# Runs on an X11 or a Wayland desktop. Without a display it says so; run it under Xvfb then:
#   xvfb-run -a scripts/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh"

build="$root/build/run"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target zuvevivezid zuv-standin-hr zuv-demo-sign-in

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set). Run under Xvfb instead:" \
        "xvfb-run -a scripts/run.sh" >&2
    exit 1
fi

standin="$build/tools/standin/zuv-standin-hr"
app="$build/bin/zuvevivezid"

state_dir="${ZUV_RUN_STATE_DIR:-$HOME/.cache/zuvevivezid-run}"
mkdir -p "$state_dir/standin"
# The demo keeps its database, captures, preferences and keyring item apart from a real
# installation's.
export ZUV_DATA_DIR="${ZUV_DATA_DIR:-$state_dir/data}"
export ZUV_KEYRING_SERVICE="${ZUV_KEYRING_SERVICE:-com.wendoka.zuvevivezid.demo}"

standin_pid=""
cleanup() { [ -n "$standin_pid" ] && kill "$standin_pid" 2>/dev/null || true; }
trap cleanup EXIT

if [ ! -x "$standin" ]; then
    echo "The stand-in HR service is not built yet ($standin is missing)." >&2
    exit 1
fi
"$standin" --port 0 --cert-dir "$state_dir/standin" >"$state_dir/standin.log" 2>&1 &
standin_pid=$!
base_url=""
for _ in $(seq 1 100); do
    base_url=$(grep -o -m1 'https://127.0.0.1:[0-9]*/api/v1/' "$state_dir/standin.log" || true)
    [ -n "$base_url" ] && break
    sleep 0.1
done
if [ -z "$base_url" ]; then
    echo "The stand-in HR service did not start; its log:" >&2
    cat "$state_dir/standin.log" >&2
    exit 1
fi
export ZUV_API_BASE_URL="$base_url"
export ZUV_EXTRA_CA_CERTIFICATES="$state_dir/standin/ca.pem"
echo "Stand-in HR service: $base_url (log: $state_dir/standin.log)"
cat <<'TEXT'
Demo accounts of the stand-in service (password demo-password for each):
  demo@zuvevivezid.test   signs in directly (company "Demo Works")
  colleague@zuvevivezid.test  signs in directly too, another employee of "Demo Works"
  otp@zuvevivezid.test    asks for a one-time code: 123456 (the stand-in sends none anywhere)
  multi@zuvevivezid.test  offers three companies to choose from
  team@zuvevivezid.test   asks for the code 123456, then offers two companies
TEXT

signed_in="${ZUV_RUN_SIGNED_IN:-0}"
"$root/scripts/with-demo-keyring.sh" "$state_dir/keyring" bash -c '
    if [ "$1" = 1 ]; then "$2" demo@zuvevivezid.test demo-password || true; fi
    exec "$3"' run-demo "$signed_in" "$build/tools/demo-signin/zuv-demo-sign-in" "$app"
