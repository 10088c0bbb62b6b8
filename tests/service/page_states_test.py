#!/usr/bin/env python3
"""The catalogue's pages in every state, checked in one Chromium by
page_check/check_pages.js: each state is a page submitted to a native service
that brings it about and viewed until it shows that state.

Usage: page_states_test.py CATALOGUE_EXE STANDIN_EXE NODE_MODULES WORK_DIR
Exit status 0 when every check holds, 1 with the findings listed, 77 when no
Chromium is installed."""

import json
import shutil
import socket
import subprocess
import sys
import time
import urllib.request
from dataclasses import dataclass, field
from pathlib import Path

HERE = Path(__file__).resolve()
sys.path.insert(0, str(HERE.parents[2] / "testkit" / "demo"))
import page_browser  # noqa: E402
import store_records  # noqa: E402

DIRECT = urllib.request.build_opener(urllib.request.ProxyHandler({}))  # no proxy from the environment
DEMO_IDS = [item_id for _, _, item_id, _ in store_records.DEMO_APPS]
UNLISTED_IDS = [1900000001, 1900000002, 1900000003]
# A full page: the store lists half of its apps (with details and icons) and not the other half.
THOUSAND_IDS = [1500000000 + i for i in range(1000)]
SETTLE_SECONDS = 60


def shows_complete(page, refresh):
    return refresh is None and 'class="alert"' not in page and 'class="app"' in page


@dataclass
class PageState:
    name: str
    service: str          # a kind of Services.catalogue
    ids: list
    shows: object         # (page, Refresh header) -> whether the page is in this state
    languages: list = field(default_factory=lambda: ["de", "en"])
    reloads: bool = False  # the page reloads itself: the reader must keep their place


# Every state a page can be in, checked in this order; they are made in the
# reverse order, so that the states that change soonest (the unreachable
# store is asked again half a minute later) are checked first.
STATES = [
    PageState("store unreachable", "no-store", DEMO_IDS, lambda page, refresh: 'class="alert"' in page),
    PageState("store holding", "holding-store", DEMO_IDS,
              lambda page, refresh: refresh is not None and "asked us to wait" in page),
    PageState("loading", "slow-store", THOUSAND_IDS[:200],
              lambda page, refresh: refresh is not None and "Looking up" in page, reloads=True),
    PageState("complete", "store", DEMO_IDS, shows_complete),
    PageState("not listed", "store", UNLISTED_IDS,
              lambda page, refresh: refresh is None and 'class="app"' not in page and "Not in the App Store" in page),
    PageState("1,000 apps", "store", THOUSAND_IDS, shows_complete),
    PageState("without lookups", "no-lookup", DEMO_IDS, lambda page, refresh: 'class="links"' in page,
              ["de", "en", "fr"]),
]


def write_records(path):
    details = list(store_records.DETAILS.values())
    lines = store_records.demo_lines()
    for n, item_id in enumerate(THOUSAND_IDS[::2]):
        record = store_records.record(item_id, f"Sample App {n + 1}", details[n % len(details)])
        lines.append(f"{item_id}\t{json.dumps(record)}")
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")


def closed_loopback_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Services:
    """The processes started for the states; each kind once, on demand."""

    def __init__(self, catalogue_exe, standin_exe, work):
        self.catalogue_exe, self.standin_exe, self.work = catalogue_exe, standin_exe, work
        self.processes, self.ports = [], {}
        write_records(work / "store-records.txt")

    def start(self, name, command):
        port_file = self.work / f"{name}.port"
        port_file.unlink(missing_ok=True)
        with open(self.work / f"{name}.log", "wb") as log:
            process = subprocess.Popen([*command, "--port-file", str(port_file)], stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=subprocess.STDOUT)
        self.processes.append(process)
        deadline = time.monotonic() + 30
        while not port_file.exists() or not port_file.read_text().strip():
            if time.monotonic() > deadline or process.poll() is not None:
                raise RuntimeError(f"{name} did not start (see {self.work / (name + '.log')})")
            time.sleep(0.05)
        return int(port_file.read_text())

    def standin(self, delay_ms, *options):
        name = f"standin-{delay_ms}{''.join(options)}"
        if name not in self.ports:
            self.ports[name] = self.start(name, [self.standin_exe, "--records", str(self.work / "store-records.txt"),
                                                 "--delay-ms", str(delay_ms), *options])
        return f"http://127.0.0.1:{self.ports[name]}/lookup"

    def catalogue(self, kind):
        if kind not in self.ports:
            lookup = {"store": lambda: ["--lookup-url", self.standin(0)],
                      "slow-store": lambda: ["--lookup-url", self.standin(60000)],
                      # The store asks for ten minutes' rest: the page says until when.
                      "holding-store": lambda: ["--lookup-url", self.standin(0, "--too-many", "600")],
                      "no-store": lambda: ["--lookup-url", f"http://127.0.0.1:{closed_loopback_port()}/lookup"],
                      "no-lookup": lambda: ["--no-lookup"]}[kind]()
            self.ports[kind] = self.start(kind, [self.catalogue_exe, "--port", "0", "--country", "de", *lookup])
        return self.ports[kind]

    def stop(self):
        for process in self.processes:
            process.kill()
            process.wait()


