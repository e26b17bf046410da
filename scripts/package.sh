#!/usr/bin/env bash
# Builds the Debian package: a release build with Debian's hardening flags,
# `cmake --install` through CPack (run-time dependencies computed by
# dpkg-shlibdeps), the package's own check (its files unpacked into a scratch
# root), and lintian. The .deb lands in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh build-essential cmake ninja-build pkg-config zlib1g-dev nlohmann-json3-dev libcli11-dev \
  qt6-base-dev qt6-qpa-plugins fonts-wqy-zenhei librsvg2-bin dpkg-dev lintian bash-completion

# The flags Debian builds its own packages with: fortify, stack protector, PIE,
# relro and immediate binding. Given on every run, as CMake keeps the first ones.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cflags="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

build=$root/build/package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_BUILD_TESTS=OFF -DTARN_BUILD_BENCH=OFF \
  -DTARN_COMMAND_DIR="$build" -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -rf "$build/cpack"
(cd "$build" && cpack -G DEB -B "$build/cpack" >/dev/null)
deb=$(ls "$build"/cpack/*.deb)
cp "$deb" "$root/build/"
deb=$root/build/$(basename "$deb")

bash tests/package/check_package.sh "$deb"
echo "lintian:"
lintian --fail-on error "$deb"
echo "Package: $deb"
