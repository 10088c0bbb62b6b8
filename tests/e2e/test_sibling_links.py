#!/usr/bin/env python3
"""The two About entries of the sibling products ask the shell to open their
pages: the browser registered in the prefix (the shell recorder) receives exactly
those addresses, in order, and the program shows nothing of its own."""

from e2e_lib import E2ETest, sibling_pages

with E2ETest("SiblingLinks") as t:
    t.write_library(t.media_url())
    t.add_packages(["Any"])
    t.start()
    t.wait_ready()
    t.drive("menu MenuDorvik")
    first = t.recorded_addresses(1)
    t.drive("menu MenuTamsel")
    both = t.recorded_addresses(2)
    dorvik, tamsel = sibling_pages()
    t.check(dorvik is not None and tamsel is not None, f"the program's sibling pages: {dorvik}, {tamsel}")
    t.check_equal(first, [dorvik], "address opened for Dorvik")
    t.check_equal(both, [dorvik, tamsel], "addresses opened for Dorvik, then Tamsel")
    state = t.drive("msgbox-none 1", "state")[-1]
    t.check_equal(state["list"]["selected"], [0], "selection untouched")
    t.last_state = state
