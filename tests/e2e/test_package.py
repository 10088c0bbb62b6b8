#!/usr/bin/env python3
"""The release packages under Wine, each case in a fresh prefix:

  install   msiexec /i /qn puts the files, the Start-menu shortcut and the entry in
            the list of installed programs in place; the program started from the
            shortcut lists the demo library; msiexec /x /qn leaves nothing behind
  repair    installing the same version again brings back a deleted program file
  failed    an installation that fails half-way (a folder stands where one of its
            files goes) leaves the prefix as it was
  portable  the portable package unpacked into a folder with spaces in its name runs

Usage: test_package.py <case>"""

import subprocess
import sys
import zipfile
from pathlib import PureWindowsPath

import package_lib as pkg
from e2e_lib import CAPTION, SOURCE_DIR
from driver_client import WINE

DEMO_SCRIPT = SOURCE_DIR / "tools" / "demo" / "make_demo_library.py"
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
        target = "C:\\Program Files\\Vantrel\\vantrel.exe".encode("utf-16-le")
        t.check(target in links[0].read_bytes(), "the shortcut points at C:\\Program Files\\Vantrel\\vantrel.exe")
    entry = t.uninstall_entry(properties["ProductCode"]) or {}
    expected = {"DisplayName": "Vantrel", "DisplayVersion": pkg.version(), "Publisher": "The Vantrel developers",
                "URLInfoAbout": properties["ARPURLINFOABOUT"], "HelpLink": properties["ARPHELPLINK"]}
    t.check_equal({name: entry.get(name) for name in expected}, expected, "entry in the list of installed programs")
    t.check(entry.get("UninstallString", "").lower().startswith("msiexec.exe /x"), "the entry uninstalls with msiexec")
    return links


def check_nothing_left(t, before, after, properties, what):
    files = [f for f in pkg.changed_files(before[0], after[0]) if f != "windows/Installer"]
    t.check_equal(files, [], f"{what}: files that differ from before")
    marks = pkg.product_marks(pkg.msi_path())
    added = pkg.new_registry_entries(before[1], after[1])
    t.check_equal(sorted(str(e) for e in added), [], f"{what}: registry entries that were not there before")
    everything = "\n".join(f"{k} {v}" for k, v in after[1]).lower()
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


def case_repair(t):
    properties = prepare(t)
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn"), 0, "first installation")
    exe = t.install_folder / "vantrel.exe"
    exe.unlink()
    t.check_equal(t.msiexec("/i", pkg.msi_path(), "/qn"), 0, "installing the same version again")
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
    check_nothing_left(t, before, t.snapshot(), properties, "after the failed installation")


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


CASES = {"install": case_install, "repair": case_repair, "failed": case_failed, "portable": case_portable}

if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1] not in CASES:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    with pkg.PackageTest(f"Package.{sys.argv[1]}") as test:
        CASES[sys.argv[1]](test)
