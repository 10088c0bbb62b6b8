#!/usr/bin/env python3
"""WM_DPICHANGED, as the system sends it when the window is dragged to a monitor
of another scale (Wine has one resolution for all monitors and never sends it,
so the driver sends it from inside the program): the window takes the suggested
rectangle, keeps its fixed width for the new resolution, lays its controls out
and makes its fonts and rows for it; the list keeps its selection, its top row
and the focus; the size limits are those of the new resolution. Back at 96 DPI
the window is exactly as at start."""

from display_scale_lib import LAYOUTS, check_fonts, check_layout
from e2e_lib import E2ETest

NAMES = [f"App {number:02d}" for number in range(60)]
SELECTED = [3, 5, 40]


def kept(t, state, before, what):
    t.check_equal(state["list"]["selected"], before["list"]["selected"], f"{what}: selection kept")
    t.check_equal(state["list"]["top"], before["list"]["top"], f"{what}: top row kept")
    t.check_equal(state["focus"], "list", f"{what}: focus kept on the list")


def scaled_rect(window, dpi):
    """The outer rectangle the system suggests: the same top-left corner, the size
    scaled from 96 DPI (Windows rounds as MulDiv does)."""
    width = (window["w"] * dpi + 48) // 96
    height = (window["h"] * dpi + 48) // 96
    return window["x"], window["y"], window["x"] + width, window["y"] + height


with E2ETest("DisplayScale-dpi-changed") as t:
    t.screen_size = (1536, 1152)
    t.write_library(t.media_url())
    t.add_packages(NAMES)
    t.start()
    t.wait_ready()
    t.drive("select " + ",".join(map(str, SELECTED)), "focus list")
    for _ in range(4):
        t.drive("wheel list -120")
    before = t.state()
    t.check(before["list"]["top"] > 0, f"list scrolled to row {before['list']['top']}")
    start_window = before["window"]

    left, top, right, bottom = scaled_rect(start_window, 144)
    answer = t.drive(f"dpi-changed 144 {left} {top} {right} {bottom}")[0]["answer"]
    t.check_equal(answer.get("sent"), True, f"WM_DPICHANGED sent ({answer})")
    state = t.state()
    fonts = t.drive("fonts")[0]["fonts"]
    window = state["window"]
    t.check_equal((window["x"], window["y"]), (left, top), "144 DPI: the suggested rectangle's corner taken")
    t.check_equal(window["h"], bottom - top, "144 DPI: the suggested height taken")
    growth = state["client"]["h"] - LAYOUTS[144]["client"][1]
    t.check(growth >= 0, f"144 DPI: client area at least as tall as at start ({state['client']['h']})")
    check_layout(t, state, LAYOUTS[144], "144 DPI", growth=growth)
    check_fonts(t, fonts, LAYOUTS[144], "144 DPI")
    kept(t, state, before, "144 DPI")
    t.screenshot("dpi144")

    # The size limits of the new resolution: not narrower, wider or shorter.
    t.drive(f"resize {window['w'] - 60} {window['h'] - 300}")
    limited = t.state()
    t.check_equal((limited["client"]["w"], limited["client"]["h"]), LAYOUTS[144]["client"],
                  "144 DPI: the smallest window has the start client area")
    check_layout(t, limited, LAYOUTS[144], "144 DPI, smallest")
    t.drive(f"resize {window['w']} {window['h']}")

    x, y = start_window["x"], start_window["y"]
    answer = t.drive(f"dpi-changed 96 {x} {y} {x + start_window['w']} {y + start_window['h']}")[0]["answer"]
    t.check_equal(answer.get("sent"), True, "WM_DPICHANGED back to 96 sent")
    state = t.state()
    fonts = t.drive("fonts")[0]["fonts"]
    t.check_equal(state["window"], start_window, "96 DPI again: the window's rectangle as at start")
    check_layout(t, state, LAYOUTS[96], "96 DPI again")
    check_fonts(t, fonts, LAYOUTS[96], "96 DPI again")
    kept(t, state, before, "96 DPI again")
    t.last_state = state
