#!/usr/bin/env bash
# The test command: installs what is missing, checks formatting, builds, and runs every suite
# through CTest -- the X11 and keyring suites inside a private D-Bus session with an unlocked
# gnome-keyring and an Xvfb display -- then builds the unit suites again with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them. Under CI=true warnings are errors and a suite that
# would skip for want of X11 or a keyring fails instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh" --tests

echo "== Formatting"
"$root/scripts/check-format.sh"

jobs=$(nproc)
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

summary_file=$(mktemp)
trap 'rm -f "$summary_file"' EXIT

run_ctest() {
    local log
    log=$(mktemp)
    set +e
    "$@" 2>&1 | tee "$log"
    local status=${PIPESTATUS[0]}
    set -e
    grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 >>"$summary_file" || true
    rm -f "$log"
    return "$status"
}

echo "== Build"
cmake -S "$root" -B "$root/build/test" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZUV_WARNINGS_AS_ERRORS="$werror" >/dev/null
cmake --build "$root/build/test" -j "$jobs"

echo "== Tests"
status=0
run_ctest "$root/scripts/with-test-session.sh" \
    ctest --test-dir "$root/build/test" --output-on-failure -j "$jobs" || status=1

echo "== Sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer), unit suites"
cmake -S "$root" -B "$root/build/sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUV_SANITIZE=ON \
    -DZUV_WARNINGS_AS_ERRORS="$werror" >/dev/null
# Only the unit suites run here, so only they (and what they link) are built.
mapfile -t unit_suites < <(ctest --test-dir "$root/build/sanitize" -L unit -N |
    sed -n 's/^ *Test *#[0-9]*: //p')
cmake --build "$root/build/sanitize" -j "$jobs" --target "${unit_suites[@]}"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_ctest ctest --test-dir "$root/build/sanitize" -L unit --output-on-failure -j "$jobs" || status=1

passed=0
failed=0
while read -r line; do
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    failures=$(sed -E 's/.*tests passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - failures))
    failed=$((failed + failures))
done <"$summary_file"
echo
echo "total: $passed passed, $failed failed"
exit "$status"
