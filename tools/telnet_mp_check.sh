#!/usr/bin/env bash
# End-to-end Multiplayer check with Debian's telnet client: two telnet
# clients, each on a pseudo-terminal of its own, call bbshost (two nodes,
# one game directory). One caller creates a game, the other joins, and they
# play it to its end: every turn's game file, the replays on the other's
# screen, the completed game, both ranking tables and both lobbies are
# checked. The game script is the CTest test
# TwoNodes.PlayAWholeGameAsTwoTelnetCallersOfTheBbsHost
# (tests/system/two_nodes_test.cpp), which skips itself where no
# telnet client is installed; this script installs one and insists that the
# test ran.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh g++ cmake make libgtest-dev telnet
dir=build/dev
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$dir" -j"$(nproc)" --target qgs_tests >/dev/null

test=TwoNodes.PlayAWholeGameAsTwoTelnetCallersOfTheBbsHost
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
started=$(date +%s%3N)
status=0
timeout 120 "$dir/tests/qgs_tests" --gtest_filter="$test" >"$out" 2>&1 || status=$?
took=$(($(date +%s%3N) - started))
if [ "$status" -ne 0 ] || ! grep -qF "[       OK ] $test" "$out"; then
  cat "$out"
  echo "FAIL: the Multiplayer game over Telnet did not play to its end (status $status)"
  exit 1
fi
echo "PASS: two telnet callers played a Multiplayer game to its end through bbshost in ${took} ms"
