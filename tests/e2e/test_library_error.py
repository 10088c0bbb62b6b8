#!/usr/bin/env python3
"""A library file that cannot be opened (no iTunes folder, no file, or held open
for writing by another program) shows the runtime's German open error in the
standard error box; the window then appears with German texts, an empty list, an
enabled button and an empty total entry, and "No iTunes found!" is not shown.

Usage: test_library_error.py <no-folder|no-file|locked>"""

import sys

from e2e_lib import E2ETest, check_language

CASES = {"no-folder": 3, "no-file": 2, "locked": 32}  # ERROR_PATH_NOT_FOUND, _FILE_NOT_FOUND, _SHARING_VIOLATION
case = sys.argv[1]

with E2ETest(f"LibraryError-{case}") as t:
    if case == "no-file":
        (t.music / "iTunes").mkdir()
    if case == "locked":
        t.write_library(t.media_url())
        t.add_packages(["Hidden Behind The Lock"])
    t.start(launch=False)
    if case == "locked":
        t.drive_in_background(["hold-file", t.library_windows_path], "sleep 60000")
    t.launch()
    box = t.wait_message_box()
    reason = t.system_error_text(CASES[case])
    expected = f"Datei {t.library_windows_path} kann nicht ge\u00f6ffnet werden. {reason}."
    t.check_equal(box["text"], expected, "error text")
    t.check_equal(box["title"], "Vantrel", "box title")
    t.check_equal(box["icon"], "error", "error icon")
    t.check_equal(box["buttons"], ["OK"], "buttons")
    t.screenshot("message-box")
    t.drive("msgbox-press OK")
    state = t.wait_ready()
    t.drive("msgbox-none 1")
    t.check_equal((state["client"]["w"], state["client"]["h"]), (368, 457), "client size set before the error")
    t.check_equal(state["list"]["rows"], [], "no rows")
    t.check_equal(state["button"]["enabled"], True, "button stays enabled")
    t.check_equal(state["menu"]["total"], "", "total entry keeps its empty caption")
    check_language(t, state, "MenuDeu", "")
