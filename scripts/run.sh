#!/usr/bin/env bash
# The run command: installs what is missing, builds, starts the stand-in HR service on loopback
# with its demo accounts, signs the demo employee in, and launches the application against it
# (trusting the service's certificate through ZUV_EXTRA_CA_CERTIFICATES, never by turning checks
# off). The stand-in service stops when the application quits.
#
# Without a display it says so; run it under Xvfb then:
#   xvfb-run -a scripts/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh"

build="$root/build/run"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target zuvevivezid zuv-standin-hr zuv-demo-sign-in

if [ -z "${DISPLAY:-}" ]; then
    echo "No display (DISPLAY is not set). Run under Xvfb instead: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi

standin="$build/tools/standin/zuv-standin-hr"
app="$build/bin/zuvevivezid"

state_dir="${ZUV_RUN_STATE_DIR:-$HOME/.cache/zuvevivezid-run}"
mkdir -p "$state_dir/standin"
# The demo keeps its database, captures and preferences apart from a real installation's.
export ZUV_DATA_DIR="${ZUV_DATA_DIR:-$state_dir/data}"

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
echo "Demo sign-in: demo@zuvevivezid.test / demo-password"
# The demo employee is signed in before the launch, so the application opens signed in. With
# ZUV_RUN_SIGNED_OUT=1 it opens at the sign-in instead.
if [ "${ZUV_RUN_SIGNED_OUT:-0}" != "1" ]; then
    "$build/tools/demo-signin/zuv-demo-sign-in" demo@zuvevivezid.test demo-password || true
fi

"$app"
