#!/usr/bin/env python3
"""A release signed with a throwaway certificate: package.sh, given a
certificate and key made here (never one from the repository), signs both
programs before packing them and the installer after; every signature verifies
against that certificate, a changed byte breaks it, and the unsigned release
of the same build carries none.

Usage: test_signing.py <source dir> <build dir> <unsigned dist folder> <work folder>"""

import os
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

failures = 0


def check(condition, what):
    global failures
    print(("  ok    " if condition else "  FAIL  ") + what)
    failures += 0 if condition else 1


def verify(path, certificate):
    command = ["osslsigncode", "verify", "-in", str(path)]
    if certificate:
        command += ["-CAfile", str(certificate)]
    return subprocess.run(command, capture_output=True, text=True)


def make_certificate(work):
    key, certificate = work / "key.pem", work / "certificate.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "2",
                    "-subj", "/CN=Vantrel throwaway test signer", "-keyout", str(key), "-out", str(certificate)],
                   check=True, capture_output=True)
    return certificate, key


def signed_files(dist, work):
    """The installer and the two programs as the portable package holds them."""
    msi = next(dist.glob("vantrel-*-x64.msi"))
    portable = next(dist.glob("vantrel-*-x64-portable.zip"))
    unpacked = work / "unpacked"
    with zipfile.ZipFile(portable) as archive:
        archive.extractall(unpacked)
    return [msi, unpacked / "vantrel.exe", unpacked / "vantrel-catalogue.exe"]


def main(source, build, unsigned_dist, work):
    source, build, unsigned_dist, work = Path(source), Path(build), Path(unsigned_dist), Path(work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    certificate, key = make_certificate(work)
    env = dict(os.environ, VANTREL_SIGN_CERT=str(certificate), VANTREL_SIGN_KEY=str(key))
    env.pop("VANTREL_SIGN_PKCS12", None)
    dist = work / "dist"
    subprocess.run([str(source / "packaging" / "package.sh"), "--build", str(build), "--out", str(dist)],
                   env=env, check=True)

    files = signed_files(dist, work)
    for path in files:
        result = verify(path, certificate)
        check(result.returncode == 0 and "Signature verification: ok" in result.stdout,
              f"{path.name}: signed, and the signature verifies against the test certificate")

    tampered = work / "tampered.exe"
    data = bytearray(files[1].read_bytes())
    data[len(data) // 2] ^= 0xFF
    tampered.write_bytes(bytes(data))
    check(verify(tampered, certificate).returncode != 0, "a changed byte breaks the program's signature")

    for path in signed_files(unsigned_dist, work / "unsigned"):
        check(verify(path, None).returncode != 0, f"{path.name} of the release without a certificate: no signature")

    if failures == 0:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
