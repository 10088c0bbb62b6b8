#!/usr/bin/env bash
# Configures and builds one variant: `native` (host g++), `win64` (mingw-w64),
# `sanitize` (clang, ASan + UBSan: every native test, and the libFuzzer
# harnesses of fuzz/ with their seeds; `fuzz` is another name for it) or `tsan`
# (host g++, ThreadSanitizer: what runs more than one thread, the catalogue
# service and its tests and the platform's process and wait tests).
# Usage: scripts/build.sh native|win64|sanitize|tsan|fuzz [extra cmake arguments...]
# VANTREL_BUILD_TARGETS (space-separated) builds only those targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
variant=${1:?usage: build.sh native|win64|sanitize|tsan|fuzz}
shift
[[ "$variant" == fuzz ]] && variant=sanitize
build_dir="$root/build/$variant"
args=(-S "$root" -B "$build_dir" -G Ninja -DVANTREL_WERROR=ON)
case "$variant" in
  native) ;;
  win64) args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake") ;;
  # The sanitizer build runs tests and harnesses only: light optimisation and
  # line tables (enough for the reports' call chains) compile in about half the
  # time. One tree holds both, so the product is compiled once for them.
  sanitize) args+=(-DVANTREL_SANITIZE=ON -DVANTREL_FUZZ=ON -DVANTREL_BUILD_BENCH=OFF
                   -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Sanitize
                   "-DCMAKE_CXX_FLAGS_SANITIZE=-O1 -g1" "-DCMAKE_C_FLAGS_SANITIZE=-O1 -g1") ;;
  tsan) args+=(-DVANTREL_TSAN=ON -DVANTREL_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Sanitize
                "-DCMAKE_CXX_FLAGS_SANITIZE=-O1 -g1" "-DCMAKE_C_FLAGS_SANITIZE=-O1 -g1")
        VANTREL_BUILD_TARGETS=${VANTREL_BUILD_TARGETS:-tests_service platform_process_tests platform_io_tests} ;;
  *) echo "build.sh: unknown variant $variant" >&2; exit 2 ;;
esac
# A compiler cache, where the machine has one, makes rebuilds and parallel work trees cheap.
# The tests' precompiled header is cached too when the cache may ignore its time stamps.
if command -v ccache >/dev/null; then
  args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
fi
args+=("$@")
# Configures again whenever the arguments differ from the last configuration's,
# so extra CMake arguments on a later call take effect; the configuration's
# output is shown when it fails.
record="$build_dir/.configured-with"
wanted=$(printf '%s\n' "${args[@]}")
if [[ ! -f "$build_dir/build.ninja" || "$(cat "$record" 2>/dev/null)" != "$wanted" ]]; then
  mkdir -p "$build_dir"
  rm -f "$record"
  if ! log=$(cmake "${args[@]}" 2>&1); then
    printf '%s\n' "$log" >&2
    echo "build.sh: configuring $variant failed" >&2
    exit 1
  fi
  printf '%s\n' "$wanted" >"$record"
fi
cmake --build "$build_dir" ${VANTREL_BUILD_TARGETS:+--target $VANTREL_BUILD_TARGETS}
