#!/usr/bin/env bash
# Builds the libFuzzer targets of tools/fuzz (clang, ASan, UBSan, coverage
# on the door layer and the game) and runs them.
#
#   bash tools/fuzz.sh              every target over its seed corpus, then
#                                   3 seconds of fuzzing each, two at a
#                                   time (the test command runs this)
#   bash tools/fuzz.sh long [SECS]  every target for SECS seconds (600 by
#                                   default), two at a time at the lowest
#                                   priority; logs, grown corpora and crash
#                                   inputs go to build/fuzz-runs/
#   bash tools/fuzz.sh long SECS fuzz_comm ...   only the targets named
#
# A crash input found by a long run belongs in tools/fuzz/corpus/<target>/
# once the fault is mended, so every later run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-smoke}"
seconds="${2:-600}"
shift $(( $# > 2 ? 2 : $# ))

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ is not installed, fuzz targets skipped"
  exit 0
fi

build=build/fuzz
# -O1 with line tables only: builds in half the time of -O2 -g, and stack
# traces still name the lines.
CXX=clang++ cmake -S . -B "$build" -DQGS_FUZZ=ON -DQGS_TESTS=OFF \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" >/dev/null
cmake --build "$build" --target fuzz_targets -j"$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in tools/fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

if [ "$mode" = smoke ]; then
  scratch="$(mktemp -d)"
  trap 'rm -rf "$scratch"' EXIT
  # Two targets at a time, as the long runs: each is one thread.
  smoke_one() {
    local target="$1" scratch="$2" build="$3"
    mkdir -p "$scratch/$target"
    # The scratch folder comes first: new inputs go there, never into the
    # seed corpus.
    if "$build/tools/$target" -max_total_time=3 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$scratch/" "$scratch/$target" "tools/fuzz/corpus/$target" \
        >"$scratch/$target.log" 2>&1; then
      touch "$scratch/$target.passed"
    fi
  }
  export -f smoke_one
  printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'smoke_one "$@"' _ {} "$scratch" "$build"
  for target in "${targets[@]}"; do
    if [ ! -e "$scratch/$target.passed" ]; then
      cat "$scratch/$target.log"
      echo "fuzz: $target FAILED"
      exit 1
    fi
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$target.log")"
    cov="$(grep -o 'cov: [0-9]*' "$scratch/$target.log" | tail -1)"
    echo "fuzz: $target passed ($runs runs, $cov)"
  done
  echo "fuzz: all targets passed"
  exit 0
fi

if [ "$mode" != long ]; then
  echo "usage: bash tools/fuzz.sh [long [SECONDS] [TARGET...]]" >&2
  exit 2
fi
out=build/fuzz-runs
mkdir -p "$out/artifacts"
run_one() {
  local target="$1" seconds="$2" out="$3" build="$4"
  mkdir -p "$out/corpus/$target" "$out/artifacts/$target"
  nice -n 19 "$build/tools/$target" -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$out/artifacts/$target/" \
    "$out/corpus/$target" "tools/fuzz/corpus/$target" >"$out/$target.log" 2>&1 || true
  echo "$target: $(grep -E '^#[0-9]+' "$out/$target.log" | tail -1)"
}
export -f run_one
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$out" "$build"
found="$(find "$out/artifacts" -type f | wc -l)"
echo "fuzz: $found crash input(s) in $out/artifacts"
