"""What the package tests need besides e2e_lib: the release artefacts and their
identities, msiexec under Wine, and snapshots of a prefix's files and registry
to tell what an installation left behind."""

import os
import re
import socket
import subprocess
import time
import zipfile
from pathlib import Path

from e2e_lib import WINESERVER, E2ETest
from driver_client import WINE

DIST = Path(os.environ.get("VANTREL_DIST", "."))
ERROR_INSTALL_FAILURE = 1603  # msiexec's code for "a fatal error during installation"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
# Containers of the installer engine's own bookkeeping: it makes them on its
# first run and keeps them, empty, after the last product is gone.
ENGINE_CONTAINERS = [
    "Software\\Classes\\Installer\\Features", "Software\\Classes\\Installer\\Products",
    "Software\\Classes\\Installer\\UpgradeCodes",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UpgradeCodes",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products",
]
# Registry parts Wine rewrites by itself at every start (devices, network cards).
VOLATILE_KEYS = ("System\\CurrentControlSet\\Control\\Class", "Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards")
# Folders of a prefix whose files are Wine's own or scratch, not installed state.
SKIPPED_FOLDERS = {Path("windows/system32"), Path("windows/syswow64"), Path("windows/winsxs"), Path("windows/temp")}


def version():
    text = (Path(os.environ["VANTREL_SOURCE_DIR"]) / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(Vantrel VERSION ([0-9.]+)", text).group(1)


def msi_path():
    return DIST / f"vantrel-{version()}-x64.msi"


def zip_path():
    return DIST / f"vantrel-{version()}-x64-portable.zip"


def shipped_files():
    """The files of the portable package by name, with their bytes."""
    with zipfile.ZipFile(zip_path()) as archive:
        return {name: archive.read(name) for name in archive.namelist()}


def msi_table(msi, table):
    """The rows of one table of an installer database, as lists of texts."""
    text = subprocess.run(["msiinfo", "export", str(msi), table], capture_output=True, text=True, check=True,
                          timeout=60).stdout
    return [line.split("\t") for line in text.splitlines()[3:]]


def msi_properties(msi):
    return {row[0]: row[1] for row in msi_table(msi, "Property")}


def packed_guid(guid):
    """A GUID as the installer engine writes it into registry key names: the
    first three groups reversed, every byte of the last two with its digits swapped."""
    digits = guid.strip("{}").replace("-", "").upper()
    swapped = "".join(digits[i + 1] + digits[i] for i in range(16, 32, 2))
    return digits[7::-1] + digits[11:7:-1] + digits[15:11:-1] + swapped


def product_marks(msi):
    """Texts that only this product's registry entries contain: its name and its
    codes, plain and packed."""
    properties = msi_properties(msi)
    codes = [properties["ProductCode"], properties["UpgradeCode"]] + [row[1] for row in msi_table(msi, "Component")]
    return ["vantrel"] + [c.strip("{}").lower() for c in codes] + [packed_guid(c).lower() for c in codes]


class PackageTest(E2ETest):
    """An end-to-end test whose program comes from the release packages."""

    def environment(self):
        env = super().environment()
        # No desktop menu entries in the test's HOME for the shortcut.
        env["WINEDLLOVERRIDES"] = env["WINEDLLOVERRIDES"] + ";winemenubuilder.exe=d"
        return env

    def msiexec(self, *args):
        """Runs msiexec with `args` (the package path given as a Unix path) and a
        verbose log in the test's folder; returns the exit code as Windows gives it,
        to the 8 bits a Unix process keeps."""
        log = self.work / f"msiexec-{len(list(self.work.glob('msiexec-*.log'))) + 1}.log"
        self.last_msiexec_log = log
        command = [WINE, "msiexec"] + [self.windows_path(a) if isinstance(a, Path) else a for a in args]
        command += ["/l*v", self.windows_path(log)]
        self.log("$ msiexec " + " ".join(command[2:]))
        done = subprocess.run(command, env=self.environment(), cwd=self.cwd, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        return done.returncode

    @property
    def install_folder(self):
        return self.prefix / "drive_c" / "Program Files" / "Vantrel"

    def start_menu_folders(self):
        """The all-users and the user's Start-menu program folders."""
        return [self.prefix / "drive_c" / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs",
                self.user / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu" / "Programs"]

    def shortcuts(self):
        return [folder / "Vantrel.lnk" for folder in self.start_menu_folders() if (folder / "Vantrel.lnk").exists()]

    def uninstall_entry(self, product_code):
        """The values of the product's entry in the list of installed programs, or
        None when there is none."""
        done = subprocess.run([WINE, "reg", "query", f"{UNINSTALL_KEY}\\{product_code}"], env=self.environment(),
                              capture_output=True, text=True, stdin=subprocess.DEVNULL, timeout=60)
        if done.returncode != 0:
            return None
        values = {}
        for line in done.stdout.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                values[parts[0]] = parts[2] if len(parts) == 3 else ""
        return values

    def service_state(self):
        """The catalogue service's state as the service control manager reports
        it: {"STATE": "4  RUNNING", "WIN32_EXIT_CODE": ..., ...}, or None when
        no such service is installed."""
        done = subprocess.run([WINE, "sc", "query", SERVICE_NAME], env=self.environment(), capture_output=True,
                              text=True, stdin=subprocess.DEVNULL, timeout=60)
        fields = dict(re.findall(r"^\s*([A-Z0-9_]+)\s*:\s*(.*?)\s*$", done.stdout, re.M))
        return fields if "STATE" in fields else None

    def wait_service_state(self, state, seconds=30):
        """Polls until the service's state names `state` (RUNNING, STOPPED); returns
        the last state read."""
        deadline = time.monotonic() + seconds
        while True:
            fields = self.service_state()
            if (fields and state in fields["STATE"]) or time.monotonic() > deadline:
                return fields
            time.sleep(0.5)

    def flush_wine(self):
        """Ends the prefix's wineserver, which writes the registry files, and
        starts a new one for what follows."""
        env = self.environment()
        subprocess.run([WINESERVER, "-k"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run([WINESERVER, "-w"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run([WINESERVER, "-p60"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        subprocess.run([WINE, "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)

    def snapshot(self):
        """The prefix's files (path, size, modification time) and registry
        (key and value lines) at this moment."""
        self.flush_wine()
        files = set()
        drive = self.prefix / "drive_c"
        for folder, subfolders, names in os.walk(drive):
            relative = Path(folder).relative_to(drive)
            subfolders[:] = [s for s in subfolders if relative / s not in SKIPPED_FOLDERS]
            files.add((str(relative), "folder"))
            for name in names:
                stat = (Path(folder) / name).lstat()
                files.add((str(relative / name), stat.st_size, stat.st_mtime_ns))
        return files, registry_lines(self.prefix)


SERVICE_NAME = "VantrelCatalogue"
SERVICE_KEY = f"HKLM\\System\\CurrentControlSet\\Services\\{SERVICE_NAME}"


def loopback_port_free(port=80):
    """Whether this machine lets a program listen on the port of both loopback
    addresses (the installed service's port): free, and allowed to this user."""
    for family, address in ((socket.AF_INET, "127.0.0.1"), (socket.AF_INET6, "::1")):
        try:
            with socket.socket(family) as probe:
                probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                probe.bind((address, port))
        except OSError:
            return False
    return True


def registry_lines(prefix):
    """(key, line) pairs of the prefix's registry files; (key, None) for each key."""
    pairs = set()
    for hive in ["system.reg", "user.reg", "userdef.reg"]:
        key = None
        for line in (prefix / hive).read_text(encoding="utf-8", errors="replace").splitlines():
            if line.startswith("["):
                key = hive + ":" + re.sub(r"\]\s+\d+$", "]", line)[1:-1].replace("\\\\", "\\")
                pairs.add((key, None))
            elif key and line.strip() and not line.startswith("#"):
                pairs.add((key, line))
    return pairs


def new_registry_entries(before, after):
    """Registry keys and values present in `after` but not in `before`, apart from
    the installer engine's empty containers and what Wine rewrites by itself."""
    added = set()
    for key, line in after - before:
        name = key.split(":", 1)[1]
        if name.startswith(VOLATILE_KEYS) or (line is None and name in ENGINE_CONTAINERS):
            continue
        added.add((key, line))
    return added


def empty_component_keys(added, msi):
    """Of the `added` registry entries, the keys of the package's components
    under the engine's Components container that hold no value."""
    container = "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components\\"
    names = {"system.reg:" + container + packed_guid(row[1]) for row in msi_table(msi, "Component")}
    with_values = {key for key, line in added if line is not None}
    return {(key, None) for key, line in added if line is None and key in names and key not in with_values}


def changed_files(before, after):
    """Files and folders that appeared, vanished or changed between two snapshots."""
    return sorted(str(entry[0]) for entry in before ^ after)
