#!/usr/bin/env python3
"""The show-details command's progress on the taskbar button. Wine has no
taskbar that shows it, so the driver's probe stands in for the shell: it hands
the program a recording ITaskbarList3 and announces the button with
"TaskbarButtonCreated". Before the announcement a run calls nothing; after it,
a run shows 0 of N when it starts, every row walked of all N rows (whatever the
selection, each row is walked), and clears the progress when the button is
restored; a second run starts again from 0."""

from e2e_lib import E2ETest
from ipa_packages import PackageSpec
from show_details_lib import add_package_specs, run_command

SPECS = [
    PackageSpec("Alder", 330000001, binary=False),
    PackageSpec("Birch"),  # no metadata: fails silently
    PackageSpec("Cedar", 330000003, binary=False),
    PackageSpec("Dogwood", 330000004, binary=False),
    PackageSpec("Elm", 330000005, binary=False),
]


def taskbar(t, request):
    answer = t.drive(f"taskbar {request}")[0]["answer"]
    t.check("error" not in answer, f"taskbar {request}: {answer}")
    return answer


def run_values(total):
    return ["value %d/%d" % (walked, total) for walked in range(total)] + ["state none"]


with E2ETest("TaskbarProgress") as t:
    t.write_library(t.media_url())
    add_package_specs(t, SPECS)
    t.start(launch=False)
    t.install_converter()
    t.start_catalogue()
    t.launch()
    rows = t.wait_ready()["list"]["rows"]
    total = len(rows)

    taskbar(t, "install")
    run_command(t, ["select 0,2"])
    t.check_equal(taskbar(t, "calls")["calls"], [], "before the button is announced: nothing called")

    taskbar(t, "announce")
    t.check_equal(taskbar(t, "calls")["calls"], ["init"], "announced: the taskbar list is made and initialised")
    run_command(t, ["select 1,3"])
    calls = taskbar(t, "calls")["calls"]
    t.log(f"  progress over a run of {total} rows: {calls[1:]}")
    t.check_equal(calls[1:], run_values(total), "one run: every row walked of all rows, then cleared")

    run_command(t, ["select none"])
    calls = taskbar(t, "calls")["calls"]
    t.check_equal(calls[1 + len(run_values(total)):], run_values(total), "a second run, nothing selected: from 0 again")
    t.drive("msgbox-none 1")
