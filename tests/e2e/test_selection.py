#!/usr/bin/env python3
"""Select all and Invert selection, chosen from the menu and through their
shortcuts Ctrl+A and Ctrl+I pressed with the focus on the list and on the button."""

from e2e_lib import E2ETest

with E2ETest("Selection") as t:
    t.write_library(t.media_url())
    t.add_packages(["a1", "a2", "a3", "a4"])
    t.start()
    t.wait_ready()

    def selection_after(*steps):
        return t.drive(*steps, "list")[-1]["selected"]

    t.check_equal(selection_after("select 0,2", "menu MenuInvAll"), [1, 3], "menu: invert {0,2}")
    t.check_equal(selection_after("menu MenuInvAll"), [0, 2], "menu: invert {1,3}")
    t.check_equal(selection_after("select none", "menu MenuInvAll"), [0, 1, 2, 3], "menu: invert nothing")
    t.check_equal(selection_after("select 1", "menu MenuSelAll"), [0, 1, 2, 3], "menu: select all")
    t.check_equal(selection_after("menu MenuSelAll"), [0, 1, 2, 3], "menu: select all when all are selected")

    for focus in ["list", "button"]:
        lines = t.drive(f"focus {focus}", "select 0,2", "key ctrl+i", "list")
        t.check_equal(lines[0]["focus"], focus, f"focus on the {focus}")
        t.check_equal(lines[-1]["selected"], [1, 3], f"Ctrl+I from the {focus}")
        t.check_equal(selection_after("select 3", "key ctrl+a"), [0, 1, 2, 3], f"Ctrl+A from the {focus}")
        t.check_equal(t.drive("list")[-1]["focus"], focus, f"focus stays on the {focus}")
    t.drive("msgbox-none")
    t.state()
