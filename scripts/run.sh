#!/usr/bin/env bash
# Builds the Windows program and runs the demo: vantrel.exe under Wine in a
# private prefix (build/demo/prefix) with a small iTunes library, the stand-in
# converter installed where the program looks for plutil.exe, the stand-in
# store (vantrel-store-standin, listing three of the four demo apps with
# generated icons) and the catalogue service on a free loopback port, standing as
# the program's HTTP proxy and looking the apps up at the stand-in store.
#
# With an X display the window opens there: select apps, click the button, and
# the service's page opens in your browser. Everything started here stops when
# the window closes.
# Without one the demo drives itself on a virtual display: Select all, the
# button; it prints the address the shell was asked to open and the paths of a
# screenshot before and after and of the page in light, dark and print, and
# ends (exit status 0, or 1 with a message).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/win64"
demo="$root/build/demo"
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
recorder="$root/testkit/shell_recorder/record-open.sh"

say() { echo "run: $*"; }
fail() {
  echo "run: $*" >&2
  exit 1
}

"$root/scripts/setup.sh"
mkdir -p "$demo/home"
say "building the Windows program in build/win64 (log: build/demo/build.log)"
# Only what the demo runs: the program, the service, the stand-ins (converter, store) and the driver.
VANTREL_BUILD_TARGETS="vantrel vantrel-catalogue plutil vantrel-store-standin vantrel-driver" \
  "$root/scripts/build.sh" win64 >"$demo/build.log" 2>&1 || {
  tail -n 30 "$demo/build.log" >&2
  fail "the build failed; the whole log is in $demo/build.log"
}

