#!/usr/bin/env python3
"""The release packages under Wine, each case in a fresh prefix:

  install   msiexec /i /qn puts the files, the Start-menu shortcut and the entry in
            the list of installed programs in place; the program started from the
            shortcut lists the demo library; msiexec /x /qn leaves nothing behind
  upgrade   a package of a later version, made from the same source, replaces this
            one: one entry in the list of installed programs, the later one
  repair    installing the same version again brings back a deleted program file
  failed    an installation that fails half-way (a folder stands where one of its
            files goes) leaves the prefix as it was
  portable  the portable package unpacked into a folder with spaces in its name runs
  service   the catalogue service installed with the program (NOLOOKUP=1: no calls
            leave the loopback) runs on port 80 of the
            loopback with its recovery actions set; the program, with no proxy, sends
            its request there and the service's page address reaches the shell;
            uninstalling stops and removes it
  service-stop  the installed service stops within 5 s while 32 clients hold answers
            they never read, and uninstalling then completes
  net-stop  the installed service stopped with `net stop` and started again with
            `net start`, ten times in a row: each command succeeds and says so,
            and the service answers after each start; then uninstalled
  listener-failure  the installed service's listening sockets are taken from it
            (closed inside its process from outside), ten times in a row: each
            time it stops by itself with an error status, leaves port 80 free,
            and starts and answers again with `net start`; then uninstalled
  reinstall  installed and uninstalled ten times in a row: each time the
            service runs, answers, and is gone with nothing left on port 80
  port-taken  another program holds port 80: the installation still succeeds, the
            service ends with an error status
  service-options  installed with NOLOOKUP=1 COUNTRY=de, the service's command line
            carries --no-lookup --country de
  service-lookups  installed with LOOKUPURL=<a stand-in store on the loopback>
            COUNTRY=de, the service looks the submitted apps up (WinHTTP): its
            page shows the store's names and the app the store does not list
  without-service  the installation with the service's feature left out
  lookups-logged   LOOKUPURL=<a loopback port nobody listens on>: one event-log
                   warning for the failed calls of a minute
  values-country, values-lookup-url, values-smuggled  a value the service refuses
            (COUNTRY=zz9, LOOKUPURL=ftp://..., a LOOKUPURL with " --any-host")
            reaches it as one quoted argument, the refusal is in the event log,
            and the service runs with the default and still refuses another host
  values-refused  values a quoted argument cannot carry (a double quote, a
            trailing backslash, a percent sign) are refused by the installer

Usage: test_package.py <case>"""

import os
import re
import socket
import struct
import subprocess
import sys
import time
import urllib.parse
import urllib.request
import zipfile
from pathlib import Path, PureWindowsPath

# The end-to-end tests' library: a fresh prefix, the driver, the shell recorder.
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "e2e"))
import package_lib as pkg  # noqa: E402
from e2e_lib import CAPTION, REPLY_FILE, SOURCE_DIR, fetch, idle_caption
from driver_client import WINE

DEMO_SCRIPT = SOURCE_DIR / "testkit" / "demo" / "make_demo_library.py"
DEMO_ROWS = ["Harbor Tides 2.1", "Pocket Atlas 4.0.3", "Quill Notes 1.7", "Starling Radio 3.2"]


def prepare(t):
    """The demo library in the prefix, Wine running; returns the package's codes."""
    done = subprocess.run([sys.executable, str(DEMO_SCRIPT), str(t.prefix)], capture_output=True, text=True,
                          timeout=60)
    t.check_equal(done.returncode, 0, "demo library made")
    t.start(launch=False)
    return pkg.msi_properties(pkg.msi_path())


def check_demo_window(t, how):
    state = t.wait_ready()
    t.check_equal(state["caption"], CAPTION, f"{how}: window caption")
    t.check_equal(state["list"]["rows"], DEMO_ROWS, f"{how}: the demo packages are listed")
    t.screenshot(how.replace(" ", "-"))
    t.drive("menu MenuExit")
    t.check(t.program_exited(15), f"{how}: the program ends by its Exit entry")


def check_installed(t, properties):
    shipped = pkg.shipped_files()
    installed = sorted(p.name for p in t.install_folder.iterdir()) if t.install_folder.is_dir() else []
    t.check_equal(installed, sorted(shipped), "installed files in Program Files\\Vantrel")
    for name in installed:
        t.check((t.install_folder / name).read_bytes() == shipped[name], f"{name} is the one of the portable package")
    links = t.shortcuts()
    t.check_equal(len(links), 1, f"one Start-menu shortcut: {[str(p) for p in links]}")
    if links:
        # A shell link file: header size 0x4C; the target path in its link information (ANSI) or strings (UTF-16).
        data, target = links[0].read_bytes(), "C:\\Program Files\\Vantrel\\vantrel.exe"
        t.check(data[:4] == b"\x4c\0\0\0" and (target.encode("ascii") in data or target.encode("utf-16-le") in data),
                f"the shortcut is a shell link to {target}")
    entry = t.uninstall_entry(properties["ProductCode"]) or {}
    expected = {"DisplayName": "Vantrel", "DisplayVersion": pkg.version(), "Publisher": "The Vantrel developers",
                "URLInfoAbout": properties["ARPURLINFOABOUT"], "HelpLink": properties["ARPHELPLINK"]}
    t.check_equal({name: entry.get(name) for name in expected}, expected, "entry in the list of installed programs")
    t.check(entry.get("UninstallString", "").lower().startswith("msiexec.exe /x"), "the entry uninstalls with msiexec")
    return links


