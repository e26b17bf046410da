#!/usr/bin/env bash
# Cross-builds the Windows programs into build/windows/ (tarn.exe and the window
# tarn-toolkit.exe, statically linked: they need nothing but Windows' own DLLs)
# with MinGW-w64, the unit suites that CTest runs under Wine, and the installer
# TarnToolkit-<version>-win64.exe (CPack, NSIS). Installs the Debian packages it needs.
# Usage: bash scripts/build-windows.sh [ninja targets...]   (default: all, and the installer)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh cmake ninja-build mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  libz-mingw-w64-dev wine wine64 googletest nlohmann-json3-dev libcli11-dev nsis
build=build/windows
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DTARN_COMMAND_DIR="$PWD/$build"
fi
nice -n 10 cmake --build "$build" -j"$(nproc)" ${1:+--target "$@"}
if [ $# -eq 0 ]; then
  (cd "$build" && nice -n 10 cpack >/dev/null)
  echo "built $build/tarn.exe, $build/tarn-toolkit.exe and $(ls "$build"/TarnToolkit-*-win64.exe)"
else
  echo "built $*"
fi