# Wine keeps the user's HOME (the browser it starts is the user's own); the
# prefix's user folders were made inside build/demo, and no menu entries or
# file associations are written.
export WINEPREFIX="$demo/prefix" WINEDEBUG=-all LANG=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The user folders of the prefix link into build/demo/home; Music becomes a
# real folder of the prefix, so the demo library can never land in the user's
# own music folder.
make_prefix() {
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    say "creating the demo Wine prefix build/demo/prefix (once, about a minute)"
    HOME="$demo/home" DISPLAY= "$wine" wineboot -i </dev/null >"$demo/wineboot.log" 2>&1 || true
    HOME="$demo/home" "$server" -w
    [[ -f "$WINEPREFIX/system.reg" ]] || fail "Wine could not create the prefix (see $demo/wineboot.log)"
  fi
  local music target
  for music in "$WINEPREFIX"/drive_c/users/*/Music; do
    [[ -L "$music" ]] || continue
    target=$(readlink -f "$music" || true)
    rm "$music"
    mkdir "$music"
    if [[ -n "$target" && -d "$target" ]]; then cp -a "$target/." "$music/"; fi
  done
  return 0
}

# Headless runs register the shell recorder as the prefix's browser; with a
# display Wine's own browser handling is restored.
set_browser() {
  local registered=no
  grep -qF "$recorder" "$WINEPREFIX/user.reg" 2>/dev/null && registered=yes
  if [[ $1 == recorder && $registered == no ]]; then
    "$root/testkit/shell_recorder/register.sh" "$WINEPREFIX"
  elif [[ $1 == default && $registered == yes ]]; then
    "$wine" reg delete 'HKCU\Software\Wine\WineBrowser' /v Browsers /f </dev/null >/dev/null 2>&1 || true
    "$server" -w
  fi
}

install_converter() {
  # CommonProgramFiles of a 64-bit program in the prefix, as ConverterPath uses it.
  local folder="$WINEPREFIX/drive_c/Program Files/Common Files/Apple/Apple Application Support"
  mkdir -p "$folder"
  cp -f "$build/testkit/plutil/plutil.exe" "$folder/plutil.exe"
}

xvfb_pid=
store_pid=
service_pid=
program_pid=
cleanup() {
  set +e
  local pid
  for pid in $program_pid $service_pid $store_pid; do kill "$pid" 2>/dev/null; done
  "$server" -k >/dev/null 2>&1
  for pid in $program_pid $service_pid $store_pid; do wait "$pid" 2>/dev/null; done
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb() {
  local number_file="$demo/xvfb.display"
  rm -f "$number_file"
  Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >"$number_file" 2>"$demo/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s "$number_file" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start (see $demo/xvfb.log)"
    sleep 0.1
  done
  [[ -s "$number_file" ]] || fail "Xvfb gave no display number"
  export DISPLAY=":$(head -n 1 "$number_file")"
  say "virtual display $DISPLAY"
}

# The stand-in store on a free loopback port; the store's lookups of the
# service go there, and the page's icons come from it.
start_store() {
  local port_file="$demo/store-port"
  rm -f "$port_file"
  python3 "$root/testkit/demo/store_records.py" "$demo/store-records.txt"
  "$wine" "$build/testkit/store_standin/vantrel-store-standin.exe" --records "$(winepath_of "$demo/store-records.txt")" \
    --port-file "$(winepath_of "$port_file")" </dev/null >"$demo/store.log" 2>&1 &
  store_pid=$!
  for _ in $(seq 300); do
    [[ -s "$port_file" ]] && break
    kill -0 "$store_pid" 2>/dev/null || fail "the stand-in store did not start (see $demo/store.log)"
    sleep 0.1
  done
  [[ -s "$port_file" ]] || fail "the stand-in store gave no port"
  store_url="http://127.0.0.1:$(tr -dc 0-9 <"$port_file")"
  say "stand-in store on $store_url (requests: build/demo/store.log)"
}

# A Linux path as the Windows programs see it (Wine maps Z: to /).
winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

start_catalogue() {
  local port
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  page_base="http://127.0.0.1:$port"
  proxy="http://127.0.0.1:$port"
  # --any-host: the demo uses the service as the program's proxy, whatever host it asks for.
  # The store country is Germany, as the demo's program speaks German.
  "$wine" "$build/service/vantrel-catalogue.exe" --port "$port" --page-base "$page_base" --any-host \
    --lookup-url "$store_url/lookup" --country de \
    </dev/null >"$demo/catalogue.log" 2>&1 &
  service_pid=$!
  for _ in $(seq 300); do
    (: <"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    kill -0 "$service_pid" 2>/dev/null || fail "the catalogue service did not start (see $demo/catalogue.log)"
    sleep 0.1
  done
  (: <"/dev/tcp/127.0.0.1/$port") 2>/dev/null || fail "the catalogue service does not answer on port $port"
  say "catalogue service on $page_base (requests: build/demo/catalogue.log)"
}

# The program's environment: the service as its HTTP proxy, the recorder's file.
run_program() {
  env -u no_proxy -u NO_PROXY -u HTTP_PROXY http_proxy="$proxy" VANTREL_SHELL_RECORD="$demo/shell-open.log" \
    "$wine" "$build/app/vantrel.exe" "$@"
}

headless=yes
if [[ -n "${DISPLAY:-}" ]]; then
  if xdpyinfo >/dev/null 2>&1; then
    headless=no
  else
    say "the display $DISPLAY cannot be opened; running the demo on a virtual display"
    unset DISPLAY
  fi
fi

make_prefix
python3 "$root/testkit/demo/make_demo_library.py" "$WINEPREFIX" | sed 's/^/run: /'
install_converter
if [[ $headless == yes ]]; then set_browser recorder; else set_browser default; fi
[[ $headless == yes ]] && start_xvfb
# One wineserver for the whole demo; the first program starts the prefix's
# services with quiet output, so none of them holds this script's output open.
"$server" -p60 </dev/null >/dev/null 2>&1 || true
"$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
start_store
start_catalogue

if [[ $headless == no ]]; then
  say "select apps and click the button; the page opens in your browser. Close the window to end."
  run_program </dev/null >"$demo/vantrel.log" 2>&1 || true
  say "the program ended; catalogue service and Wine stopped"
  exit 0
fi

rm -f "$demo/shell-open.log" "$demo/vantrel-before.png" "$demo/vantrel-after.png"
run_program </dev/null >"$demo/vantrel.log" 2>&1 &
program_pid=$!
python3 "$root/testkit/demo/drive_demo.py" --driver "$build/testkit/test_driver/vantrel-driver.exe" \
  --record "$demo/shell-open.log" --shots "$demo" --requests "$demo/catalogue.log" \
  --node-modules "$root/build/npm/node_modules" ||
  fail "see build/demo/vantrel.log and build/demo/catalogue.log"
