#!/usr/bin/env bash
# Configures and builds one variant: `native` (host g++) or `win64` (mingw-w64).
# Usage: scripts/build.sh native|win64 [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
variant=${1:?usage: build.sh native|win64}
shift
build_dir="$root/build/$variant"
args=(-S "$root" -B "$build_dir" -G Ninja -DVANTREL_WERROR=ON)
[[ "$variant" == win64 ]] && args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake")
# A compiler cache, where the machine has one, makes rebuilds and parallel work trees cheap.
if command -v ccache >/dev/null; then
  args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
[[ -f "$build_dir/build.ninja" ]] || cmake "${args[@]}" "$@" >/dev/null
cmake --build "$build_dir"
