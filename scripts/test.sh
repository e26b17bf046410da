#!/usr/bin/env bash
# The whole test suite, from a fresh Debian 12 machine: installs what is missing,
# then builds and runs the suite in a normal build, under AddressSanitizer +
# UndefinedBehaviorSanitizer, cross-builds tarn.exe, tarn-toolkit.exe and the
# installer for Windows and runs them and the unit suites under Wine, runs the threaded tests (the link, the dialogs, the
# desktop windows and the tarn command end to end among them) under
# ThreadSanitizer, and runs every fuzz target for half a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/deps.sh build-essential cmake ninja-build pkg-config libgtest-dev zlib1g-dev nlohmann-json3-dev libcli11-dev
# The desktop tool and its QTest suites (offscreen platform), with a font for its Chinese texts.
bash scripts/deps.sh qt6-base-dev fonts-wqy-zenhei
# Compound-file cross-checks (independent readers and writer) and the fuzzer's clang.
bash scripts/deps.sh python3-olefile libgsf-bin gzip clang libclang-rt-14-dev
# The package check: CPack's dependency list, the icons, the completion.
bash scripts/deps.sh dpkg-dev librsvg2-bin bash-completion
# The Windows window's test: its own X display, keys and clicks, screenshots.
bash scripts/deps.sh xvfb xdotool imagemagick

jobs=$(nproc)
build() { # dir sanitizer
  cmake -S "$root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARN_SANITIZE="$2" >/dev/null
  cmake --build "$1" -j "$jobs"
}

# Runs ctest in a build directory and counts the tests it passed.
passed=0
run_tests() { # dir [ctest options...]
  local dir=$1 log
  shift
  log=$(mktemp)
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs" "$@" | tee "$log"
  passed=$((passed + $(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)))
  rm -f "$log"
}

echo "== normal build =="
build build/normal ""
run_tests build/normal

echo "== Windows: MinGW-w64 cross build, unit suites and tarn.exe end to end under Wine =="
bash scripts/build-windows.sh
# A fresh Wine prefix of the stage's own, set up without a display or Wine's
# chatter; the display comes back for the stages after this one.
saved_display=${DISPLAY-}
saved_wayland=${WAYLAND_DISPLAY-}
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX="$root/build/windows/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
run_tests build/windows
bash tests/windows/wine_e2e.sh build/normal/tarn build/windows/tarn.exe build/windows/e2e
bash tests/windows/wine_window_e2e.sh build/normal build/windows/tarn-toolkit.exe build/windows/window-e2e
wineserver -k >/dev/null 2>&1 || true
unset WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
[ -z "$saved_display" ] || export DISPLAY="$saved_display"
[ -z "$saved_wayland" ] || export WAYLAND_DISPLAY="$saved_wayland"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer =="
build build/asan address
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_tests build/asan

echo "== ThreadSanitizer (threaded tests) =="
build build/tsan thread
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  run_tests build/tsan -L threaded

echo "== Fuzzers (clang, libFuzzer + ASan/UBSan, 30 s each) =="
# New inputs go to a scratch folder; a crash leaves its input in build/fuzz/ and fails the run.
bash scripts/fuzz.sh --scratch 1.5

# Reached only when every stage passed (set -e ends the run at the first failure).
echo "suite: ${passed} passed, 0 failed"