def check_nothing_left(t, before, after, properties, what, rolled_back=False):
    """Compares snapshots from before an installation and after its end. Wine's
    installer engine, rolling back, keeps the empty registration keys of the
    components it had registered (no values); with `rolled_back` those alone
    are let pass, and logged."""
    files = [f for f in pkg.changed_files(before[0], after[0]) if f != "windows/Installer"]
    t.check_equal(files, [], f"{what}: files that differ from before")
    added = pkg.new_registry_entries(before[1], after[1])
    if rolled_back:
        kept = pkg.empty_component_keys(added, pkg.msi_path())
        t.log(f"  note  empty component keys Wine's rollback kept: {sorted(k for k, _ in kept)}")
        added -= kept
    t.check_equal(sorted(str(e) for e in added), [], f"{what}: registry entries that were not there before")
    marks = pkg.product_marks(pkg.msi_path())
    everything = "\n".join(f"{k} {v}" for k, v in after[1] - (kept if rolled_back else set())).lower()
    t.check_equal([m for m in marks if m in everything], [], f"{what}: the product's names and codes in the registry")
    t.check_equal(t.uninstall_entry(properties["ProductCode"]), None, f"{what}: no entry in the installed programs")


def case_install(t):
    properties = prepare(t)
    before = t.snapshot()
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn"), 0, "msiexec /i /qn succeeds")
    links = check_installed(t, properties)
    if links:
        lnk = "C:\\" + str(links[0].relative_to(t.prefix / "drive_c")).replace("/", "\\")
        subprocess.run([WINE, "start", lnk], env=t.environment(), cwd=t.cwd, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        check_demo_window(t, "started from the shortcut")
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")
    t.check(not t.install_folder.exists(), "Program Files\\Vantrel is gone")
    t.check_equal(t.shortcuts(), [], "the shortcut is gone")
    check_nothing_left(t, before, t.snapshot(), properties, "after uninstalling")


def later_package(t, version):
    """An installer of `version` made from packaging/vantrel.wxs with the files of
    the portable package, as packaging/package.sh makes one."""
    folder = t.work / "later"
    (folder / "files").mkdir(parents=True)
    with zipfile.ZipFile(pkg.zip_path()) as archive:
        archive.extractall(folder / "files")
    wxs = SOURCE_DIR / "packaging" / "vantrel.wxs"
    codes = subprocess.run([sys.executable, str(SOURCE_DIR / "packaging" / "release_files.py"), "codes", str(wxs),
                            version] + [str(p) for p in sorted((folder / "files").iterdir())],
                           capture_output=True, text=True, check=True).stdout.split()
    msi = folder / f"vantrel-{version}-x64.msi"
    subprocess.run(["wixl", "-a", "x64", "-D", f"Version={version}", "-D", f"ProductCode={codes[0]}",
                    "-D", "SourceDir=files", "-o", str(msi), str(wxs)], cwd=folder, check=True, capture_output=True)
    return msi, "{" + codes[0] + "}"


def case_upgrade(t):
    properties = prepare(t)
    major, minor = pkg.version().split(".")[:2]
    version = f"{major}.{int(minor) + 1}"
    later, later_code = later_package(t, version)
    before = t.snapshot()
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn"), 0, f"installing {pkg.version()}")
    t.check_equal(t.msiexec("/i", later, "/qn"), 0, f"installing {version} over it")
    t.check_equal(t.uninstall_entry(properties["ProductCode"]), None, f"{pkg.version()} is no longer installed")
    t.check_equal((t.uninstall_entry(later_code) or {}).get("DisplayVersion"), version, f"{version} is installed")
    t.check_equal(len(t.shortcuts()), 1, "one Start-menu shortcut")
    t.check((t.install_folder / "vantrel.exe").exists(), "the program is installed")
    t.check_equal(t.msiexec("/x", later, "/qn"), 0, f"uninstalling {version}")
    check_nothing_left(t, before, t.snapshot(), properties, f"after uninstalling {version}")


def case_repair(t):
    properties = prepare(t)
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn"), 0, "first installation")
    exe = t.install_folder / "vantrel.exe"
    exe.unlink()
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn"), 0, "installing the same version again")
    log = t.last_msiexec_log.read_text(encoding="utf-8", errors="replace")
    t.check("Property(S): REINSTALL = ALL" in log, "the package chose to reinstall everything")
    t.check(exe.exists() and exe.read_bytes() == pkg.shipped_files()["vantrel.exe"], "vantrel.exe is back")
    check_installed(t, properties)
    t.exe = exe
    t.launch()
    check_demo_window(t, "the repaired program")


def case_failed(t):
    properties = prepare(t)
    blocker = t.install_folder / "README.txt"
    blocker.mkdir(parents=True)
    before = t.snapshot()
    code = t.msiexec("/i", pkg.msi_path(), "/qn")
    t.check_equal(code, pkg.ERROR_INSTALL_FAILURE & 0xFF, "msiexec reports the failure (1603)")
    t.check_equal(sorted(p.name for p in t.install_folder.iterdir()), ["README.txt"],
                  "the install folder holds only what was there before")
    t.check_equal(t.shortcuts(), [], "no shortcut")
    check_nothing_left(t, before, t.snapshot(), properties, "after the failed installation", rolled_back=True)


def case_portable(t):
    prepare(t)
    folder = t.prefix / "drive_c" / "Portable Programs" / "Vantrel 1.3 portable"
    folder.mkdir(parents=True)
    with zipfile.ZipFile(pkg.zip_path()) as archive:
        archive.extractall(folder)
    contents = sorted(p.name for p in folder.iterdir())
    t.exe = PureWindowsPath("C:\\Portable Programs\\Vantrel 1.3 portable\\vantrel.exe")
    t.launch()
    check_demo_window(t, "the unpacked portable program")
    t.check_equal(sorted(p.name for p in folder.iterdir()), contents, "the program wrote nothing into its folder")


DEMO_IDENTIFIERS = ["1034567891", "987654321", "1122334455", "1203948576"]  # in row order
INSTALLED_EXE = PureWindowsPath("C:\\Program Files\\Vantrel\\vantrel.exe")
ERROR_SERVICE_SPECIFIC_ERROR = 1066
WSAEADDRINUSE = 10048
ERROR_SERVICE_DOES_NOT_EXIST = 1060


def check_service_registration(t, arguments):
    done = subprocess.run([WINE, "reg", "query", pkg.SERVICE_KEY], env=t.environment(), capture_output=True,
                          text=True, stdin=subprocess.DEVNULL, timeout=60)
    values = dict(re.findall(r"^\s*(\S+)\s+REG_\S+\s+(.*?)\s*$", done.stdout, re.M))
    t.check_equal(values.get("ObjectName"), "NT AUTHORITY\\LocalService", "the service runs as LocalService")
    t.check(values.get("ImagePath", "").lower().endswith(f"vantrel-catalogue.exe\" {arguments}")
            or values.get("ImagePath", "").lower().endswith(f"vantrel-catalogue.exe {arguments}"),
            f"the service starts the installed catalogue with {arguments}: {values.get('ImagePath')}")


def case_service_options(t):
    """NOLOOKUP=1 and COUNTRY=CC at install time reach the service's command line."""
    properties = prepare(t)
    before = t.snapshot()
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn", "NOLOOKUP=1", "COUNTRY=de"), 0,
                  "msiexec /i /qn NOLOOKUP=1 COUNTRY=de succeeds")
    check_service_registration(t, '--service --no-lookup --country "de"')
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")
    check_product_gone(t, before, properties)


