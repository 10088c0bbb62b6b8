#!/usr/bin/env python3
"""The three interface languages: choosing English, French, German and French
again gives exactly their texts and moves the radio mark; choosing the language
in force keeps it; "Menu", the language entries and the total never change."""

from e2e_lib import E2ETest, check_language

with E2ETest("Languages") as t:
    t.write_library(t.media_url())
    t.add_packages(["One", "Two", "Three"])
    t.start()
    t.wait_ready()
    for language in ["MenuEng", "MenuFra", "MenuDeu", "MenuFra", "MenuFra"]:
        state = t.drive(f"menu {language}", "state")[-1]
        check_language(t, state, language, "Total: 3 Apps")
        t.check_equal(state["list"]["selected"], [0], f"{language}: selection untouched")
        if language == "MenuEng":
            t.last_state = state
            t.screenshot("english")
    # Commands that are no language entries change no caption.
    state = t.drive("menu MenuSelAll", "menu MenuInvAll", "state")[-1]
    check_language(t, state, "MenuFra", "Total: 3 Apps")
    t.last_state = state
