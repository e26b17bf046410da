#!/usr/bin/env bash
# The benchmarks against the virtual drive on a pseudo-terminal, in a release build:
#   bash scripts/bench.sh [ARGS...]          the link benchmark
#   bash scripts/bench.sh matrix [SEED]      the fault matrix of whole transfers
#   bash scripts/bench.sh soak [CYCLES]      upload-then-download cycles in one process
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build-essential cmake ninja-build pkg-config libgtest-dev zlib1g-dev nlohmann-json3-dev libcli11-dev
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
case "${1:-}" in
  matrix) shift; target=fault_matrix ;;
  soak) shift; target=soak ;;
  *) target=link_bench ;;
esac
cmake --build build/release -j "$(nproc)" --target "$target"
exec "build/release/bench/$target" "$@"
