#!/usr/bin/env bash
# Builds qgs and the BBS stand-in, then waits for Telnet callers on
# 127.0.0.1 (port 2323 unless --port says otherwise). Play with:
#   telnet 127.0.0.1 2323
# Arguments go to bbshost (see "bbshost --help"); after "--" they go to qgs,
# for example: bash tools/bbs.sh -- -U
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh g++ cmake make telnet
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQGS_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target qgs bbshost
exec build/release/tools/bbshost "$@"
