#!/usr/bin/env bash
# Installs everything a fresh Debian machine needs to build and test Vantrel.
# Idempotent: quiet and quick when all packages are already there.
set -euo pipefail

# What the build and the tests use; `setup.sh bench` adds what the benchmarks
# run beside them (peers, timers).
packages=(
  build-essential cmake ninja-build python3
  libgtest-dev googletest zlib1g-dev libcurl4-openssl-dev libssl-dev nlohmann-json3-dev p7zip-full
  g++-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 xvfb x11-utils imagemagick
  zip libarchive-tools
  wixl msitools faketime osslsigncode openssl
  clang libclang-rt-14-dev
  chromium nodejs
)
# npm comes with some builds of nodejs; Debian's own is a package of its own.
command -v npm >/dev/null || packages+=(npm)
if [[ "${1:-}" == bench ]]; then
  packages+=(hyperfine time unzip libzip-dev)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The npm packages that drive Debian's Chromium for the page check and the
# demo's page shots (puppeteer-core, axe-core), exactly as locked, in
# build/npm; installed again only when the lock file changes.
root=$(cd "$(dirname "$0")/.." && pwd)
lock="$root/testkit/browser/package-lock.json"
npm_dir="$root/build/npm"
if ! cmp -s "$lock" "$npm_dir/package-lock.json" || [[ ! -d "$npm_dir/node_modules" ]]; then
  echo "setup: installing the browser tools' npm packages into build/npm"
  rm -rf "$npm_dir"
  mkdir -p "$npm_dir"
  cp "$root/testkit/browser/package.json" "$lock" "$npm_dir/"
  (cd "$npm_dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null)
fi
