"""Shared parts of the end-to-end tests: each test runs the real vantrel.exe under
Wine, in a Wine prefix and HOME of its own, on an X server of its own (Xvfb),
and reads and drives its window with vantrel-driver.exe.

A test script looks like this:

    with E2ETest("Start") as t:
        t.write_library(t.media_url())
        t.add_packages(["a", "b"])
        t.start()
        state = t.wait_ready()
        t.check_equal(state["caption"], "Vantrel v1.3", "caption")

Checks record their failures and the test goes on; at the end the window is
photographed, every Wine process of the prefix is ended, the X server stopped,
and the script exits with 1 when a check failed."""

import ctypes
import json
import os
import re
import shlex
import shutil
import signal
import socket
import subprocess
import sys
import time
import urllib.request
from pathlib import Path, PureWindowsPath

SOURCE_DIR = Path(os.environ.get("VANTREL_SOURCE_DIR", Path(__file__).resolve().parents[2]))
sys.path.insert(0, str(SOURCE_DIR / "testkit" / "demo"))
sys.path.insert(0, str(SOURCE_DIR / "testkit" / "test_driver"))
import itunes_library  # noqa: E402
from driver_client import WINE, capture_screen, driver_launch, failed_step, run_driver, step_arguments  # noqa: E402

WINESERVER = "/usr/lib/wine/wineserver"
CAPTION = "Vantrel v1.3"
SERVICE_HOST = os.environ.get("VANTREL_SERVICE_HOST", "localhost")
TEST_DEADLINE_SECONDS = 150  # below the CTest timeout, so the clean-up still runs
CONVERTER_FOLDER = "Apple\\Apple Application Support"  # under CommonProgramFiles
METADATA_COPY = "iTunesMetadata.plist"  # the command's working files in the temporary folder
REPLY_FILE = SERVICE_HOST
# Environment variables through which programs find a proxy (any case).
PROXY_VARIABLES = {"http_proxy", "https_proxy", "all_proxy", "no_proxy"}

# The interface texts of each language, by the menu entry that chooses it.
LANGUAGES = {
    "MenuDeu": dict(show="Zeige Details", wait="Bitte warten", exit="Beenden", edit="Bearbeiten", about="\u00dcber",
                    select_all="Alles ausw\u00e4hlen", invert="Auswahl umkehren",
                    hint1="Tipp:  Strg-Taste f\u00fcr", hint2="individuelle Auswahl"),
    "MenuEng": dict(show="Show details", wait="Please wait", exit="Exit", edit="Edit", about="About",
                    select_all="Select all", invert="Invert selection",
                    hint1="Hint:  Ctrl-key for", hint2="individual selection"),
    "MenuFra": dict(show="Voir les d\u00e9tails", wait="Attendez s.v.p.", exit="Quitter", edit="Editer", about="A propos",
                    select_all="S\u00e9lectionner toutes", invert="Inverser la s\u00e9lection",
                    hint1="Astuce:  Ctrl-cl\u00e9 pour", hint2="la s\u00e9lection individuelle"),
}
LANGUAGE_ENTRIES = ["Deutsch (German)", "English (English)", "Fran\u00e7ais (French)"]


def idle_caption(language="MenuDeu"):
    """The show-details button's caption while no run is going on."""
    return f"{LANGUAGES[language]['show']} ({SERVICE_HOST})"


def working_caption(language="MenuDeu"):
    """The show-details button's caption while a run collects identifiers."""
    return f"{LANGUAGES[language]['wait']} ..."


