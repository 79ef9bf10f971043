#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a plain build, then one under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh g++ cmake make libgtest-dev
jobs="$(nproc)"
for variant in plain sanitize; do
  dir="build/test-$variant"
  flag=OFF
  [ "$variant" = sanitize ] && flag=ON
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DQGS_SANITIZE=$flag >/dev/null
  cmake --build "$dir" -j"$jobs"
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$dir" --output-on-failure -j"$jobs"
done
echo "All tests passed."
