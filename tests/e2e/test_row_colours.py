#!/usr/bin/env python3
"""Row drawing as the screen shows it: unselected rows alternate white and light
grey (241, 241, 241), selected rows are blue (0, 116, 230), whatever their index."""

from e2e_lib import E2ETest

WHITE, GREY, BLUE = "#ffffff", "#f1f1f1", "#0074e6"

with E2ETest("RowColours") as t:
    t.write_library(t.media_url())
    t.add_packages(["r0", "r1", "r2", "r3"])
    t.start()
    state = t.wait_ready()
    rows = range(4)
    t.check_equal(t.list_row_pixels(state, rows, label="start"), [BLUE, GREY, WHITE, GREY], "row 0 selected")
    state = t.drive("select 1", "state")[-1]
    t.check_equal(t.list_row_pixels(state, rows, label="row-1"), [WHITE, BLUE, WHITE, GREY], "row 1 selected")
    state = t.drive("select 0,3", "state")[-1]
    t.check_equal(t.list_row_pixels(state, rows, label="rows-0-3"), [BLUE, GREY, WHITE, BLUE], "rows 0 and 3 selected")
    t.last_state = state
