"""Shared parts of the display-scale end-to-end tests: the layout the window must
have at each resolution (worked out by hand from the design at 96 DPI, each
distance rounded half up), the prefix's resolution setting, and the measures of
how text is drawn that the screenshots are compared by."""

import subprocess

from e2e_lib import WINE

# The key Wine reads the resolution from (as Windows' display settings write it).
# Wine also honours HKLM\System\CurrentControlSet\Hardware Profiles\Current\
# Software\Fonts\LogPixels, which counts only where this value is missing.
LOG_PIXELS_KEY = r"HKCU\Control Panel\Desktop"

# By resolution: the client area at start; panel, list and button in the main
# window's client coordinates as (x, y, w, h); the fonts' LOGFONT heights
# (form, list, button; negative: character height); the list's row height; the
# snap distance; and how much taller the start client area is than the design's
# (the window is placed before FormCreate makes it taller).
LAYOUTS = {
    96: dict(client=(368, 457), panel=(4, 4, 358, 447), list=(12, 11, 343, 384), button=(12, 401, 343, 40),
             fonts=(-16, -15, -21), row=20, snap=10, start_growth=3),
    144: dict(client=(552, 686), panel=(6, 6, 537, 671), list=(18, 17, 514, 576), button=(18, 602, 514, 60),
              fonts=(-24, -23, -32), row=30, snap=15, start_growth=5),
    192: dict(client=(736, 914), panel=(8, 8, 716, 894), list=(24, 22, 686, 768), button=(24, 802, 686, 80),
              fonts=(-32, -30, -42), row=40, snap=20, start_growth=6),
}

# A screen of the same physical size at each resolution, so the window fits.
SCREENS = {96: (1024, 768), 144: (1536, 1152), 192: (2048, 1536)}


def set_log_pixels(t, dpi):
    """Sets the prefix's display resolution; programs started afterwards see it."""
    subprocess.run([WINE, "reg", "add", LOG_PIXELS_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"],
                   env=t.environment(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60, check=True)


def start_at(t, dpi, screen, names):
    """Starts the program at `dpi` on a `screen` with the packages `names` in its
    library; answers the window's first state."""
    t.screen_size = screen
    t.write_library(t.media_url())
    t.add_packages(names)
    t.start(launch=False)
    set_log_pixels(t, dpi)
    t.launch()
    return t.wait_ready()


def check_on_screen(t, window, screen, what):
    t.check(window["x"] >= 0 and window["y"] >= 0 and window["x"] + window["w"] <= screen[0]
            and window["y"] + window["h"] <= screen[1], f"{what}: {window} lies on the screen {screen}")


def rect(control):
    return (control["x"], control["y"], control["w"], control["h"])


def check_layout(t, state, layout, what, growth=0):
    """The client area and every control's rectangle are those of `layout`, with
    the window `growth` pixels taller than at start."""
    width, height = layout["client"]
    t.check_equal((state["client"]["w"], state["client"]["h"]), (width, height + growth), f"{what}: client area")
    x, y, w, h = layout["panel"]
    t.check_equal(rect(state["panel"]), (x, y, w, h + growth), f"{what}: panel")
    x, y, w, h = layout["list"]
    t.check_equal(rect(state["list"]), (x, y, w, h + growth), f"{what}: list")
    x, y, w, h = layout["button"]
    t.check_equal(rect(state["button"]), (x, y + growth, w, h), f"{what}: button")
    t.check_equal(state["list"]["itemHeight"], layout["row"], f"{what}: row height")


def check_fonts(t, fonts, layout, what):
    """The fonts the window's controls answer WM_GETFONT with, as the probe read them."""
    form, listed, button = layout["fonts"]
    found = {name: fonts[name] and (fonts[name]["height"], fonts[name]["weight"], fonts[name]["face"])
             for name in ("panel", "list", "button")}
    t.check_equal(found, {"panel": (form, 400, "Arial"), "list": (listed, 700, "Arial"),
                          "button": (button, 700, "Arial")}, f"{what}: fonts (height, weight, face)")


# ---- measuring drawn text ----------------------------------------------------

def grey_pixels(path, crop):
    """The pixels of `crop` (x, y, w, h) of a PNG file as rows of grey levels 0-255."""
    x, y, w, h = crop
    raw = subprocess.run(["convert", str(path), "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-colorspace", "Gray",
                          "-depth", "8", "gray:-"], capture_output=True, timeout=60, check=True).stdout
    return [list(raw[row * w:(row + 1) * w]) for row in range(h)]


def image_size(path):
    """(width, height) of an image file."""
    out = subprocess.run(["identify", "-format", "%w %h", str(path)], capture_output=True, text=True, timeout=30,
                         check=True).stdout.split()
    return int(out[0]), int(out[1])


def stretched(path, crop, factor_percent, target):
    """Writes `crop` of `path` stretched by `factor_percent` with linear
    interpolation, as the system scales the bitmap of a program drawn at 96 DPI."""
    x, y, w, h = crop
    subprocess.run(["convert", str(path), "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-filter", "Triangle",
                    "-resize", f"{factor_percent}%", str(target)], timeout=60, check=True)


INK = 200    # darker than this: touched by a glyph (backgrounds are 241 and 255)
SOLID = 60   # darker than this: inside a glyph's stroke


def edge_ramps(pixels):
    """The widths, in pixels, of the grey ramps along each pixel row where it goes
    from background into a glyph's stroke or out of it again."""
    ramps = []
    for row in pixels:
        side, grey = None, 0  # side: "light" or "solid" before the current grey run
        for value in row:
            if value >= INK:
                if side == "solid":
                    ramps.append(grey)
                side, grey = "light", 0
            elif value < SOLID:
                if side == "light":
                    ramps.append(grey)
                side, grey = "solid", 0
            else:
                grey += 1
    return ramps


def text_measures(pixels):
    """How a block of dark text on a light background is drawn: the height of the
    first line of text (first to last pixel row with ink in the first band), and
    the mean width of the grey ramps at the strokes' edges. Drawn at the
    display's resolution a stroke's edge has about one pixel of grey, at any
    resolution; a bitmap stretched by 1.5 or 2 has ramps 1.5 or 2 times as wide."""
    inked_rows = [any(v < INK for v in row) for row in pixels]
    first = inked_rows.index(True) if True in inked_rows else None
    line_height = 0
    if first is not None:
        last = first
        while last + 1 < len(inked_rows) and inked_rows[last + 1]:
            last += 1
        line_height = last - first + 1
    ramps = edge_ramps(pixels)
    return dict(line_height=line_height, edges=len(ramps),
                ramp=round(sum(ramps) / len(ramps), 3) if ramps else 0.0)
