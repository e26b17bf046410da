#!/usr/bin/env bash
# The link benchmark against the virtual drive on a pseudo-terminal; arguments
# go to the benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build-essential cmake ninja-build pkg-config libgtest-dev zlib1g-dev nlohmann-json3-dev libcli11-dev
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc)" --target link_bench
exec build/release/bench/link_bench "$@"
