#!/usr/bin/env bash
# Installs a build into a fresh door folder and runs the door from there in
# local mode, started from another folder: the program, the README and
# qgs.cfg must be in the door folder, the data files must land there, and a
# second install must keep the sysop's qgs.cfg.
#   bash tools/install_check.sh <build dir> [cmake]
set -euo pipefail
build="$1"
cmake="${2:-cmake}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
door="$work/door"
fail() { echo "install check: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$door" >/dev/null
for f in qgs README.md qgs.cfg; do [ -f "$door/$f" ] || fail "no $f in the door folder"; done
[ -x "$door/qgs" ] || fail "qgs is not executable"
cmp -s "$door/README.md" "$(dirname "$0")/../README.md" || fail "README.md differs"

# Runs the door locally: Enter at the login, Enter after the introduction, no
# sound, then Q at the main menu.
run() {
  mkdir -p "$work/elsewhere"
  (cd "$work/elsewhere" && printf '\r\rnq' | timeout 20 "$door/qgs" -L) >"$work/out" 2>&1 ||
    fail "qgs -L did not end cleanly: $(tail -c 300 "$work/out")"
}

run
grep -q "Returning to the BBS\.\.\." "$work/out" || fail "no goodbye with the sample's BBS name"
for d in qgs-online.dat games/active games/completed; do
  [ -e "$door/$d" ] || fail "$d is not in the door folder"
done
[ -z "$(ls -A "$work/elsewhere")" ] || fail "files left in the working directory: $(ls -A "$work/elsewhere")"

# The sysop names the BBS in the sample, notes and all; installing again
# keeps that file, and the door reads it.
sed -i '2s/.*/Dragon'"'"'s Lair/' "$door/qgs.cfg"
cp "$door/qgs.cfg" "$work/edited.cfg"
"$cmake" --install "$build" --prefix "$door" >/dev/null
cmp -s "$door/qgs.cfg" "$work/edited.cfg" || fail "a second install replaced qgs.cfg"
run
grep -q "Returning to Dragon's Lair\.\.\." "$work/out" || fail "the door did not read its qgs.cfg"
echo "install check: passed"
