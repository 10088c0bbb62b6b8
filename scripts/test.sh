#!/usr/bin/env bash
# Builds every variant and runs every test: natively under AddressSanitizer and
# UndefinedBehaviorSanitizer, the tests of what runs more than one thread under
# ThreadSanitizer, a short run of the fuzz harnesses over their seeds, then the
# Windows build under Wine (unit tests and
# the end-to-end tests of the real window on a virtual display), after making
# the release packages in build/dist. Ends with the time of each stage.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Sanitizer reports name the whole call chain.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
# A data race ends the program, which fails the test.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1}

status=0
stage_names=()
stage_times=()
stage_results=()

# stage NAME COMMAND...: runs one stage, keeps its time and result.
stage() {
  local name=$1 start result=ok
  shift
  echo "=== $name"
  start=$SECONDS
  "$@" || { result=FAILED; status=1; }
  stage_names+=("$name")
  stage_times+=($((SECONDS - start)))
  stage_results+=("$result")
  [[ "$result" == ok ]]
}

summary() {
  local i total=0
  echo "=== stage times"
  for i in "${!stage_names[@]}"; do
    printf '  %-28s %4d s  %s\n' "${stage_names[$i]}" "${stage_times[$i]}" "${stage_results[$i]}"
    total=$((total + stage_times[i]))
  done
  printf '  %-28s %4d s (%d min %d s)\n' "all" "$total" $((total / 60)) $((total % 60))
}

# Ends the Windows build's wineserver and the virtual display its tests used.
stop_wine() {
  local prefix="$root/build/win64/wineprefix"
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  if [[ -s "$prefix.display-pid" ]]; then
    kill "$(cat "$prefix.display-pid")" >/dev/null 2>&1 || true
    rm -f "$prefix.display-pid" "$prefix.display"
  fi
}
trap stop_wine EXIT

# ctest_variant VARIANT [JOBS]: every test of a build, JOBS (2) at a time.
ctest_variant() {
  ctest --test-dir "$root/build/$1" --output-on-failure -j"${2:-2}" --timeout 600
}

# The ThreadSanitizer build holds only the service's tests (but the one in a
# real browser) and the platform's process and wait tests.
tsan_tests() {
  ctest --test-dir "$root/build/tsan" --output-on-failure -j2 --timeout 600 -L service -E '^CataloguePage\.' &&
    ctest --test-dir "$root/build/tsan" --output-on-failure -j2 --timeout 600 \
      -R '^(RunAndWait|DownloadToFileTest|AgentName|RunWaitLoop|SplitCommandLine|UnquoteFileName)\.'
}

stage "setup (packages)" "$root/scripts/setup.sh" || { summary; exit 1; }
# Every native test runs in the sanitizer build (the plain native build is for
# benchmarks and the inspector, and builds on demand); the fuzz harnesses are
# built in the same tree. All fuzz harnesses share FUZZ_SMOKE_SECONDS (default
# 60), two at a time.
if stage "sanitize: build" "$root/scripts/build.sh" sanitize; then
  stage "sanitize: test" ctest_variant sanitize
  stage "fuzz: smoke" "$root/scripts/fuzz.sh" smoke "${FUZZ_SMOKE_SECONDS:-60}"
fi
stage "tsan: build" "$root/scripts/build.sh" tsan && stage "tsan: test" tsan_tests
if stage "win64: build" "$root/scripts/build.sh" win64; then
  stage "win64: release packages" "$root/packaging/package.sh"
  # The Wine cases spend most of their time waiting (on a window, a timeout,
  # a service): on two cores four at a time took 207 s where two took 356 s.
  stage "win64: test (Wine)" ctest_variant win64 4
fi
summary
exit $status
