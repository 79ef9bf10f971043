#!/usr/bin/env bash
# Checks the layout (tools/format.sh), then builds and runs the whole test suite twice: a plain build, then one under
# AddressSanitizer and UndefinedBehaviorSanitizer. Each build also runs the
# suite once more as a single process in a shuffled order, so that state one
# test leaves behind shows up in another (QGS_SHUFFLE_SEED=N repeats an order).
# Last, every fuzz target runs briefly over its seed corpus (tools/fuzz.sh,
# clang).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh g++ cmake make libgtest-dev telnet
# The layout first: a file that strays from .clang-format fails the run.
bash tools/deps.sh clang-format
bash tools/format.sh --check
# clang only for the fuzz targets: without it they are skipped.
bash tools/deps.sh clang libclang-rt-dev || echo "clang could not be installed"
jobs="$(nproc)"
seed="${QGS_SHUFFLE_SEED:-$(( $(date +%s) % 100000 ))}"
for variant in plain sanitize; do
  dir="build/test-$variant"
  flag=OFF
  [ "$variant" = sanitize ] && flag=ON
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DQGS_SANITIZE=$flag >/dev/null
  cmake --build "$dir" -j"$jobs"
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$dir" --output-on-failure -j"$jobs"
  echo "One process, shuffled: $dir/tests/qgs_tests --gtest_shuffle --gtest_random_seed=$seed"
  ASAN_OPTIONS=detect_leaks=1 "$dir/tests/qgs_tests" --gtest_shuffle --gtest_random_seed="$seed" \
    --gtest_brief=1
done
bash tools/fuzz.sh
echo "All tests passed."
