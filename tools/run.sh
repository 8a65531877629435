#!/usr/bin/env bash
# Builds the installer and runs it under Wine. With DISPLAY set it opens on that display and
# waits for you; without one it runs on a virtual screen, saves a screenshot of the window to
# build-run/screenshot.png and closes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QV_BUILD_DIR:-build-run}

if [ "$(id -u)" = 0 ]; then bash tools/setup.sh; else sudo bash tools/setup.sh; fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target QuorvaneSetup -j"$(nproc)"
exe="$(pwd)/dist/QuorvaneSetup.exe"

if [ -n "${DISPLAY:-}" ]; then
  RIG_SCREEN="$DISPLAY" tools/rig up "$build"
  trap 'tools/rig down "$build"' EXIT
  set +e
  tools/rig exec "$build" wine "$exe"
  code=$?
  echo "installer exit code: $code"
  exit "$code"
fi

trap 'tools/rig down "$build"' EXIT
tools/rig up "$build"
eval "$(tools/rig env "$build" | grep '^DISPLAY=')"
export DISPLAY
tools/rig exec "$build" wine "$exe" </dev/null >/dev/null 2>&1 &
runner=$!
window=""
for _ in $(seq 120); do
  window=$(xdotool search --name 'Quorvane' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || { echo "the installer window did not appear" >&2; exit 1; }
sleep 2
import -window root "$build/screenshot.png"
convert "$build/screenshot.png" -crop 342x131+341+318 +repage "$build/window.png"
echo "screenshot: $build/screenshot.png (window: $build/window.png)"
xdotool windowfocus --sync "$window" key Escape
set +e
wait "$runner"
code=$?
echo "installer exit code: $code"
exit "$code"
