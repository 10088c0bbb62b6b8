#!/usr/bin/env python3
"""Start-up with 10,000 packages in the folder (not timed; bench/startup_bench.py
times it): every package is a row, in the order of the directory search, row 0
alone selected, the total entry counts them all, and the list scrolls to its
last rows."""

from e2e_lib import E2ETest

COUNT = 10000

with E2ETest("ManyPackages") as t:
    t.write_library(t.media_url())
    folder = t.media_folder() / "Mobile Applications"
    folder.mkdir(parents=True)
    # Some names with a non-ASCII letter, as store names have them.
    names = [f"App {number:05d}" + (" \u00e9t\u00e9" if number % 7 == 0 else "") for number in range(COUNT)]
    for name in reversed(names):
        # Start-up reads only the names: an empty archive stands for each package.
        (folder / f"{name}.ipa").write_bytes(b"PK\x05\x06" + bytes(18))
    t.start()
    state = t.wait_ready(60)
    t.drive("msgbox-none")
    packages_windows = f"C:\\users\\{t.user.name}\\Music\\iTunes\\iTunes Media\\Mobile Applications\\*.ipa"
    search = [name[:-len(".ipa")] for name in t.drive(["find-files", packages_windows])[0]["names"]]
    rows = state["list"]["rows"]
    t.check_equal(len(rows), COUNT, "number of rows")
    t.check(rows == search, "rows in the order of the directory search")
    t.check(sorted(rows) == sorted(names), "every package is a row, by its name")
    t.check_equal(state["list"]["selected"], [0], "row 0 alone selected")
    t.check_equal((state["list"]["top"], state["list"]["caret"]), (0, 0), "first row at the top, with the focus")
    t.check_equal(state["menu"]["items"][-1]["caption"], f"Total: {COUNT} Apps", "total entry")
    t.check(state["button"]["enabled"], "button enabled")
    # The rows are read once: each costs the driver three messages to the program.
    top = t.drive("focus list", "key end", "wheel list -120")[-1]["top"]
    visible = state["list"]["h"] // state["list"]["itemHeight"]
    t.check(COUNT - visible - 1 <= top <= COUNT - visible + 1,
            f"End and the wheel reach the last rows: top row {top}, {visible} rows visible")
