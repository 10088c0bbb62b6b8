"""App packages for the show-details tests, written record by record, so that a
test chooses how the metadata member is stored: deflated or stored, as a binary
or an XML property list, encrypted with the traditional PKWARE cipher, left out,
or in an archive whose central directory is cut off; and packages whose
metadata member is far larger than any real one. Packages whose metadata
member is AES-encrypted are made by 7-Zip (the host's 7z).

    plan = PackageSpec("Alder", item_id=310000001, binary=True, deflated=True)
    write_package(folder / "Alder.ipa", plan)
    write_large_metadata_package(folder / "Birch.ipa", "Birch", 310000002, 1 << 30)
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "testkit" / "demo"))
import itunes_library  # noqa: E402

METADATA_MEMBER = "iTunesMetadata.plist"

LOCAL_HEADER = struct.Struct("<IHHHHHIIIHH")
CENTRAL_HEADER = struct.Struct("<IHHHHHHIIIHHHHHII")
END_RECORD = struct.Struct("<IHHHHIIH")
FLAG_ENCRYPTED = 0x0001
METHOD_STORED, METHOD_DEFLATED = 0, 8
DOS_TIME, DOS_DATE = 0x4000, 0x3E6E  # 2011-03-14 08:00:00


def _crc_table():
    table = []
    for n in range(256):
        c = n
        for _ in range(8):
            c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
        table.append(c)
    return table


CRC_TABLE = _crc_table()


class TraditionalCipher:
    """The traditional PKWARE stream cipher: three 32-bit keys updated by every
    plain byte; each byte is combined with a key stream byte derived from the
    third key."""

    def __init__(self, password):
        self.keys = [0x12345678, 0x23456789, 0x34567890]
        for byte in password:
            self._update(byte)

    @staticmethod
    def _crc_step(crc, byte):
        return CRC_TABLE[(crc ^ byte) & 0xFF] ^ (crc >> 8)

    def _update(self, byte):
        k0, k1, k2 = self.keys
        k0 = self._crc_step(k0, byte)
        k1 = ((k1 + (k0 & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k2 = self._crc_step(k2, k1 >> 24)
        self.keys = [k0, k1, k2]

    def _stream_byte(self):
        temp = (self.keys[2] | 2) & 0xFFFF
        return ((temp * (temp ^ 1)) >> 8) & 0xFF

    def encrypt(self, data):
        out = bytearray()
        for byte in data:
            out.append(byte ^ self._stream_byte())
            self._update(byte)
        return bytes(out)


def encryption_header(crc):
    """The 12 encrypted bytes in front of the data: 11 random bytes and the high
    byte of the member's CRC-32 (the check byte, as no data descriptor follows),
    enciphered together with the data that follows by one cipher."""
    return os.urandom(11) + bytes([crc >> 24])


@dataclass
class Member:
    name: str
    data: bytes
    deflated: bool = True
    password: bytes = None


@dataclass
class DeflatedMember:
    """A member whose data were deflated ahead, being too large to hold: the
    deflated bytes, and the CRC-32 and size of the data they stand for."""
    name: str
    payload: bytes
    crc: int
    size: int


def _compress(data):
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    return compressor.compress(data) + compressor.flush()


def _encoded(member):
    """Method, flags, CRC-32, stored bytes and uncompressed size of a member."""
    if isinstance(member, DeflatedMember):
        return METHOD_DEFLATED, 0, member.crc, member.payload, member.size
    crc = zlib.crc32(member.data) & 0xFFFFFFFF
    payload = _compress(member.data) if member.deflated else member.data
    flags = 0
    if member.password is not None:
        flags |= FLAG_ENCRYPTED
        payload = TraditionalCipher(member.password).encrypt(encryption_header(crc) + payload)
    return METHOD_DEFLATED if member.deflated else METHOD_STORED, flags, crc, payload, len(member.data)


def archive_bytes(members):
    """A ZIP archive of `members`; returns its bytes and the offset of its
    central directory."""
    body, central = bytearray(), bytearray()
    for member in members:
        name = member.name.encode("ascii")
        method, flags, crc, payload, size = _encoded(member)
        offset = len(body)
        body += LOCAL_HEADER.pack(0x04034B50, 20, flags, method, DOS_TIME, DOS_DATE, crc, len(payload),
                                  size, len(name), 0) + name + payload
        central += CENTRAL_HEADER.pack(0x02014B50, 20, 20, flags, method, DOS_TIME, DOS_DATE, crc, len(payload),
                                       size, len(name), 0, 0, 0, 0, 0, offset) + name
    end = END_RECORD.pack(0x06054B50, 0, 0, len(members), len(members), len(central), len(body), 0)
    return bytes(body + central + end), len(body)


@dataclass
class PackageSpec:
    """One package of a test: its row text (file name without .ipa) and how its
    metadata member is made. `item_id` None: the package has no metadata member."""
    row: str
    item_id: int = None
    binary: bool = True
    deflated: bool = True
    password: bytes = None
    cut_directory: bool = False
    aes: bool = False  # with `password`: the metadata member is AES-256-encrypted by 7-Zip

    @property
    def metadata(self):
        return itunes_library.metadata_bytes(self.row, self.item_id, binary=self.binary)

    def members(self):
        info_name, info = itunes_library.info_member(self.row)
        members = [Member(info_name, info)]
        if self.item_id is not None:
            members.append(Member(METADATA_MEMBER, self.metadata, self.deflated, self.password))
        return members


def seven_zip_package(plan):
    """The package made by 7-Zip: its other members unencrypted, then the metadata
    member added with AES-256 and the plan's password (7-Zip writes AE-2)."""
    members = plan.members()
    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)
        for member in members:
            (folder / member.name).parent.mkdir(parents=True, exist_ok=True)
            (folder / member.name).write_bytes(member.data)
        package = folder / "package.zip"
        sevenzip = shutil.which("7z") or "7za"
        plain = [m.name for m in members if m.name != METADATA_MEMBER]
        method = "-mm=Deflate" if plan.deflated else "-mm=Copy"
        quiet = dict(cwd=folder, check=True, stdout=subprocess.DEVNULL)
        subprocess.run([sevenzip, "a", "-tzip", method, str(package)] + plain, **quiet)
        subprocess.run([sevenzip, "a", "-tzip", method, "-mem=AES256", "-p" + plan.password.decode("ascii"),
                        str(package), METADATA_MEMBER], **quiet)
        return package.read_bytes()


