#!/usr/bin/env bash
# Builds both variants and runs every test: natively, then the Windows build under
# Wine (unit tests and the end-to-end tests of the real window on a virtual display),
# after making the release packages in build/dist.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" || exit 1

status=0
run_variant() {
  local variant=$1
  echo "=== $variant: build"
  "$root/scripts/build.sh" "$variant" || { status=1; return; }
  if [[ "$variant" == win64 ]]; then
    echo "=== win64: release packages (build/dist)"
    "$root/scripts/package.sh" || status=1
  fi
  echo "=== $variant: test"
  ctest --test-dir "$root/build/$variant" --output-on-failure -j2 --timeout 600 || status=1
}

# Ends the Windows build's wineserver and the virtual display its tests used.
stop_wine() {
  local prefix="$root/build/win64/wineprefix"
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  if [[ -s "$prefix.display" ]]; then
    pkill -f "Xvfb :$(cat "$prefix.display") " >/dev/null 2>&1 || true
  fi
}
trap stop_wine EXIT

run_variant native
run_variant win64
exit $status
