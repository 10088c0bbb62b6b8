#!/usr/bin/env python3
"""Drives the demo of scripts/run.sh when there is no X display of the user's:
with vantrel.exe started on a virtual display, it waits for the window, chooses
Select all, takes a screenshot, clicks the show-details button, waits until the
run is done (the button enabled again and the shell asked to open an address),
takes a second screenshot and prints the address and both screenshot paths.

Usage: drive_demo.py --driver EXE --record FILE --shots DIR [--requests FILE] [--node-modules DIR]

--record is the shell recorder's file (the prefix's registered browser appends
every address to it), --requests the catalogue service's output (request lines),
DIR receives vantrel-before.png and vantrel-after.png, and the page opened as
headless Chromium set to German renders it (when Chromium is installed):
catalogue-page-light.png, -dark.png and -print.png (the print style), taken by
page_shots.js with the npm packages of --node-modules. The environment is that
of the program (WINEPREFIX, DISPLAY). Exit status 0 when the run delivered an
address, 1 with a message otherwise."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "test_driver"))
from driver_client import capture_screen, failed_step, run_driver, step_arguments  # noqa: E402
import page_browser  # noqa: E402

WINDOW_SECONDS = 90  # the first start of a prefix takes a while
RUN_SECONDS = 90


class DemoError(Exception):
    pass


def wait_until_complete(url, seconds=30):
    """Views the page until it no longer asks to be reloaded: every lookup ended."""
    direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    deadline = time.monotonic() + seconds
    while True:
        with direct.open(url, timeout=10) as reply:
            if reply.headers.get("Refresh") is None:
                return
        if time.monotonic() > deadline:
            raise DemoError(f"the page still reloads itself after {seconds} s")
        time.sleep(0.3)


class Demo:
    def __init__(self, options):
        self.driver = options.driver
        self.record = Path(options.record)
        self.requests = Path(options.requests) if options.requests else None
        self.shots = Path(options.shots)
        self.node_modules = Path(options.node_modules) if options.node_modules else None
        self.output = Path(tempfile.mkstemp(prefix="vantrel-driver-", suffix=".out")[1])

    def drive(self, *steps):
        code, lines, text = run_driver(self.driver, step_arguments(steps), os.environ, None, self.output)
        if code != 0:
            raise DemoError(failed_step(lines, text))
        return lines

    def screenshot(self, label, state):
        path = self.shots / f"vantrel-{label}.png"
        if not capture_screen(path, os.environ, state.get("window")):
            raise DemoError(f"no screenshot {path}")
        return path

    def addresses(self):
        return self.record.read_text(encoding="utf-8").splitlines() if self.record.exists() else []

    def wait_until_done(self):
        """Polls until the button is enabled again and an address reached the shell."""
        deadline = time.monotonic() + RUN_SECONDS
        while True:
            state = self.drive("state")[-1]
            if state["button"]["enabled"] and self.addresses():
                return state
            if time.monotonic() > deadline:
                raise DemoError(f"the run did not finish in {RUN_SECONDS} s: button {state['button']}, "
                                f"addresses opened {self.addresses()}")
            time.sleep(0.3)

    def run(self):
        state = self.drive(f"wait-window {WINDOW_SECONDS}", f"wait-visible {WINDOW_SECONDS}", "menu MenuSelAll",
                           "state")[-1]
        rows = state["list"]["rows"]
        if not rows:
            raise DemoError("the window lists no app packages")
        before = self.screenshot("before", state)
        self.drive("click")
        after = self.screenshot("after", self.wait_until_done())
        self.drive("msgbox-none 1")
        print(f"run: {len(rows)} apps selected: {', '.join(rows)}")
        if self.requests and self.requests.exists():
            for line in self.requests.read_text(encoding="utf-8", errors="replace").splitlines():
                if "/input/submit.php" in line:
                    print(f"run: the catalogue service received: {line}")
        print(f"run: the shell was asked to open: {self.addresses()[0]}")
        print(f"run: screenshot before the click: {before}")
        print(f"run: screenshot after the run:    {after}")
        for line in self.page_screenshots(self.addresses()[0]):
            print(f"run: the page the user sees:      {line}")

    def page_screenshots(self, url):
        """The opened page rendered by a real browser, as the user's would show it,
        once the service has every app's details (the page no longer reloads):
        light, dark and printed. Returns the screenshots' paths, or why there are none."""
        for old in self.shots.glob("catalogue-page*.png"):
            old.unlink()
        node = shutil.which("node")
        if page_browser.browser() is None or node is None or self.node_modules is None:
            return ["(not taken: chromium, node or the npm packages are missing)"]
        try:
            wait_until_complete(url)
            # A browser set to German, as the demo's program speaks it.
            done = subprocess.run([node, str(Path(__file__).resolve().parent / "page_shots.js"),
                                   str(self.node_modules), page_browser.browser(), url, str(self.shots),
                                   "de-DE,de;q=0.9"], capture_output=True, text=True, timeout=120)
        except (OSError, subprocess.SubprocessError, DemoError) as error:
            return [f"(not taken: {error})"]
        if done.returncode != 0:
            return [f"(not taken: {done.stderr.strip()[-300:]})"]
        return done.stdout.split()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--driver", required=True)
    parser.add_argument("--record", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--requests")
    parser.add_argument("--node-modules")
    demo = Demo(parser.parse_args())
    try:
        demo.run()
    except (DemoError, OSError, subprocess.TimeoutExpired) as error:
        print(f"run: the demo failed: {error}", file=sys.stderr)
        return 1
    finally:
        demo.output.unlink(missing_ok=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