def write_package(path, plan):
    """Writes the package; with `cut_directory` the file ends a few bytes into
    its central directory, so no end record is left."""
    if plan.aes:
        data = seven_zip_package(plan)
    else:
        data, central_offset = archive_bytes(plan.members())
        if plan.cut_directory:
            data = data[:central_offset + 10]
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)
    return path


PADDING_LINE = b"\t<string>%s</string>\n" % (b"x" * 45)  # 64 bytes: whole lines fill a block
PADDING_BLOCK_SIZE = 1 << 20


def large_metadata_member(item_id, size):
    """An XML property list of about `size` bytes (whole 1 MiB blocks of padding
    lines), the identifier at its top, deflated. Each block is compressed after
    a full flush, which resets the compressor, so every block gives the same
    bytes: one is compressed and repeated, and a gigabyte takes about a second."""
    assert PADDING_BLOCK_SIZE % len(PADDING_LINE) == 0
    head = (b'<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">\n<dict>\n'
            b"\t<key>itemId</key>\n\t<integer>%d</integer>\n\t<key>padding</key>\n\t<array>\n" % item_id)
    tail = b"\t</array>\n</dict>\n</plist>\n"
    block = PADDING_LINE * (PADDING_BLOCK_SIZE // len(PADDING_LINE))
    blocks = max(size // PADDING_BLOCK_SIZE, 2)
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    payload = [compressor.compress(head) + compressor.flush(zlib.Z_FULL_FLUSH)]
    first = compressor.compress(block) + compressor.flush(zlib.Z_FULL_FLUSH)
    repeated = compressor.compress(block) + compressor.flush(zlib.Z_FULL_FLUSH)
    if first != repeated:
        raise RuntimeError("a full flush did not make the compressed blocks repeat")
    payload += [first] + [repeated] * (blocks - 1)
    payload.append(compressor.compress(tail) + compressor.flush())
    crc = zlib.crc32(head)
    for _ in range(blocks):
        crc = zlib.crc32(block, crc)
    crc = zlib.crc32(tail, crc) & 0xFFFFFFFF
    return DeflatedMember(METADATA_MEMBER, b"".join(payload), crc, len(head) + blocks * len(block) + len(tail))


def write_large_metadata_package(path, row, item_id, size):
    """Writes a package whose metadata member is large_metadata_member(item_id,
    size), honestly declared; returns the member's uncompressed size."""
    info_name, info = itunes_library.info_member(row)
    metadata = large_metadata_member(item_id, size)
    data, _ = archive_bytes([Member(info_name, info), metadata])
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)
    return metadata.size
