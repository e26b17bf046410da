#!/usr/bin/env bash
# The main job: builds everything, starts the virtual drive with the shipped
# default drive (`tarn sim`), and uses the tool against it as a user would: the
# drive's identity, an upload into an image file, what the image holds, and a
# download of the image back into the drive. With a display, the desktop tool
# then opens on the same virtual drive; the drive stops when its window closes
# (without a display the command that opens it is printed).
# The image and the profile of this run stay in build/main-job/.
# The link benchmark is scripts/bench.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh build-essential cmake ninja-build pkg-config libgtest-dev zlib1g-dev nlohmann-json3-dev libcli11-dev \
  qt6-base-dev fonts-wqy-zenhei
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_COMMAND_DIR="$root/build" >/dev/null
cmake --build build/release -j "$(nproc)"

work=$root/build/main-job
rm -rf "$work"
mkdir -p "$work"
# A profile of this run's own, so that the user's settings stay as they are.
export TARN_PROFILE=$work/profile.ini
tarn=$root/build/tarn
port=$work/drive

exec {sim_out}< <(exec "$tarn" sim --link "$port")
sim=$!
stop_sim() {
  kill -TERM "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
}
trap stop_sim EXIT
read -r device <&"$sim_out"
echo "Virtual drive on $device (linked as $port)"

step() {
  printf '\n$ %s\n' "${*/#$root\//}"
  "$@"
}
step "$tarn" info --port "$port"
step "$tarn" upload "$work/backup.tkw" --port "$port"
step "$tarn" inspect "$work/backup.tkw"
step "$tarn" download "$work/backup.tkw" --port "$port" --yes
echo
echo "Console run done; the image is $work/backup.tkw"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Opening the desktop tool on the virtual drive; close its window to end the main job."
  step "$root/build/tarn-toolkit" --port "$port" || echo "tarn-toolkit ended with status $?"
else
  echo "No display here. To open the desktop tool on a virtual drive:"
  echo "  build/tarn sim --link build/main-job/drive &"
  echo "  TARN_PROFILE=build/main-job/profile.ini build/tarn-toolkit --port build/main-job/drive"
fi
