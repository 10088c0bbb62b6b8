#!/usr/bin/env bash
# Builds every variant and runs every test: natively, natively again under
# AddressSanitizer and UndefinedBehaviorSanitizer, a short run of each fuzz
# harness over its seeds, then the Windows build under Wine (unit tests and
# the end-to-end tests of the real window on a virtual display), after making
# the release packages in build/dist.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Sanitizer reports name the whole call chain.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
"$root/scripts/setup.sh" || exit 1

status=0
run_variant() {
  local variant=$1
  echo "=== $variant: build"
  "$root/scripts/build.sh" "$variant" || { status=1; return; }
  if [[ "$variant" == win64 ]]; then
    echo "=== win64: release packages (build/dist)"
    "$root/packaging/package.sh" || status=1
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

# Seconds each fuzz harness runs in the smoke (FUZZ_SMOKE_SECONDS overrides).
fuzz_smoke() {
  echo "=== fuzz: build"
  "$root/scripts/build.sh" fuzz || { status=1; return; }
  echo "=== fuzz: smoke over the seeds"
  "$root/scripts/fuzz.sh" smoke "${FUZZ_SMOKE_SECONDS:-30}" || status=1
}

run_variant native
run_variant sanitize
fuzz_smoke
run_variant win64
exit $status