SC_ACTION_NONE, SC_ACTION_RESTART = 0, 1
EXPECTED_RECOVERY = {"reset after (s)": 86400, "actions": [(SC_ACTION_RESTART, 5000), (SC_ACTION_RESTART, 5000),
                                                             (SC_ACTION_NONE, 0)], "also when it stops with an error": 1}


def recovery_actions(t):
    """The service's recovery actions as Windows keeps them in its key: the
    FailureActions record (reset period, three pointer-sized placeholders and
    the count, then type and delay of each action) and
    FailureActionsOnNonCrashFailures. Wine's service control manager neither
    keeps nor reports them (QueryServiceConfig2W and sc qfailure answer
    ERROR_INVALID_LEVEL); the service program sets them only through
    ChangeServiceConfig2W (its arguments are checked by the RecoveryActions
    unit tests), so under Wine the key holds none."""
    done = subprocess.run([WINE, "reg", "query", pkg.SERVICE_KEY], env=t.environment(), capture_output=True,
                          text=True, stdin=subprocess.DEVNULL, timeout=60)
    values = dict(re.findall(r"^\s*(\S+)\s+REG_\S+\s+(.*?)\s*$", done.stdout, re.M))
    record = bytes.fromhex(values.get("FailureActions", ""))
    if len(record) < 20:
        return {"FailureActions": values.get("FailureActions")}
    reset, _, _, count, _ = struct.unpack_from("<5I", record)
    actions = [struct.unpack_from("<2I", record, 20 + 8 * i) for i in range(min(count, (len(record) - 20) // 8))]
    flag = values.get("FailureActionsOnNonCrashFailures", "")
    return {"reset after (s)": reset, "actions": actions,
            "also when it stops with an error": int(flag, 16) if flag.startswith("0x") else flag}


def loopback_answer(address):
    """The status line the service gives a GET of its root on one loopback
    address, or the error that kept it from answering."""
    try:
        with socket.create_connection((address, 80), timeout=10) as connection:
            connection.sendall(b"GET / HTTP/1.0\r\nHost: localhost\r\n\r\n")
            return connection.recv(200).split(b"\r\n", 1)[0].decode("latin-1")
    except OSError as error:
        return f"no answer: {error}"


def show_details_without_proxy(t):
    """The installed program, with no proxy set, over the demo library: Select
    all, the button; returns the address the shell was asked to open."""
    t.extra_env.pop("http_proxy", None)
    for address in ("127.0.0.1", "::1"):
        t.log(f"the service on {address}: {loopback_answer(address)}")
    t.install_converter()
    t.exe = INSTALLED_EXE
    t.launch()
    t.wait_ready()
    t.drive("menu MenuSelAll")
    t.drive("click")
    state = t.wait_button(True, idle_caption(), 60)
    opened = t.recorded_addresses(1, 30)
    if not t.check_equal(len(opened), 1, f"addresses the shell was asked to open: {opened}"):
        # What tells a lost click from a failed request or a reply that was no address.
        reply = t.temp_file(REPLY_FILE)
        t.log(f"button after the run: {state['button']}; rows selected: {state['list']['selected']}")
        t.log(f"reply file {reply}: {reply.read_bytes()[:300]!r}" if reply.exists() else f"no reply file {reply}")
        t.log(f"dialogs open: {t.drive('msgbox-none', expect_ok=False)}")
    t.screenshot("after-show-details")
    t.drive("menu MenuExit")
    return opened[0] if opened else None


def case_service(t):
    properties = prepare(t)
    before = t.snapshot()
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn", "NOLOOKUP=1"), 0, "msiexec /i /qn NOLOOKUP=1 succeeds")
    state = t.wait_service_state("RUNNING")
    t.check(state is not None and "RUNNING" in state["STATE"], f"the service runs after the installation: {state}")
    # Without lookups: the tests' traffic stays on the loopback (the store is not reachable from here).
    check_service_registration(t, "--service --no-lookup")
    actions = recovery_actions(t)
    t.check(actions in (EXPECTED_RECOVERY, {"FailureActions": None}),
            f"the recovery actions, where the control manager keeps them: restart after 5 s, twice; reset after a day: {actions}")
    address = show_details_without_proxy(t)
    if address:
        parts = urllib.parse.urlsplit(address)
        t.check(parts.scheme == "http" and parts.hostname == "localhost" and parts.port in (None, 80)
                and re.fullmatch(r"/apps/[0-9a-f]{32}\.html", parts.path) is not None,
                f"the service answered with one of its pages on localhost: {address}")
        # The page is there only if the service took the program's request.
        page = fetch(f"http://127.0.0.1{parts.path}")
        listed = re.findall(r'<li><a href="https://apps\.apple\.com/app/id(\d+)">\1</a></li>', page)
        t.check_equal(listed, DEMO_IDENTIFIERS, "the page lists every demo app in row order")
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")
    t.check_equal(t.service_state(), None, "the service is gone")
    t.check(pkg.loopback_port_free(), "nothing listens on port 80 any more")
    check_product_gone(t, before, properties)


def largest_page():
    """Submits a list of 1,000 twenty-digit identifiers to the installed service
    as the program would; the page's path (about 100 KB, more than the socket
    buffers of a client that does not read hold)."""
    ids = ",".join(str(10**19 + i) for i in range(1000))
    with socket.create_connection(("127.0.0.1", 80), timeout=10) as connection:
        connection.sendall(f"GET /input/submit.php?dataset={ids} HTTP/1.1\r\nHost: localhost\r\n\r\n".encode())
        reply = b""
        while chunk := connection.recv(65536):
            reply += chunk
    return urllib.parse.urlsplit(reply.split(b"\r\n\r\n", 1)[1].decode().strip()).path


def stalled_clients(path, count):
    """`count` clients that ask for the page with a small receive window and
    never read it; returned once each has the first bytes, so that the service
    is sending to every one of them."""
    clients = []
    for _ in range(count):
        client = socket.socket(socket.AF_INET)
        client.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        client.connect(("127.0.0.1", 80))
        client.sendall(f"GET {path} HTTP/1.1\r\nHost: localhost\r\n\r\n".encode())
        clients.append(client)
    for client in clients:
        client.settimeout(10)
        client.recv(1, socket.MSG_PEEK)
    return clients


def case_service_stop(t):
    prepare(t)
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn", "NOLOOKUP=1"), 0, "msiexec /i /qn NOLOOKUP=1 succeeds")
    state = t.wait_service_state("RUNNING")
    if not t.check(state is not None and "RUNNING" in state["STATE"], f"the service runs: {state}"):
        return
    clients = stalled_clients(largest_page(), 32)
    try:
        started = time.monotonic()
        done = subprocess.run([WINE, "sc", "stop", pkg.SERVICE_NAME], env=t.environment(), capture_output=True,
                              text=True, stdin=subprocess.DEVNULL, timeout=60)
        t.log(f"sc stop: {done.stdout.strip()}")
        state = t.wait_service_state("STOPPED", 5) or {}
        t.log(f"stopped after {time.monotonic() - started:.2f} s")
        t.check("STOPPED" in state.get("STATE", ""), f"the service stops within 5 s, 32 answers unread: {state}")
        t.check_equal(state.get("WIN32_EXIT_CODE", "").split()[:1], ["0"], "a stop asked for is no failure")
        t.check(pkg.loopback_port_free(), "nothing listens on port 80 any more")
        t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn then completes")
        t.check_equal(t.service_state(), None, "the service is gone")
    finally:
        for client in clients:
            client.close()


def wine_program(t, *args, timeout=120):
    """Runs a program under Wine in the test's prefix: its exit status and its output."""
    done = subprocess.run([WINE, *args], env=t.environment(), capture_output=True, text=True,
                          stdin=subprocess.DEVNULL, timeout=timeout)
    return done.returncode, (done.stdout + done.stderr).strip()


def net(t, verb):
    """`net VERB VantrelCatalogue`: its exit status and its output."""
    return wine_program(t, "net", verb, pkg.SERVICE_NAME)


def case_net_stop(t):
    prepare(t)
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn"), 0, "msiexec /i /qn succeeds")
    state = t.wait_service_state("RUNNING")
    if not t.check(state is not None and "RUNNING" in state["STATE"], f"the service runs: {state}"):
        return
    for round_ in range(1, 11):
        code, said = net(t, "stop")
        t.log(f"net stop {round_}: {code} {said!r}")
        t.check(code == 0 and "stopped" in said.lower() and "pipe" not in said.lower(),
                f"net stop {round_} succeeds and says so: {code} {said!r}")
        state = t.service_state() or {}
        t.check("STOPPED" in state.get("STATE", ""), f"stopped after net stop {round_}: {state}")
        t.check_equal(state.get("WIN32_EXIT_CODE", "").split()[:1], ["0"], f"stop {round_} is no failure")
        code, said = net(t, "start")
        t.log(f"net start {round_}: {code} {said!r}")
        t.check(code == 0 and "started" in said.lower(), f"net start {round_} succeeds and says so: {code} {said!r}")
        state = t.wait_service_state("RUNNING") or {}
        t.check("RUNNING" in state.get("STATE", ""), f"running after net start {round_}: {state}")
        t.check(loopback_answer("127.0.0.1").startswith("HTTP/1.1 "), f"the service answers after start {round_}")
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")
    t.check_equal(t.service_state(), None, "the service is gone")
    t.check(pkg.loopback_port_free(), "nothing listens on port 80 any more")


def close_listeners(t):
    """Closes the running service's listeners on port 80 inside its process;
    the tool's exit status and what it said."""
    return wine_program(t, os.environ["VANTREL_CLOSE_LISTENERS"], pkg.SERVICE_NAME, "80", timeout=60)


def case_listener_failure(t):
    prepare(t)
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn", "NOLOOKUP=1"), 0, "msiexec /i /qn NOLOOKUP=1 succeeds")
    state = t.wait_service_state("RUNNING")
    if not t.check(state is not None and "RUNNING" in state["STATE"], f"the service runs: {state}"):
        return
    for round_ in range(1, 11):
        code, said = close_listeners(t)
        t.log(f"listeners taken {round_}: {code} {said!r}")
        if not t.check_equal(code, 0, f"the service's listeners are closed under it {round_}: {said!r}"):
            break
        started = time.monotonic()
        state = t.wait_service_state("STOPPED", 15) or {}
        t.log(f"stopped {time.monotonic() - started:.1f} s after; {state}")
        t.check("STOPPED" in state.get("STATE", ""), f"the service stops by itself after failure {round_}: {state}")
        t.check_equal(state.get("WIN32_EXIT_CODE", "").split()[:1], ["1066"],
                      f"failure {round_} ends with the service's own error status")
        t.check(state.get("SERVICE_EXIT_CODE", "0").split()[:1] != ["0"],
                f"the status names the failure's code {round_}: {state.get('SERVICE_EXIT_CODE')}")
        t.check(pkg.loopback_port_free(), f"nothing listens on port 80 after failure {round_}")
        code, said = net(t, "start")
        t.check(code == 0 and "started" in said.lower(), f"net start {round_} succeeds and says so: {code} {said!r}")
        state = t.wait_service_state("RUNNING") or {}
        t.check("RUNNING" in state.get("STATE", ""), f"running again after start {round_}: {state}")
        t.check(loopback_answer("127.0.0.1").startswith("HTTP/1.1 "), f"the service answers after start {round_}")
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")
    t.check_equal(t.service_state(), None, "the service is gone")
    t.check(pkg.loopback_port_free(), "nothing listens on port 80 any more")


def case_reinstall(t):
    prepare(t)
    for round_ in range(1, 11):
        t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn"), 0, f"msiexec /i /qn {round_} succeeds")
        state = t.wait_service_state("RUNNING") or {}
        t.check("RUNNING" in state.get("STATE", ""), f"the service runs after installation {round_}: {state}")
        t.check(loopback_answer("127.0.0.1").startswith("HTTP/1.1 "), f"the service answers after installation {round_}")
        t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, f"msiexec /x /qn {round_} succeeds")
        t.check_equal(t.service_state(), None, f"the service is gone after uninstallation {round_}")
        t.check(pkg.loopback_port_free(), f"nothing listens on port 80 after uninstallation {round_}")


def start_standin_store(t):
    """The stand-in store (under Wine, in the test's prefix) listing three of
    the four demo apps; returns its lookup address."""
    records, port_file = t.work / "store-records.txt", t.work / "standin.port"
    subprocess.run([sys.executable, str(Path(SOURCE_DIR) / "testkit" / "demo" / "store_records.py"), str(records)],
                   check=True, stdin=subprocess.DEVNULL, timeout=60)
    with open(t.work / "standin.out", "wb") as out:
        process = subprocess.Popen([WINE, os.environ["VANTREL_STORE_STANDIN"], "--records", t.windows_path(records),
                                    "--port-file", t.windows_path(port_file)], env=t.environment(),
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
    t.background.append(process)
    deadline, port = time.monotonic() + 60, ""
    while time.monotonic() < deadline and not port.isdigit():
        time.sleep(0.2)
        port = port_file.read_text(errors="replace").strip() if port_file.exists() else ""
    return f"http://127.0.0.1:{port}/lookup" if port.isdigit() else None


def submit_demo_list(identifiers=DEMO_IDENTIFIERS):
    """Submits the demo apps' identifiers (or others) to the installed service
    as the program would; the page's path."""
    with socket.create_connection(("127.0.0.1", 80), timeout=10) as connection:
        connection.sendall(f"GET /input/submit.php?dataset={','.join(identifiers)}, HTTP/1.1\r\n"
                           "Host: localhost\r\n\r\n".encode())
        reply = b""
        while chunk := connection.recv(65536):
            reply += chunk
    return urllib.parse.urlsplit(reply.split(b"\r\n\r\n", 1)[1].decode().strip()).path


def finished_page(path, seconds=60):
    """The page in German once its lookups have ended (no Refresh header any more)."""
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    request = urllib.request.Request(f"http://127.0.0.1{path}", headers={"Host": "localhost",
                                                                          "Accept-Language": "de-DE,de;q=0.9"})
    deadline = time.monotonic() + seconds
    while True:
        with opener.open(request, timeout=10) as reply:
            page, refresh = reply.read().decode("utf-8"), reply.headers.get("Refresh")
        if refresh is None or time.monotonic() > deadline:
            return page, refresh
        time.sleep(1)


def case_service_lookups(t):
    prepare(t)
    lookup_url = start_standin_store(t)
    if not t.check(lookup_url is not None, f"the stand-in store listens: {lookup_url}"):
        return
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn", f"LOOKUPURL={lookup_url}", "COUNTRY=de"), 0,
                  "msiexec /i /qn LOOKUPURL=<the stand-in> COUNTRY=de succeeds")
    check_service_registration(t, f'--service --country "de" --lookup-url "{lookup_url}"')
    if not t.check(t.wait_service_state("RUNNING") is not None, "the service runs"):
        return
    page, refresh = finished_page(submit_demo_list())
    t.check_equal(refresh, None, "the page's lookups have ended: no more reloads")
    t.check('lang="de"' in page, "the page speaks German, as the browser asks")
    for name in ("Harbor Tides", "Pocket Atlas", "Starling Radio", "Saltmarsh Software GmbH"):
        t.check(name in page, f"the page names what the store says: {name}")
    t.check("Nicht im App Store in Deutschland" in page, "the app the store does not list says so")
    asked = (t.work / "standin.out").read_text(errors="replace")
    t.check("/lookup?" in asked and "country=de" in asked, f"the store was asked, for Germany: {asked[:300]!r}")
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")
    t.check_equal(t.service_state(), None, "the service is gone")


def start_wine_with_event_log(t, entries="err"):
    """Starts the prefix's Wine with the event log's entries of the kinds named
    (Wine passes them to its debug channels "err" and "warn") going to the
    file services.err; returns that file."""
    errors = t.work / "services.err"
    t.extra_env["WINEDEBUG"] = "-all," + ",".join(f"{kind}+eventlog" for kind in entries.split(","))
    env = t.environment()
    subprocess.run([pkg.WINESERVER, "-p60"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    # The first Wine program starts the prefix's services, which inherit its output.
    with open(errors, "wb") as output:
        subprocess.run([WINE, "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=output, timeout=120)
    return errors


def host_answer(host):
    """The status line the installed service gives a submission addressed to `host`."""
    try:
        with socket.create_connection(("127.0.0.1", 80), timeout=10) as connection:
            connection.sendall(f"GET /input/submit.php?dataset=284882215 HTTP/1.1\r\nHost: {host}\r\n"
                               "Connection: close\r\n\r\n".encode())
            return connection.recv(200).split(b"\r\n", 1)[0].decode("latin-1")
    except OSError as error:
        return f"no answer: {error}"


def case_lookups_logged(t):
    """Lookups of a store out of reach: the installed service says so in the
    event log, once for the calls of the minute."""
    errors = start_wine_with_event_log(t, "err,warn")
    lookup_url = f"http://127.0.0.1:{closed_loopback_port()}/lookup"
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn", f"LOOKUPURL={lookup_url}"), 0,
                  "msiexec /i /qn LOOKUPURL=<a loopback port nobody listens on> succeeds")
    if not t.check(t.wait_service_state("RUNNING") is not None, "the service runs"):
        return
    page, refresh = finished_page(submit_demo_list())
    t.check(refresh is None and "nicht erreichbar" in page, "the page says the store could not be asked")
    page, refresh = finished_page(submit_demo_list(["284882215", "310633997"]))  # another call, within the minute
    t.check(refresh is None and "nicht erreichbar" in page, "the second list's call fails too")
    logged = [line for line in errors.read_text(encoding="utf-8", errors="replace").splitlines()
              if "lookups: a call to the store failed" in line]
    t.log(f"event log (Wine's debug output): {logged!r}")
    t.check_equal(len(logged), 1, "one warning in the event log for the failed calls of the minute")
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")


def closed_loopback_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


# Install values the service refuses: the property, what reaches the service,
# and the words of the refusal in the event log.
REFUSED_BY_SERVICE = {
    "values-country": ("COUNTRY=zz9", '--service --country "zz9"', "--country needs a two-letter country code: zz9"),
    "values-lookup-url": ("LOOKUPURL=ftp://mirror.example/lookup", '--service --lookup-url "ftp://mirror.example/lookup"',
                          "--lookup-url needs an http:// or https:// address: ftp://mirror.example/lookup"),
    "values-smuggled": ("LOOKUPURL=https://lookup.example/lookup --any-host",
                        '--service --lookup-url "https://lookup.example/lookup --any-host"',
                        "--lookup-url needs an http:// or https:// address: https://lookup.example/lookup --any-host"),
}


def case_refused_by_service(t, case):
    value, arguments, refusal = REFUSED_BY_SERVICE[case]
    errors = start_wine_with_event_log(t)
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn", value), 0, f"msiexec /i /qn {value} succeeds")
    check_service_registration(t, arguments.lower())
    state = t.wait_service_state("RUNNING") or {}
    t.check("RUNNING" in state.get("STATE", ""), f"the service runs with the default in place of the value: {state}")
    t.check(host_answer("localhost").startswith("HTTP/1.1 200"), "it takes a submission for localhost")
    t.check_equal(host_answer("evil.example"), "HTTP/1.1 421 Misdirected Request",
                  "it refuses a submission for another host name: no --any-host slipped in")
    logged = errors.read_text(encoding="utf-8", errors="replace")
    t.log(f"event log (Wine's debug output): {logged.strip()[:600]!r}")
    t.check(refusal in logged and "the service uses the default of" in logged,
            f"the refusal is in the event log: {refusal}")
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")
    t.check_equal(t.service_state(), None, "the service is gone")


# Values a quoted argument cannot carry. Each is set in a copy of the package
# (as an administrator's transform would set it): Wine's msiexec drops the
# quotes of a property value on its command line, where Windows' takes a
# doubled quote as one.
REFUSED_BY_INSTALLER = [("COUNTRY", 'de" --any-host "'), ("LOOKUPURL", "https://lookup.example/lookup\\"),
                        ("COUNTRY", "%OS%"), ("LOOKUPURL", "https://lookup.example/%SystemRoot%/lookup")]


def package_with_property(t, name, value):
    """A copy of the installer whose Property table sets `name` to `value`."""
    msi = t.work / f"preset-{len(list(t.work.glob('preset-*.msi'))) + 1}.msi"
    msi.write_bytes(pkg.msi_path().read_bytes())
    literal = value.replace("'", "''")
    subprocess.run(["msibuild", str(msi), "-q",
                    f"INSERT INTO `Property` (`Property`, `Value`) VALUES ('{name}', '{literal}')"],
                   check=True, capture_output=True, timeout=60)
    return msi


def case_values_refused(t):
    properties = prepare(t)
    for name, value in REFUSED_BY_INSTALLER:
        what = f"{name}={value}"
        code = t.msiexec("/i", package_with_property(t, name, value), "/qn")
        log = t.last_msiexec_log.read_text(encoding="utf-8", errors="replace")
        given = re.findall(rf"Property\(S\): {name} = (.*)", log)
        t.check(value in given, f"the installation had the value: {value!r} in {given}")
        t.check_equal(code, pkg.ERROR_INSTALL_FAILURE & 0xFF, f"{what} is refused (1603)")
        t.check(re.search(r"LaunchConditions\. Return value [^1]", log) is not None,
                f"refused by the launch condition, which names the characters: {what}")
        t.check_equal(t.uninstall_entry(properties["ProductCode"]), None, f"nothing is installed: {what}")
        t.check_equal(t.service_state(), None, f"no service: {what}")
    # The same check lets a value with spaces and backslashes inside through.
    code = t.msiexec("/i", package_with_property(t, "LOOKUPURL", "https://lookup.example/a\\b c"), "/qn")
    t.check_equal(code, 0, "a value with a space and an inner backslash is installed (the service refuses it)")
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")


def check_product_gone(t, before, properties):
    """After a run of the program (which leaves its working files, the system's
    web cache and console settings, as any program does): nothing of the product
    is left, neither file, shortcut, registry entry nor service."""
    files, registry = t.snapshot()
    left = [f for f in pkg.changed_files(before[0], files) if f.startswith("Program Files/Vantrel")]
    t.check_equal(left, [], "files of the product left after uninstalling")
    t.check_equal(t.shortcuts(), [], "the shortcut is gone")
    marks = pkg.product_marks(pkg.msi_path())
    everything = "\n".join(f"{k} {v}" for k, v in registry).lower()
    t.check_equal([m for m in marks if m in everything], [], "the product's names and codes in the registry")
    t.check_equal(t.uninstall_entry(properties["ProductCode"]), None, "no entry in the installed programs")


def case_port_taken(t):
    prepare(t)
    with socket.socket(socket.AF_INET) as other:
        # Lets the test take the port while earlier connections to it linger.
        other.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        other.bind(("127.0.0.1", 80))
        other.listen()
        t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn"), 0, "the installation succeeds with the port taken")
        state = t.wait_service_state("STOPPED") or {}
        t.check("STOPPED" in state.get("STATE", ""), f"the service has stopped: {state}")
        t.check(state.get("WIN32_EXIT_CODE", "").startswith(str(ERROR_SERVICE_SPECIFIC_ERROR))
                and state.get("SERVICE_EXIT_CODE", "").startswith(str(WSAEADDRINUSE)),
                "its status names the error: the address is in use")
    t.check((t.install_folder / "vantrel.exe").exists(), "the program is installed")
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")
    t.check_equal(t.service_state(), None, "the service is gone")


def case_without_service(t):
    properties = prepare(t)
    before = t.snapshot()
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn", "ADDLOCAL=Complete"), 0,
                  "msiexec /i /qn ADDLOCAL=Complete succeeds")
    installed = sorted(p.name for p in t.install_folder.iterdir()) if t.install_folder.is_dir() else []
    t.check_equal(installed, ["LICENSE.txt", "README.txt", "vantrel.exe"], "the program without the service")
    t.check_equal(t.service_state(), None, "no service is installed")
    t.check_equal(t.msiexec("/x", pkg.msi_path(), "/qn"), 0, "msiexec /x /qn succeeds")
    check_nothing_left(t, before, t.snapshot(), properties, "after uninstalling")


CASES = {"install": case_install, "upgrade": case_upgrade, "repair": case_repair, "failed": case_failed, "portable": case_portable,
         "service": case_service, "service-stop": case_service_stop, "net-stop": case_net_stop,
         "listener-failure": case_listener_failure,
         "reinstall": case_reinstall,
         "port-taken": case_port_taken,
         "without-service": case_without_service, "service-options": case_service_options,
         "service-lookups": case_service_lookups, "values-refused": case_values_refused,
         "lookups-logged": case_lookups_logged}
CASES.update({case: lambda t, case=case: case_refused_by_service(t, case) for case in REFUSED_BY_SERVICE})
SERVICE_CASES = {"service", "service-stop", "net-stop", "listener-failure", "reinstall", "port-taken", "service-lookups",
                 "values-refused", "lookups-logged", *REFUSED_BY_SERVICE}

if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1] not in CASES:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    if sys.argv[1] in SERVICE_CASES and not pkg.loopback_port_free():
        print("skipped: port 80 of the loopback cannot be listened on here (taken, or not allowed to this user)")
        sys.exit(77)
    with pkg.PackageTest(f"Package.{sys.argv[1]}") as test:
        CASES[sys.argv[1]](test)
