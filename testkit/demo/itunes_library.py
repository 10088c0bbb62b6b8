"""Builds an iTunes library as Vantrel finds it inside a Wine prefix: the library
file "iTunes Music Library.xml" under the user's Music\\iTunes\\ folder and app
packages (*.ipa, ZIP archives) in the media folder's "Mobile Applications\\".

Used by the demo library script and by the end-to-end tests."""

import datetime
import os
import plistlib
import urllib.parse
import zipfile
from pathlib import Path, PureWindowsPath

LIBRARY_NAME = "iTunes Music Library.xml"
PACKAGE_FOLDER = "Mobile Applications"


def user_folder(prefix):
    """drive_c/users/<user> of a Wine prefix: the folder of $USER, else the only
    user folder besides Public."""
    users = Path(prefix) / "drive_c" / "users"
    wanted = users / os.environ.get("USER", "root")
    if wanted.is_dir():
        return wanted
    candidates = [p for p in users.iterdir() if p.is_dir() and p.name != "Public"]
    if len(candidates) != 1:
        raise RuntimeError(f"cannot tell the user folder in {users}: {candidates}")
    return candidates[0]


def folder_url(windows_folder):
    """file://localhost/ address of a Windows folder, escaped the way iTunes writes
    it (spaces as %20, drive colon and slashes kept), with a trailing "/"."""
    path = str(windows_folder).replace("\\", "/").rstrip("/") + "/"
    return "file://localhost/" + urllib.parse.quote(path, safe="/:")


def library_text(media_url, tracks=()):
    """The text of a library file whose "Music Folder" entry is `media_url`.
    `tracks` are file addresses listed before it, as real libraries do."""
    track_entries = "".join(
        f"\t\t<key>{n}</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>{n}</integer>\n"
        f"\t\t\t<key>Location</key><string>{url}</string>\n\t\t</dict>\n"
        for n, url in enumerate(tracks, start=100))
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<!DOCTYPE plist PUBLIC "-//Apple Computer//DTD PLIST 1.0//EN" '
        '"http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n'
        '<plist version="1.0">\n<dict>\n'
        "\t<key>Major Version</key><integer>1</integer>\n"
        "\t<key>Minor Version</key><integer>1</integer>\n"
        "\t<key>Application Version</key><string>12.9.0.164</string>\n"
        "\t<key>Features</key><integer>5</integer>\n"
        "\t<key>Show Content Ratings</key><true/>\n"
        "\t<key>Library Persistent ID</key><string>5F3B0C2A9D41E7B6</string>\n"
        f"\t<key>Tracks</key>\n\t<dict>\n{track_entries}\t</dict>\n"
        f"\t<key>Music Folder</key><string>{media_url}</string>\n"
        "</dict>\n</plist>\n")


def write_text(path, text, encoding="utf-8", bom=False):
    """Writes `text` with CR LF line ends in `encoding` ("utf-8", "utf-16-le",
    "utf-16-be" or "cp1252"), with the byte-order mark when `bom` is set."""
    marks = {"utf-8": b"\xef\xbb\xbf", "utf-16-le": b"\xff\xfe", "utf-16-be": b"\xfe\xff"}
    data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode(encoding)
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes((marks[encoding] if bom else b"") + data)


def large_library_chunks(media_url, size, track_url=None, folder_last=False):
    """The text of a large library, as iTunes writes one, in pieces: the "Music
    Folder" address near the top (or, with `folder_last`, after everything
    else), and tracks of about two kilobytes, each with a Location under
    `track_url` (by default the media folder), until the text holds `size`
    characters."""
    folder = f"\t<key>Music Folder</key><string>{media_url}</string>\n"
    track_url = track_url or media_url
    yield ('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">\n<dict>\n'
           "\t<key>Application Version</key><string>12.13.0.9</string>\n"
           f"{'' if folder_last else folder}\t<key>Tracks</key>\n\t<dict>\n")
    fields = "".join(f"\t\t\t<key>{key}</key><string>{value}</string>\n" for key, value in [
        ("Name", "Gr\u00fc\u00dfe aus K\u00f6ln"), ("Artist", "Caf\u00e9 Orchestra"), ("Album", "Nocturnes \u2013 Live"),
        ("Genre", "Klassik"), ("Kind", "MPEG-Audiodatei"), ("Persistent ID", "0123456789ABCDEF"),
        ("Comments", "Recorded live in the old opera house, second night of the tour, remastered " * 12)])
    written = 0
    number = 100
    while written < size:
        chunk = "".join(
            f"\t\t<key>{n}</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>{n}</integer>\n{fields}"
            f"\t\t\t<key>Location</key><string>{track_url}Music/Caf%C3%A9/{n}%20Nocturne.mp3</string>\n\t\t</dict>\n"
            for n in range(number, number + 1000))
        number += 1000
        written += len(chunk)
        yield chunk
    yield f"\t</dict>\n{folder if folder_last else ''}</dict>\n</plist>"


def write_large_library(path, media_url, size, encoding="utf-8", bom=False, **placement):
    """Writes a library of at least `size` characters (large_library_chunks,
    which takes the `placement` arguments) in `encoding`, with the byte-order
    mark when `bom` is set."""
    marks = {"utf-8": b"\xef\xbb\xbf", "utf-16-le": b"\xff\xfe", "utf-16-be": b"\xfe\xff"}
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "wb") as out:
        out.write(marks[encoding] if bom else b"")
        for chunk in large_library_chunks(media_url, size, **placement):
            out.write(chunk.encode(encoding))


def metadata(name, item_id, version="1.0", artist="Example Studio"):
    """The fields of an app's iTunesMetadata.plist, as the store writes them."""
    bundle = "com.example." + "".join(c for c in name.lower() if c.isalnum())
    return {
        "itemId": item_id,
        "itemName": name,
        "bundleDisplayName": name,
        "softwareVersionBundleId": bundle,
        "bundleShortVersionString": version,
        "bundleVersion": version,
        "artistName": artist,
        "playlistName": artist,
        "genre": "Utilities",
        "kind": "software",
        "releaseDate": datetime.datetime(2011, 3, 14, 8, 0, 0),
        "softwareSupportedDeviceIds": [1, 2],
    }


def metadata_bytes(name, item_id, version="1.0", binary=True):
    """The iTunesMetadata.plist member: a binary or an XML property list."""
    return plistlib.dumps(metadata(name, item_id, version), fmt=plistlib.FMT_BINARY if binary else plistlib.FMT_XML)


def info_member(name, version="1.0"):
    """Name and bytes of the package's minimal Payload/<name>.app/Info.plist."""
    info = {"CFBundleIdentifier": metadata(name, 0)["softwareVersionBundleId"], "CFBundleDisplayName": name,
            "CFBundleShortVersionString": version, "CFBundleExecutable": name.replace(" ", "")}
    return f"Payload/{name}.app/Info.plist", plistlib.dumps(info, fmt=plistlib.FMT_BINARY)


def write_package(path, name, item_id, version="1.0", binary_metadata=True):
    """An app package: a ZIP archive holding iTunesMetadata.plist (with `item_id`
    as itemId) and a minimal Payload/<name>.app/Info.plist."""
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr(*info_member(name, version))
        archive.writestr("iTunesMetadata.plist", metadata_bytes(name, item_id, version, binary_metadata))
    return path
