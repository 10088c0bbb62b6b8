"""Headless Chromium for looking at the catalogue's pages as a user's browser
shows them: a screenshot at a given window size and colour scheme, and the
document as the browser built it (its DOM, serialised).

Each call starts a fresh browser with an empty profile and the switches that
keep it from reaching out to the network on its own."""

import shutil
import subprocess
import tempfile

BROWSER_SECONDS = 60
SWITCHES = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--hide-scrollbars",
    # The pages are on the loopback: a proxy of the machine's settings has no part in them.
    "--no-proxy-server",
]


def browser():
    """The Chromium program, or None when none is installed."""
    return shutil.which("chromium") or shutil.which("chromium-browser")


def _run(arguments):
    program = browser()
    if program is None:
        raise FileNotFoundError("chromium is not installed")
    with tempfile.TemporaryDirectory(prefix="vantrel-browser-") as profile:
        return subprocess.run([program, *SWITCHES, f"--user-data-dir={profile}", *arguments],
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=BROWSER_SECONDS, check=True)


def _languages(languages):
    """The switch that sets the browser's Accept-Language ("de-DE,de"), if asked for."""
    return [f"--accept-lang={languages}"] if languages else []


def screenshot(url, path, width=800, height=600, dark=False, languages=None):
    """Renders `url` into the PNG file `path`; dark asks for the dark colour
    scheme, languages for the browser's languages (its Accept-Language)."""
    scheme = ["--force-dark-mode", "--blink-settings=preferredColorScheme=0"] if dark else []
    _run([*scheme, *_languages(languages), f"--window-size={width},{height}", f"--screenshot={path}", url])


def dump_dom(url, languages=None):
    """The document at `url` as the browser built it, serialised as HTML text."""
    return _run([*_languages(languages), "--dump-dom", url]).stdout.decode("utf-8")
