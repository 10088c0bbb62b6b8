#!/usr/bin/env python3
"""The show-details command over packages of every kind, all selected: metadata
deflated and stored, binary and XML property lists, a package without the
metadata member, one whose central directory is cut off, two with the same
identifier and a folder named like a package. With the stand-in converter
installed at ConverterPath every package with metadata yields its identifier,
and so it does without it: the program then converts binary metadata itself. Checked afterwards: the one request the service
received, the page address handed to the shell and kept in ReplyFile, the page's
list, MetadataCopy (the last extracted package's metadata, converted or as
extracted) and the button.

Usage: test_show_details.py <converter|no-converter>"""

import sys

from e2e_lib import E2ETest
from ipa_packages import PackageSpec
from show_details_lib import (add_package_specs, check_metadata_copy, check_page_opened, check_request,
                              expected_identifiers, run_command)

SPECS = [
    PackageSpec("Alder", 310000001, binary=True, deflated=True),
    PackageSpec("Birch", 310000002, binary=False, deflated=False),
    PackageSpec("Cedar"),  # no iTunesMetadata.plist
    PackageSpec("Dogwood", 310000004, binary=False, deflated=True, cut_directory=True),
    PackageSpec("Elm", 310000001, binary=False, deflated=True),  # Alder's identifier again
    PackageSpec("Fir", 310000006, binary=True, deflated=False),
]
case = sys.argv[1]
converter = case == "converter"

with E2ETest(f"ShowDetails-{case}") as t:
    t.write_library(t.media_url())
    add_package_specs(t, SPECS, folders=["x"])
    t.start(launch=False)
    if converter:
        t.install_converter()
    base = t.start_catalogue()
    t.launch()
    rows = t.wait_ready()["list"]["rows"]
    t.check_equal(sorted(rows), sorted([plan.row for plan in SPECS] + ["x"]), "rows listed")

    state = run_command(t, ["menu MenuSelAll"])
    t.screenshot("after")
    selected = list(range(len(rows)))
    t.check_equal(state["list"]["selected"], selected, "selection kept")
    identifiers = expected_identifiers(rows, SPECS, selected)
    t.check_equal(len(identifiers), 5, f"identifiers expected: {identifiers}")
    check_request(t, identifiers)
    check_page_opened(t, base, identifiers)
    by_row = {plan.row: plan for plan in SPECS}
    last_extracted = [by_row[row] for row in rows if row in by_row and by_row[row].item_id is not None][-1]
    check_metadata_copy(t, last_extracted, converted=True)
    t.drive("msgbox-none 1")
