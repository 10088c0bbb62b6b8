#!/usr/bin/env python3
"""A language switch while the command waits for the converter: a slow
converter (it only waits until the test releases it) is installed as plutil.exe. During its wait the button
is disabled with the German please-wait caption; choosing English from the menu
sets the English idle caption at once, the button still disabled. The converter
was called with the quoted MetadataCopy path; when it ends the run finishes with
the button enabled in English, and the XML metadata, left as extracted, still
yields its identifier."""

import os

from e2e_lib import METADATA_COPY, E2ETest, idle_caption, working_caption
from ipa_packages import PackageSpec
from show_details_lib import add_package_specs, check_metadata_copy, check_page_opened, check_request

SPEC = PackageSpec("Aspen", 330000001, binary=False)

with E2ETest("ShowDetails-language-switch") as t:
    t.write_library(t.media_url())
    add_package_specs(t, [SPEC])
    t.start(launch=False)
    t.install_converter(os.environ["VANTREL_SLOW_CONVERTER"])
    calls, release = t.work / "converter-calls.log", t.work / "converter-release"
    t.extra_env.update(VANTREL_CONVERTER_MARK=t.windows_path(calls), VANTREL_CONVERTER_RELEASE=t.windows_path(release),
                       VANTREL_CONVERTER_SLEEP_MS="60000")
    base = t.start_catalogue()
    t.launch()
    t.wait_ready()

    t.drive("select 0", "click")
    t.check(t.wait_file(calls, 20), "the converter was started")
    lines = t.drive("state", "menu MenuEng", "state")
    before, after = lines[0]["button"], lines[-1]["button"]
    t.check_equal((before["enabled"], before["text"]), (False, working_caption("MenuDeu")),
                  "button while the converter runs")
    t.check_equal((after["enabled"], after["text"]), (False, idle_caption("MenuEng")),
                  "button right after the switch to English")
    t.last_state = lines[-1]
    t.screenshot("during")
    release.touch()

    state = t.wait_button(True, idle_caption("MenuEng"))
    t.check_equal((state["button"]["enabled"], state["button"]["text"]), (True, idle_caption("MenuEng")),
                  "button after the run")
    t.screenshot("after")
    called = calls.read_text(encoding="utf-8").splitlines()
    copy_path = t.paths()["temp"] + METADATA_COPY
    t.check(len(called) == 1 and "plutil.exe" in called[0]
            and called[0].endswith(f' -convert xml1 -s "{copy_path}"'), f"converter command line: {called}")
    check_request(t, [str(SPEC.item_id)])
    check_page_opened(t, base, [str(SPEC.item_id)])
    check_metadata_copy(t, SPEC, converted=False)
    t.drive("msgbox-none 1")
