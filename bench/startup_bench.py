#!/usr/bin/env python3
"""How much later vantrel.exe's window is ready under Wine at scale: with
10,000 packages in the folder against one, and with a 200 MB library file
(UTF-8 as iTunes writes it, and UTF-16) against a small one. The time runs from
starting the program to the driver seeing its window shown (the driver looks
every 50 ms), the median of several rounds. Several builds of the program can
be compared in one run (--exe LABEL=PATH, repeated); by default the build's own.
Each scenario is checked once after its rounds: the total entry reads the
number of packages.

Usage: startup_bench.py <win64 build dir> [--exe LABEL=PATH ...] [--rounds N]
                        [--only packages|library]
Run it under `flock /work/bench.lock`; it needs the build's e2e template prefix
(ctest -R E2E.TemplatePrefix)."""

import argparse
import os
import shutil
import signal
import statistics
import sys
import time
from pathlib import Path

SOURCE_DIR = Path(__file__).resolve().parents[1]
PACKAGES = 10000
LIBRARY_BYTES = 200_000_000


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", type=Path)
    parser.add_argument("--exe", action="append", default=[], help="LABEL=PATH of a vantrel.exe to time")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--only", choices=["packages", "library"])
    args = parser.parse_args()
    build = args.build.resolve()
    exes = dict(item.split("=", 1) for item in args.exe) or {"this build": str(build / "app" / "vantrel.exe")}
    os.environ.update(VANTREL_EXE=next(iter(exes.values())),
                      VANTREL_DRIVER=str(build / "testkit" / "test_driver" / "vantrel-driver.exe"),
                      E2E_TEMPLATE_PREFIX=str(build / "tests" / "e2e" / "template-prefix"),
                      E2E_WORK_ROOT=str(build / "bench-startup"), VANTREL_SOURCE_DIR=str(SOURCE_DIR))
    return args, {label: Path(path).resolve() for label, path in exes.items()}


def write_packages(t, count):
    """Exactly `count` packages in the media folder's Mobile Applications."""
    folder = t.media_folder() / "Mobile Applications"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for number in range(count):
        # Start-up only lists the names: the contents are never read.
        (folder / f"App {number:05d}.ipa").write_bytes(b"PK\x05\x06" + bytes(18))


def package_scenarios(t):
    """(label, preparation, packages expected) with one package and with many."""
    return [("1 package", lambda: write_packages(t, 1), 1),
            (f"{PACKAGES:,} packages", lambda: write_packages(t, PACKAGES), PACKAGES)]


def library_scenarios(t, itunes_library):
    """(label, preparation, packages expected) with a small and two large
    libraries, and one package."""
    def small():
        write_packages(t, 1)
        t.write_library(t.media_url())

    def large(encoding, bom):
        characters = LIBRARY_BYTES // (2 if encoding.startswith("utf-16") else 1)
        return lambda: itunes_library.write_large_library(t.library_path, t.media_url(), characters, encoding, bom)

    return [("small library", small, 1), ("200 MB library, UTF-8", large("utf-8", False), 1),
            ("200 MB library, UTF-16", large("utf-16-le", True), 1)]


def time_start(t, exe):
    """Seconds from starting `exe` to its window being shown."""
    t.exe = exe
    start = time.monotonic()
    t.launch()
    t.drive("wait-window 120", "wait-visible 120", settle=0)
    seconds = time.monotonic() - start
    t.stop_program()
    return seconds


def total_caption(t, exe):
    t.exe = exe
    t.launch()
    t.drive("wait-window 120", "wait-visible 120", settle=0)
    caption = t.state()["menu"]["items"][-1]["caption"]
    t.stop_program()
    return caption


def main():
    args, exes = parse_arguments()
    sys.path.insert(0, str(SOURCE_DIR / "tests" / "e2e"))
    from e2e_lib import E2ETest
    import itunes_library

    t = E2ETest("startup-bench")
    t.__enter__()
    signal.alarm(0)  # the end-to-end tests' deadline does not apply here
    try:
        t.start(launch=False)
        t.write_library(t.media_url())
        groups = []
        if args.only != "library":
            groups.append(package_scenarios(t))
        if args.only != "packages":
            groups.append(library_scenarios(t, itunes_library))
        results = {}
        for label, prepare, expected in [scenario for group in groups for scenario in group]:
            prepare()
            for exe_label, exe in exes.items():
                time_start(t, exe)  # a first start warms the caches
            rounds = {exe_label: [] for exe_label in exes}
            for _ in range(args.rounds):
                for exe_label, exe in exes.items():
                    rounds[exe_label].append(time_start(t, exe))
            for exe_label, exe in exes.items():
                results[(label, exe_label)] = statistics.median(rounds[exe_label])
                caption = total_caption(t, exe)
                ok = caption == f"Total: {expected} Apps"
                print(f"{label:28} {exe_label:20} median {results[(label, exe_label)]:.3f} s of "
                      f"{', '.join(f'{s:.3f}' for s in rounds[exe_label])}  [{caption}{'' if ok else ' WRONG'}]",
                      flush=True)
        for group in groups:
            print_differences(results, [scenario[0] for scenario in group], exes)
    finally:
        t._stop()
        shutil.rmtree(t.work, ignore_errors=True)


def print_differences(results, labels, exes):
    """How much later than the group's first scenario each of the others starts."""
    base = labels[0]
    for label in labels[1:]:
        for exe_label in exes:
            later = results[(label, exe_label)] - results[(base, exe_label)]
            print(f"{exe_label}: {label} starts {later:+.3f} s later than {base}")


if __name__ == "__main__":
    main()
