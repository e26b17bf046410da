#!/usr/bin/env bash
# Runs every fuzz target, the given minutes in all (10 by default) split evenly
# between them, each from its seed corpus in fuzz/corpus/<target> and the
# inputs that once broke something in fuzz/regressions/<target>. New inputs
# that reach code the corpus does not are merged into fuzz/corpus/<target>
# (libFuzzer's -merge=1 keeps only those); with --scratch they are thrown away,
# as the test script does. A crash or a broken invariant leaves its input in
# build/fuzz/ and fails the run; it then belongs in fuzz/regressions/<target>
# once fixed. Prints the executions each target reached.
#   bash scripts/fuzz.sh [--scratch] [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
keep=1
if [ "${1:-}" = "--scratch" ]; then keep=0; shift; fi
minutes=${1:-10}
targets=(image line config)

bash scripts/deps.sh build-essential cmake ninja-build pkg-config zlib1g-dev nlohmann-json3-dev clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S "$root" -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARN_BUILD_FUZZ=ON -DTARN_BUILD_TESTS=OFF -DTARN_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz -j "$(nproc)" --target "${targets[@]/%/_fuzzer}"

seconds=$(awk -v m="$minutes" -v n="${#targets[@]}" 'BEGIN { s = int(m * 60 / n); print (s < 1 ? 1 : s) }')
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
summary=""
for target in "${targets[@]}"; do
  fuzzer="build/fuzz/fuzz/${target}_fuzzer"
  mkdir -p "$scratch/$target" "fuzz/corpus/$target" "fuzz/regressions/$target"
  echo "== ${target}_fuzzer for ${seconds} s =="
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="build/fuzz/${target}-" \
    "$scratch/$target" "fuzz/corpus/$target" "fuzz/regressions/$target" 2>"$scratch/$target.log" || {
    tail -n 60 "$scratch/$target.log"
    echo "${target}_fuzzer found something; its input is in build/fuzz/" >&2
    exit 1
  }
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$target.log")
  added=0
  if [ "$keep" = 1 ]; then
    before=$(find "fuzz/corpus/$target" -type f | wc -l)
    "$fuzzer" -merge=1 "fuzz/corpus/$target" "$scratch/$target" 2>"$scratch/$target.merge.log"
    added=$(( $(find "fuzz/corpus/$target" -type f | wc -l) - before ))
  fi
  line=$(printf '%-16s %12s executions in %s s' "${target}_fuzzer" "$runs" "$seconds")
  [ "$keep" = 1 ] && line="$line, $added new corpus entries kept"
  echo "$line"
  summary="$summary$line"$'\n'
done
echo "== executions per target =="
printf '%s' "$summary"
