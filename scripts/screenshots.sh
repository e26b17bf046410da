#!/usr/bin/env bash
# Screenshots of the desktop tool for the README. Builds `tarn` and
# `tarn-toolkit`, starts the virtual drive (`tarn sim`) and the tool on a virtual
# X display with a window manager (so that captions and frames show), and lets
# the tool's screenshot tour use it as a user would: connect, the upload dialog
# saving an image, the image loaded, the confirmation, the download, the
# differences, the parameter table, the window's menu and the about box. The
# PNGs land in docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh build-essential cmake ninja-build pkg-config libgtest-dev zlib1g-dev nlohmann-json3-dev \
  qt6-base-dev fonts-wqy-zenhei xvfb openbox
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_COMMAND_DIR="$root/build" >/dev/null
cmake --build build/release -j "$(nproc)" --target tarn tarn-toolkit

# The tool runs in a folder of a neutral name, so that the paths in its log
# (the saved image's) show no checkout.
work=/tmp/tarn-images
rm -rf "$work"
mkdir -p "$work" docs/screenshots
export TARN_PROFILE=$work/profile.ini

pids=()
stop_all() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop_all EXIT

exec {x_out}< <(exec Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
pids+=($!)
read -r display <&"$x_out"
export DISPLAY=:$display QT_QPA_PLATFORM=xcb
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)

exec {sim_out}< <(exec build/tarn sim --link "$work/drive")
pids+=($!)
read -r device <&"$sim_out"
echo "Virtual drive on $device, display :$display"

# Short names in the pictures: the port and the image relative to the work folder.
(cd "$work" && "$root/build/tarn-toolkit" --port ./drive --screenshots "$root/docs/screenshots")
echo "Screenshots are in docs/screenshots/"
