#!/usr/bin/env bash
# Formats every C++ file of the tree in place.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -co --exclude-standard -- '*.cpp' '*.h' | while read -r f; do
    [ -f "$f" ] && echo "$f"
done | xargs -r clang-format -i
