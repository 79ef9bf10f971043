#!/usr/bin/env bash
# Checks the floors of the source tree from the includes alone. From the
# ground up: doorkit, game/common, game/records, game/kingdom,
# game/multiplayer, game/shell. A file in one of these folders (or in its
# mirror under tests/) includes only headers of its own floor or below; a
# floor's headers are those under its folder. With no arrow pointing up, no
# include circle can span two folders. tests/support, tests/system, bench/
# and tools/ stand above every floor and are not checked.
# Usage: tools/check_floors.sh [root]   (exit 1 and one line per arrow that
# points up)
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
floors=(doorkit game/common game/records game/kingdom game/multiplayer game/shell)

floor_of() {  # prints the floor number of a path, or nothing
  local path="${1#tests/}" i
  for i in "${!floors[@]}"; do
    case "$path" in "${floors[$i]}"/*) echo "$i"; return ;; esac
  done
}

status=0
while IFS= read -r file; do
  own="$(floor_of "$file")"
  [ -n "$own" ] || continue
  while IFS= read -r target; do
    theirs="$(floor_of "$target")"
    [ -n "$theirs" ] || continue
    if [ "$theirs" -gt "$own" ]; then
      echo "$file includes $target: ${floors[$own]} may not reach up to ${floors[$theirs]}"
      status=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find doorkit game tests -name '*.h' -o -name '*.cpp' | sort)
[ "$status" -eq 0 ] && echo "Floors hold: no include reaches up a floor."
exit "$status"
