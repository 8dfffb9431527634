"""Writes version 6 member images for the black-box tests.

Images are sparse: only the two 4096-byte header copies hold data and the
file is then truncated to its full size, so a 384 MiB member costs a few
KiB of disk.  `header_copy` builds one copy field by field; every field can
be overridden so that a test can break exactly one rule.
"""

from __future__ import annotations

import os
import struct
from dataclasses import dataclass, field

COPY_SIZE = 4096
MIN_MEMBER_SIZE = 402653184  # 384 MiB
MAGIC = b"MARLOX06"
VERSION = 6
MODE_PLAIN = 2
MODE_PASSWORD = 3
MANIFEST_OFFSET = 64
MANIFEST_ENTRY_SIZE = 24
CHECKSUM_OFFSET = 56

# A key blob and iteration count that the controller accepts for a
# password-protected pool; their meaning belongs to the mount program.
DEFAULT_ENCRYPTION_BYTES = bytes(range(1, 33))
DEFAULT_ENCRYPTION_PARAMETER = 100000

PathLike = str | bytes | os.PathLike


def fnv1a32(data: bytes) -> int:
    h = 0x811C9DC5
    for b in data:
        h = ((h ^ b) * 0x01000193) & 0xFFFFFFFF
    return h


def checksum(copy: bytes) -> int:
    """The header checksum: FNV-1a over the copy with its checksum field zeroed."""
    zeroed = bytearray(copy)
    zeroed[CHECKSUM_OFFSET:CHECKSUM_OFFSET + 4] = bytes(4)
    return fnv1a32(zeroed)


def header_copy(
    *,
    pool_id: bytes,
    member_id: bytes,
    member_index: int,
    manifest: list[tuple[bytes, int]],
    member_count: int | None = None,
    encryption_mode: int = MODE_PLAIN,
    member_size: int | None = None,
    magic: bytes = MAGIC,
    version: int = VERSION,
    encryption_bytes: bytes = bytes(32),
    encryption_parameter: int = 0,
    patch: dict[int, bytes] | None = None,
    header_checksum: int | None = None,
) -> bytes:
    """One 4096-byte header copy.

    `member_count` defaults to the manifest's length and `member_size` to
    the own manifest entry's size.  `patch` writes raw bytes at given
    offsets after the fields (before the checksum), and `header_checksum`
    replaces the computed checksum.
    """
    if member_count is None:
        member_count = len(manifest)
    if member_size is None:
        member_size = manifest[member_index][1]
    c = bytearray(COPY_SIZE)
    c[0:8] = magic
    c[8:12] = struct.pack("<I", version)
    c[12:28] = pool_id
    c[28:44] = member_id
    c[44] = member_index
    c[45] = member_count
    c[46] = encryption_mode
    c[48:56] = struct.pack("<Q", member_size)
    for j, (entry_id, entry_size) in enumerate(manifest):
        at = MANIFEST_OFFSET + MANIFEST_ENTRY_SIZE * j
        c[at:at + 16] = entry_id
        c[at + 16:at + 24] = struct.pack("<Q", entry_size)
    c[512:544] = encryption_bytes
    c[544:548] = struct.pack("<I", encryption_parameter)
    for offset, raw in (patch or {}).items():
        c[offset:offset + len(raw)] = raw
    value = checksum(c) if header_checksum is None else header_checksum
    c[CHECKSUM_OFFSET:CHECKSUM_OFFSET + 4] = struct.pack("<I", value)
    return bytes(c)


def write_image(path: PathLike, copy1: bytes, copy2: bytes | None = None,
                size: int | None = None) -> PathLike:
    """Writes both copies (copy 2 defaults to copy 1) and sizes the file
    sparsely; the size defaults to copy 1's member_size field."""
    if copy2 is None:
        copy2 = copy1
    if size is None:
        size = struct.unpack_from("<Q", copy1, 48)[0]
    # Plain os.path calls, so that a bytes path (a name that is not UTF-8) works too.
    folder = os.path.dirname(path)
    if folder:
        os.makedirs(folder, exist_ok=True)
    with open(path, "wb") as f:
        f.write(copy1)
        f.write(copy2)
        f.truncate(size)
    return path


@dataclass
class Pool:
    """The identity of a pool: what every member's header agrees on."""

    pool_id: bytes = field(default_factory=lambda: os.urandom(16))
    member_ids: list[bytes] = field(default_factory=list)
    sizes: list[int] = field(default_factory=list)
    encrypted: bool = False

    @classmethod
    def create(cls, count: int, *, pool_id: bytes | None = None,
               encrypted: bool = False, sizes: list[int] | None = None) -> Pool:
        return cls(
            pool_id=os.urandom(16) if pool_id is None else pool_id,
            member_ids=[os.urandom(16) for _ in range(count)],
            sizes=list(sizes) if sizes else [MIN_MEMBER_SIZE] * count,
            encrypted=encrypted,
        )

    @property
    def manifest(self) -> list[tuple[bytes, int]]:
        return list(zip(self.member_ids, self.sizes))

    def copy(self, index: int, **overrides) -> bytes:
        """Member `index`'s header copy; keywords override header_copy's."""
        fields = dict(
            pool_id=self.pool_id,
            member_id=self.member_ids[index],
            member_index=index,
            manifest=self.manifest,
        )
        if self.encrypted:
            fields.update(encryption_mode=MODE_PASSWORD,
                          encryption_bytes=DEFAULT_ENCRYPTION_BYTES,
                          encryption_parameter=DEFAULT_ENCRYPTION_PARAMETER)
        fields.update(overrides)
        return header_copy(**fields)

    def write_member(self, index: int, path: PathLike, *, size: int | None = None,
                     **overrides) -> PathLike:
        return write_image(path, self.copy(index, **overrides), size=size)


def write_pool(paths: list[PathLike | None], *, pool_id: bytes | None = None,
               encrypted: bool = False, sizes: list[int] | None = None) -> Pool:
    """Writes a pool of len(paths) members; a None path leaves that member
    unwritten (missing)."""
    pool = Pool.create(len(paths), pool_id=pool_id, encrypted=encrypted, sizes=sizes)
    for index, path in enumerate(paths):
        if path is not None:
            pool.write_member(index, path)
    return pool
