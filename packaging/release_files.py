#!/usr/bin/env python3
"""Helpers of packaging/package.sh that are easier to get byte-exact in Python.

  release_files.py texts <source dir> <folder>
      writes README.txt (the users' section of README.md) and LICENSE.txt into
      <folder>, with Windows line ends
  release_files.py zip <zip file> <folder> <name>...
      writes the named files of <folder> into a ZIP archive, in the order given,
      every entry stamped with SOURCE_DATE_EPOCH
  release_files.py codes <wxs file> <version> <file>...
      prints the product code (one per version) and the package code (one per
      content: the same inputs give the same code, other inputs another)

Nothing here reads the clock: the same inputs always give the same bytes."""

import hashlib
import os
import re
import sys
import time
import uuid
import zipfile
from pathlib import Path

USERS_HEADING = "## For users"
ZIP_EARLIEST = 315532800  # 1980-01-01, the first moment a ZIP time stamp can hold


def users_section(readme_text):
    """The lines of README.md from the users' heading up to the next heading of
    the same level, without the heading itself."""
    lines = readme_text.splitlines()
    try:
        start = lines.index(USERS_HEADING)
    except ValueError:
        raise SystemExit(f"README.md has no line {USERS_HEADING!r}")
    end = next((i for i in range(start + 1, len(lines)) if lines[i].startswith("## ")), len(lines))
    return lines[start + 1:end]


def plain_text(lines):
    """Markdown sub-headings as underlined lines, as a text file shows them."""
    result = []
    for line in lines:
        if line.startswith("### "):
            result += [line[4:], "-" * len(line[4:])]
        else:
            result.append(line)
    return result


def windows_text(lines):
    """Lines joined with CR LF, trailing blank lines dropped, one final line end."""
    while lines and not lines[-1].strip():
        lines = lines[:-1]
    while lines and not lines[0].strip():
        lines = lines[1:]
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def write_texts(source_dir, folder):
    source_dir, folder = Path(source_dir), Path(folder)
    readme = source_dir.joinpath("README.md").read_text(encoding="utf-8")
    title = readme.splitlines()[0].lstrip("# ").strip()
    body = [title, "=" * len(title), ""] + plain_text(users_section(readme))
    folder.joinpath("README.txt").write_bytes(windows_text(body))
    licence = source_dir.joinpath("LICENSE").read_text(encoding="utf-8")
    folder.joinpath("LICENSE.txt").write_bytes(windows_text(licence.splitlines()))


def source_date():
    """SOURCE_DATE_EPOCH as the ZIP's (year, month, day, hour, minute, second), UTC."""
    epoch = max(int(os.environ["SOURCE_DATE_EPOCH"]), ZIP_EARLIEST)
    return time.gmtime(epoch)[:6]


def write_zip(zip_path, folder, names):
    """Deflated entries with fixed time stamps and attributes, made on "Windows"
    (no Unix owner or mode), so only the files' bytes decide the archive's."""
    stamp = source_date()
    with zipfile.ZipFile(zip_path, "w") as archive:
        for name in names:
            entry = zipfile.ZipInfo(name, date_time=stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 0
            entry.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
            archive.writestr(entry, Path(folder, name).read_bytes(), compresslevel=9)


def upgrade_code(wxs_text):
    found = re.search(r'UpgradeCode="([0-9a-fA-F-]{36})"', wxs_text)
    if not found:
        raise SystemExit("the package source names no UpgradeCode")
    return uuid.UUID(found.group(1))


def codes(wxs_path, version, files):
    """Windows Installer wants a new product code for every version that replaces
    an older one, and a package code that changes whenever the package does."""
    wxs = Path(wxs_path).read_bytes()
    upgrade = upgrade_code(wxs.decode("utf-8"))
    product = uuid.uuid5(upgrade, f"Vantrel product {version}")
    content = hashlib.sha256(wxs + version.encode())
    for path in files:
        content.update(Path(path).name.encode() + b"\0" + Path(path).read_bytes())
    package = uuid.uuid5(upgrade, f"Vantrel package {content.hexdigest()}")
    print(str(product).upper(), str(package).upper())


def main(argv):
    if len(argv) >= 4 and argv[1] == "texts" and len(argv) == 4:
        write_texts(argv[2], argv[3])
    elif len(argv) >= 5 and argv[1] == "zip":
        write_zip(argv[2], argv[3], argv[4:])
    elif len(argv) >= 4 and argv[1] == "codes":
        codes(argv[2], argv[3], argv[4:])
    else:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
