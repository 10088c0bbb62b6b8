#!/usr/bin/env python3
"""The iTunes installations people have, each started for real and its list read:

- names: a media folder under C:\\Users\\Jürgen and under a Japanese user folder,
  both written with UTF-8 escapes as iTunes writes them (listed, and their
  identifiers sent); an escaped byte that is not UTF-8 (%FC) read in the ANSI
  code page; and UTF-8 escapes whose folder only exists under the ANSI reading
  (an older installation that worked that way) still found there.
- files: both library files, the newer name written later and then earlier;
  only "iTunes Library.xml"; no library file at all, with packages in iTunes\\iTunes Media and then only in
  iTunes\\iTunes Music (no error box either time).
- converter-x86: the converter only under "CommonProgramFiles(x86)": a package
  whose XML metadata holds its key and value on one line yields its identifier
  only through a converter, which rewrites it one element a line.

Usage: test_library_kinds.py <names|files|converter-x86>"""

import os
import shutil
import sys
import urllib.parse
from pathlib import Path, PureWindowsPath

from e2e_lib import CONVERTER_FOLDER, E2ETest
from ipa_packages import METADATA_MEMBER, Member, archive_bytes
from show_details_lib import run_command

import itunes_library  # noqa: E402 (found through e2e_lib's path)

SUBMIT_PATH = "/input/submit.php"
case = sys.argv[1]


def escaped_url(windows_folder):
    """The address as iTunes writes it: every byte of the UTF-8 name escaped."""
    return itunes_library.folder_url(PureWindowsPath(windows_folder))


def packages_in(t, windows_folder, names, first_id):
    folder = t.unix_path(windows_folder) / itunes_library.PACKAGE_FOLDER
    for number, name in enumerate(names):
        itunes_library.write_package(folder / f"{name}.ipa", name, first_id + number)


def listed(t, what, expected, then=None):
    """Starts the program, checks the rows and that no box shows, runs `then`, closes it."""
    t.launch()
    state = t.wait_ready()
    t.drive("msgbox-none 1")
    t.check_equal(state["list"]["rows"], expected, f"{what}: rows listed")
    if then:
        then()
    t.drive("close", "wait-exit 10")
    return state


def submitted(t, what, count, identifiers):
    """Select all, the button, and the service's `count`-th request carries the identifiers."""
    run_command(t, ["menu MenuSelAll"])
    lines = [line for line in t.catalogue_requests(count, 45) if SUBMIT_PATH in line]
    if t.check_equal(len(lines), count, f"{what}: requests so far"):
        query = urllib.parse.urlsplit(lines[-1].split(" ")[1]).query
        t.check_equal(query, "dataset=" + ",".join(identifiers), f"{what}: identifiers sent")


with E2ETest(f"LibraryKinds-{case}") as t:
    t.start(launch=False)
    if case == "names":
        t.start_catalogue()
        # (what, folder, library address, packages, first identifier, sent): the
        # last folder is "J%C3%BCrgen2" read in the ANSI code page, the folder an
        # older installation found.
        runs = [
            ("umlaut user folder", "C:\\users\\J\u00fcrgen\\Music\\iTunes\\iTunes Media", None,
             ["Bl\u00e4tter", "Uhr"], 410000001, True),
            ("Japanese user folder", "C:\\users\\\u8061\u6c70\\Music\\iTunes\\iTunes Media", None,
             ["\u6642\u8a08"], 410000011, True),
            ("escaped byte that is not UTF-8", "C:\\users\\vantrel\\M\u00fcsik",
             "file://localhost/C:/users/vantrel/M%FCsik/", ["Ansi Byte"], 410000021, False),
            ("only the ANSI reading's folder exists", "C:\\users\\J\u00c3\u00bcrgen2\\Media",
             "file://localhost/C:/users/J%C3%BCrgen2/Media/", ["Old Reading"], 410000031, False),
        ]
        sent = 0
        for what, folder, url, names, first_id, send in runs:
            packages_in(t, folder, names, first_id)
            t.write_library(url or escaped_url(folder))
            sent += send
            identifiers = [str(first_id + n) for n in range(len(names))]
            listed(t, what, sorted(names), send and (lambda: submitted(t, what, sent, identifiers)))

    elif case == "files":
        itunes = t.music / "iTunes"
        newer_name = itunes / "iTunes Library.xml"
        t.add_packages(["From Newer Name"], folder=itunes / "Newer" / itunes_library.PACKAGE_FOLDER)
        t.add_packages(["From Older Name"], folder=itunes / "Older" / itunes_library.PACKAGE_FOLDER)
        itunes_library.write_text(newer_name, itunes_library.library_text(t.media_url("Newer")))
        t.write_library(t.media_url("Older"))
        hour = 3600
        now = t.library_path.stat().st_mtime
        os.utime(newer_name, (now, now))
        os.utime(t.library_path, (now - hour, now - hour))
        listed(t, "both, the newer name written later", ["From Newer Name"])
        os.utime(newer_name, (now - hour, now - hour))
        os.utime(t.library_path, (now, now))
        listed(t, "both, the older name written later", ["From Older Name"])
        t.library_path.unlink()
        listed(t, "only iTunes Library.xml", ["From Newer Name"])

        newer_name.unlink()
        t.add_packages(["From Media", "Second"])  # iTunes\iTunes Media\Mobile Applications
        t.add_packages(["From Music"], folder=itunes / "iTunes Music" / itunes_library.PACKAGE_FOLDER)
        state = listed(t, "no library file: iTunes Media", ["From Media", "Second"])
        t.check_equal(state["menu"]["total"], "Total: 2 Apps", "no library file: total entry")
        shutil.rmtree(t.media_folder() / itunes_library.PACKAGE_FOLDER)
        listed(t, "no library file: iTunes Music", ["From Music"])

    elif case == "converter-x86":
        t.start_catalogue()
        common32 = t.paths()["commonProgramFilesX86"]
        if not t.check(bool(common32), f"CommonProgramFiles(x86) is set in the prefix: {common32!r}"):
            sys.exit(1)
        converter = t.unix_path(common32) / PureWindowsPath(CONVERTER_FOLDER) / "plutil.exe"
        converter.parent.mkdir(parents=True, exist_ok=True)
        converter.write_bytes(Path(os.environ["VANTREL_PLUTIL"]).read_bytes())
        t.write_library(t.media_url())
        one_line = (b'<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>'
                    b'<key>itemId</key><integer>410000041</integer></dict></plist>\n')
        data, _ = archive_bytes([Member(METADATA_MEMBER, one_line)])
        package = t.media_folder() / itunes_library.PACKAGE_FOLDER / "One Line.ipa"
        package.parent.mkdir(parents=True, exist_ok=True)
        package.write_bytes(data)
        what = "converter under the 32-bit Common Files"
        listed(t, what, ["One Line"], lambda: submitted(t, what, 1, ["410000041"]))
