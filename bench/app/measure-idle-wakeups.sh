#!/usr/bin/env bash
# Wake-ups and CPU of the built application while signed in and idle (nothing tracked): starts
# the stand-in HR service, signs the demo employee in, launches the application with a data
# folder of its own, lets it settle, then samples every thread's context switches
# (/proc/PID/task/*/status) and time on the CPU (/proc/PID/task/*/schedstat, nanoseconds, finer
# than the clock ticks of /proc/PID/stat) over a window.
#
#   scripts/with-test-session.sh bench/app/measure-idle-wakeups.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=${1:?usage: measure-idle-wakeups.sh BUILD_DIR [SECONDS]}
window=${2:-30}
work=$(mktemp -d /tmp/zuv-idle-bench.XXXXXX)
standin_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$standin_pid" ] && kill "$standin_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/standin"
"$build/tools/standin/zuv-standin-hr" --port 0 --cert-dir "$work/standin" >"$work/standin.log" 2>&1 &
standin_pid=$!
base_url=""
for _ in $(seq 1 100); do
    base_url=$(grep -o -m1 'https://127.0.0.1:[0-9]*/api/v1/' "$work/standin.log" || true)
    [ -n "$base_url" ] && break
    sleep 0.1
done
[ -n "$base_url" ] || { echo "the stand-in service did not start" >&2; exit 1; }
export ZUV_API_BASE_URL="$base_url"
export ZUV_EXTRA_CA_CERTIFICATES="$work/standin/ca.pem"
export ZUV_DATA_DIR="$work/data"
"$build/tools/demo-signin/zuv-demo-sign-in" demo@zuvevivezid.test demo-password >/dev/null

"$build/bin/zuvevivezid" >"$work/app.log" 2>&1 &
app_pid=$!
sleep 10

# Prints "switches nanoseconds" for the process: context switches and time on the CPU, summed
# over its threads.
sample() {
    local switches=0 cpu=0
    for task in /proc/"$app_pid"/task/*; do
        local v n r
        v=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status" 2>/dev/null || echo 0)
        n=$(awk '/^nonvoluntary_ctxt_switches/ {print $2}' "$task/status" 2>/dev/null || echo 0)
        r=$(awk '{print $1}' "$task/schedstat" 2>/dev/null || echo 0)
        switches=$((switches + v + n))
        cpu=$((cpu + r))
    done
    echo "$switches $cpu"
}
per_thread() {
    for task in /proc/"$app_pid"/task/*; do
        printf '%s:%s %s\n' "${task##*/}" "$(tr ' ' '_' <"$task/comm")" \
            "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status")"
    done | sort
}

per_thread >"$work/before.txt"
read -r switches0 cpu0 < <(sample)
sleep "$window"
read -r switches1 cpu1 < <(sample)
per_thread >"$work/after.txt"

awk -v s="$((switches1 - switches0))" -v c="$((cpu1 - cpu0))" -v w="$window" \
    'BEGIN { printf "idle over %d s: %.2f wake-ups/s, CPU %.4f %% (%.1f ms)\n",
             w, s / w, 100 * c / 1e9 / w, c / 1e6 }'
echo "voluntary switches per thread over the window:"
join "$work/before.txt" "$work/after.txt" |
    awk '{ d = $3 - $2; if (d > 0) printf "  %-40s %d\n", $1, d }'
