#!/usr/bin/env python3
"""The window at a display resolution above 96 DPI (the prefix's LogPixels):
the program says it is per-monitor aware, its client area and every control's
rectangle are the design's scaled to the resolution, its fonts (read back from
the controls) are made for it, it snaps within the scaled distance, and the
show-details command still works. Its text is drawn at the display's
resolution: compared with the same rows at 96 DPI, the first line of text is
taller by the scale and its strokes' edges are as thin as at 96 DPI, where a
bitmap drawn at 96 DPI and stretched (as Windows does for programs that are
not aware) has edges of twice the grey.

Usage: test_display_scale.py <144|192>"""

import sys

from display_scale_lib import (LAYOUTS, SCREENS, check_fonts, check_layout, grey_pixels, image_size, set_log_pixels,
                               stretched, text_measures)
from driver_client import capture_screen
from e2e_lib import E2ETest
from ipa_packages import PackageSpec
from show_details_lib import add_package_specs, check_page_opened, check_request, run_command

SPECS = [
    PackageSpec("Alder", 320000001, binary=True, deflated=True),
    PackageSpec("Birch", 320000002, binary=False, deflated=False),
    PackageSpec("Cedar", 320000003, binary=False, deflated=True),
]
PER_MONITOR = 2  # the thread's awareness: DPI_AWARENESS_PER_MONITOR_AWARE
EDGE_MARGIN = 3  # inside the list's sunken edge


def text_crop(state):
    """The screen rectangle of the list's rows, inside its edge."""
    listed = state["list"]
    x = state["client"]["screenX"] + listed["x"] + EDGE_MARGIN
    y = state["client"]["screenY"] + listed["y"] + EDGE_MARGIN
    return (x, y, listed["w"] - 2 * EDGE_MARGIN - 30, len(SPECS) * listed["itemHeight"] - EDGE_MARGIN)


def photograph_rows(t, label):
    """With no row selected and the focus on the button (so no focus rectangle
    crosses the text), photographs the screen and the window; returns the
    screenshot's path and the rows' rectangle in it."""
    t.drive("select none", "focus button")
    state = t.state()
    shot = t.work / f"{t.name}-{label}-screen.png"
    capture_screen(shot, t.environment())
    t.screenshot(label)
    return shot, text_crop(state)


def check_start_place(t, state, layout, screen):
    window = state["window"]
    t.check_equal((window["x"], window["y"]),
                  ((screen[0] - window["w"]) // 2, (screen[1] - (window["h"] - layout["start_growth"])) // 4),
                  "window placed centred, a quarter of the free height down")


def check_snapping(t, layout):
    snap = layout["snap"]
    moved = t.drive(f"move {snap - 1} 100")[0]["window"]
    t.check_equal((moved["x"], moved["y"]), (0, 100), f"{snap - 1} pixels from the left edge: snapped onto it")
    moved = t.drive(f"move {snap} 100")[0]["window"]
    t.check_equal((moved["x"], moved["y"]), (snap, 100), f"{snap} pixels from the left edge: left where it was put")


def check_text_drawn_for_display(t, reference, scaled, dpi):
    ref_shot, ref_crop = reference
    shot, crop = scaled
    at96 = text_measures(grey_pixels(ref_shot, ref_crop))
    real = text_measures(grey_pixels(shot, crop))
    target = t.work / f"{t.name}-stretched.png"
    stretched(ref_shot, ref_crop, dpi * 100 // 96, target)
    fake = text_measures(grey_pixels(target, (0, 0) + image_size(target)))
    t.log(f"  text at 96 DPI {at96}, at {dpi} DPI {real}, 96 DPI stretched {fake}")
    expected_height = at96["line_height"] * dpi / 96
    t.check(abs(real["line_height"] - expected_height) <= 2,
            f"first line {real['line_height']} pixels tall, {dpi}/96 of {at96['line_height']} at 96 DPI")
    t.check(real["ramp"] < 1,
            f"strokes' edges: grey ramps {real['ramp']} pixels wide on average, under one pixel "
            f"({at96['ramp']} at 96 DPI)")
    t.check(fake["ramp"] >= real["ramp"] + 0.3,
            f"a stretched 96-DPI bitmap has wider ramps ({fake['ramp']}) than the text drawn for the display")

dpi = int(sys.argv[1])
layout = LAYOUTS[dpi]
screen = SCREENS[dpi]

with E2ETest(f"DisplayScale-{dpi}") as t:
    t.screen_size = screen
    t.write_library(t.media_url())
    add_package_specs(t, SPECS)
    t.start(launch=False)
    t.install_converter()
    base = t.start_catalogue()

    # First at 96 DPI: the window as designed, and the reference picture.
    t.launch()
    state = t.wait_ready()
    check_layout(t, state, LAYOUTS[96], "96 DPI")
    reference = photograph_rows(t, "dpi96")
    t.drive("close", "wait-exit 15")

    set_log_pixels(t, dpi)
    t.launch()
    state = t.wait_ready()
    fonts = t.drive("fonts")[0]["fonts"]
    t.check_equal((fonts["dpi"]["window"], fonts["dpi"]["awareness"]), (dpi, PER_MONITOR),
                  "the window's resolution and the program's awareness")
    check_layout(t, state, layout, f"{dpi} DPI")
    check_fonts(t, fonts, layout, f"{dpi} DPI")
    check_start_place(t, state, layout, screen)
    scaled = photograph_rows(t, f"dpi{dpi}")
    check_text_drawn_for_display(t, reference, scaled, dpi)
    check_snapping(t, layout)

    # The main job: the selected packages' identifiers reach the service and
    # its page is opened.
    state = run_command(t, ["select 0,2"])
    identifiers = ["320000001", "320000003"]
    check_request(t, identifiers)
    check_page_opened(t, base, identifiers)
    t.check_equal(state["list"]["selected"], [0, 2], "selection kept through the command")
    t.drive("msgbox-none 1")
    t.last_state = state
