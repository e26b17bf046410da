#!/usr/bin/env bash
# The benchmarks against the virtual drive on a pseudo-terminal, in a release build:
#   bash scripts/bench.sh                    link, whole transfers and image files
#   bash scripts/bench.sh link [ARGS...]     the link benchmark alone (--unpaced, --trace FILE, --trace-cost FILE, N)
#   bash scripts/bench.sh transfer           whole upload and download through the dialogs
#   bash scripts/bench.sh image [RUNS]       save and load of the largest image
#   bash scripts/bench.sh window             the shipped drive's image loaded into the desktop window
#   bash scripts/bench.sh matrix [SEED]      the fault matrix of whole transfers
#   bash scripts/bench.sh soak [CYCLES]      upload-then-download cycles in one process
# The machine is shared and noisy: run it three times and compare medians.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build-essential cmake ninja-build pkg-config libgtest-dev zlib1g-dev nlohmann-json3-dev \
  libcli11-dev libmodbus-dev qt6-base-dev
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
run() { # target args...
  local target=$1
  shift
  cmake --build build/release -j "$(nproc)" --target "$target" >/dev/null
  "build/release/bench/$target" "$@"
}
case "${1:-all}" in
  all)
    status=0
    run link_bench || status=1
    echo
    run transfer_bench || status=1
    echo
    run image_bench || status=1
    echo
    run window_load_bench || status=1
    exit $status ;;
  link) shift; run link_bench "$@" ;;
  transfer) shift; run transfer_bench "$@" ;;
  image) shift; run image_bench "$@" ;;
  window) shift; run window_load_bench "$@" ;;
  matrix) shift; run fault_matrix "$@" ;;
  soak) shift; run soak "$@" ;;
  # Older form: arguments straight to the link benchmark.
  *) run link_bench "$@" ;;
esac
