#!/usr/bin/env python3
"""The run command's demo library: generated into a prefix without a library, the
program lists its packages; a prefix that has a library keeps it byte for byte."""

import subprocess
import sys

from e2e_lib import SOURCE_DIR, E2ETest

SCRIPT = SOURCE_DIR / "testkit" / "demo" / "make_demo_library.py"


def make_demo(t):
    return subprocess.run([sys.executable, str(SCRIPT), str(t.prefix)], capture_output=True, text=True, timeout=60)


with E2ETest("DemoLibrary") as t:
    t.check_equal(make_demo(t).returncode, 0, "demo library made")
    t.start()
    state = t.wait_ready()
    t.check_equal(state["list"]["rows"], ["Harbor Tides 2.1", "Pocket Atlas 4.0.3", "Quill Notes 1.7",
                                          "Starling Radio 3.2"], "demo packages listed")
    t.check_equal(state["menu"]["total"], "Total: 4 Apps", "total entry")

    t.write_library(t.media_url("Elsewhere"))
    before = t.library_path.read_bytes()
    second = make_demo(t)
    t.check(second.returncode == 0 and "kept" in second.stdout, f"second run: {second.stdout.strip()}")
    t.check(t.library_path.read_bytes() == before, "an existing library is left as it was")
