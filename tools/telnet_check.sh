#!/usr/bin/env bash
# End-to-end check with Debian's telnet client: connects through bbshost,
# logs in, goes through the introduction to the main menu, plays a Klassic
# game (King Computer moves, the caller surrenders, the scoreboard and the
# records follow), then closes the client and expects the door to end by
# itself within 2 s with exit code 0.
# The telnet client runs inside tmux, in a terminal of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh g++ cmake make telnet tmux
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQGS_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target qgs bbshost >/dev/null

work="$(mktemp -d)"
session="qgs-telnet-check-$$"
host_pid=""
cleanup() {
  tmux kill-session -t "$session" 2>/dev/null || true
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- screen ---"; tmux capture-pane -p -t "$session" 2>/dev/null || true
  echo "--- bbshost ---"; cat "$work/host.log"
  exit 1
}

# Waits up to $2 seconds (default 5) for text $1 on the telnet screen.
expect_screen() {
  local deadline=$((SECONDS + ${2:-5}))
  until tmux capture-pane -p -t "$session" | grep -qF -- "$1"; do
    [ $SECONDS -ge $deadline ] && fail "\"$1\" did not appear"
    sleep 0.1
  done
}

build/release/tools/bbshost --once --port 0 --dir "$work/nodes" -- -U >"$work/host.log" 2>&1 &
host_pid=$!
for _ in $(seq 50); do
  port="$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/host.log")"
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "${port:-}" ] || fail "bbshost did not start"

tmux new-session -d -s "$session" -x 100 -y 40 "LANG=C.UTF-8 telnet 127.0.0.1 $port"
expect_screen "Your name (alias):"
tmux send-keys -t "$session" "Telnet Tester" Enter
expect_screen "Welcome to Gronels and Slingards Telnet!"
expect_screen "to continue. -=>"
tmux send-keys -t "$session" Enter
expect_screen "[Y/N] -=>"
tmux send-keys -t "$session" n
expect_screen "MAIN MENU"
expect_screen "Select option:"
echo "main menu reached:"
tmux capture-pane -p -t "$session" | grep -v '^ *$' | tail -14

# A Klassic game: set up the kingdom, answer the pauses until it is the
# caller's turn, surrender, go through the close and decline another game.
tmux send-keys -t "$session" k
expect_screen "[K] King or a [Q] Queen?"
tmux send-keys -t "$session" q
expect_screen "known by sire?"
tmux send-keys -t "$session" "Tess" Enter
expect_screen "Is this OK? [y/N]"
tmux send-keys -t "$session" y
# Answers "*[ Press any Key ]*" pauses until text $1 is the newest prompt.
answer_pauses_until() {
  local deadline=$((SECONDS + 20)) last
  while :; do
    last="$(tmux capture-pane -p -t "$session" | grep -v '^ *$' | tail -1)"
    case "$last" in
      *"$1"*) return 0 ;;
      *"*[ Press any Key ]*"*) tmux send-keys -t "$session" Space; sleep 0.3 ;;
    esac
    [ $SECONDS -ge $deadline ] && fail "\"$1\" did not come"
    sleep 0.1
  done
}
answer_pauses_until "or ? for Help -=>"
tmux send-keys -t "$session" q
expect_screen "Are you SURE? -=>"
tmux send-keys -t "$session" y
answer_pauses_until "Play again? [Y/N] -=>"
tmux capture-pane -p -t "$session" | grep -F "won 1 games this session." >/dev/null ||
  fail "no session tally"
tmux send-keys -t "$session" n
expect_screen "Select option:"
echo "Klassic game played to a surrender"

# Close the client: telnet's escape character, then "quit".
tmux send-keys -t "$session" C-]
expect_screen "telnet>"
tmux send-keys -t "$session" quit Enter
closed=$(date +%s%3N)
for _ in $(seq 40); do
  kill -0 "$host_pid" 2>/dev/null || break
  sleep 0.1
done
ended=$(date +%s%3N)
if kill -0 "$host_pid" 2>/dev/null; then fail "the door was still running 4 s after the client closed"; fi
wait "$host_pid" && code=0 || code=$?
host_pid=""
cat "$work/host.log"
took=$((ended - closed))
[ "$code" -eq 0 ] || fail "the door ended with exit code $code"
grep -q "door ended with exit code 0" "$work/host.log" || fail "no clean end in the log"
[ "$took" -lt 2000 ] || fail "the door took ${took} ms to end"
echo "PASS: the door ended with exit code 0, ${took} ms after the client closed"
