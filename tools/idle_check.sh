#!/usr/bin/env bash
# What an idle caller costs: runs qgs up to the main menu and leaves it there
# for a while (60 s by default), once in local mode on a pseudo-terminal and
# once as a socket session (-N1 -S<fd>) on a socket pair, and reports how
# often the process woke up meanwhile (voluntary context switches from
# /proc/<pid>/status). A manual check: it sleeps in real time.
#
#   bash tools/idle_check.sh [path/to/qgs] [seconds]
#
# Without a path it builds build/release/qgs first.
set -euo pipefail
cd "$(dirname "$0")/.."
qgs="${1:-}"
seconds="${2:-60}"
if [ -z "$qgs" ]; then
  bash tools/deps.sh g++ cmake make python3
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQGS_TESTS=OFF >/dev/null
  cmake --build build/release -j1 --target qgs >/dev/null
  qgs=build/release/qgs
fi
[ -x "$qgs" ] || { echo "no qgs at $qgs"; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The game keeps its files beside the program: give it a folder of its own.
cp "$qgs" "$work/qgs"

/usr/bin/python3 - "$work/qgs" "$seconds" <<'EOF'
import os, select, signal, socket, subprocess, sys, time

qgs, seconds = sys.argv[1], float(sys.argv[2])


def switches(pid):
    with open(f"/proc/{pid}/status") as f:
        fields = dict(line.split(":", 1) for line in f if ":" in line)
    return int(fields["voluntary_ctxt_switches"]), int(fields["nonvoluntary_ctxt_switches"])


class Caller:
    """Reads what qgs sends on fd and answers its prompts."""

    def __init__(self, fd):
        self.fd, self.seen = fd, b""

    def drain(self, seconds):
        end = time.monotonic() + seconds
        while (left := end - time.monotonic()) > 0:
            if select.select([self.fd], [], [], left)[0]:
                try:
                    data = os.read(self.fd, 65536)
                except OSError:
                    return
                if not data:
                    return
                self.seen += data

    def expect(self, text, seconds=10):
        end = time.monotonic() + seconds
        while text.encode() not in self.seen:
            if time.monotonic() > end:
                raise SystemExit(f"'{text}' did not appear")
            self.drain(0.05)
        self.seen = self.seen[self.seen.index(text.encode()) + len(text):]

    def send(self, text):
        os.write(self.fd, text.encode())


def measure(name, proc, caller, login):
    if login:
        caller.expect("Name or handle")
        caller.send("\r")
    caller.expect("to continue. -=> ")
    caller.send("\r")
    caller.expect("[Y/N] -=> ")
    caller.send("n")
    caller.expect("Select option: ")
    caller.drain(1.0)  # let the menu settle
    v0, n0 = switches(proc.pid)
    start = time.monotonic()
    caller.drain(seconds)
    v1, n1 = switches(proc.pid)
    took = time.monotonic() - start
    print(f"{name}: {v1 - v0} voluntary and {n1 - n0} involuntary context switches in "
          f"{took:.0f} s: {(v1 - v0) / took:.3f} wake-ups a second")
    caller.send("q")
    try:
        proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


# Local mode on a pseudo-terminal.
master, slave = os.openpty()
proc = subprocess.Popen([qgs, "-L"], stdin=slave, stdout=slave, stderr=slave,
                        cwd=os.path.dirname(qgs), start_new_session=True)
os.close(slave)
measure("local (pty)", proc, Caller(master), login=True)
os.close(master)

# A socket session on a socket pair.
ours, theirs = socket.socketpair()
proc = subprocess.Popen([qgs, "-N1", f"-S{theirs.fileno()}"], pass_fds=[theirs.fileno()],
                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                        cwd=os.path.dirname(qgs))
theirs.close()
measure("socket (-N1 -S)", proc, Caller(ours.fileno()), login=False)
ours.close()
EOF
