#!/usr/bin/env python3
"""Gives a Wine prefix a small demo iTunes library, so that Vantrel started in it
lists a few apps at once: the library file under the user's Music\\iTunes\\ and
four app packages with store metadata in iTunes Media\\Mobile Applications\\.

Usage: make_demo_library.py <wine prefix>

A prefix whose user already has a library file is left exactly as it is."""

import os
import sys
from pathlib import Path, PureWindowsPath

sys.path.insert(0, str(Path(__file__).resolve().parent))
import itunes_library as lib  # noqa: E402

DEMO_APPS = [
    # file name (without .ipa), display name, store item id, version
    ("Harbor Tides 2.1", "Harbor Tides", 1034567891, "2.1"),
    ("Pocket Atlas 4.0.3", "Pocket Atlas", 987654321, "4.0.3"),
    ("Quill Notes 1.7", "Quill Notes", 1122334455, "1.7"),
    ("Starling Radio 3.2", "Starling Radio", 1203948576, "3.2"),
]


def find_library(music):
    """The library file under `music`, matched without regard to case as Windows
    does, or None."""
    for folder in (music.iterdir() if music.is_dir() else ()):
        if folder.name.casefold() == "itunes" and folder.is_dir():
            for entry in folder.iterdir():
                if entry.name.casefold() == lib.LIBRARY_NAME.casefold():
                    return entry
    return None


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    prefix = Path(argv[1])
    user = lib.user_folder(prefix)
    music = user / "Music"
    existing = find_library(music)
    if existing:
        print(f"demo library: kept the existing library {existing}")
        return 0
    if music.is_symlink() and not music.exists():
        # Wine links Music to a folder of $HOME, which may not exist yet.
        (music.parent / os.readlink(music)).mkdir(parents=True, exist_ok=True)
    library = music / "iTunes" / lib.LIBRARY_NAME
    media = music / "iTunes" / "iTunes Media"
    packages = media / lib.PACKAGE_FOLDER
    for file_name, name, item_id, version in DEMO_APPS:
        target = packages / f"{file_name}.ipa"
        if not target.exists():
            lib.write_package(target, name, item_id, version)
    media_windows = PureWindowsPath("C:\\users", user.name, "Music", "iTunes", "iTunes Media")
    lib.write_text(library, lib.library_text(lib.folder_url(media_windows)))
    print(f"demo library: wrote {library} and {len(DEMO_APPS)} packages in {packages}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
