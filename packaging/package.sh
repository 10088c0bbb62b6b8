#!/usr/bin/env bash
# Makes the Windows release artefacts from the win64 build, in build/dist:
#   vantrel-<version>-x64.msi           Windows Installer package (per machine), with
#                                       the catalogue service
#   vantrel-<version>-x64-portable.zip  vantrel.exe, vantrel-catalogue.exe, README.txt,
#                                       LICENSE.txt
#   vantrel.debug                       debugging information of those programs;
#   vantrel-catalogue.debug             not shipped, put it beside the program to debug
#   SHA256SUMS                          checksums of the four
# Both packages hold the same stripped programs, each naming its debugging file
# (with its checksum) for the debugger. The same commit gives the same bytes:
# every time stamp is SOURCE_DATE_EPOCH, by default the commit's time.
#
# Signing (Authenticode, with osslsigncode) happens only when a certificate is
# given, never from the repository: VANTREL_SIGN_PKCS12 (a .p12/.pfx file, its
# password in VANTREL_SIGN_PASSWORD if it has one), or VANTREL_SIGN_CERT and
# VANTREL_SIGN_KEY (PEM files). VANTREL_SIGN_TIMESTAMP names the maintainer's
# timestamp server (none by default). The two programs are signed before they
# are packed, the installer after. Without a certificate nothing is signed and
# the artefacts are the reproducible ones.
#
# Usage: packaging/package.sh [--build DIR] [--out DIR]
#   --build  the win64 build folder (default build/win64; built here if needed)
#   --out    where the artefacts go (default build/dist; replaced, if it holds
#            nothing else)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/win64"
out="$root/build/dist"
mingw=x86_64-w64-mingw32

fail() {
  echo "package: $*" >&2
  exit 1
}

while (($#)); do
  case $1 in
    --build) build=$(realpath -m "${2:?--build needs a folder}"); shift 2 ;;
    --out) out=$(realpath -m "${2:?--out needs a folder}"); shift 2 ;;
    *) fail "unknown argument $1 (usage: packaging/package.sh [--build DIR] [--out DIR])" ;;
  esac
done

"$root/scripts/setup.sh"
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
    fail "not a git checkout: set SOURCE_DATE_EPOCH"
fi
export SOURCE_DATE_EPOCH

build_program() {
  if [[ ! -f "$build/build.ninja" ]]; then
    [[ "$build" == "$root/build/win64" ]] || fail "$build is not a configured build folder"
    "$root/scripts/build.sh" win64
  fi
  cmake --build "$build" --target vantrel vantrel-catalogue
}

# The program without symbols or debugging information, and that information in
# a file of its own, which the program names in its .gnu_debuglink section.
# objcopy stamps the PE header it writes with SOURCE_DATE_EPOCH.
split_debug_information() {
  local exe=$1 name
  name=$(basename "$exe" .exe)
  "$mingw-objcopy" --only-keep-debug "$exe" "$stage/$name.debug"
  "$mingw-objcopy" --strip-all "$exe" "$stage/files/$name.exe"
  (cd "$stage" && "$mingw-objcopy" --add-gnu-debuglink="$name.debug" "files/$name.exe")
}

# The signer's certificate options, or nothing when no certificate is given.
signing_options() {
  if [[ -n "${VANTREL_SIGN_PKCS12:-}" ]]; then
    printf '%s\n' -pkcs12 "$VANTREL_SIGN_PKCS12"
    [[ -z "${VANTREL_SIGN_PASSWORD:-}" ]] || printf '%s\n' -pass "$VANTREL_SIGN_PASSWORD"
  elif [[ -n "${VANTREL_SIGN_CERT:-}" || -n "${VANTREL_SIGN_KEY:-}" ]]; then
    [[ -n "${VANTREL_SIGN_CERT:-}" && -n "${VANTREL_SIGN_KEY:-}" ]] ||
      fail "VANTREL_SIGN_CERT and VANTREL_SIGN_KEY go together"
    printf '%s\n' -certs "$VANTREL_SIGN_CERT" -key "$VANTREL_SIGN_KEY"
    [[ -z "${VANTREL_SIGN_PASSWORD:-}" ]] || printf '%s\n' -pass "$VANTREL_SIGN_PASSWORD"
  fi
}