def submit(port, ids):
    with DIRECT.open(f"http://127.0.0.1:{port}/input/submit.php?dataset={','.join(map(str, ids))}",
                     timeout=10) as reply:
        return reply.read().decode("ascii").strip().replace("http://localhost:", "http://127.0.0.1:")


def wait_for(state, url):
    deadline = time.monotonic() + SETTLE_SECONDS
    while True:
        with DIRECT.open(url, timeout=10) as reply:
            page, refresh = reply.read().decode("utf-8"), reply.headers.get("Refresh")
        if state.shows(page, refresh):
            return
        if time.monotonic() > deadline:
            raise RuntimeError(f"the page never showed the state {state.name!r} in {SETTLE_SECONDS} s")
        time.sleep(0.2)


def report(results):
    """Prints one line per state, language and scheme; returns the findings."""
    findings = []
    for r in results:
        rules = ", ".join(f"{v['rule']} ({v['impact']}, {v['count']}: {'; '.join(v['nodes'])})" for v in r["violations"])
        print(f"  {r['state']:<18} {r['language']}  {r['scheme']:<5} ({r['background']})  "
              f"axe: {len(r['violations'])} violations, "
              f"{r['passes']} rules passed" + (f"; printed links {r['printedLinks']}" if r["printedLinks"] is not None
                                               else "") + (f"  [{rules}]" if rules else ""))
        if r.get("reload"):
            print(f"  {'':<18} scrolled to {r['reload']['before']} px, after the page reloaded itself "
                  f"({r['reload']['navigation']}): {r['reload']['after']} px")
        findings += [f"{r['state']} {r['language']} {r['scheme']}: {v['rule']}: {v['help']}" for v in r["violations"]]
        findings += [f"{r['state']} {r['language']} {r['scheme']}: {p}" for p in r["problems"]]
    return findings


def main():
    chromium = page_browser.browser()
    if chromium is None:
        print("skipped: chromium is not installed")
        return 77
    catalogue_exe, standin_exe, modules, work = sys.argv[1], sys.argv[2], Path(sys.argv[3]), Path(sys.argv[4])
    node = shutil.which("node")
    if node is None or not (modules / "axe-core").is_dir() or not (modules / "puppeteer-core").is_dir():
        print(f"FAILED: node, axe-core or puppeteer-core is missing (in {modules}): run scripts/setup.sh")
        return 1
    work.mkdir(parents=True, exist_ok=True)
    services = Services(catalogue_exe, standin_exe, work)
    started = time.monotonic()
    try:
        urls = {}
        for state in reversed(STATES):
            urls[state.name] = submit(services.catalogue(state.service), state.ids)
        for state in reversed(STATES):
            wait_for(state, urls[state.name])
        print(f"every page in its state after {time.monotonic() - started:.1f} s")
        states = [{"name": s.name, "url": urls[s.name], "languages": s.languages, "reloads": s.reloads}
                  for s in STATES]
        (work / "states.json").write_text(json.dumps(states, indent=1), encoding="utf-8")
        done = subprocess.run([node, str(HERE.parent / "page_check" / "check_pages.js"), str(modules), chromium,
                               str(work / "states.json"), str(work / "results.json")],
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=400)
    finally:
        services.stop()
    print(f"checked in one browser after {time.monotonic() - started:.1f} s")
    if done.returncode not in (0, 1):
        print(f"FAILED: the browser check did not finish ({done.returncode}): {done.stderr.strip()[-2000:]}")
        return 1
    findings = report(json.loads((work / "results.json").read_text(encoding="utf-8")))
    for finding in findings:
        print(f"FAILED: {finding}")
    return 1 if findings or done.returncode != 0 else 0


if __name__ == "__main__":
    sys.exit(main())
