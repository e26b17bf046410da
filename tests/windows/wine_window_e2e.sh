#!/usr/bin/env bash
# tarn-toolkit.exe under Wine on an Xvfb display of its own, driven with
# xdotool and read from screenshots: the title, the Online button's colours
# against a silent port and against the virtual drive, Esc, the about item and
# the parameter table of the system menu, "Generate *.tkw" into an image the
# Linux build reads, and a
# download with the confirmation that writes the drive exactly; then the
# installer beside the program, when there is one.
# Usage: wine_window_e2e.sh LINUX_BUILD_DIR TOOLKIT_EXE WORK_DIR [SHOTS_DIR]
set -euo pipefail
here=$(dirname "$(realpath "$0")")
linux=$(realpath "$1")
toolkit=$(realpath "$2")
work=$3
shots=${4:-}
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
tarn=$linux/tarn

fail() {
  echo "wine window e2e: $*" >&2
  exit 1
}
pids=()
stop() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  wineserver -k >/dev/null 2>&1 || true
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap stop EXIT

exec {xvfb_out}< <(exec Xvfb -displayfd 1 -screen 0 1280x900x24 -nolisten tcp 2>/dev/null)
pids+=($!)
read -r display <&"$xvfb_out" || fail "Xvfb did not start"
export DISPLAY=:$display
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wine regedit /S "Z:${here//\//\\}\\wine_display.reg" >/dev/null 2>&1
drive_c=$WINEPREFIX/drive_c
export TARN_PROFILE='C:\toolkit.ini' TARN_DATA_DIR='C:\toolkit-data'

# Polls a condition once a second for up to $1 seconds.
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq "$seconds"); do
    if "$@"; then return 0; fi
    sleep 1
  done
  return 1
}
window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
# Keys to the window named $1, given the focus first.
keys() {
  xdotool windowfocus --sync "$(window "$1")" 2>/dev/null || true
  shift
  xdotool key "$@"
}
has_window() { [ -n "$(window "$1")" ]; }
shot() { import -display "$DISPLAY" -window root "$work/$1.png"; }
button() { shot "$1" && convert "$work/$1.png" ppm:- | python3 "$here/pixels.py"; }
is_online() { read -r state _ < <(button online) && [ "$state" = online ]; }
# A window of its own into the screenshots folder.
keep() {
  [ -n "$shots" ] || return 0
  import -display "$DISPLAY" -window "$(window "$1")" "$shots/$2.png"
}
# Clicks the control at dialog units (x, y) of the main dialog, placed by the
# Online button (406, 8, 94 x 17 dialog units) found in the last screenshot.
click_dlu() {
  read -r _ left top width height < <(button where)
  local x=$((left + (($1 - 406) * width) / 94)) y=$((top + (($2 - 8) * height) / 17))
  xdotool mousemove "$x" "$y" click 1
}
run_toolkit() {
  wine "$toolkit" "$@" >"$work/toolkit.log" 2>&1 &
  toolkit_pid=$!
  pids+=($toolkit_pid)
  wait_for 60 has_window 'TarnToolkit  V2.0.0' || fail "no window titled 'TarnToolkit  V2.0.0'"
}
closes() { ! kill -0 "$toolkit_pid" 2>/dev/null; }

