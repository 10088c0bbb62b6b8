#!/usr/bin/env python3
"""The archiver's password prompt and the system's message boxes at a display
resolution above 96 DPI, compared with the same dialogs at 96 DPI in the same
prefix. The prompt's font is made for the resolution (8 points: 11 pixels at
96 DPI, 16 at 144, 21 at 192), its dialog base units grow with the scale, and
every control and its client area stand where its dialog units say; both
dialogs lie wholly on the screen.

Usage: test_dialogs_scale.py <144|192>"""

import sys

from display_scale_lib import SCREENS, check_on_screen, set_log_pixels
from e2e_lib import E2ETest, idle_caption
from ipa_packages import PackageSpec
from show_details_lib import add_package_specs

SPECS = [
    PackageSpec("Aspen", 320000001, binary=False),
    PackageSpec("Beech", 320000002, binary=True, password=b"vantrel"),
]
# The prompt's controls in dialog units (x, y, w, h), by class and text, and its client area.
PROMPT_CONTROLS = {("Static", "Enter password: "): (8, 8, 164, 8), ("Edit", ""): (8, 19, 164, 12),
                   ("Button", "OK"): (38, 41, 50, 14), ("Button", "Cancel"): (92, 41, 50, 14)}
PROMPT_CLIENT = (180, 63)


def pixels(units, base, per):
    """MapDialogRect's rounding: units * base / per, rounded as MulDiv rounds."""
    return (units * base * 2 + per) // (2 * per)


def check_prompt(t, layout, dpi):
    what = f"password prompt at {dpi} DPI"
    t.check_equal(layout["dpi"], dpi, f"{what}: its resolution")
    font = layout["font"]
    t.check_equal(font and font["height"], -((8 * dpi + 36) // 72), f"{what}: font of 8 points")
    base_x, base_y = layout["base"]["x"], layout["base"]["y"]
    t.check_equal((layout["client"]["w"], layout["client"]["h"]),
                  (pixels(PROMPT_CLIENT[0], base_x, 4), pixels(PROMPT_CLIENT[1], base_y, 8)),
                  f"{what}: client area of 180 x 63 dialog units")
    found = {(c["class"], c["text"]): (c["x"], c["y"], c["w"], c["h"]) for c in layout["controls"]}
    for key, (x, y, w, h) in PROMPT_CONTROLS.items():
        expected = (pixels(x, base_x, 4), pixels(y, base_y, 8), pixels(w, base_x, 4), pixels(h, base_y, 8))
        t.check_equal(found.get(key), expected, f"{what}: {key[0]} {key[1]!r} where its dialog units say")


def measured(t, what, dpi, screen, shot):
    """The open dialog's layout, checked to lie on the screen."""
    layout = t.drive("dialog-layout")[0]["layout"]
    t.log(f"  {what} at {dpi} DPI: {layout}")
    check_on_screen(t, layout["window"], screen, f"{what} at {dpi} DPI")
    t.last_state = {"window": layout["window"]}
    t.screenshot(f"{shot}-{dpi}")
    return layout


def prompt_at(t, dpi, screen):
    set_log_pixels(t, dpi)
    t.launch()
    t.wait_ready()
    t.drive("select 1", "click")
    t.drive("password-wait 30")
    layout = measured(t, "password prompt", dpi, screen, "prompt")
    check_prompt(t, layout, dpi)
    t.drive("password-press Cancel")
    t.wait_button(True, idle_caption())
    t.drive("close", "wait-exit 15")
    return layout


def message_box_at(t, dpi, screen):
    set_log_pixels(t, dpi)
    t.launch()
    box = t.wait_message_box()
    t.check_equal((box["text"], box["buttons"]), ("No iTunes found!", ["OK"]), f"message box at {dpi} DPI")
    layout = measured(t, "message box", dpi, screen, "message-box")
    t.drive("msgbox-press OK")
    t.wait_ready()
    t.drive("close", "wait-exit 15")
    return layout


dpi = int(sys.argv[1])
screen = SCREENS[dpi]

with E2ETest(f"DialogsScale-{dpi}") as t:
    t.screen_size = screen
    t.write_library(t.media_url())
    add_package_specs(t, SPECS)
    t.start(launch=False)
    t.install_converter()
    t.start_catalogue()

    at96 = prompt_at(t, 96, screen)
    scaled = prompt_at(t, dpi, screen)
    for axis in ("x", "y"):
        expected = at96["base"][axis] * dpi / 96
        t.check(abs(scaled["base"][axis] - expected) <= 1.5,
                f"prompt's base unit {axis}: {scaled['base'][axis]} at {dpi} DPI, {at96['base'][axis]} at 96")

    t.write_library("http://localhost/not-a-file-address/")
    box96 = message_box_at(t, 96, screen)
    box = message_box_at(t, dpi, screen)
    font96, font = box96["font"], box["font"]
    t.check(font96 is not None and font is not None and abs(font["height"]) >= abs(font96["height"]) * dpi / 96 - 1.5,
            f"message box font {font} at {dpi} DPI, {font96} at 96")
    t.check(box["window"]["w"] >= box96["window"]["w"] * dpi / 96 * 0.8,
            f"message box {box['window']['w']} wide at {dpi} DPI, {box96['window']['w']} at 96")
