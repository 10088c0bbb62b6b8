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
  chromium
)
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
