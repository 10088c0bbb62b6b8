#!/usr/bin/env python3
"""The window fits the screen at every scale. Xvfb has no taskbar, so the work
area is the whole screen. Where the start size fits, the window is placed and
limited exactly as the start-up rule says (centred, a quarter of the free height
down; as wide as at start, never shorter). Where it does not (144 and 192 DPI on
1024 x 768), it starts as tall as the screen, caption on it, centred across it,
with its controls anchored into the smaller client area; it cannot be made
shorter than that (taller, as at any scale); a move to another scale (WM_DPICHANGED)
follows the same rule.

Usage: test_window_fit.py <96|144|192> <small|large>"""

import sys

from display_scale_lib import LAYOUTS, check_layout, check_on_screen, start_at
from e2e_lib import E2ETest

SCREENS = {"small": (1024, 768), "large": (2560, 1600)}
NAMES = [f"App {number:02d}" for number in range(30)]


def frame(state):
    window, client = state["window"], state["client"]
    return window["w"] - client["w"], window["h"] - client["h"]


def fits(state, layout, screen):
    extra_w, extra_h = frame(state)
    width, height = layout["client"]
    return width + extra_w <= screen[0] and height + extra_h <= screen[1]


def check_fit(t, state, screen, what):
    check_on_screen(t, state["window"], screen, what)
    t.check(state["client"]["screenY"] > 0, f"{what}: the caption above the client area is on the screen")


def check_cut_layout(t, state, layout, screen, what):
    """As tall as the screen allows, the controls anchored into the smaller client area."""
    t.check_equal(state["client"]["h"], screen[1] - frame(state)[1], f"{what}: client area as tall as the screen allows")
    check_layout(t, state, layout, what, growth=state["client"]["h"] - layout["client"][1])


def check_limits(t, state, what):
    """Never narrower, wider or shorter than at start: the start height the screen allowed."""
    window = state["window"]
    t.drive(f"resize {window['w'] - 50} {window['h'] - 200}")
    smaller = t.state()
    t.check_equal((smaller["window"]["w"], smaller["window"]["h"]), (window["w"], window["h"]),
                  f"{what}: cannot be made narrower or shorter than at start")
    t.drive(f"resize {window['w'] + 50} {window['h']}")
    t.check_equal(t.state()["window"]["w"], window["w"], f"{what}: cannot be made wider")
    t.drive(f"resize {window['w']} {window['h']}")


dpi = int(sys.argv[1])
size = sys.argv[2]
screen = SCREENS[size]
layout = LAYOUTS[dpi]

with E2ETest(f"WindowFit-{dpi}-{size}") as t:
    state = start_at(t, dpi, screen, NAMES)
    window = state["window"]
    check_fit(t, state, screen, "at start")
    if fits(state, layout, screen):
        t.log(f"  {dpi} DPI on {screen}: the start size fits")
        check_layout(t, state, layout, f"{dpi} DPI")
        t.check_equal((window["x"], window["y"]),
                      ((screen[0] - window["w"]) // 2, (screen[1] - (window["h"] - layout["start_growth"])) // 4),
                      "placed as the start-up rule says")
    else:
        t.log(f"  {dpi} DPI on {screen}: the start size does not fit")
        t.check_equal((window["y"], window["h"]), (0, screen[1]), "as tall as the screen, from its top")
        t.check_equal(window["x"], (screen[0] - window["w"]) // 2, "centred across the screen")
        check_cut_layout(t, state, layout, screen, "at start")
    t.screenshot("start")
    check_limits(t, t.state(), "limits")

    if dpi == 96:
        # The window moves to a monitor of twice the scale: the suggested rectangle
        # (the same corner, twice the size) does not fit a small screen.
        state = t.state()
        window = state["window"]
        suggested = (window["x"], window["y"], window["x"] + 2 * window["w"], window["y"] + 2 * window["h"])
        answer = t.drive("dpi-changed 192 " + " ".join(map(str, suggested)))[0]["answer"]
        t.check_equal(answer.get("sent"), True, f"WM_DPICHANGED sent ({answer})")
        state = t.state()
        if size == "small":
            check_fit(t, state, screen, "192 DPI")
            t.check_equal((state["window"]["y"], state["window"]["h"]), (0, screen[1]),
                          "192 DPI: cut to the screen's height and moved onto it")
            check_cut_layout(t, state, LAYOUTS[192], screen, "192 DPI")
        else:
            t.check_equal((state["window"]["x"], state["window"]["y"]), suggested[:2],
                          "192 DPI: the suggested corner taken where it fits")
            check_layout(t, state, LAYOUTS[192], "192 DPI", growth=state["client"]["h"] - LAYOUTS[192]["client"][1])
        t.screenshot("dpi-changed-192")
    t.drive("msgbox-none 1")
