#!/usr/bin/env python3
"""A malformed escape in the media folder's address shows the URL decoder's German
message with the 1-based position of the "%" in the error box; the window then
appears with an empty list and an empty total entry, without "No iTunes found!".

Usage: test_bad_escape.py <truncated|invalid>"""

import sys

from e2e_lib import E2ETest

case = sys.argv[1]
address = {"truncated": "C:/users/Media%4", "invalid": "C:/users/Media%G1/"}[case]
position = address.index("%") + 1
message = {
    "truncated": f"Fehler beim Decodieren eines im URL-Stil (%XX) codierten Strings bei Position {position}.",
    "invalid": f"Ung\u00fcltiger URL-codiertes Zeichen (%G1) bei Position {position}.",
}[case]

with E2ETest(f"BadEscape-{case}") as t:
    t.write_library("file://localhost/" + address)
    t.start()
    box = t.wait_message_box()
    t.check_equal(box["text"], message, "error text")
    t.check_equal(box["title"], "Vantrel", "box title")
    t.check_equal(box["icon"], "error", "error icon")
    t.check_equal(box["buttons"], ["OK"], "buttons")
    t.screenshot("message-box")
    t.drive("msgbox-press OK")
    state = t.wait_ready()
    t.drive("msgbox-none 1")
    t.check_equal(state["list"]["rows"], [], "no rows")
    t.check_equal(state["button"]["enabled"], True, "button stays enabled")
    t.check_equal(state["menu"]["total"], "", "total entry keeps its empty caption")
