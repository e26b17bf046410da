#!/usr/bin/env bash
# The main job. Until the command-line front end exists this runs the link
# benchmark against the virtual drive on a pseudo-terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build-essential cmake ninja-build pkg-config libgtest-dev zlib1g-dev nlohmann-json3-dev
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target link_bench
exec build/release/bench/link_bench "$@"
