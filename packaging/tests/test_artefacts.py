#!/usr/bin/env python3
"""The release artefacts of packaging/package.sh, read without Windows: the list of
files and their checksums, the portable package, the program in it (stripped,
its debugging file named with the right checksum, no link time stamp, version
1.3 in its version resource), the installer database's tables and summary.

Usage: test_artefacts.py <dist folder> <source dir>"""

import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib
from pathlib import Path

MINGW = "x86_64-w64-mingw32"
SHIPPED = ("vantrel.exe", "vantrel-catalogue.exe", "README.txt", "LICENSE.txt")  # in the portable package's order
failures = []


def check(condition, message):
    print(("  ok    " if condition else "  FAIL  ") + message, flush=True)
    if not condition:
        failures.append(message)


def check_equal(actual, expected, what):
    check(actual == expected, f"{what}: {actual!r}" + ("" if actual == expected else f", expected {expected!r}"))


def commit_time(source):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    return int(subprocess.run(["git", "-C", str(source), "log", "-1", "--format=%ct"], capture_output=True,
                              text=True, check=True).stdout)


def sections(path):
    """Section name -> (size, file offset) of a PE file, as objdump lists them."""
    text = subprocess.run([f"{MINGW}-objdump", "-h", str(path)], capture_output=True, text=True, check=True).stdout
    found = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) >= 7 and parts[0].isdigit():
            found[parts[1]] = (int(parts[2], 16), int(parts[5], 16))
    return found


