#!/usr/bin/env python3
"""The catalogue's page as a real browser shows it: the service (started on a
free loopback port) answers a submission, headless Chromium loads the page it
names and the test reads what the browser built and what it drew.

Usage: page_render_test.py CATALOGUE_EXE WORK_DIR
Exit status 0 when every check holds, 1 with the failed checks listed, 77 when
no Chromium is installed (CTest reports the test as skipped)."""

import re
import subprocess
import sys
import time
import urllib.request
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "testkit" / "demo"))
import page_browser  # noqa: E402

# Two identifiers, a repeat, and entries that are not identifiers: markup and
# script among them, which must reach the page as nothing but a count.
SUBMITTED = "284882215,42,284882215,<script>alert(1)</script>,\"onmouseover=x,12345678901234567890"
EXPECTED_IDS = ["284882215", "42", "12345678901234567890"]


def start_service(exe, work):
    port_file = work / "port.txt"
    port_file.unlink(missing_ok=True)
    service = subprocess.Popen([exe, "--port", "0", "--port-file", str(port_file), "--no-lookup"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 30
    while not port_file.exists():
        if time.monotonic() > deadline or service.poll() is not None:
            service.kill()
            raise RuntimeError("the catalogue service did not start")
        time.sleep(0.05)
    return service, int(port_file.read_text())


def submit(port):
    query = urllib.request.quote(SUBMITTED, safe=",")
    direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))  # no proxy from the environment
    with direct.open(f"http://127.0.0.1:{port}/input/submit.php?dataset={query}", timeout=10) as reply:
        return reply.read().decode("ascii").strip()


def image_figures(path):
    """Distinct colours and mean brightness (0 to 1) of a PNG, by ImageMagick."""
    text = subprocess.run(["convert", str(path), "-colorspace", "Gray", "-format", "%k %[fx:mean]", "info:"],
                          capture_output=True, text=True, check=True).stdout.split()
    colours = int(subprocess.run(["identify", "-format", "%k", str(path)], capture_output=True, text=True,
                                 check=True).stdout)
    return colours, float(text[1])


def check_dom(dom, failures):
    links = re.findall(r'<a href="([^"]*)">([^<]*)</a>', dom)
    expected = [(f"https://apps.apple.com/app/id{i}", i) for i in EXPECTED_IDS]
    if links != expected:
        failures.append(f"links in the DOM: {links}, expected {expected}")
    if "<title>Selected apps (3)</title>" not in dom:
        failures.append("the title does not count three apps")
    if "2 entries were not app identifiers and were left out." not in dom:
        failures.append("the note about the dropped entries is missing")
    if "<script" in dom or "onmouseover" in dom:
        failures.append("submitted markup reached the page")


def check_screenshots(url, work, failures):
    shots = {}
    for name, width, dark in (("light-narrow", 360, False), ("dark-narrow", 360, True), ("light-wide", 1024, False)):
        path = work / f"page-{name}.png"
        path.unlink(missing_ok=True)
        page_browser.screenshot(url, path, width=width, height=640, dark=dark)
        shots[name] = image_figures(path)
        # A blank page is one colour; text, links and rules give many.
        if shots[name][0] < 16:
            failures.append(f"{path.name} looks blank: {shots[name][0]} colours")
    if not shots["dark-narrow"][1] < 0.5 < shots["light-narrow"][1]:
        failures.append(f"dark mode is not dark: mean brightness light {shots['light-narrow'][1]:.2f}, "
                        f"dark {shots['dark-narrow'][1]:.2f}")


def main():
    if page_browser.browser() is None:
        print("skipped: chromium is not installed")
        return 77
    exe, work = sys.argv[1], Path(sys.argv[2])
    work.mkdir(parents=True, exist_ok=True)
    service, port = start_service(exe, work)
    failures = []
    try:
        url = submit(port)
        if not re.fullmatch(rf"http://localhost:{port}/apps/[0-9a-f]{{32}}\.html", url):
            failures.append(f"unexpected page address {url!r}")
        else:
            check_dom(page_browser.dump_dom(url), failures)
            check_screenshots(url, work, failures)
    finally:
        service.kill()
        service.wait()
    for failure in failures:
        print(f"FAILED: {failure}")
    print("screenshots in", work)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
