#!/usr/bin/env python3
"""A package whose metadata member is encrypted (traditional PKWARE cipher)
brings up the archiver's password prompt in the middle of the run. While it is
open the main window answers: the button is disabled with the please-wait
caption. Cancel makes that package contribute nothing and the run goes on with
the next package: the request lists the other two identifiers."""

from e2e_lib import E2ETest, idle_caption, working_caption
from ipa_packages import METADATA_MEMBER, PackageSpec
from show_details_lib import (add_package_specs, check_metadata_copy, check_page_opened, check_request,
                              expected_identifiers)

SPECS = [
    PackageSpec("Aspen", 320000001, binary=False),
    PackageSpec("Beech", 320000002, binary=True, password=b"vantrel"),
    PackageSpec("Cherry", 320000003, binary=True),
]

with E2ETest("ShowDetails-encrypted") as t:
    t.write_library(t.media_url())
    add_package_specs(t, SPECS)
    t.start(launch=False)
    t.install_converter()
    base = t.start_catalogue()
    t.launch()
    rows = t.wait_ready()["list"]["rows"]
    t.check_equal(rows, [plan.row for plan in SPECS], "rows listed; the encrypted package in the middle")

    t.drive("menu MenuSelAll", "click")
    prompt = t.drive("password-wait 30")[0]
    t.check_equal(prompt["title"], f'Password for "{METADATA_MEMBER}"', "password prompt caption")
    t.check_equal(prompt["buttons"], ["OK", "Cancel"], "password prompt buttons")
    button = t.state()["button"]
    t.check_equal((button["enabled"], button["text"]), (False, working_caption()), "button during the run")
    t.screenshot("during")
    t.drive("password-press Cancel")

    state = t.wait_button(True, idle_caption())
    t.check_equal((state["button"]["enabled"], state["button"]["text"]), (True, idle_caption()),
                  "button after the run")
    t.screenshot("after")
    t.drive("msgbox-none 1")
    identifiers = expected_identifiers(rows, SPECS, [0, 1, 2])
    t.check_equal(identifiers, ["320000001", "320000003"], "identifiers expected")
    check_request(t, identifiers)
    check_page_opened(t, base, identifiers)
    check_metadata_copy(t, SPECS[-1], converted=True)
