#!/usr/bin/env python3
"""A library without a media folder address shows the plain message "No iTunes
found!" (no icon, OK); the packages are then searched in the program's current
directory.

Usage: test_no_itunes.py <no-address|address-too-long>"""

import sys

from e2e_lib import E2ETest

case = sys.argv[1]

with E2ETest(f"NoITunes-{case}") as t:
    if case == "no-address":
        t.write_library("http://localhost/not-a-file-address/")
    else:
        # "</string>" must end within the 260 characters after the prefix: 252 + 9 do not.
        t.write_library("file://localhost/C:/" + "d" * 249)
    t.add_packages(["Here One", "Here Two"], folder=t.cwd)
    t.start()
    box = t.wait_message_box()
    t.check_equal(box["text"], "No iTunes found!", "message text")
    t.check_equal(box["title"], "Vantrel", "box title")
    t.check_equal(box["icon"], "none", "no icon")
    t.check_equal(box["buttons"], ["OK"], "buttons")
    t.screenshot("message-box")
    t.drive("msgbox-press OK")
    state = t.wait_ready()
    t.check_equal(state["list"]["rows"], ["Here One", "Here Two"], "packages of the current directory")
    t.check_equal(state["list"]["selected"], [0], "row 0 selected")
    t.check_equal(state["menu"]["total"], "Total: 2 Apps", "total entry")
