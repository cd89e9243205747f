#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ against the portable core (a CMake tree with
# REGCOMPLETE_FUZZ=ON and clang) and runs each in turn for a bounded time, starting from its seed
# corpus in fuzz/corpus/<target>/. Fails when any target finds a crash, a sanitizer report or a
# broken invariant; what it found is left in build/fuzz/findings/. Prints the number of executions
# each target reached.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#
# SECONDS_PER_TARGET defaults to 60; 0 only replays the seed corpus. TARGET is a file name in
# fuzz/ without "_fuzzer.cpp"; all targets run when none is named. REGCOMPLETE_FUZZ_BUILD moves
# the build directory, CXX picks another clang++.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))
build=${REGCOMPLETE_FUZZ_BUILD:-$root/build/fuzz}
case $seconds in '' | *[!0-9]*) echo "fuzz.sh: seconds must be a whole number: $seconds" >&2; exit 2 ;; esac

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in "$root"/fuzz/*_fuzzer.cpp; do
    name=$(basename "$source" .cpp)
    targets+=("${name%_fuzzer}")
  done
fi

mkdir -p "$build/logs" "$build/findings"
echo "== configuring $build" >&2
if ! cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER="${CXX:-clang++}" -DREGCOMPLETE_FUZZ=ON \
    -DBUILD_TESTING=OFF >"$build/logs/cmake.log" 2>&1; then
  cat "$build/logs/cmake.log" >&2
  echo "fuzz.sh: configuring the fuzz build failed" >&2
  exit 1
fi

failed=()
summary=()
for target in "${targets[@]}"; do
  binary=$build/bin/${target}_fuzzer
  echo "== $target: building" >&2
  if ! cmake --build "$build" -j "${REGCOMPLETE_JOBS:-2}" --target "${target}_fuzzer" >&2; then
    failed+=("$target (build)")
    summary+=("$target: build failed")
    continue
  fi

  seeds=$root/fuzz/corpus/$target
  work=$build/corpus/$target
  mkdir -p "$seeds" "$work"
  if [ "$seconds" -eq 0 ]; then
    limit=(-runs=0)
  else
    limit=(-max_total_time="$seconds")
  fi
  # A whole release is about 25 KiB; the other targets read command lines.
  max_len=4096
  [ "$target" = stamp ] && max_len=32768
  log=$build/logs/$target.log
  echo "== $target: running ${seconds} s" >&2
  # The first corpus directory receives what the run discovers; the seeds stay as committed.
  UBSAN_OPTIONS=print_stacktrace=1 "$binary" "${limit[@]}" -print_final_stats=1 -max_len="$max_len" \
    -timeout=10 -artifact_prefix="$build/findings/$target-" "$work" "$seeds" >"$log" 2>&1
  status=$?
  grep '^stat::' "$log" >&2
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ $status -ne 0 ]; then
    failed+=("$target")
    summary+=("$target: FAILED (exit $status, ${executions:-?} executions; see $log)")
    # What broke, kept short: the broken invariant or the sanitizer's report, and the input.
    grep -A1 'invariant broken' "$log" | cut -c1-400 >&2
    grep -m1 -A15 -E '^==[0-9]+==ERROR|runtime error:' "$log" >&2
    grep -E '^SUMMARY:|Test unit written to' "$log" >&2
  else
    summary+=("$target: ${executions:-?} executions in ${seconds} s")
  fi
done

echo "== fuzzing summary" >&2
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: failed: ${failed[*]}" >&2
  exit 1
fi
