#!/usr/bin/env python3
"""High contrast. Wine always reports it off and cannot turn it on, so the
driver's probe answers the program's own SPI_GETHIGHCONTRAST (its import of
SystemParametersInfoW, inside the program), sets a theme's system colours and
sends the window what the system sends on a theme switch. While high contrast
is on, the rows take the system's window and highlight colours and do not
alternate; each notification alone (WM_SETTINGCHANGE, WM_SYSCOLORCHANGE) is
followed at once; with it off again every row is exactly as before, to the pixel.

Usage: test_high_contrast.py <96|144>"""

import subprocess
import sys

from display_scale_lib import LAYOUTS, SCREENS, check_layout, start_at
from e2e_lib import E2ETest

WHITE, GREY, BLUE = "#ffffff", "#f1f1f1", "#0074e6"
ROWS = range(4)
NORMAL = [BLUE, GREY, WHITE, GREY]  # row 0 selected


def switch(t, *words):
    answer = t.drive("high-contrast " + " ".join(words))[0]["answer"]
    t.check("error" not in answer, f"high contrast {' '.join(words)}: {answer}")
    return answer


def row_colours(t, label):
    return t.list_row_pixels(t.state(), ROWS, column=column, line=line, label=label)


def rows_in_system_colours(t, answer, label):
    colours = answer["colours"]
    t.check_equal(row_colours(t, label), [colours["highlight"]] + [colours["window"]] * 3,
                  f"{label}: selected row in the highlight colour, the others in the window colour")
    t.screenshot(label)


def text_pixels(t, state, row, colour, label):
    """How many pixels of the text's colour the row shows where its text is."""
    shot = t.work / f"{t.name}-{label}-screen.png"
    listed = state["list"]
    x = state["client"]["screenX"] + listed["x"] + 2
    y = state["client"]["screenY"] + listed["y"] + 2 + (row - listed["top"]) * listed["itemHeight"]
    crop = f"{listed['w'] // 3}x{listed['itemHeight']}+{x}+{y}"
    out = subprocess.run(["convert", str(shot), "-crop", crop, "+repage", "-fill", "black", "+opaque", colour,
                          "-fill", "white", "-opaque", colour, "-format", "%[fx:mean*w*h]", "info:"],
                         capture_output=True, text=True, timeout=30, check=True).stdout
    return round(float(out))


def differing_pixels(first, second, crop):
    """How many pixels of `crop` differ between two screenshots."""
    a, b = (subprocess.run(["convert", str(path), "-crop", crop, "+repage", "rgb:-"], capture_output=True, timeout=30,
                           check=True).stdout for path in (first, second))
    return sum(1 for i in range(0, min(len(a), len(b)), 3) if a[i:i + 3] != b[i:i + 3]) + abs(len(a) - len(b)) // 3


dpi = int(sys.argv[1])
column, line = 300 * dpi // 96, 16 * dpi // 96

with E2ETest(f"HighContrast-{dpi}") as t:
    check_layout(t, start_at(t, dpi, SCREENS[dpi], ["Alder", "Birch", "Cedar", "Dogwood"]), LAYOUTS[dpi], f"{dpi} DPI")
    t.drive("focus button")
    t.check_equal(row_colours(t, "before"), NORMAL, "high contrast off: the row table's colours")
    t.screenshot("before")

    # Each notification alone: the setting with the colours as they are, then
    # the colour change with the mode off again.
    answer = switch(t, "on", "keep", "setting")
    t.check_equal(answer["programSees"], True, "the program is told high contrast is on")
    rows_in_system_colours(t, answer, "setting-only")
    switch(t, "off", "keep", "syscolor")
    t.check_equal(row_colours(t, "syscolor-only"), NORMAL,
                  "WM_SYSCOLORCHANGE alone: the mode read again, the row table back")

    for theme, text in (("black", "#ffffff"), ("white", "#000000")):
        answer = switch(t, "on", theme, "both")
        rows_in_system_colours(t, answer, f"{theme}-theme")
        t.check(text_pixels(t, t.state(), 1, text, f"{theme}-theme") > 20,
                f"{theme} theme: row 1's text is drawn in the window text colour {text}")
        t.drive("select 1,2")
        colours = answer["colours"]
        t.check_equal(row_colours(t, f"{theme}-selected"),
                      [colours["window"], colours["highlight"], colours["highlight"], colours["window"]],
                      f"{theme} theme: rows 1 and 2 selected")
        t.drive("select 0")

    answer = switch(t, "off", "white", "both")
    t.check_equal(answer["programSees"], False, "the program is told high contrast is off")
    t.check_equal(row_colours(t, "after"), NORMAL, "high contrast off again: the row table's colours")
    state = t.state()
    listed, client = state["list"], state["client"]
    crop = f"{listed['w']}x{listed['h']}+{client['screenX'] + listed['x']}+{client['screenY'] + listed['y']}"
    t.check_equal(differing_pixels(t.work / f"{t.name}-before-screen.png", t.work / f"{t.name}-after-screen.png", crop),
                  0, "the list before and after high contrast: pixels that differ")
    t.screenshot("after")
    t.drive("msgbox-none 1")