def pe_time_stamp(data):
    """The TimeDateStamp of a PE file's COFF header."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    check_equal(data[pe:pe + 4], b"PE\0\0", "PE signature")
    return struct.unpack_from("<I", data, pe + 8)[0]


def version_resource(data):
    """The file and product versions of the version resource's fixed part
    (VS_FIXEDFILEINFO, after its signature 0xFEEF04BD) and its ProductVersion text."""
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", data, at + 8)
    split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)  # noqa: E731
    key = "ProductVersion\0".encode("utf-16-le")
    found = data.find(key, at)
    text = None
    if found >= 0:
        value = data[found + len(key):found + len(key) + 64]
        text = value.decode("utf-16-le", errors="replace").lstrip("\0").split("\0")[0]
    return split(file_ms, file_ls), split(product_ms, product_ls), text


# An aligned move of a 256- or 512-bit register to or from the stack: GCC for
# Windows does not realign the stack for them, so one would fault at run time.
ALIGNED_WIDE_STACK_MOVE = re.compile(r"\bvmov(?:dqa|dqa32|dqa64|aps|apd)\s+\S*%[yz]mm\S*.*\(%r[sb]p\)"
                                     r"|\bvmov(?:dqa|dqa32|dqa64|aps|apd)\s+\S*\(%r[sb]p\),%[yz]mm")


def check_vector_moves(exe):
    listing = subprocess.run(["x86_64-w64-mingw32-objdump", "-d", "--no-show-raw-insn", str(exe)],
                             capture_output=True, text=True, check=True).stdout
    found = [line.strip() for line in listing.splitlines() if ALIGNED_WIDE_STACK_MOVE.search(line)]
    check(not found, f"{exe.name}: no aligned 256- or 512-bit move to or from the stack" +
          (f" (first: {found[0]})" if found else ""))


def check_program(exe, debug, version, when, source):
    """A shipped program: stripped, naming its debugging file `debug`; with
    `version`, also its version resource."""
    data = exe.read_bytes()
    check_equal(pe_time_stamp(data), when, f"{exe.name}: PE time stamp: the commit time, not the time of linking")
    found = sections(exe)
    check_equal(sorted(s for s in found if s.startswith((".debug", ".zdebug"))), [], f"debugging sections in {exe.name}")
    symbols = subprocess.run([f"{MINGW}-nm", str(exe)], capture_output=True, text=True).stdout
    check_equal(symbols.strip(), "", f"symbols in {exe.name}")
    check(".gnu_debuglink" in found, f"{exe.name} has a .gnu_debuglink section")
    if ".gnu_debuglink" in found:
        size, offset = found[".gnu_debuglink"]
        link = data[offset:offset + size]
        name = link.split(b"\0")[0].decode()
        crc = struct.unpack_from("<I", link, (len(name) + 4) & ~3)[0]
        check_equal(name, debug.name, f"the debugging file {exe.name} names")
        check_equal(crc, zlib.crc32(debug.read_bytes()), f"the checksum it keeps of {debug.name}")
    check(".debug_info" in sections(debug), f"{debug.name} holds the debugging information")
    check(str(source).encode() not in debug.read_bytes(),
          f"{debug.name} does not name this machine's source folder {source}")
    if version is None:
        return
    parts = tuple(int(p) for p in version.split(".")) + (0,) * (4 - len(version.split(".")))
    resource = version_resource(data)
    check_equal(resource, (parts, parts, version), "version resource (file, product, ProductVersion text)")


def check_zip(path, when, readme_text):
    with zipfile.ZipFile(path) as archive:
        entries = archive.infolist()
        check_equal([e.filename for e in entries], list(SHIPPED), "portable package")
        check_equal(archive.testzip(), None, "every entry's CRC")
        stamp = time.gmtime(when - when % 2)[:6]  # a ZIP time stamp counts seconds in twos
        check_equal({e.date_time for e in entries}, {stamp}, "entry time stamps: the commit time")
        readme = archive.read("README.txt")
        licence = archive.read("LICENSE.txt").decode("utf-8")
    lines = readme.split(b"\r\n")
    check(b"\n" not in readme.replace(b"\r\n", b""), "README.txt has Windows line ends")
    check(readme_text.split("## For users", 1)[1].split("\n## ", 1)[0].strip().splitlines()[0].encode() in lines,
          "README.txt holds the users' section of README.md")
    check(b"## For developers" not in readme and b"scripts/test.sh" not in readme,
          "README.txt leaves out the developers' section")
    check("MIT License" in licence and "Copyright (c) 2026 The Vantrel developers" in licence, "LICENSE.txt: MIT")
    check("zlib" in licence and "Jean-loup Gailly and Mark Adler" in licence, "LICENSE.txt: zlib's licence")


def msi_export(msi, table):
    text = subprocess.run(["msiinfo", "export", str(msi), table], capture_output=True, text=True, check=True).stdout
    return [line.split("\t") for line in text.splitlines()[3:]]


def check_msi(msi, zip_path, version, when, wxs):
    properties = {row[0]: row[1] for row in msi_export(msi, "Property")}
    upgrade = re.search(r'UpgradeCode="([^"]+)"', wxs).group(1).upper()
    check_equal({k: properties.get(k) for k in ["ProductName", "ProductVersion", "Manufacturer", "ALLUSERS"]},
                {"ProductName": "Vantrel", "ProductVersion": version, "Manufacturer": "The Vantrel developers",
                 "ALLUSERS": "1"}, "product properties")
    check(properties.get("ARPURLINFOABOUT", "").startswith("http"), "an about page for the installed programs")
    check_equal(properties.get("UpgradeCode", "").strip("{}").upper(), upgrade, "the fixed upgrade code")
    upgrades = msi_export(msi, "Upgrade")
    check(any(row[0].strip("{}") == upgrade and row[2] == version and row[6] == "WIX_UPGRADE_DETECTED"
              for row in upgrades), "older versions of the upgrade code are found and replaced")
    sequence = {row[0]: row for row in msi_export(msi, "InstallExecuteSequence")}
    check("RemoveExistingProducts" in sequence, "the sequence removes a replaced version")
    repair = [row[1:4] for row in msi_export(msi, "CustomAction") if row[0] == "RepairWhenInstalledAgain"]
    check_equal(repair, [["51", "REINSTALL", "ALL"]], "installing again sets REINSTALL=ALL, at once (type 51)")
    for table in ["InstallExecuteSequence", "InstallUISequence"]:
        rows = {row[0]: row for row in msi_export(msi, table)}
        step = rows.get("RepairWhenInstalledAgain", ["", "", "0"])
        check(step[1].startswith("Installed AND NOT REMOVE") and int(step[2]) < int(rows["CostFinalize"][2]),
              f"{table}: the repair is chosen before CostFinalize, only when installed and not removing")
    directories = {row[0]: row for row in msi_export(msi, "Directory")}
    check_equal(directories.get("INSTALLDIR", [None, None, None])[1:], ["ProgramFiles64Folder", "Vantrel"],
                "install folder Program Files\\Vantrel (64-bit)")
    check(all(int(row[3]) & 256 for row in msi_export(msi, "Component")), "64-bit components")
    shortcuts = msi_export(msi, "Shortcut")
    check_equal([(r[1], r[2], r[4]) for r in shortcuts], [("ProgramMenuFolder", "Vantrel", "[INSTALLDIR]vantrel.exe")],
                "Start-menu shortcut")
    summary = subprocess.run(["msiinfo", "suminfo", str(msi)], capture_output=True, text=True, check=True).stdout
    check("Template: x64;1033" in summary, "64-bit package")
    stamp = time.strftime("%a %b %e %H:%M:%S %Y", time.gmtime(when))
    check(f"Created: {stamp}" in summary and f"Last saved: {stamp}" in summary, "summary times: the commit time")
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["msiextract", "-C", folder, str(msi)], check=True, capture_output=True)
        installed = {p.name: p.read_bytes() for p in Path(folder).rglob("*") if p.is_file()}
    with zipfile.ZipFile(zip_path) as archive:
        shipped = {name: archive.read(name) for name in archive.namelist()}
    check(installed == shipped, "the installer's files are those of the portable package")
    check_service(msi)


def check_service(msi):
    """The catalogue service: its own feature, chosen by default; installed under
    the least-privileged account, started at install without waiting (a taken
    port must not fail the installation), stopped and removed at uninstall."""
    features = {row[0]: row for row in msi_export(msi, "Feature")}
    check_equal(features.get("CatalogueService", [None] * 7)[5], "1", "the service's feature is chosen by default")
    services = [(r[1], r[4], r[8], r[10]) for r in msi_export(msi, "ServiceInstall")]
    check_equal(services, [("VantrelCatalogue", "2", "NT AUTHORITY\\LocalService", "[CATALOGUEARGUMENTS]")],
                "the service: automatic start, LocalService account, its arguments from CATALOGUEARGUMENTS")
    properties = {row[0]: row[1] for row in msi_export(msi, "Property")}
    check_equal(properties.get("CATALOGUEARGUMENTS"), "--service", "the service's arguments: --service by default")
    controls = sorted((r[1], r[2], r[4]) for r in msi_export(msi, "ServiceControl"))
    # Events: 1 start at install, 2 + 32 stop at install and uninstall, 128 delete at uninstall.
    check_equal(controls, [("VantrelCatalogue", "1", "0"), ("VantrelCatalogue", "162", "1")],
                "started at install without waiting; stopped (waiting) and deleted at uninstall")
    # The recovery step: the installed service program (file key) run with --set-recovery,
    # deferred (0x400) and not impersonated (0x800), its exit code ignored (0x40): type 18 + those.
    actions = {r[0]: r[1:4] for r in msi_export(msi, "CustomAction")}
    check_equal(actions.get("SetCatalogueRecovery"), [str(18 + 0x40 + 0x400 + 0x800), "CatalogueExe", "--set-recovery"],
                "the recovery actions are set by the service program, elevated")
    sequence = {r[0]: (r[1], int(r[2])) for r in msi_export(msi, "InstallExecuteSequence")}
    # NOLOOKUP=1, COUNTRY=CC and LOOKUPURL=URL add their options, at once (type 51), before the service is
    # written; a value is quoted, so that it reaches the service as one argument whatever it holds.
    option_actions = ("CatalogueArgsNoLookup", "CatalogueArgsCountry", "CatalogueArgsLookupUrl")
    check_equal([actions.get(name) for name in option_actions],
                [["51", "CATALOGUEARGUMENTS", "[CATALOGUEARGUMENTS] --no-lookup"],
                 ["51", "CATALOGUEARGUMENTS", '[CATALOGUEARGUMENTS] --country "[COUNTRY]"'],
                 ["51", "CATALOGUEARGUMENTS", '[CATALOGUEARGUMENTS] --lookup-url "[LOOKUPURL]"']],
                "the install-time options reach the service's arguments")
    check([sequence.get(name, ("", 0))[0] for name in option_actions] == ['NOLOOKUP="1"', "COUNTRY", "LOOKUPURL"]
          and max(sequence[name][1] for name in option_actions) < sequence["InstallServices"][1],
          "the options are set only when given, before InstallServices")
    step = sequence.get("SetCatalogueRecovery", ("", 0))
    check(step[0] == "$CatalogueService>2" and sequence["InstallServices"][1] < step[1] < sequence["StartServices"][1],
          f"set once the service is installed, before it is started, with its component: {step}")
    registry = {(r[2].rstrip("\\"), r[3]): r[4] for r in msi_export(msi, "Registry")}
    source = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\VantrelCatalogue"
    check_equal(registry.get((source, "EventMessageFile")), "[#CatalogueExe]", "the event-log source's messages")


def check_sums(dist, names):
    listed = {}
    for line in (dist / "SHA256SUMS").read_text().splitlines():
        digest, name = line.split("  ", 1)
        listed[name] = digest
    check_equal(sorted(listed), sorted(names), "files in SHA256SUMS")
    check_equal({n: hashlib.sha256((dist / n).read_bytes()).hexdigest() for n in names}, listed, "checksums")


def main(dist, source):
    dist, source = Path(dist), Path(source)
    cmake = (source / "CMakeLists.txt").read_text()
    version = re.search(r"project\(Vantrel VERSION ([0-9.]+)", cmake).group(1)
    when = commit_time(source)
    msi, zip_path = dist / f"vantrel-{version}-x64.msi", dist / f"vantrel-{version}-x64-portable.zip"
    names = [msi.name, zip_path.name, "vantrel.debug", "vantrel-catalogue.debug"]
    check_equal(sorted(p.name for p in dist.iterdir()), sorted(names + ["SHA256SUMS"]), "artefacts")
    check_sums(dist, names)
    check_zip(zip_path, when, (source / "README.md").read_text(encoding="utf-8"))
    with tempfile.TemporaryDirectory() as folder:
        with zipfile.ZipFile(zip_path) as archive:
            archive.extractall(folder)
        check_program(Path(folder) / "vantrel.exe", dist / "vantrel.debug", version, when, source.resolve())
        check_program(Path(folder) / "vantrel-catalogue.exe", dist / "vantrel-catalogue.debug", None, when,
                      source.resolve())
        for program in ("vantrel.exe", "vantrel-catalogue.exe"):
            check_vector_moves(Path(folder) / program)
    check_msi(msi, zip_path, version, when, (source / "packaging" / "vantrel.wxs").read_text())
    print(f"{len(failures)} check(s) failed" if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
