#!/usr/bin/env python3
"""A package whose metadata member is AES-encrypted (made by 7-Zip) brings up
the archiver's password prompt. A wrong password brings the prompt back; the
right one decrypts the member, the converter turns it into XML, and its
identifier reaches the service with the other two."""

from e2e_lib import E2ETest, idle_caption
from ipa_packages import METADATA_MEMBER, PackageSpec
from show_details_lib import add_package_specs, check_metadata_copy, check_page_opened, check_request

PASSWORD = "vantrel-aes"
SPECS = [
    PackageSpec("Aspen", 330000001, binary=False),
    PackageSpec("Beech", 330000002, binary=True),
    PackageSpec("Cherry", 330000003, binary=True, password=PASSWORD.encode("ascii"), aes=True),
]

with E2ETest("ShowDetails-aes") as t:
    t.write_library(t.media_url())
    add_package_specs(t, SPECS)
    t.start(launch=False)
    t.install_converter()
    base = t.start_catalogue()
    t.launch()
    rows = t.wait_ready()["list"]["rows"]
    t.check_equal(rows, [plan.row for plan in SPECS], "rows listed; the AES package last")

    t.drive("menu MenuSelAll", "click")
    caption = f'Password for "{METADATA_MEMBER}"'
    prompt = t.drive("password-wait 30")[0]
    t.check_equal(prompt["title"], caption, "password prompt caption")
    t.drive("password-type not-the-password", "password-press OK")
    prompt = t.drive("password-wait 30")[0]
    t.check_equal(prompt["title"], caption, "the prompt is back after a wrong password")
    t.drive(f"password-type {PASSWORD}", "password-press OK")

    state = t.wait_button(True, idle_caption(), 60)
    t.check_equal((state["button"]["enabled"], state["button"]["text"]), (True, idle_caption()),
                  "button after the run")
    t.drive("msgbox-none 1")
    identifiers = [str(plan.item_id) for plan in SPECS]
    check_request(t, identifiers)
    check_page_opened(t, base, identifiers)
    check_metadata_copy(t, SPECS[-1], converted=True)
