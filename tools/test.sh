#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a plain build, then one under
# AddressSanitizer and UndefinedBehaviorSanitizer; then every fuzz target
# briefly over its seed corpus (tools/fuzz.sh, clang).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh g++ cmake make libgtest-dev
# clang only for the fuzz targets: without it they are skipped.
bash tools/deps.sh clang libclang-rt-dev || echo "clang could not be installed"
jobs="$(nproc)"
for variant in plain sanitize; do
  dir="build/test-$variant"
  flag=OFF
  [ "$variant" = sanitize ] && flag=ON
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DQGS_SANITIZE=$flag >/dev/null
  cmake --build "$dir" -j"$jobs"
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$dir" --output-on-failure -j"$jobs"
done
bash tools/fuzz.sh
echo "All tests passed."
