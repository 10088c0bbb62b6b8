#!/usr/bin/env python3
"""Select all over 1,000 packages with XML metadata and no converter installed,
then the show-details command: every identifier reaches the service in one
request, in row order, and the service's short answer (its page address) is
the one address opened."""

from e2e_lib import E2ETest
from ipa_packages import PackageSpec
from show_details_lib import add_package_specs, check_page_opened, check_request, expected_identifiers, run_command

COUNT = 1000

with E2ETest("ShowDetails-many-packages") as t:
    t.write_library(t.media_url())
    # Stored, not deflated: quick to write, and the command reads them all the same.
    specs = [PackageSpec(f"Pkg {number:04d}", 350000000 + number * 7, binary=False, deflated=False)
             for number in range(COUNT)]
    add_package_specs(t, specs)
    t.start(launch=False)
    base = t.start_catalogue()
    t.launch()
    rows = t.wait_ready(60)["list"]["rows"]
    t.check_equal(len(rows), COUNT, "rows listed")

    state = run_command(t, ["menu MenuSelAll"], seconds=120)
    selected = list(range(len(rows)))
    t.check_equal(state["list"]["selected"], selected, "every row still selected")
    identifiers = expected_identifiers(rows, specs, selected)
    t.check_equal(len(identifiers), COUNT, "one identifier per package expected")
    check_request(t, identifiers)
    check_page_opened(t, base, identifiers)
    t.drive("msgbox-none 1")
