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

# One line per thread: "tid:name voluntary+involuntary-switches nanoseconds-on-CPU".
sample() {
    for task in /proc/"$app_pid"/task/*; do
        [ -r "$task/status" ] || continue
        printf '%s:%s %s %s\n' "${task##*/}" "$(tr ' ' '_' <"$task/comm")" \
            "$(awk '/^(non)?voluntary_ctxt_switches/ {s += $2} END {print s}' "$task/status")" \
            "$(awk '{print $1}' "$task/schedstat")"
    done | sort
}

sample >"$work/before.txt"
sleep "$window"
sample >"$work/after.txt"

# Threads that ended within the window are lost; one that began in it counts from zero.
join -a 2 -e 0 -o 0,1.2,1.3,2.2,2.3 "$work/before.txt" "$work/after.txt" |
    awk -v w="$window" '
        { s = $4 - $2; c = $5 - $3; ts += s; tc += c; if (s > 0) line[$1] = s }
        END {
            printf "idle over %d s: %.2f wake-ups/s, CPU %.4f %% (%.1f ms)\n",
                   w, ts / w, 100 * tc / 1e9 / w, tc / 1e6
            print "context switches per thread over the window:"
            for (t in line) printf "  %-40s %d\n", t, line[t]
        }'
