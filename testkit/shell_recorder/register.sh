#!/bin/sh
# Registers record-open.sh as the web browser of a Wine prefix.
# Usage: register.sh <wine prefix>
# Uses the prefix's running wineserver if there is one; otherwise starts one and
# waits for it to end, so the registry is on disk when this script returns.
set -eu
prefix=${1:?usage: register.sh <wine prefix>}
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=$prefix WINEDEBUG=-all
export HOME=${HOME:-$prefix/home}
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ \
  /d "$here/record-open.sh" /f </dev/null >/dev/null 2>&1
/usr/lib/wine/wineserver -w
