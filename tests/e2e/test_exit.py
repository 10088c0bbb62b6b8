#!/usr/bin/env python3
"""Leaving the program: Ctrl+Q with the focus on the list, Ctrl+Q with the focus
on the button, and the Exit entry each end it."""

from e2e_lib import E2ETest

with E2ETest("Exit") as t:
    t.write_library(t.media_url())
    t.add_packages(["Only"])
    t.start(launch=False)
    for way, steps in [("Ctrl+Q from the list", ["focus list", "key ctrl+q"]),
                       ("Ctrl+Q from the button", ["focus button", "key ctrl+q"]),
                       ("the Exit entry", ["menu MenuExit"])]:
        t.launch()
        t.wait_ready()
        t.screenshot(f"run-{t.runs}")
        t.drive(*steps)
        t.check(t.program_exited(10), f"{way} ends the program")
        t.check(t.program.wait(timeout=10) == 0, f"{way}: exit code 0")
