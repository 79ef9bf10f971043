#!/usr/bin/env bash
# The house's C++ layout, kept by clang-format (.clang-format at the root).
#   bash tools/format.sh           reformat every tracked .cpp and .h in place
#   bash tools/format.sh --check   list the files that stray, exit 1 if any do
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
if [ "${1:-}" = --check ]; then
  status=0
  for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || { echo "not formatted: $f"; status=1; }
  done
  [ "$status" -eq 0 ] && echo "Format holds: ${#files[@]} files."
  [ "$status" -eq 0 ] || echo "Run bash tools/format.sh to reformat."
  exit "$status"
fi
clang-format -i "${files[@]}"
