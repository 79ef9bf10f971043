#!/usr/bin/env bash
# Builds qgs and starts it in local mode in this terminal. Extra arguments go
# to qgs (for example -N3).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh g++ cmake make
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQGS_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target qgs
exec build/release/qgs "$@"
