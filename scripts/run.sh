#!/usr/bin/env bash
# Builds the Windows program and runs it under Wine in a private demo prefix.
# With an X display the window opens there and the script waits until it closes.
# Without one it runs on a virtual display, saves a screenshot, prints its path and ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" win64 >/dev/null

build="$root/build/win64"
demo="$root/build/demo"
export WINEPREFIX="$demo/prefix" WINEDEBUG=-all LANG=C.UTF-8 HOME="$demo/home"
mkdir -p "$demo" "$HOME"
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "run: creating the demo Wine prefix (once)"
  /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w
fi

xvfb_pid=
cleanup() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

if [[ -z "${DISPLAY:-}" ]]; then
  for n in $(seq 90 120); do [[ -e /tmp/.X11-unix/X$n ]] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  sleep 1
  /usr/lib/wine/wine64 "$build/app/vantrel.exe" >/dev/null 2>&1 &
  sleep 8
  shot="$demo/vantrel-window.png"
  import -window root "$shot"
  echo "run: screenshot of the window: $shot"
else
  /usr/lib/wine/wine64 "$build/app/vantrel.exe"
fi
