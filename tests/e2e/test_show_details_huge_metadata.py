#!/usr/bin/env python3
"""The show-details command over three packages, the middle one holding a
metadata member of 1 GiB (honestly declared, a few megabytes deflated, the
identifier at its top), all selected, with the converter installed. The big
member is passed over without a message: the service receives the two other
identifiers, their page is opened, MetadataCopy holds the last package's
metadata, and the window goes on answering: a language switch right after the
run takes effect."""

from e2e_lib import E2ETest, idle_caption
from ipa_packages import PackageSpec, write_large_metadata_package
from show_details_lib import (add_package_specs, check_metadata_copy, check_page_opened, check_request,
                              run_command)

import itunes_library  # noqa: E402 (found through e2e_lib's path)

SPECS = [PackageSpec("Alder", 360000001, binary=True), PackageSpec("Cedar", 360000003, binary=True)]
HOSTILE_ROW, HOSTILE_ID, HOSTILE_SIZE = "Birch", 360000002, 1 << 30


def peak_memory_mib(process):
    """The peak resident size of a running process, from /proc (None when gone)."""
    try:
        with open(f"/proc/{process.pid}/status", encoding="ascii") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) // 1024
    except OSError:
        return None
    return None


with E2ETest("ShowDetails-huge-metadata") as t:
    t.write_library(t.media_url())
    add_package_specs(t, SPECS)
    packages = t.media_folder() / itunes_library.PACKAGE_FOLDER
    size = write_large_metadata_package(packages / f"{HOSTILE_ROW}.ipa", HOSTILE_ROW, HOSTILE_ID, HOSTILE_SIZE)
    t.log(f"{HOSTILE_ROW}.ipa: metadata of {size} bytes, "
          f"{(packages / f'{HOSTILE_ROW}.ipa').stat().st_size} bytes on disk")
    t.start(launch=False)
    t.install_converter()
    base = t.start_catalogue()
    t.launch()
    rows = t.wait_ready()["list"]["rows"]
    t.check_equal(rows, ["Alder", HOSTILE_ROW, "Cedar"], "rows listed; the big package in the middle")

    run_command(t, ["menu MenuSelAll"], seconds=60)
    t.screenshot("after")
    t.drive("msgbox-none 1")
    identifiers = [str(plan.item_id) for plan in SPECS]
    check_request(t, identifiers)
    check_page_opened(t, base, identifiers)
    check_metadata_copy(t, SPECS[-1], converted=True)

    state = t.drive("menu MenuEng", "state")[-1]
    t.check_equal(state["button"]["text"], idle_caption("MenuEng"), "language switch after the run")
    t.log(f"peak resident size of the program: {peak_memory_mib(t.program)} MiB")
