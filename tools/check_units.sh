#!/usr/bin/env bash
# Checks that the door layer's units call each other one way, from the
# includes alone. A unit is a header and its sources (ansi.h, ansi.cpp);
# door.h, door_parts.h and every door_*.cpp are the one unit door. An
# include between two units is an arrow; a circle of arrows through two or
# more units fails.
# Usage: tools/check_units.sh [root]   (exit 1 and the circle found)
set -euo pipefail
cd "${1:-$(dirname "$0")/..}/doorkit"

unit_of() {  # file name -> unit
  local base="${1%.*}"
  case "$base" in door|door_*) echo door ;; *) echo "$base" ;; esac
}

declare -A arrows=()
for file in *.h *.cpp; do
  from="$(unit_of "$file")"
  while IFS= read -r target; do
    to="$(unit_of "$target")"
    [ "$to" = "$from" ] || arrows[$from]+=" $to"
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"doorkit\/\([^"]*\)".*/\1/p' "$file")
done

# Depth-first search; a unit met again while still on the path closes a circle.
declare -A state=()  # 1 on the path, 2 done
path=()
visit() {
  local u="$1" v
  state[$u]=1
  path+=("$u")
  for v in ${arrows[$u]:-}; do
    if [ "${state[$v]:-0}" = 1 ]; then
      local circle="" p started=0
      for p in "${path[@]}"; do
        [ "$p" = "$v" ] && started=1
        [ "$started" = 1 ] && circle+="$p -> "
      done
      echo "doorkit units in a circle: $circle$v"
      exit 1
    fi
    [ "${state[$v]:-0}" = 2 ] || visit "$v"
  done
  unset 'path[${#path[@]}-1]'
  state[$u]=2
}
for u in "${!arrows[@]}"; do
  [ "${state[$u]:-0}" = 2 ] || visit "$u"
done
echo "Door layer units hold: no include circle spans two units."
