#!/usr/bin/env bash
# Runs a Windows program under Wine with a private prefix inside the build folder.
# The prefix is created once per build (under a lock, so parallel tests wait for
# the first one) and then reused by every run.
set -euo pipefail
build_dir=${VANTREL_BUILD_DIR:-$(pwd)}
while [[ ! -f "$build_dir/CMakeCache.txt" && "$build_dir" != / ]]; do
  build_dir=$(dirname "$build_dir")
done
export WINEPREFIX=${WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=${VANTREL_WINE_LANG:-C.UTF-8}
export HOME=${VANTREL_WINE_HOME:-$WINEPREFIX/home}
mkdir -p "$HOME"
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  (
    flock 9
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
      /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 </dev/null || true
      /usr/lib/wine/wineserver -w || true
    fi
  ) 9>"$build_dir/wineprefix.lock"
fi
exec /usr/lib/wine/wine64 "$@"
