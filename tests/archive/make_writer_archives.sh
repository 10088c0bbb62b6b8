#!/bin/sh
# Archives made by real writers, for the reader's name tests in both builds:
# run as a test on the host before them, so that the Windows tests under Wine,
# which cannot start the host's programs, read the same files.
#   infozip.zip        Info-ZIP zip: UTF-8 names with bit 11 clear
#   bsdtar-utf8.zip    bsdtar: UTF-8 names with bit 11 set, data descriptors
#   bsdtar-cp437.zip   bsdtar: names in code page 437 (OEM), bit 11 clear
#   7z.zip             7-Zip: UTF-8 names with bit 11 set
#   python.zip         Python's zipfile: UTF-8 names with bit 11 set; the last
#                      member's comment ends in 20 bytes that look like a zip64
#                      locator pointing at the first local header
# Every member holds its own name (UTF-8), so that a test can tell which
# member a name reached.
# Usage: make_writer_archives.sh <output folder>
set -eu
out=$1
rm -rf "$out"
mkdir -p "$out/files"
cd "$out/files"
for name in plain.txt 'Über.txt' 'é─.txt' 'Σ.txt' 'τ.txt' '世界.txt'; do
  printf '%s' "$name" > "$name"
done

LC_ALL=C.UTF-8 zip -q ../infozip.zip -- *
bsdtar --format zip -cf ../bsdtar-utf8.zip -- *
# Code page 437 has no 世界.
bsdtar --format zip --options zip:hdrcharset=CP437 -cf ../bsdtar-cp437.zip -- plain.txt 'Über.txt' 'é─.txt' 'Σ.txt' 'τ.txt'
7z a -tzip -bd -bso0 ../7z.zip -- * >/dev/null
python3 - ../python.zip <<'PY'
import os, struct, sys, zipfile
names = sorted(os.listdir('.'))
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as archive:
    for name in names:
        info = zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0))
        if name == names[-1]:
            info.comment = b'last member ' + b'PK\x06\x07' + struct.pack('<IQI', 0, 0, 1)
        archive.writestr(info, name.encode('utf-8'))
PY
touch ../done
