#!/usr/bin/env bash
# Whole-process benchmark of the inspector against its peers, in one hyperfine
# run, warm cache:
#   (a) 5,001 members (75 MiB), extract the last (2.9 KB): vantrel-zip, the bare
#       reader (bench/bare_reader.c), unzip -p, 7-Zip
#   (b) 65,001 tiny members (10 MiB), extract the last: the same
#   (c) one 200 MiB deflated member: vantrel-zip, unzip -p, 7-Zip, zlib raw inflate
#       (1 MiB reads, one 256 KiB output buffer, no CRC), zlib raw inflate + crc32
#       (bench/zlib_reference.c)
#   (r) the directory rebuild of (c) cut before its central directory: vantrel-zip
#       info, against reading the file once
#   (z) one member of 1 GiB of zeros: the inspector's peak memory only
# Prints each command's median, its ratio to the case's reference (the bare
# reader for a and b, zlib's raw inflate for c, reading once for r), its ratio
# to unzip -p and its peak memory.
#
# Usage: bench/peers.sh [BUILD_DIR]          (default build/native)
#   VANTREL_ZIP_BEFORE=/path/to/vantrel-zip  adds an older inspector to the same run.
#   VANTREL_PEERS_CASES=c                    runs only the named cases (letters of a, b, c, r, z;
#                                            default all of them).
# The archives are made once, into BUILD_DIR/bench-peers.
set -euo pipefail
"$(dirname "$0")/../scripts/setup.sh" bench
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
data="$build/bench-peers"
zip="$build/inspector/vantrel-zip"
ref="$build/bench/zlib_reference"
bare="$build/bench/bare_reader"
before=${VANTREL_ZIP_BEFORE:-}
cases=${VANTREL_PEERS_CASES:-abcrz}
wanted() { [[ "$cases" == *"$1"* ]]; }

cmake --build "$build" --target vantrel-zip zlib_reference bare_reader >/dev/null
mkdir -p "$data"

python3 - "$data" <<'PY'
import os, random, sys, zipfile
data = sys.argv[1]
rng = random.Random(7)
words = ("app bundle key string integer dict array true false version build itemId artist genre "
         "price store payload icon launch image Info display name <key> </key> <dict> </dict> "
         "iPhone release 2010").split() + ["\n", "\t"]

def text(n):
    out, size = [], 0
    while size < n:
        w = rng.choice(words)
        out.append(w)
        size += len(w) + 1
    return " ".join(out).encode()[:n]

metadata = text(2900)

def build(path, members, size, make):
    if os.path.exists(path):
        return
    with zipfile.ZipFile(path + ".part", "w") as z:
        for i in range(members):
            z.writestr(zipfile.ZipInfo(make(i)), rng.randbytes(size) if size > 64 else text(size),
                       zipfile.ZIP_STORED)
        z.writestr("iTunesMetadata.plist", metadata, zipfile.ZIP_DEFLATED)
    os.rename(path + ".part", path)

build(f"{data}/a.zip", 5000, 15700, lambda i: f"Payload/App.app/res/file_{i:04d}.bin")
build(f"{data}/b.zip", 65000, 24, lambda i: f"Payload/App.app/Assets/i_{i:05d}.png")

