"""Shared parts of the show-details end-to-end tests: packages made from
PackageSpec rows, one run of the command, and the checks of what it left behind
(the service's request, the address handed to the shell, the page behind it,
MetadataCopy and ReplyFile)."""

import plistlib
import re
import urllib.parse

from e2e_lib import METADATA_COPY, REPLY_FILE, SERVICE_HOST, fetch, idle_caption
from ipa_packages import write_package

import itunes_library  # noqa: E402 (found through e2e_lib's path)

SUBMIT_PATH = "/input/submit.php"


def add_package_specs(t, plans, folders=()):
    """Writes one package per plan into the media folder's Mobile Applications\\,
    and a folder for each name in `folders` (a folder named like a package)."""
    packages = t.media_folder() / itunes_library.PACKAGE_FOLDER
    for plan in plans:
        write_package(packages / f"{plan.row}.ipa", plan)
    for name in folders:
        (packages / f"{name}.ipa").mkdir(parents=True)


def yields_identifier(plan):
    """Whether the command reads an identifier out of this package: it needs a
    metadata member that is not encrypted (the prompt is cancelled). Binary
    metadata is converted by the converter or, without one, by the program."""
    return plan is not None and plan.item_id is not None and plan.password is None


def expected_identifiers(rows, plans, selected):
    """The identifiers of the selected rows, in row order, as the command collects them."""
    by_row = {plan.row: plan for plan in plans}
    return [str(by_row[rows[i]].item_id) for i in selected
            if yields_identifier(by_row.get(rows[i]))]


def run_command(t, selection_steps, language="MenuDeu", seconds=45):
    """Selects rows with `selection_steps`, clicks the show-details button and
    waits until the button is idle again; returns the state read then."""
    t.drive(*selection_steps)
    t.drive("click")
    state = t.wait_button(True, idle_caption(language), seconds)
    t.check_equal((state["button"]["enabled"], state["button"]["text"]), (True, idle_caption(language)),
                  "button after the run: enabled, idle caption")
    return state


def check_request(t, identifiers):
    """The service received exactly one request: the program's submission of
    `identifiers` to ServiceHost, through the proxy (absolute target). The
    service cuts a long line in its log, naming the whole line's length: such a
    line must begin as the whole request and be as long."""
    lines = [line for line in t.catalogue_requests(1) if SUBMIT_PATH in line]
    if not t.check_equal(len(lines), 1, f"requests the service received: {lines}"):
        return
    line = lines[0]
    cut = re.fullmatch(r"(.*) \.\.\. \(cut, (\d+) bytes in all\)", line)
    if cut:
        query = f"{SUBMIT_PATH}?dataset={','.join(identifiers)}"
        alternatives = [f"GET http://{SERVICE_HOST}{port}{query} HTTP/1.{minor}" for port in (":80", "")
                        for minor in (0, 1)]
        t.check(any(e.startswith(cut.group(1)) and len(e.encode()) == int(cut.group(2)) for e in alternatives),
                f"cut request line begins as the submission and is as long: {line[:120]!r}...")
        return
    match = re.fullmatch(r"GET (\S+) HTTP/1\.[01]", line)
    if not t.check(match is not None, f"request line: {line!r}"):
        return
    target = urllib.parse.urlsplit(match.group(1))
    t.check_equal((target.scheme, target.hostname, target.port in (None, 80)), ("http", SERVICE_HOST, True),
                  "request sent to ServiceHost on the HTTP port")
    t.check_equal(target.path, SUBMIT_PATH, "request path")
    t.check_equal(target.query, "dataset=" + ",".join(identifiers), "request query")


def check_page_opened(t, base, identifiers):
    """The shell was asked to open the service's page address once; ReplyFile
    holds that address; the page lists the distinct identifiers in order."""
    opened = t.recorded_addresses(1)
    if not t.check_equal(len(opened), 1, f"addresses the shell was asked to open: {opened}"):
        return
    address = opened[0]
    t.check(re.fullmatch(re.escape(base) + r"/apps/[0-9a-f]{32}\.html", address) is not None,
            f"opened address is a page of the service: {address}")
    reply = t.temp_file(REPLY_FILE)
    t.check(reply.is_file() and reply.read_text(encoding="utf-8").strip() == address,
            f"ReplyFile {reply} holds the opened address")
    page = fetch(address)
    listed = re.findall(r'<li><a href="https://apps\.apple\.com/app/id(\d+)">\1</a></li>', page)
    t.check_equal(listed, list(dict.fromkeys(identifiers)), "identifiers listed on the page")


def check_nothing_opened(t, seconds=4):
    """No address reached the shell (the recorder runs detached: give it time)."""
    t.check_equal(t.recorded_addresses(1, seconds), [], "addresses the shell was asked to open")


def check_metadata_copy(t, plan, converted):
    """MetadataCopy holds the metadata of `plan`'s package: converted to the
    converter's XML layout, or byte for byte as extracted."""
    copy = t.temp_file(METADATA_COPY)
    if not t.check(copy.is_file(), f"MetadataCopy {copy} exists"):
        return
    data = copy.read_bytes()
    if not converted:
        t.check(data == plan.metadata, f"MetadataCopy is {plan.row}'s member as extracted ({len(data)} bytes)")
        return
    t.check(data.startswith(b"<?xml"), "MetadataCopy is an XML property list")
    t.check_equal(plistlib.loads(data), plistlib.loads(plan.metadata), f"MetadataCopy holds {plan.row}'s fields")
    lines = data.decode("utf-8").splitlines()
    key = [i for i, line in enumerate(lines) if line.strip() == "<key>itemId</key>"]
    t.check(len(key) == 1 and lines[key[0] + 1].strip() == f"<integer>{plan.item_id}</integer>",
            "itemId key line followed by its value line")