echo "-- a port on which nothing answers: the window stays offline, Esc closes it"
exec {silent_out}< <(exec python3 -c 'import os, pty, time
master, slave = pty.openpty()
print(os.ttyname(slave), flush=True)
time.sleep(600)')
pids+=($!)
read -r silent <&"$silent_out"
ln -sf "$silent" "$WINEPREFIX/dosdevices/com7"
run_toolkit --port COM7
sleep 8
read -r state _ < <(button silent)
[ "$state" = offline ] || fail "against a silent port the button shows $state"
keys "TarnToolkit  V2.0.0" Escape
wait_for 120 closes || fail "Esc did not close the window"

echo "-- the virtual drive: online in yellow with red text"
"$linux/tests/tarn-sample-image" "$drive_c/sample.tkw"
exec {sim_out}< <(exec "$tarn" sim --link "$work/drive" --state "$work/state.json")
sim=$!
pids+=($sim)
read -r device <&"$sim_out"
ln -sf "$device" "$WINEPREFIX/dosdevices/com5"
run_toolkit --port COM5
wait_for 30 is_online || fail "the window did not come online: $(button online)"
keep 'TarnToolkit  V2.0.0' main-online

echo "-- the about item of the system menu"
# A free point of the window activates it. The menu opens on its first item;
# the about item comes after the system's six and Wine's own about item (whose
# mnemonic is ours too), so it is counted from the top, before the service
# items however many they are.
click_dlu 453 45
keys "TarnToolkit  V2.0.0" alt+space
sleep 1
xdotool key Down Down Down Down Down Down Down Return
wait_for 10 has_window '關於 TarnToolkit' || fail "the system menu has no about item"
keep '關於 TarnToolkit' about
keys '關於 TarnToolkit' Return
wait_for 10 eval '! has_window "關於 TarnToolkit"' || fail "the about box stays"

echo "-- Parameters…: the drive's parameters read into their table"
# One step up from the first item is the last one.
click_dlu 453 45
keys "TarnToolkit  V2.0.0" alt+space
sleep 1
xdotool key Up Return
wait_for 30 has_window "Parameters of the drive" || fail "no parameter table"
sleep 1
keep "Parameters of the drive" parameters
keys "Parameters of the drive" Escape
wait_for 10 eval '! has_window "Parameters of the drive"' || fail "the parameter table stays"

echo "-- Generate *.tkw: an image the Linux build reads"
click_dlu 453 72
wait_for 20 has_window Upload || fail "no upload dialog"
keys Upload Return
wait_for 20 has_window 'Save Image' || fail "no save dialog"
xdotool type --delay 30 'C:\generated'
xdotool key Return
sleep 5
keep Upload upload
keys Upload Escape
wait_for 60 eval '! has_window Upload' || fail "the upload dialog stays"
"$tarn" inspect "$drive_c/generated.tkw" >"$work/inspect.out" 2>&1 ||
  fail "tarn inspect: $(cat "$work/inspect.out")"

echo "-- typing the image's path ticks its boxes; Download with the confirmation"
click_dlu 224 37
xdotool type --delay 30 'C:\sample.tkw'
sleep 2
keep 'TarnToolkit  V2.0.0' main-image
# The confirmation comes only with "Program / DV / All section size" ticked.
click_dlu 361 72
wait_for 20 has_window 'Please confirm' || fail "no confirmation"
keep 'Please confirm' confirm
keys 'Please confirm' Return
sleep 5
keep 'TarnToolkit  V2.0.0' main-download
# Esc ends the window once the download has ended (a click on a free point
# gives it the keyboard back from the confirmation).
click_dlu 453 45
keys "TarnToolkit  V2.0.0" Escape
wait_for 120 closes || fail "the window did not close after the download"
kill -TERM "$sim"
wait "$sim" || true
python3 - "$work/state.json" <<'PY' || fail "the drive does not hold the image: $(head -c 600 "$work/state.json")"
import json, sys
contents = json.load(open(sys.argv[1]))["contents"]
assert contents["DH"][:20] == [7] * 20, contents["DH"][:24]
assert set(contents["MH"]) == {5}, contents["MH"][:8]
PY

installer=$(ls "$(dirname "$toolkit")"/TarnToolkit-*-win64.exe 2>/dev/null | head -1)
if [ -n "$installer" ]; then
  echo "-- the installer, and its uninstaller leaving the user's data"
  cp "$installer" "$drive_c/setup.exe"
  wine 'C:\setup.exe' /S
  programs="$drive_c/Program Files/TarnToolkit"
  for file in bin/tarn.exe bin/tarn-toolkit.exe drives/default.json Uninstall.exe; do
    [ -f "$programs/$file" ] || fail "the installer left no $file"
  done
  [ -n "$(find "$drive_c" -path '*Start Menu*' -name 'TarnToolkit.lnk')" ] || fail "no Start-menu entry"
  wine "C:\\Program Files\\TarnToolkit\\Uninstall.exe" /S
  wait_for 30 eval '[ ! -e "$programs/bin/tarn-toolkit.exe" ]' || fail "the uninstaller left the programs"
  [ -n "$(ls -A "$drive_c/toolkit-data")" ] || fail "the uninstaller took the user's data"
fi
echo "wine window e2e: passed"
