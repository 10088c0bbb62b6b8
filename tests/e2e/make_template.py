#!/usr/bin/env python3
"""Makes the template Wine prefix of the end-to-end tests, once per build: a copy
of the build's own prefix (which cmake/wine-run.sh creates on first use) with the
shell recorder registered as its web browser. Every test copies the template.

Usage: make_template.py <source dir> <build dir> <template dir>"""

import os
import shutil
import subprocess
import sys
from pathlib import Path

from e2e_lib import copy_prefix

READY_MARK = ".e2e-template-ready"


def main(source_dir, build_dir, template):
    source_dir, build_dir, template = Path(source_dir), Path(build_dir), Path(template)
    if (template / READY_MARK).exists():
        print(f"template prefix {template} is ready")
        return 0
    env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "VANTREL_WINE"))}
    env["VANTREL_BUILD_DIR"] = str(build_dir)
    subprocess.run([str(source_dir / "cmake" / "wine-run.sh"), "cmd", "/c", "exit"], env=env, check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=240)
    shutil.rmtree(template, ignore_errors=True)
    copy_prefix(build_dir / "wineprefix", template)
    (template / "home").mkdir(exist_ok=True)
    env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "DISPLAY"))}
    env["HOME"] = str(template / "home")
    subprocess.run([str(source_dir / "testkit" / "shell_recorder" / "register.sh"), str(template)], env=env,
                   check=True, stdin=subprocess.DEVNULL, timeout=120)
    (template / READY_MARK).touch()
    print(f"made the template prefix {template}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
