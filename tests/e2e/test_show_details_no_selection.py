#!/usr/bin/env python3
"""The show-details command with no row selected: no package is opened (no
MetadataCopy appears), the request still goes out with an empty list
("dataset=" and nothing after it) and the page address the service answers is
opened."""

from e2e_lib import METADATA_COPY, E2ETest
from ipa_packages import PackageSpec
from show_details_lib import add_package_specs, check_page_opened, check_request, run_command

with E2ETest("ShowDetails-no-selection") as t:
    t.write_library(t.media_url())
    add_package_specs(t, [PackageSpec("Alder", 340000001, binary=False), PackageSpec("Birch", 340000002)])
    t.start(launch=False)
    t.install_converter()
    base = t.start_catalogue()
    t.launch()
    t.wait_ready()
    state = run_command(t, ["select none"])
    t.check_equal(state["list"]["selected"], [], "no row selected")
    check_request(t, [])
    check_page_opened(t, base, [])
    copy = t.temp_file(METADATA_COPY)
    t.check(not copy.exists(), f"no package was opened: no MetadataCopy {copy}")
    t.drive("msgbox-none 1")
