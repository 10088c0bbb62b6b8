#!/usr/bin/env python3
"""The mouse wheel over the list scrolls it by the system's lines per notch, only
the sign of the turn counting, whichever control has the focus; over the button
it does not scroll the list; the first visible row stays within the list."""

from e2e_lib import E2ETest

with E2ETest("Wheel") as t:
    t.write_library(t.media_url())
    t.add_packages([f"App {n:02}" for n in range(40)])
    t.start()
    state = t.wait_ready()
    lines = t.drive("paths")[0]["wheelScrollLines"]
    visible = (state["list"]["h"] - 4) // state["list"]["itemHeight"]
    last_top = 40 - visible
    t.check(0 < lines < last_top // 2, f"{lines} lines per notch, {visible} rows visible")

    steps = t.drive("focus button", "wheel list -120", "wheel list -120", "wheel list 120", "wheel list -30",
                    "wheel button -120", "list")
    tops = [line["top"] for line in steps[1:6]]
    t.check_equal(tops, [lines, 2 * lines, lines, 2 * lines, 2 * lines],
                  "top row after down, down, up, a small turn down, and down over the button")
    t.check_equal(steps[-1]["focus"], "button", "focus stays on the button")
    t.check_equal(steps[-1]["selected"], [0], "selection untouched")

    ups = t.drive(*["wheel list 120"] * 4)
    t.check_equal(ups[-1]["top"], 0, "scrolling up stops at the first row")
    downs = t.drive(*["wheel list -120"] * (last_top // lines + 3))
    t.check_equal(downs[-1]["top"], last_top, "scrolling down stops with the last row at the bottom")
    t.last_state = t.state()
