#!/usr/bin/env python3
"""Two builds of one commit give the same release artefacts, byte for byte: the
program is built a second time in another folder beside the first, from scratch
(no compiler cache) and with the first build's settings, packaged, and every
artefact is compared with the first build's. A difference is shown: for the program the
first differing offset, for the installer also its summary information.

Usage: test_reproducible.py <source dir> <first build dir> <its dist folder> <second build dir>"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

SETTINGS = ["CMAKE_TOOLCHAIN_FILE", "CMAKE_BUILD_TYPE", "VANTREL_SERVICE_HOST", "VANTREL_WERROR"]


def cache_values(build):
    text = (build / "CMakeCache.txt").read_text()
    values = {}
    for name in SETTINGS:
        found = re.search(rf"^{name}:[A-Z]+=(.*)$", text, re.M)
        if found:
            values[name] = found.group(1)
    return values


def first_difference(a, b):
    for offset, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return offset
    return min(len(a), len(b))


def describe(name, a, b, first, second):
    print(f"  FAIL  {name} differs: {len(a)} and {len(b)} bytes, first at offset {first_difference(a, b)}")
    if name.endswith(".msi"):
        for path in (first, second):
            print(subprocess.run(["msiinfo", "suminfo", str(path)], capture_output=True, text=True).stdout)


def main(source, build, dist, work):
    source, build, dist, work = Path(source), Path(build), Path(dist), Path(work)
    shutil.rmtree(work, ignore_errors=True)
    second_build, second_dist = work, work / "dist"
    env = dict(os.environ, CCACHE_DISABLE="1")
    configure = ["cmake", "-S", str(source), "-B", str(second_build), "-G", "Ninja",
                 "-DBUILD_TESTING=OFF", "-DVANTREL_BUILD_BENCH=OFF"]
    configure += [f"-D{name}={value}" for name, value in cache_values(build).items()]
    subprocess.run(configure, env=env, check=True, stdout=subprocess.DEVNULL)
    subprocess.run([str(source / "packaging" / "package.sh"), "--build", str(second_build), "--out", str(second_dist)],
                   env=env, check=True)
    names = sorted(p.name for p in dist.iterdir())
    same = names == sorted(p.name for p in second_dist.iterdir())
    print(("  ok    " if same else "  FAIL  ") + f"the same artefacts: {names}")
    for name in names:
        first, second = dist / name, second_dist / name
        a, b = first.read_bytes(), second.read_bytes() if second.exists() else b""
        if a == b:
            print(f"  ok    {name}: the same {len(a)} bytes")
        else:
            same = False
            describe(name, a, b, first, second)
    if same:
        shutil.rmtree(work, ignore_errors=True)
    return 0 if same else 1


if __name__ == "__main__":
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
