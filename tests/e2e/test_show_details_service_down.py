#!/usr/bin/env python3
"""The show-details command while the catalogue service is down (the proxy's
port refuses connections): the package is still read (MetadataCopy holds its
converted metadata), the button is idle again, no message appears, and nothing
is handed to the shell: the ReplyFile an earlier run left is neither
overwritten nor opened again."""

from e2e_lib import REPLY_FILE, E2ETest, free_port
from ipa_packages import PackageSpec
from show_details_lib import add_package_specs, check_metadata_copy, check_nothing_opened, run_command

EARLIER_REPLY = "http://127.0.0.1:9/apps/0123456789abcdef.html\r\n"
SPEC = PackageSpec("Alder", 350000001, binary=True)

with E2ETest("ShowDetails-service-down") as t:
    t.write_library(t.media_url())
    add_package_specs(t, [SPEC])
    t.start(launch=False)
    t.install_converter()
    reply = t.temp_file(REPLY_FILE)
    reply.write_bytes(EARLIER_REPLY.encode("ascii"))
    t.use_proxy(free_port())  # nothing listens there
    t.launch()
    t.wait_ready()
    state = run_command(t, ["select 0"])
    t.drive("msgbox-none 2")
    check_nothing_opened(t)
    t.check_equal(reply.read_bytes(), EARLIER_REPLY.encode("ascii"), "ReplyFile of the earlier run untouched")
    check_metadata_copy(t, SPEC, converted=True)
    t.screenshot("after")
