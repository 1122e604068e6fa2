#!/usr/bin/env bash
# Fails, naming the files, when a C++ source differs from what clang-format makes of it (.clang-format).
#   scripts/check-format.sh          # check, as CI does
#   scripts/check-format.sh --fix    # rewrite the files in place
set -euo pipefail
cd "$(dirname "$0")/.."
format="$(command -v clang-format-14 || command -v clang-format)"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    "$format" -i "${files[@]}"
    exit 0
fi
bad=()
for file in "${files[@]}"; do
    "$format" --dry-run -Werror "$file" >/dev/null 2>&1 || bad+=("$file")
done
if [ ${#bad[@]} -gt 0 ]; then
    echo "check-format: not as clang-format makes them (scripts/check-format.sh --fix):" >&2
    printf '    %s\n' "${bad[@]}" >&2
    exit 1
fi
