#!/usr/bin/env bash
# Runs a Windows program under Wine with a private prefix inside the build folder.
# The prefix is created once per build and then reused by every run. One
# wineserver is kept alive between runs (each cold start costs seconds); it and
# the services Wine starts with it get redirected output, so they never hold the
# caller's pipes open after the program has ended.
set -euo pipefail
build_dir=${VANTREL_BUILD_DIR:-$(pwd)}
while [[ ! -f "$build_dir/CMakeCache.txt" && "$build_dir" != / ]]; do
  build_dir=$(dirname "$build_dir")
done
# Outside a build folder the prefix lives in the user's cache, never at "/".
[[ -f "$build_dir/CMakeCache.txt" ]] || build_dir=${XDG_CACHE_HOME:-$HOME/.cache}/vantrel
mkdir -p "$build_dir"
export WINEPREFIX=${WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=${VANTREL_WINE_LANG:-C.UTF-8}
export HOME=${VANTREL_WINE_HOME:-$WINEPREFIX/home}
# Programs under test talk to servers on the loopback, directly or through a
# proxy the test itself names: the machine's own proxy settings stay out.
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
mkdir -p "$HOME"
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

# Windows that tests open need a display. Without one, the build keeps one
# virtual display for all its runs: a wineserver binds its desktop to the
# display it first saw, so a display per run would leave later runs without one.
# Xvfb picks a free display number itself (-displayfd), so two builds started at
# once never take the same one; its process id is kept beside the number, and
# that process alone is ended when the build's tests are done.
start_build_display() {
  local record="$WINEPREFIX.display" pid_record="$WINEPREFIX.display-pid" number_file n pid
  if [[ -s "$record" && -s "$pid_record" ]]; then
    n=$(cat "$record")
    pid=$(cat "$pid_record")
    if kill -0 "$pid" 2>/dev/null && [[ -e "/tmp/.X11-unix/X$n" ]]; then
      return
    fi
  fi
  number_file=$(mktemp)
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" </dev/null >/dev/null 2>&1 9>&- &
  pid=$!
  for _ in $(seq 1 100); do
    [[ -s "$number_file" ]] && break
    sleep 0.1
  done
  n=$(tr -dc 0-9 <"$number_file")
  rm -f "$number_file"
  [[ -n "$n" ]] || { echo "wine-run: Xvfb did not start" >&2; return 1; }
  echo "$pid" >"$pid_record"
  echo "$n" >"$record"
}

(
  flock 9
  if [[ -z "${DISPLAY:-}" ]] && command -v Xvfb >/dev/null; then
    start_build_display
    export DISPLAY=":$(cat "$WINEPREFIX.display")"
  fi
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    "$wine" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    "$server" -w 9>&- || true
  fi
  # Exit status 0: no server was running and one was started now.
  if "$server" -p"${VANTREL_WINESERVER_LINGER:-120}" </dev/null >/dev/null 2>&1 9>&-; then
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$WINEPREFIX.lock"
if [[ -z "${DISPLAY:-}" && -s "$WINEPREFIX.display" ]]; then
  export DISPLAY=":$(cat "$WINEPREFIX.display")"
fi
exec "$wine" "$@"
