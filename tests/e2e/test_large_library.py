#!/usr/bin/env python3
"""Start-up with large library files, written as iTunes writes them (not timed;
bench/startup_bench.py times it): the program finds the media folder and lists
its packages. Once in UTF-8 without mark, the address near the top and tens of
thousands of tracks after it, each with a Location under the media folder; once
in UTF-16 with mark, the address the very last entry of the file, so that the
whole file is read through."""

from e2e_lib import E2ETest
import itunes_library

CHARACTERS = 48_000_000  # about 48 MB in UTF-8, 96 MB in UTF-16

with E2ETest("LargeLibrary") as t:
    packages = ["Atlas", "Borealis", "Cygnus"]
    t.add_packages(packages)
    t.start(launch=False)
    forms = [("UTF-8, address near the top", "utf-8", False, {}),
             ("UTF-16, address at the very end", "utf-16-le", True,
              dict(folder_last=True, track_url="file://127.0.0.1/D:/Elsewhere/"))]
    for label, encoding, bom, placement in forms:
        itunes_library.write_large_library(t.library_path, t.media_url(), CHARACTERS, encoding, bom, **placement)
        t.log(f"library {label}: {t.library_path.stat().st_size:,} bytes")
        t.launch()
        state = t.wait_ready(60)
        t.drive("msgbox-none")
        t.check_equal(state["list"]["rows"], packages, f"{label}: rows")
        t.check_equal(state["list"]["selected"], [0], f"{label}: row 0 selected")
        t.check_equal(state["menu"]["items"][-1]["caption"], "Total: 3 Apps", f"{label}: total entry")
        t.drive("close", "wait-exit 10")
    t.library_path.unlink()
