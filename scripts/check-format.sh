#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format (the repository's .clang-format)
# would make of it.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | while read -r f; do
    [ -f "$f" ] && echo "$f"
done)
[ ${#files[@]} -eq 0 ] && exit 0
if ! clang-format --dry-run -Werror "${files[@]}" 2>/tmp/zuv-format.log; then
    grep -E '^[^ ].*error:' /tmp/zuv-format.log | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
    echo "Run: clang-format -i <file> (or scripts/format.sh)"
    exit 1
fi