# Signs FILE in place (a program or the installer) when a certificate is given.
sign() {
  local file=$1 options
  mapfile -t options < <(signing_options)
  ((${#options[@]})) || return 0
  command -v osslsigncode >/dev/null || fail "signing needs osslsigncode"
  [[ -z "${VANTREL_SIGN_TIMESTAMP:-}" ]] || options+=(-t "$VANTREL_SIGN_TIMESTAMP")
  osslsigncode sign "${options[@]}" -h sha256 -n "Vantrel" \
    -in "$file" -out "$file.signed" >"$stage/sign.log" 2>&1 || { cat "$stage/sign.log" >&2; fail "signing $file failed"; }
  mv -f "$file.signed" "$file"
}

# wixl stamps the package with the clock and a random package code: the clock
# is frozen at SOURCE_DATE_EPOCH, and the package code is replaced by one made
# from the package's inputs. wixl also marks every custom action deferred
# (type flag 0x800); the ones that set a property must run at once (type 51).
make_msi() {
  local msi=$1 codes product package when
  codes=$(python3 "$root/packaging/release_files.py" codes "$root/packaging/vantrel.wxs" \
    "$version" "${shipped[@]/#/$stage/files/}")
  read -r product package <<<"$codes"
  when=$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')
  # wixl takes file sources relative to the folder it runs in.
  (cd "$stage" && TZ=UTC faketime -f "$when" wixl -a x64 -D Version="$version" -D ProductCode="$product" \
    -D SourceDir=files -o "$msi" "$root/packaging/vantrel.wxs" 2>"$stage/wixl.log") ||
    { cat "$stage/wixl.log" >&2; fail "wixl failed"; }
  TZ=UTC faketime -f "$when" msibuild "$msi" \
    -q "UPDATE \`CustomAction\` SET \`Type\` = 51 WHERE \`Action\` = 'RepairWhenInstalledAgain'" \
    -q "UPDATE \`CustomAction\` SET \`Type\` = 51 WHERE \`Action\` = 'CatalogueArgsNoLookup'" \
    -q "UPDATE \`CustomAction\` SET \`Type\` = 51 WHERE \`Action\` = 'CatalogueArgsCountry'" \
    -q "UPDATE \`CustomAction\` SET \`Type\` = 51 WHERE \`Action\` = 'CatalogueArgsLookupUrl'" \
    -s "Vantrel $version" "The Vantrel developers" "x64;1033" "{$package}"
}

# The artefacts are made in the staging folder and only then replace the
# output folder's, so a failed run leaves no half set. The output folder is
# emptied only when it holds nothing but artefacts of this script.
publish() {
  local other
  if [[ -d "$out" ]]; then
    other=$(find "$out" -mindepth 1 -maxdepth 1 ! -name 'vantrel-*' ! -name vantrel.debug ! -name SHA256SUMS | head -n 1)
    [[ -z "$other" ]] || fail "$out holds $other, which this script did not make: give an empty or new folder"
    rm -rf "$out"
  fi
  mkdir -p "$out"
  cp "${artefacts[@]/#/$stage/}" "$stage/SHA256SUMS" "$out/"
}

build_program
version=$(cat "$build/generated/version.txt")
[[ -n "$version" ]] || fail "no version in $build/generated/version.txt"
stage="$build/package"
artefacts=("vantrel-$version-x64.msi" "vantrel-$version-x64-portable.zip" vantrel.debug vantrel-catalogue.debug)
shipped=(vantrel.exe vantrel-catalogue.exe README.txt LICENSE.txt)
rm -rf "$stage"
mkdir -p "$stage/files"
split_debug_information "$build/app/vantrel.exe"
split_debug_information "$build/service/vantrel-catalogue.exe"
sign "$stage/files/vantrel.exe"
sign "$stage/files/vantrel-catalogue.exe"
python3 "$root/packaging/release_files.py" texts "$root" "$stage/files"
touch -d "@$SOURCE_DATE_EPOCH" "$stage/files"/*
python3 "$root/packaging/release_files.py" zip "$stage/${artefacts[1]}" "$stage/files" "${shipped[@]}"
make_msi "$stage/${artefacts[0]}"
sign "$stage/${artefacts[0]}"
(cd "$stage" && sha256sum "${artefacts[@]}" >SHA256SUMS)
publish
echo "package: ${artefacts[*]} SHA256SUMS in $out"
