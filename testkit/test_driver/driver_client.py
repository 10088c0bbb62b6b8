"""Runs vantrel-driver.exe under Wine from Python and reads its answers; takes
screenshots of the X display the window is on. Shared by the end-to-end tests
and the run command's demo.

Steps are strings split like a shell command line ("select 0,2") or lists of
arguments; the driver gets them separated by lone ";" arguments and prints one
line of JSON per step."""

import json
import shlex
import subprocess

WINE = "/usr/lib/wine/wine64"
# Wine's own error messages are kept in the driver's output (which is read for
# its JSON lines only): a driver that dies before it answers leaves a trace.
DRIVER_WINEDEBUG = "-all,err+all"


def step_arguments(steps):
    """The driver's command-line arguments for `steps`."""
    args = []
    for number, step in enumerate(steps):
        if number:
            args.append(";")
        args += shlex.split(step) if isinstance(step, str) else list(step)
    return args


# What the driver writes first, before it does anything.
STARTED_LINE = "vantrel-driver: started"


def driver_launch(driver_exe, args, env):
    """The command line and environment that start the driver with `args`."""
    return [WINE, str(driver_exe)] + list(args), dict(env, WINEDEBUG=DRIVER_WINEDEBUG)


def run_driver(driver_exe, args, env, cwd, output, timeout=120):
    """Runs the driver with `args` and waits for it; returns its exit code and
    the parsed JSON line of every step that ran. Its output goes through the file
    `output`: waiting for the process, not for the end of a pipe that some Wine
    service started on the way might hold. A driver that Wine ended before its
    first line had done nothing, and is started once more."""
    command, driver_env = driver_launch(driver_exe, args, env)
    for attempt in (1, 2):
        with open(output, "wb") as out:
            done = subprocess.run(command, env=driver_env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=subprocess.STDOUT, timeout=timeout)
        text = open(output, encoding="ascii", errors="replace").read()
        if done.returncode == 0 or STARTED_LINE in text or attempt == 2:
            break
        print(f"the driver ended before it started (exit code {done.returncode}): {text[-300:].strip()!r}; "
              "starting it again", flush=True)
    return done.returncode, [json.loads(line) for line in text.splitlines() if line.startswith("{")], text


def failed_step(lines, text, code=None):
    """What to say about a failed driver run: the failing step and its error."""
    if not lines:
        ended = f" (exit code {code})" if code is not None else ""
        return f"the driver gave no answer{ended}: {text[-500:].strip()}"
    return f"driver step {lines[-1].get('step')!r} failed: {lines[-1].get('error')}"


def capture_screen(path, env, window=None):
    """Saves the X display that `env` names as a PNG file; with `window` (the
    driver's {"x", "y", "w", "h"} of a window) only that part of it. Returns
    whether the file was written."""
    command = ["import", "-window", "root"]
    if window and window["w"] > 0 and window["h"] > 0:
        command += ["-crop", f"{window['w']}x{window['h']}+{max(window['x'], 0)}+{max(window['y'], 0)}", "+repage"]
    done = subprocess.run(command + [str(path)], env=env, timeout=30, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    return done.returncode == 0
