#!/usr/bin/env python3
"""The show-details command while the catalogue service takes the request and
then answers nothing (the proxy accepts, reads and stays silent). The program
gives up on its own after its receive timeout, as a failed request: it closes
the connection, the window answers again with the button idle, no message
appears, and nothing is handed to the shell."""

import socket
import threading
import time

from e2e_lib import E2ETest, idle_caption
from ipa_packages import PackageSpec
from show_details_lib import SUBMIT_PATH, add_package_specs, check_nothing_opened

SPEC = PackageSpec("Alder", 370000001, binary=True)
GIVE_UP_SECONDS = 100  # well past the program's 30-second receive timeout


class SilentService:
    """Accepts connections on a loopback port, reads what arrives and never
    answers; notes when a request arrived and when the client closed."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.request = b""
        self.request_at = None
        self.closed_at = None
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        connection, _ = self.listener.accept()
        with connection:
            while True:
                data = connection.recv(4096)
                if not data:
                    break
                self.request += data
                if self.request_at is None and b"\r\n\r\n" in self.request:
                    self.request_at = time.monotonic()
            self.closed_at = time.monotonic()

    def wait_closed(self, seconds):
        self.thread.join(seconds)
        return self.closed_at is not None


with E2ETest("ShowDetails-silent-service") as t:
    t.write_library(t.media_url())
    add_package_specs(t, [SPEC])
    t.start(launch=False)
    t.install_converter()
    service = SilentService()
    t.use_proxy(service.port)
    t.launch()
    t.wait_ready()
    t.drive("select 0", "click")

    gave_up = service.wait_closed(GIVE_UP_SECONDS)
    t.check(service.request_at is not None and SUBMIT_PATH.encode() in service.request,
            f"the request reached the silent service: {service.request[:120]!r}")
    if t.check(gave_up, f"the program closed the connection within {GIVE_UP_SECONDS} s"):
        t.log(f"  gave up {service.closed_at - service.request_at:.1f} s after sending the request")
    state = t.wait_button(True, idle_caption(), seconds=10)
    t.check_equal((state["button"]["enabled"], state["button"]["text"]), (True, idle_caption()),
                  "the window answers again, button idle")
    t.drive("msgbox-none 2")
    check_nothing_opened(t)