big = f"{data}/c.zip"
if not os.path.exists(big):
    block = text(4 << 20)  # fresh text beyond deflate's 32 KiB window, so every copy compresses alike
    with zipfile.ZipFile(big + ".part", "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        with z.open("big.txt", "w") as member:
            for _ in range(50):
                member.write(block)
    os.rename(big + ".part", big)

zeros = f"{data}/z.zip"
if not os.path.exists(zeros):
    block = bytes(1 << 20)
    with zipfile.ZipFile(zeros + ".part", "w", zipfile.ZIP_DEFLATED) as z:
        with z.open("zeros.bin", "w") as member:
            for _ in range(1024):
                member.write(block)
    os.rename(zeros + ".part", zeros)

cut = f"{data}/c-cut.zip"
if not os.path.exists(cut):
    with open(big, "rb") as f:
        f.seek(-22, os.SEEK_END)
        start = int.from_bytes(f.read(22)[16:20], "little")
        f.seek(0)
        with open(cut, "wb") as out:
            out.write(f.read(start))
PY

commands=()
add() { commands+=(-n "$1" "$2"); }
# 7-Zip (p7zip) where it is installed: a further peer, extracting to standard output.
seven_zip=$(command -v 7z || true)
for case in a b; do
  wanted "$case" || continue
  add "$case vantrel-zip" "$zip extract $data/$case.zip iTunesMetadata.plist"
  [[ -n "$before" ]] && add "$case vantrel-zip before" "$before extract $data/$case.zip iTunesMetadata.plist"
  add "$case bare reader" "$bare $data/$case.zip iTunesMetadata.plist"
  add "$case unzip -p" "unzip -p $data/$case.zip iTunesMetadata.plist"
  [[ -n "$seven_zip" ]] && add "$case 7-zip" "$seven_zip e -so $data/$case.zip iTunesMetadata.plist"
done
if wanted c; then
  add "c vantrel-zip" "$zip extract $data/c.zip big.txt"
  [[ -n "$before" ]] && add "c vantrel-zip before" "$before extract $data/c.zip big.txt"
  add "c unzip -p" "unzip -p $data/c.zip big.txt"
  [[ -n "$seven_zip" ]] && add "c 7-zip" "$seven_zip e -so $data/c.zip big.txt"
  add "c zlib inflate" "$ref inflate $data/c.zip"
  add "c zlib inflate+crc32" "$ref inflate-crc $data/c.zip"
fi
if wanted r; then
  add "r vantrel-zip info" "$zip info $data/c-cut.zip"
  [[ -n "$before" ]] && add "r vantrel-zip before" "$before info $data/c-cut.zip"
  add "r read once" "$ref read $data/c-cut.zip"
fi

# The timed cases, when any was asked for.
if ((${#commands[@]})); then
  hyperfine -N --warmup 3 --min-runs 10 --style basic --export-json "$data/results.json" "${commands[@]}" >/dev/null

  # Peak resident memory of each command, one run each.
  : >"$data/memory.txt"
  for ((i = 0; i < ${#commands[@]}; i += 3)); do
    name=${commands[i + 1]}
    # shellcheck disable=SC2086
    /usr/bin/time -f %M -o "$data/time.txt" ${commands[i + 2]} >/dev/null
    printf '%s\t%s\n' "$name" "$(tail -1 "$data/time.txt")" >>"$data/memory.txt"
  done

python3 - "$data" <<'PY'
import json, sys
data = sys.argv[1]
results = json.load(open(f"{data}/results.json"))["results"]
memory = dict(line.rstrip("\n").split("\t") for line in open(f"{data}/memory.txt"))
median = {r["command"]: r["median"] * 1000 for r in results}
reference = {"a": "a bare reader", "b": "b bare reader", "c": "c zlib inflate", "r": "r read once"}
print(f"{'command':28} {'median ms':>10} {'ratio':>7} {'/unzip':>7} {'peak MiB':>9}")
for r in results:
    name = r["command"]
    ratio = median[name] / median[reference[name[0]]]
    unzip = median.get(name[0] + " unzip -p")
    against = f"{median[name] / unzip:7.2f}" if unzip else f"{'':7}"
    print(f"{name:28} {median[name]:10.2f} {ratio:7.2f} {against} {int(memory[name]) / 1024:9.1f}")
print("ratio: median over the case's reference (a, b: the bare reader; c: zlib raw inflate, no CRC;")
print("r: reading once); /unzip: median over unzip -p's")
PY
fi
if wanted z; then
  /usr/bin/time -f %M -o "$data/time.txt" "$zip" extract "$data/z.zip" zeros.bin >/dev/null
  zeros_kib=$(tail -1 "$data/time.txt")
  echo "z vantrel-zip, 1 GiB of zeros: peak $((zeros_kib / 1024)) MiB"
fi
