#!/bin/sh
# AES-encrypted archives made by 7-Zip, for the reader's tests in both builds:
# the Windows tests run under Wine and cannot start the host's 7z, so the
# archives are made here on the host, at build time, with their plain files
# beside them.
# Usage: make_7z_fixtures.sh <7z program> <output folder>
set -eu
sevenzip=$1
out=$2
password='Vantrel-7z'

rm -rf "$out"
mkdir -p "$out/plain"
cd "$out/plain"
printf '<plist><dict><key>itemId</key><integer>%s</integer></dict></plist>\n' 284882215 > metadata.plist
# Compressible text of some 300 KB, and 70,001 bytes that do not compress: the
# same bytes in every build (a fixed seed), so a failure can be made again.
seq 1 40000 | sed 's/$/ lines of text for the deflater/' > text.txt
python3 -c 'import random, sys; sys.stdout.buffer.write(random.Random(7001).randbytes(70001))' > noise.bin
: > empty.txt

cd "$out"
for strength in 128 192 256; do
  for method in Copy Deflate; do
    "$sevenzip" a -tzip -bd -bso0 -mem=AES$strength -mm=$method -p"$password" \
      "aes$strength-$method.zip" ./plain/* >/dev/null
  done
done
printf '%s' "$password" > password.txt
touch done
