#!/usr/bin/env python3
"""The library file is found in every text form (UTF-16 little- and big-endian
and UTF-8 with byte-order mark, ANSI without), and the address is decoded: %20
and "+" give spaces, %2F a folder separator, a non-ASCII character written as
itself stays itself; only the first file://localhost/ address counts."""

from e2e_lib import E2ETest
import itunes_library

with E2ETest("LibraryForms") as t:
    t.start(launch=False)
    ansi = f"cp{t.drive('paths')[0]['ansiCodePage']}"
    itunes = t.music / "iTunes"
    t.add_packages(["Form Check"], folder=itunes / "iTunes M\u00ebdia" / "Mobile Applications")
    url = f"file://localhost/{t.music_address_path()}/iTunes/iTunes%20M\u00ebdia/"
    for encoding, bom in [("utf-16-le", True), ("utf-16-be", True), ("utf-8", True), (ansi, False)]:
        t.write_library(None, text=itunes_library.library_text(url), encoding=encoding, bom=bom)
        t.launch()
        state = t.wait_ready()
        t.check_equal(state["list"]["rows"], ["Form Check"], f"library in {encoding}{' with mark' * bom}")
        t.drive("close", "wait-exit 10")

    t.add_packages(["Plus Check"], folder=itunes / "A B" / "C D" / "Mobile Applications")
    first = f"file://localhost/{t.music_address_path()}/iTunes/A+B%2FC%20D"
    # A track address after the media folder's: only the first address counts.
    text = itunes_library.library_text(first).replace(
        "</dict>\n</plist>", f"\t<key>Location</key><string>{t.media_url()}</string>\n</dict>\n</plist>")
    t.write_library(None, text=text)
    t.launch()
    state = t.wait_ready()
    t.check_equal(state["list"]["rows"], ["Plus Check"], f"address {first}")
