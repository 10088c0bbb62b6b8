#!/usr/bin/env bash
# Configures and builds one variant: `native` (host g++), `win64` (mingw-w64),
# `sanitize` (host g++, ASan + UBSan, every native test) or `fuzz` (clang,
# the libFuzzer harnesses of fuzz/ and their seeds).
# Usage: scripts/build.sh native|win64|sanitize|fuzz [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
variant=${1:?usage: build.sh native|win64|sanitize|fuzz}
shift
build_dir="$root/build/$variant"
args=(-S "$root" -B "$build_dir" -G Ninja -DVANTREL_WERROR=ON)
case "$variant" in
  native) ;;
  win64) args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake") ;;
  sanitize) args+=(-DVANTREL_SANITIZE=ON -DVANTREL_BUILD_BENCH=OFF) ;;
  fuzz) args+=(-DVANTREL_FUZZ=ON -DBUILD_TESTING=OFF -DVANTREL_BUILD_BENCH=OFF
               -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "build.sh: unknown variant $variant" >&2; exit 2 ;;
esac
# A compiler cache, where the machine has one, makes rebuilds and parallel work trees cheap.
if command -v ccache >/dev/null; then
  args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
[[ -f "$build_dir/build.ninja" ]] || cmake "${args[@]}" "$@" >/dev/null
cmake --build "$build_dir"
