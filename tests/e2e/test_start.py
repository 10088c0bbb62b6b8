#!/usr/bin/env python3
"""Start-up with a library and packages: the window's caption, frame, size and
place, its layout, the rows in the order of the directory search with row 0
selected, the total entry, and the whole menu in German. Then the size limits:
only taller than at start, never narrower or wider; a taller window lengthens
the panel and the list and keeps the button 10 pixels above the panel's bottom."""

from e2e_lib import E2ETest, check_language, command_ids, entry_by_id, menu_bar, submenu

SCREEN_W, SCREEN_H = 1024, 768

with E2ETest("Start") as t:
    t.write_library(t.media_url())
    t.add_packages(["Zeta Maps 2.0", "alpha", "Beta Reader", "My.App 1.2", "Shout"])
    packages = t.media_folder() / "Mobile Applications"
    (packages / "Shout.ipa").rename(packages / "Shout.IPA")  # the pattern matches without regard to case
    (packages / "Folder App.ipa").mkdir()                      # folders are listed too
    (packages / "notes.txt").write_text("not a package")
    t.start()
    state = t.wait_ready()
    t.drive("msgbox-none")

    t.check_equal(state["caption"], "Vantrel v1.3", "caption")
    t.check_equal(state["class"], "TForm1", "window class")
    t.check_equal(state["style"], {"caption": True, "sysmenu": True, "minimizebox": False, "maximizebox": False,
                                   "sizebox": True}, "frame: sizeable, system menu only")
    t.check_equal((state["client"]["w"], state["client"]["h"]), (368, 457), "client size")
    window = state["window"]
    # Placed while the client area still had its design height of 454.
    t.check_equal((window["x"], window["y"]),
                  ((SCREEN_W - window["w"]) // 2, (SCREEN_H - (window["h"] - 3)) // 4), "window position")

    t.check_equal({k: state["panel"][k] for k in "xywh"}, {"x": 4, "y": 4, "w": 358, "h": 447}, "panel place")
    t.check_equal({k: state["list"][k] for k in "xywh"}, {"x": 12, "y": 11, "w": 343, "h": 384}, "list place")
    t.check_equal({k: state["button"][k] for k in "xywh"}, {"x": 12, "y": 401, "w": 343, "h": 40}, "button place")
    t.check_equal(state["list"]["itemHeight"], 20, "row height")
    style = state["list"]["listStyle"]
    t.check(style["ownerdrawfixed"] and style["hasstrings"] and style["extendedsel"] and not style["sort"],
            f"list: owner-drawn, keeps strings, extended selection, unsorted ({style})")

    search = t.drive(["find-files", str(packages_windows := "C:\\users\\" + t.user.name +
                                            "\\Music\\iTunes\\iTunes Media\\Mobile Applications\\*.ipa")])[0]
    expected_rows = [name.rsplit(".", 1)[0] for name in search["names"]]
    t.check_equal(sorted(expected_rows, key=str.lower),
                  ["alpha", "Beta Reader", "Folder App", "My.App 1.2", "Shout", "Zeta Maps 2.0"],
                  f"the system's search of {packages_windows}")
    t.check_equal(state["list"]["rows"], expected_rows, "rows in the order of the directory search")
    t.check_equal(state["list"]["selected"], [0], "selection at start")
    t.check_equal(state["button"]["enabled"], True, "button enabled")

    ids = command_ids()
    total = entry_by_id(state, ids["MenuTotal"])
    t.check_equal(state["menu"]["total"], f"Total: {len(expected_rows)} Apps", "total entry")
    t.check(total is not None and total["disabled"], "total entry disabled")
    separator = menu_bar(state)[3]
    t.check(separator["separator"] and separator["disabled"], "separator before the total, disabled")
    check_language(t, state, "MenuDeu", f"Total: {len(expected_rows)} Apps")
    about = submenu(state, 2)
    t.check_equal([item["caption"] for item in about[1:]], ["Dorvik - iPhone Backup", "Tamsel - Startleiste"],
                  "About entries")
    t.check(about[0]["disabled"] and about[0]["caption"] != "", f"information entry {about[0]['caption']!r}, disabled")
    t.screenshot()

    w, h = window["w"], window["h"]
    lines = t.drive(f"resize {w - 60} {h + 100}", "state")
    taller = lines[-1]
    t.check_equal((lines[0]["w"], lines[0]["h"]), (w, h + 100), "asked for narrower and taller: width kept, height grown")
    t.check_equal((taller["panel"]["h"], taller["list"]["h"]), (447 + 100, 384 + 100), "panel and list lengthened")
    t.check_equal((taller["button"]["y"], taller["button"]["h"], taller["button"]["w"]), (501, 40, 343),
                  "button moved down with the panel's bottom")
    t.check_equal(taller["panel"]["y"] + taller["panel"]["h"] - (taller["button"]["y"] + taller["button"]["h"]), 10,
                  "button 10 pixels above the panel's bottom")
    lines = t.drive(f"resize {w + 60} {h - 50}")
    t.check_equal((lines[0]["w"], lines[0]["h"]), (w, h), "asked for wider and shorter than at start: start size")
    t.last_state = taller
