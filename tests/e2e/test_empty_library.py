#!/usr/bin/env python3
"""A media folder without packages: empty list, button disabled, "Total: 0 Apps",
and the selection commands do nothing."""

from e2e_lib import E2ETest

with E2ETest("EmptyLibrary") as t:
    t.write_library(t.media_url())
    (t.media_folder() / "Mobile Applications").mkdir(parents=True)
    t.start()
    state = t.wait_ready()
    t.drive("msgbox-none")
    t.check_equal(state["list"]["rows"], [], "no rows")
    t.check_equal(state["button"]["enabled"], False, "button disabled")
    t.check_equal(state["menu"]["total"], "Total: 0 Apps", "total entry")
    lines = t.drive("menu MenuSelAll", "menu MenuInvAll", "key ctrl+a", "key ctrl+i", "state")
    t.check_equal(lines[-1]["list"]["count"], 0, "selection commands on an empty list")
    t.check_equal(lines[-1]["caption"], "Vantrel v1.3", "window still there")
    t.last_state = lines[-1]
