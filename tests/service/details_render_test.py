#!/usr/bin/env python3
"""The details page as a real browser shows it: the stand-in store program
(vantrel-store-standin) lists the demo's apps but one, plus an app whose texts
carry markup; the catalogue service looks them up there; headless Chromium
loads the page once every lookup has ended, and the test reads the text the
browser built, checks that the browser fetched the icons from the stand-in (the
page's content policy let them through) and that the screenshot is not blank.

Usage: details_render_test.py CATALOGUE_EXE STANDIN_EXE WORK_DIR
Exit status 0 when every check holds, 1 with the failed checks listed, 77 when
no Chromium is installed. The screenshot is WORK_DIR/details-page.png."""

import html
import json
import re
import subprocess
import sys
import time
import urllib.request
from pathlib import Path

HERE = Path(__file__).resolve()
sys.path.insert(0, str(HERE.parents[2] / "testkit" / "demo"))
sys.path.insert(0, str(HERE.parent))
import page_browser  # noqa: E402
import store_records  # noqa: E402
from page_render_test import image_figures  # noqa: E402

HOSTILE_ID = 555000111
HOSTILE_NAME = "<img src=x onerror=alert(1)> \"Quoted\" \u202eReversed"
DIRECT = urllib.request.build_opener(urllib.request.ProxyHandler({}))  # no proxy from the environment


def write_records(path):
    lines = store_records.demo_lines()
    hostile = store_records.record(HOSTILE_ID, HOSTILE_NAME, store_records.DETAILS[987654321])
    hostile["artistName"] = "</ul><script>alert(2)</script>"
    lines.append(f"{HOSTILE_ID}\t{json.dumps(hostile)}")
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")


def start(command, port_file, output):
    port_file.unlink(missing_ok=True)
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT)
    deadline = time.monotonic() + 30
    while not port_file.exists():
        if time.monotonic() > deadline or process.poll() is not None:
            process.kill()
            raise RuntimeError(f"{Path(command[0]).name} did not start")
        time.sleep(0.05)
    return process, int(port_file.read_text())


def submit(port, ids):
    with DIRECT.open(f"http://127.0.0.1:{port}/input/submit.php?dataset={','.join(map(str, ids))}",
                     timeout=10) as reply:
        return reply.read().decode("ascii").strip()


def wait_until_complete(url):
    """Views the page until it no longer asks to be reloaded (every lookup ended)."""
    deadline = time.monotonic() + 30
    while True:
        with DIRECT.open(url, timeout=10) as reply:
            if reply.headers.get("Refresh") is None:
                return
        if time.monotonic() > deadline:
            raise RuntimeError("the page still reloads itself after 30 s")
        time.sleep(0.2)


def visible_text(dom):
    """The document's text as one line: tags dropped, entities decoded, spaces joined."""
    return re.sub(r"\s+", " ", html.unescape(re.sub(r"<[^>]*>", " ", dom)).replace("\u00a0", " "))


def check_text(dom, origin, failures):
    text = visible_text(dom)
    expected = ["Selected apps (5)", "5 apps: 4 in the App Store in Germany, 1 no longer listed.",
                "Harbor Tides", "Pocket Atlas", "Starling Radio", "Saltmarsh Software GmbH", "Navigation",
                "4.6 / 5 (18,234 ratings)", "2.4.1", "Not in the App Store in Germany.", "1122334455",
                "iOS 15.0", "4,99 €", "12+"]
    for piece in expected:
        if piece not in text:
            failures.append(f"the page's text lacks {piece!r}")
    for item_id in (1034567891, 987654321, 1203948576, HOSTILE_ID):
        if f'src="{origin}/icons/{item_id}.png"' not in dom:
            failures.append(f"no icon from the stand-in for {item_id}")
    if "1122334455.png" in dom:
        failures.append("the unlisted app has an icon")
    if "<script" in dom or 'src="x"' in dom or "onerror" in dom.replace("onerror=alert(1)&gt;", ""):
        failures.append("markup from the store reached the page as markup")
    if "&lt;img src=x onerror=alert(1)&gt;" not in dom:
        failures.append("the name with markup is not shown as text")


def check_german(dom, failures):
    """The same page for a browser that asks for German first."""
    text = visible_text(dom)
    if '<html lang="de">' not in dom:
        failures.append("the German page is not marked lang=de")
    for piece in ("5 Apps: 4 im App Store in Deutschland, 1 nicht mehr gelistet.",
                  "Nicht im App Store in Deutschland.", "4,6 / 5 (18.234 Bewertungen)", "2.4.1 (18. März 2024)"):
        if piece not in text:
            failures.append(f"the German page's text lacks {piece!r}")


def check_screenshot(url, path, failures):
    path.unlink(missing_ok=True)
    page_browser.screenshot(url, path, width=900, height=1300)
    colours, _ = image_figures(path)
    if colours < 64:  # text alone gives a few dozen shades; icons give many more
        failures.append(f"{path.name} looks blank or without icons: {colours} colours")


def main():
    if page_browser.browser() is None:
        print("skipped: chromium is not installed")
        return 77
    catalogue_exe, standin_exe, work = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    work.mkdir(parents=True, exist_ok=True)
    records = work / "store-records.txt"
    write_records(records)
    failures = []
    with open(work / "standin.log", "w") as standin_log, open(work / "catalogue.log", "w") as catalogue_log:
        standin, store_port = start([standin_exe, "--records", str(records), "--port-file", str(work / "store-port")],
                                    work / "store-port", standin_log)
        origin = f"http://127.0.0.1:{store_port}"
        service = None
        try:
            service, port = start([catalogue_exe, "--port", "0", "--port-file", str(work / "port"), "--lookup-url",
                                   f"{origin}/lookup", "--country", "de"], work / "port", catalogue_log)
            ids = [item_id for _, _, item_id, _ in store_records.DEMO_APPS] + [HOSTILE_ID]
            url = submit(port, ids)
            wait_until_complete(url)
            check_text(page_browser.dump_dom(url), origin, failures)
            check_german(page_browser.dump_dom(url, languages="de-DE,de;q=0.9,en;q=0.5"), failures)
            check_screenshot(url, work / "details-page.png", failures)
        finally:
            for process in (service, standin):
                if process is not None:
                    process.kill()
                    process.wait()
    icons = [line for line in (work / "standin.log").read_text().splitlines() if line.startswith("GET /icons/")]
    if len(icons) < 4:
        failures.append(f"the browser fetched {len(icons)} icons from the stand-in, expected 4 or more")
    for failure in failures:
        print(f"FAILED: {failure}")
    print("screenshot:", work / "details-page.png")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
