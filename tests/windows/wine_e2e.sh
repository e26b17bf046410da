#!/usr/bin/env bash
# tarn.exe under Wine against the virtual drive of the Linux build, through a
# COM port that the Wine prefix maps to the drive's pseudo-terminal: info,
# upload, download --verify, compare and a missing port, with the images of
# each build read by the other.
# Usage: wine_e2e.sh LINUX_TARN WINDOWS_TARN_EXE WORK_DIR
set -euo pipefail
tarn=$(realpath "$1")
tarn_exe=$(realpath "$2")
work=$3
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")

# A fresh prefix of our own, without a display and without Wine's chatter.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineboot -i >/dev/null 2>&1
# Each build's runs keep their settings in an INI profile of the test's own.
export TARN_PROFILE="$work/linux-profile.ini"
wine_profile='C:\tarn-profile.ini'
wine_tarn() { TARN_PROFILE="$wine_profile" wine "$tarn_exe" "$@"; }
fail() {
  echo "wine e2e: $*" >&2
  exit 1
}
# The same text whatever line ends it was printed with, without the file's name.
unix_text() { tr -d '\r' | grep -v '^  "file": '; }

exec {sim_out}< <(exec "$tarn" sim --link "$work/drive")
sim=$!
stop() {
  kill -TERM "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
}
trap stop EXIT
read -r device <&"$sim_out"
[ -e "$device" ] || fail "the virtual drive did not start"
ln -sf "$device" "$WINEPREFIX/dosdevices/com5"
drive_c=$WINEPREFIX/drive_c

echo "-- info through COM5"
wine_tarn info --port 5 >"$work/info.out" 2>"$work/info.err" || fail "info: $(cat "$work/info.err")"
unix_text <"$work/info.out" | grep -q '^Port: *5$' || fail "info printed: $(cat "$work/info.out")"

echo "-- upload by both builds from the same drive"
"$tarn" upload "$work/linux.tkw" --port "$device" --yes >/dev/null 2>&1 || fail "Linux upload"
mkdir -p "$drive_c/資料"
wine_tarn upload 'C:\資料\windows.tkw' --port 5 --yes >"$work/upload.out" 2>&1 ||
  fail "upload: $(cat "$work/upload.out")"
[ -f "$drive_c/資料/windows.tkw" ] || fail "no image in the Chinese-named folder"
"$tarn" inspect --json "$work/linux.tkw" | unix_text >"$work/linux.json"
"$tarn" inspect --json "$drive_c/資料/windows.tkw" | unix_text >"$work/windows.json"
cmp -s "$work/linux.json" "$work/windows.json" ||
  fail "the images differ: $(diff "$work/linux.json" "$work/windows.json" | head -20)"

echo "-- each build reads the other's image"
cp "$work/linux.tkw" "$drive_c/linux.tkw"
wine_tarn inspect --json 'C:\linux.tkw' | unix_text >"$work/linux-by-windows.json"
cmp -s "$work/linux.json" "$work/linux-by-windows.json" ||
  fail "tarn.exe reads the Linux image otherwise: $(diff "$work/linux.json" "$work/linux-by-windows.json" | head -20)"
"$tarn" diff "$work/linux.tkw" "$drive_c/資料/windows.tkw" >/dev/null || fail "tarn diff finds differences"

echo "-- download --verify of the Linux image, then compare"
wine_tarn download 'C:\linux.tkw' --port 5 --yes --verify >"$work/download.out" 2>&1 ||
  fail "download: $(cat "$work/download.out")"
wine_tarn compare 'C:\資料\windows.tkw' --port 5 >"$work/compare.out" 2>&1 ||
  fail "compare: $(cat "$work/compare.out")"

echo "-- an upload over an existing image replaces it whole"
wine_tarn upload 'C:\資料\windows.tkw' --port 5 --yes >"$work/reupload.out" 2>&1 ||
  fail "upload over an image: $(cat "$work/reupload.out")"
"$tarn" inspect --json "$drive_c/資料/windows.tkw" | unix_text >"$work/windows-again.json"
cmp -s "$work/linux.json" "$work/windows-again.json" || fail "the replaced image differs"
[ -z "$(find "$drive_c/資料" -name '.*')" ] || fail "a temporary file was left: $(ls -a "$drive_c/資料")"

echo "-- a port that does not exist; the profile in the registry, a port given on the command line not remembered"
set +e
wine_profile='' wine_tarn info --port 9 >"$work/missing.out" 2>"$work/missing.err"
status=$?
set -e
[ "$status" -eq 1 ] || fail "info on a missing port ended with $status"
grep -q 'There is no port COM9' "$work/missing.err" || fail "missing port: $(cat "$work/missing.err")"
# The registry reaches user.reg once the Wine server has ended.
timeout 60 wineserver -w || true
sed -n '/^\[Software\\\\.*AppWizard .*\\\\tarn\\\\ROZ_COMM\]/,/^$/p' "$WINEPREFIX/user.reg" >"$work/profile.reg"
grep -q '^"Station"=' "$work/profile.reg" ||
  fail "no Station in the registry profile: $(grep -n ROZ_COMM "$WINEPREFIX/user.reg")"
if grep -q '"ComPortSel"' "$work/profile.reg"; then fail "a port given on the command line was remembered"; fi

echo "-- a drive that goes off the line mid-transfer, as on Linux"
exec {gone_out}< <(exec "$tarn" sim --link "$work/gone" --vanish-after 30 2>"$work/gone-sim.err")
gone=$!
read -r gone_device <&"$gone_out"
ln -sf "$gone_device" "$WINEPREFIX/dosdevices/com6"
set +e
wine_tarn upload 'C:\gone.tkw' --port 6 --yes >"$work/gone.out" 2>"$work/gone.err"
status=$?
set -e
kill -TERM "$gone" 2>/dev/null || true
wait "$gone" 2>/dev/null || true
[ "$status" -eq 1 ] || fail "an upload from a vanished drive ended with $status"
grep -q '^tarn: the upload failed: Comm port read Error !' "$work/gone.err" ||
  fail "vanished drive: $(grep '^tarn' "$work/gone.err")"

echo "-- tarn.exe sim refuses"
set +e
wine_tarn sim >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 2 ] || fail "tarn.exe sim ended with $status"
echo "wine e2e: passed"