def free_port():
    """A loopback TCP port that nothing listens on at this moment."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for_lines(path, count, seconds):
    """The lines of a log file that another process appends to, once it holds
    `count` of them or `seconds` have passed."""
    deadline = time.monotonic() + seconds
    lines = []
    while time.monotonic() < deadline:
        if path.exists():
            lines = path.read_text(encoding="utf-8").splitlines()
            if len(lines) >= count:
                break
        time.sleep(0.2)
    return lines


def fetch(url, timeout=10):
    """GET `url` directly (no proxy from the environment); returns the body as text."""
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    with opener.open(url, timeout=timeout) as reply:
        return reply.read().decode("utf-8")


class DriverError(Exception):
    pass


class Deadline(Exception):
    pass


def _die_with_parent():
    """Child processes (Xvfb) end when the test script dies, even by SIGKILL."""
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def copy_prefix(template, target):
    """Copies a Wine prefix. The system DLL folders are hard-linked: Wine only reads
    them, and they are most of the prefix's 700 MB. Everything else (registry,
    user folders, win.ini) is a real copy, since Wine writes to it."""
    linked = {Path("drive_c/windows/system32"), Path("drive_c/windows/syswow64"),
              Path("drive_c/windows/winsxs")}

    def copy(source, destination, relative):
        destination.mkdir(parents=True)
        for entry in source.iterdir():
            rel = relative / entry.name
            if entry.is_symlink():
                os.symlink(os.readlink(entry), destination / entry.name)
            elif rel in linked:
                subprocess.run(["cp", "-al", str(entry), str(destination / entry.name)], check=True)
            elif entry.is_dir():
                copy(entry, destination / entry.name, rel)
            else:
                shutil.copy2(entry, destination / entry.name)

    copy(Path(template), Path(target), Path())


class E2ETest:
    def __init__(self, name):
        self.name = name
        self.exe = Path(os.environ["VANTREL_EXE"])
        self.driver_exe = Path(os.environ["VANTREL_DRIVER"])
        self.template = Path(os.environ["E2E_TEMPLATE_PREFIX"])
        self.work = Path(os.environ.get("E2E_WORK_ROOT", Path.cwd())) / name
        self.prefix = self.work / "prefix"
        self.home = self.work / "home"
        self.cwd = self.work / "cwd"  # the program's current directory
        self.shell_log = self.work / "shell-open.log"
        self.driver_log = self.work / "driver.log"
        self.failures = []
        self.program = None
        self.xvfb = None
        self.display = None
        self.last_state = None
        self.runs = 0
        self.background = []
        self.screenshot_labels = set()
        self.extra_env = {}  # added to every Wine program's environment
        self.screen_size = (1024, 768)  # of the virtual display; set before start()
        self.catalogue_log = self.work / "catalogue-requests.log"
        self._paths = None

    # ---- set-up -------------------------------------------------------------

    def __enter__(self):
        signal.signal(signal.SIGALRM, self._on_deadline)
        signal.signal(signal.SIGTERM, self._on_deadline)
        signal.alarm(TEST_DEADLINE_SECONDS)
        if self.work.exists():
            shutil.rmtree(self.work)
        self.work.mkdir(parents=True)
        self.home.mkdir()
        self.cwd.mkdir()
        copy_prefix(self.template, self.prefix)
        self.user = itunes_library.user_folder(self.prefix)
        self._own_user_folders()
        self.log(f"test {self.name}: prefix {self.prefix}, user folder {self.user.name}")
        return self

    def _on_deadline(self, signum, frame):
        raise Deadline(f"signal {signum}: the test ran out of time")

    def _own_user_folders(self):
        """The template's user folders link to the template's HOME: point them at this
        test's HOME, and make Music a real folder of this prefix."""
        for entry in self.user.iterdir():
            if entry.is_symlink() and os.path.isabs(os.readlink(entry)):
                entry.unlink()
                if entry.name == "Music":
                    entry.mkdir()
                else:
                    entry.symlink_to(self.home)
        (self.user / "Music").mkdir(exist_ok=True)

    @property
    def music(self):
        return self.user / "Music"

    @property
    def library_path(self):
        return self.music / "iTunes" / itunes_library.LIBRARY_NAME

    @property
    def library_windows_path(self):
        return str(PureWindowsPath("C:\\users", self.user.name, "Music", "iTunes", itunes_library.LIBRARY_NAME))

    def media_folder(self, name="iTunes Media"):
        """The Unix path of a media folder under Music\\iTunes\\."""
        return self.music / "iTunes" / name

    def music_address_path(self):
        """The Music folder as a file address writes it: C:/users/<user>/Music."""
        return f"C:/users/{self.user.name}/Music"

    def media_url(self, name="iTunes Media"):
        """The file://localhost/ address of that media folder, escaped as iTunes does."""
        return itunes_library.folder_url(PureWindowsPath("C:\\users", self.user.name, "Music", "iTunes", name))

    def write_library(self, media_url, encoding="utf-8", bom=False, text=None):
        """Writes the library file; `text` replaces the generated one when given."""
        itunes_library.write_text(self.library_path, text if text is not None else
                                  itunes_library.library_text(media_url), encoding, bom)

    def add_packages(self, names, folder=None):
        """Writes one package per name (file name without .ipa) into `folder`, by
        default the media folder's Mobile Applications\\."""
        folder = Path(folder) if folder else self.media_folder() / itunes_library.PACKAGE_FOLDER
        for number, name in enumerate(names):
            itunes_library.write_package(folder / f"{name}.ipa", name, 400000000 + number)

    # ---- running ------------------------------------------------------------

    def environment(self):
        # The machine's own proxy settings never reach the program: every request
        # of a test goes to the loopback, directly or through the test's proxy.
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("WINE", "DISPLAY")) and k.lower() not in PROXY_VARIABLES}
        env.update(WINEPREFIX=str(self.prefix), HOME=str(self.home), WINEDEBUG="-all", LANG="C.UTF-8",
                   WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=self.display or "",
                   VANTREL_SHELL_RECORD=str(self.shell_log))
        env.update(self.extra_env)
        return env

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "{}x{}x24".format(*self.screen_size),
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = f":{number}"
        self.log(f"X display {self.display}")

    def start(self, launch=True):
        """Starts the X server, the prefix's wineserver and (unless `launch` is
        False) vantrel.exe."""
        self._start_xvfb()
        env = self.environment()
        # A persistent wineserver keeps every later Wine start quick; it is killed in
        # __exit__ (and gives up by itself a minute after the last Wine program).
        subprocess.run([WINESERVER, "-p60"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The first Wine program starts the prefix's services, which inherit its
        # output: let a silent one do that, so that no later output pipe is held open.
        subprocess.run([WINE, "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        if launch:
            self.launch()

    def launch(self):
        """Starts vantrel.exe (again, after an earlier run of it has ended)."""
        self.stop_program()
        self.runs += 1
        with open(self.work / f"vantrel-{self.runs}.log", "wb") as log:
            self.program = subprocess.Popen([WINE, str(self.exe)], env=self.environment(), cwd=self.cwd,
                                            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        self.log(f"run {self.runs}: started {self.exe}")

    def stop_program(self):
        """Ends vantrel.exe if it still runs."""
        if self.program is not None and self.program.poll() is None:
            self.program.kill()
            self.program.wait(timeout=10)

    def drive_in_background(self, *steps):
        """Starts the driver with `steps` without waiting for it; returns once its
        first step has reported. The caller ends it with .kill()."""
        output = self.work / f"driver-background-{len(self.background) + 1}.out"
        command, env = driver_launch(self.driver_exe, step_arguments(steps), self.environment())
        with open(output, "wb") as out:
            process = subprocess.Popen(command, env=env, cwd=self.cwd, stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=subprocess.STDOUT)
        self.background.append(process)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and process.poll() is None:
            answers = [line for line in output.read_text(encoding="ascii", errors="replace").splitlines()
                       if line.startswith("{")]
            if answers:
                first = json.loads(answers[0])
                if not first.get("ok"):
                    raise DriverError(f"background step {first.get('step')!r} failed: {first.get('error')}")
                return process
            time.sleep(0.1)
        raise DriverError(f"the background driver did not report: {output.read_text(errors='replace')}")

    def drive(self, *steps, expect_ok=True, settle=None):
        """Runs the driver with `steps` (strings split like a shell command line, or
        lists); returns the parsed JSON line of every step that ran. A failing step
        raises DriverError unless `expect_ok` is False."""
        args = (["--settle", str(settle)] if settle is not None else []) + step_arguments(steps)
        code, lines, text = run_driver(self.driver_exe, args, self.environment(), self.cwd, self.work / "driver.out")
        with open(self.driver_log, "a", encoding="utf-8") as log:
            log.write("$ driver " + " ".join(shlex.quote(a) for a in args) + "\n")
            for line in lines:
                log.write(json.dumps(line, ensure_ascii=False) + "\n")
        if expect_ok and code != 0:
            raise DriverError(failed_step(lines, text, code))
        return lines

    def state(self):
        self.last_state = self.drive("state")[0]
        return self.last_state

    def wait_ready(self, seconds=30):
        """Waits for the main window to be shown and returns its state."""
        lines = self.drive(f"wait-window {seconds}", f"wait-visible {seconds}", "state")
        self.last_state = lines[-1]
        return self.last_state

    def wait_message_box(self, seconds=30):
        return self.drive(f"msgbox-wait {seconds}")[0]

    def recorded_addresses(self, count, seconds=15):
        """Polls the shell recorder's log until it holds `count` lines (it runs
        detached from the program) and returns them."""
        return wait_for_lines(self.shell_log, count, seconds)

    def system_error_text(self, code):
        """The system's description of an error code as the program's runtime shows
        it: trailing blanks and dots removed."""
        text = self.drive(f"syserror {code}")[0]["text"]
        return text.rstrip(" .\r\n\t")

    def wait_button(self, enabled, caption, seconds=30):
        """Polls the window until the show-details button has this enabled state
        and caption; returns the state read last (also when it never did)."""
        deadline = time.monotonic() + seconds
        while True:
            state = self.state()
            button = state["button"]
            if (button["enabled"], button["text"]) == (enabled, caption) or time.monotonic() > deadline:
                return state
            time.sleep(0.2)

    def wait_file(self, path, seconds=15):
        """Waits until `path` exists and is not empty; returns whether it does."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if path.exists() and path.stat().st_size:
                return True
            time.sleep(0.2)
        return False

    def program_exited(self, seconds=10):
        try:
            self.drive(f"wait-exit {seconds}")
            return True
        except DriverError:
            return False

    # ---- paths and companions of the prefix ---------------------------------

    def windows_path(self, path):
        """A Unix path as Wine programs reach it, through the Z: drive."""
        return "Z:" + str(Path(path).resolve()).replace("/", "\\")

    def unix_path(self, windows_path):
        """The Unix path of a C: or Z: path of the prefix."""
        path = PureWindowsPath(windows_path)
        drive = path.drive.upper()
        parts = path.parts[1:]
        if drive == "C:":
            return self.prefix.joinpath("drive_c", *parts)
        if drive == "Z:":
            return Path("/").joinpath(*parts)
        raise ValueError(f"no Unix path for {windows_path}")

    def paths(self):
        """The folders the program reads, as the driver finds them (needs start())."""
        if self._paths is None:
            self._paths = self.drive("paths")[0]
        return self._paths

    def temp_file(self, name):
        """The Unix path of a file in the prefix's temporary folder."""
        return self.unix_path(self.paths()["temp"]) / name

    def converter_path(self):
        """The Unix path of the program's ConverterPath in this prefix."""
        return self.unix_path(self.paths()["commonProgramFiles"]) / PureWindowsPath(CONVERTER_FOLDER) / "plutil.exe"

    def install_converter(self, program=None):
        """Copies a converter (by default the stand-in plutil.exe) to ConverterPath."""
        target = self.converter_path()
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(program or os.environ["VANTREL_PLUTIL"], target)
        self.log(f"converter installed at {target}")

    def use_proxy(self, port):
        """Programs started from now on send their HTTP requests to the proxy on
        this loopback port."""
        self.extra_env["http_proxy"] = f"http://127.0.0.1:{port}"

    def start_catalogue(self, seconds=30):
        """Starts the catalogue service (under Wine, needs start()) on a free
        loopback port, logging its request lines to `catalogue_log`, and makes it
        the proxy of programs started later (--any-host: for whatever host they
        ask). Returns the page base address."""
        port = free_port()
        base = f"http://127.0.0.1:{port}"
        command = [WINE, os.environ["VANTREL_CATALOGUE"], "--port", str(port), "--page-base", base, "--any-host",
                   "--no-lookup", "--log", self.windows_path(self.catalogue_log)]
        with open(self.work / "catalogue.out", "wb") as out:
            process = subprocess.Popen(command, env=self.environment(), cwd=self.cwd, stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=subprocess.STDOUT)
        self.background.append(process)
        deadline = time.monotonic() + seconds
        while process.poll() is None and time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                self.use_proxy(port)
                self.log(f"catalogue service on {base}")
                return base
            except OSError:
                time.sleep(0.2)
        raise RuntimeError(f"the catalogue service did not start: {(self.work / 'catalogue.out').read_text()}")

    def catalogue_requests(self, count=1, seconds=10):
        """The request lines the service logged, once there are `count` of them
        (or the time is up)."""
        return wait_for_lines(self.catalogue_log, count, seconds)

    # ---- checks -------------------------------------------------------------

    def log(self, message):
        print(message, flush=True)

    def check(self, condition, message):
        if condition:
            self.log(f"  ok    {message}")
        else:
            self.log(f"  FAIL  {message}")
            self.failures.append(message)
        return condition

    def check_equal(self, actual, expected, what):
        return self.check(actual == expected, f"{what}: {actual!r}" + ("" if actual == expected
                                                                      else f", expected {expected!r}"))

    # ---- end ----------------------------------------------------------------

    def screenshot(self, label="window"):
        """Saves the whole virtual screen and, when the window's place is known (from
        the last state read), the window alone, as PNG files in the test's folder.
        The end of the test takes one labelled "window" unless the test did."""
        if not self.display:
            return
        env = self.environment()
        capture_screen(self.work / f"{self.name}-{label}-screen.png", env)
        window = (self.last_state or {}).get("window")
        if window and window["w"] > 0 and window["h"] > 0:
            shot = self.work / f"{self.name}-{label}.png"
            capture_screen(shot, env, window)
            self.log(f"screenshot {shot}")
        self.screenshot_labels.add(label)

    def list_row_pixels(self, state, rows, column=300, line=16, label="rows"):
        """The colour ("#rrggbb") of the screen at one point of each of the list's
        `rows`: `column` pixels from the row's left and `line` down from its top,
        away from the text (drawn from the top left) and the focus rectangle (on
        the row's edge). Saves the screenshot it reads them from."""
        shot = self.work / f"{self.name}-{label}-screen.png"
        subprocess.run(["import", "-window", "root", str(shot)], env=self.environment(), timeout=30, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        list_box = state["list"]
        border = 2  # the list's sunken edge
        x = state["client"]["screenX"] + list_box["x"] + border + column
        colours = []
        for row in rows:
            y = (state["client"]["screenY"] + list_box["y"] + border
                 + (row - list_box["top"]) * list_box["itemHeight"] + line)
            pixel = subprocess.run(["convert", str(shot), "-crop", f"1x1+{x}+{y}", "+repage", "-depth", "8", "txt:-"],
                                   capture_output=True, text=True, timeout=30, check=True).stdout
            colours.append(re.search(r"#[0-9A-Fa-f]{6}", pixel).group(0).lower())
        return colours

    def __exit__(self, kind, error, trace):
        if error is not None:
            self.failures.append(f"{kind.__name__}: {error}")
            self.log(f"  FAIL  {kind.__name__}: {error}")
        try:
            if (self.display and "window" not in self.screenshot_labels
                    and self.program is not None and self.program.poll() is None):
                self.screenshot()
        except Exception as shot_error:  # a missing screenshot must not hide the result
            self.log(f"no screenshot: {shot_error}")
        finally:
            self._stop()
        signal.alarm(0)
        if self.failures:
            self.log(f"{self.name}: {len(self.failures)} check(s) failed; logs in {self.work}")
            sys.exit(1)
        self.log(f"{self.name}: all checks passed")
        shutil.rmtree(self.prefix, ignore_errors=True)
        sys.exit(0)

    def _stop(self):
        env = self.environment()
        for process in self.background:
            if process.poll() is None:
                process.kill()
        subprocess.run([WINESERVER, "-k"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30)
        for process in self.background + ([self.program] if self.program else []):
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()


# ---- reading the menu of a state --------------------------------------------

def menu_bar(state):
    return state["menu"]["items"]


def submenu(state, position):
    return menu_bar(state)[position].get("items", [])


def entry_by_id(state, command_id):
    for top in menu_bar(state):
        for item in [top] + top.get("items", []):
            if item.get("id") == command_id:
                return item
    return None


def command_ids():
    """The control and menu command ids of the program, read from its header."""
    header = (SOURCE_DIR / "app" / "command_ids.h").read_text(encoding="utf-8")
    return {name: int(value) for name, value in re.findall(r"constexpr int k(\w+) = (\d+);", header)}


def sibling_pages():
    """The two sibling products' addresses as the program has them built in."""
    header = (SOURCE_DIR / "app" / "menu_texts.h").read_text(encoding="utf-8")
    pages = dict(re.findall(r"k(Dorvik|Tamsel)Page\s*=\s*u\"([^\"]+)\"", header))
    return pages.get("Dorvik"), pages.get("Tamsel")


def check_language(t, state, language, total):
    """Checks the texts of `language` ("MenuDeu", "MenuEng" or "MenuFra") on the
    button and the menu, its radio mark, and the captions no language changes."""
    texts = LANGUAGES[language]
    ids = command_ids()
    t.check_equal(state["button"]["text"], f"{texts['show']} ({SERVICE_HOST})", f"{language}: button caption")
    bar = [item["caption"] for item in menu_bar(state)]
    t.check_equal(bar, ["Menu", texts["edit"], texts["about"], "", total], f"{language}: menu bar captions")
    entries = {name: entry_by_id(state, ids[name]) for name in
               ["MenuDeu", "MenuEng", "MenuFra", "MenuExit", "MenuSelAll", "MenuInvAll", "MenuHint1", "MenuHint2"]}
    if not t.check(all(entries.values()), f"{language}: every menu entry is there"):
        return
    t.check_equal([entries[n]["caption"] for n in ["MenuDeu", "MenuEng", "MenuFra"]], LANGUAGE_ENTRIES,
                  f"{language}: language entry captions")
    t.check_equal([n for n in ["MenuDeu", "MenuEng", "MenuFra"] if entries[n]["checked"]], [language],
                  f"{language}: the checked language entry")
    t.check(entries[language]["radio"], f"{language}: the mark is a radio mark")
    t.check_equal((entries["MenuExit"]["caption"], entries["MenuExit"]["shortcut"]), (texts["exit"], "Strg+Q"),
                  f"{language}: Exit entry")
    t.check_equal((entries["MenuSelAll"]["caption"], entries["MenuSelAll"]["shortcut"]),
                  (texts["select_all"], "Strg+A"), f"{language}: Select all entry")
    t.check_equal((entries["MenuInvAll"]["caption"], entries["MenuInvAll"]["shortcut"]),
                  (texts["invert"], "Strg+I"), f"{language}: Invert selection entry")
    t.check_equal((entries["MenuHint1"]["caption"], entries["MenuHint1"]["disabled"]), (texts["hint1"], True),
                  f"{language}: first hint entry (disabled)")
    t.check_equal((entries["MenuHint2"]["caption"], entries["MenuHint2"]["disabled"]), (texts["hint2"], True),
                  f"{language}: second hint entry (disabled)")
