"""Which files count as a valid member image, seen through `discover`.

Each case writes one seed image; a valid seed is slot 0 of its pool and
gives a report, an invalid one gives the seed error and no report.
"""

import os

import pytest

from expected import SEED_ERROR, report, win_path
from member_image import (CHECKSUM_OFFSET, MIN_MEMBER_SIZE, Pool, checksum, fnv1a32,
                          header_copy, write_image)

MIB = 1048576


def flip(copy: bytes, offset: int) -> bytes:
    """The copy with one byte changed and its checksum left as it was."""
    changed = bytearray(copy)
    changed[offset] ^= 0xFF
    return bytes(changed)


def resum(copy: bytes) -> bytes:
    """The copy with a correct checksum for whatever it holds."""
    return set_checksum(copy, checksum(copy))


def set_checksum(copy: bytes, value: int) -> bytes:
    return (copy[:CHECKSUM_OFFSET] + value.to_bytes(4, "little")
            + copy[CHECKSUM_OFFSET + 4:])


def checksum_skipping_field(copy: bytes) -> bytes:
    """A checksum that leaves bytes 56-59 out rather than feeding them as zeros."""
    return set_checksum(copy, fnv1a32(copy[:CHECKSUM_OFFSET] + copy[CHECKSUM_OFFSET + 4:]))


def bad_magic(copy: bytes) -> bytes:
    return resum(b"MARLOX05" + copy[8:])


# Each writer puts a seed at `path` and returns the pool its report shows,
# or None when the seed must be refused.

def plain(count=1, *, size=None, sizes=None, encrypted=False, valid=True, **fields):
    def write(path):
        pool = Pool.create(count, sizes=sizes, encrypted=encrypted)
        pool.write_member(0, path, size=size, **fields)
        return pool if valid else None
    return write


def transformed(change):
    """Both copies are the valid copy with `change` applied: refused."""
    def write(path):
        pool = Pool.create(1)
        write_image(path, change(pool.copy(0)), size=MIN_MEMBER_SIZE)
    return write


def copies(make_copy1, make_copy2, valid_from):
    """Copy 1 and copy 2 made from the pool's valid copy; `valid_from` names
    the copy whose pool the report shows (1 or 2), or None."""
    def write(path):
        pool, other = Pool.create(1), Pool.create(1)
        good = {"pool": pool.copy(0), "other": other.copy(0)}
        write_image(path, make_copy1(good), make_copy2(good), size=MIN_MEMBER_SIZE)
        shown = {1: pool, 2: other, None: None}
        return shown[valid_from]
    return write


def manifest(ids, sizes, index=0, valid=False):
    """A seed at slot `index` of a manifest given by id labels and sizes."""
    def write(path):
        labels = {label: os.urandom(16) for label in set(ids)}
        entries = [(labels[label], size) for label, size in zip(ids, sizes)]
        pool = Pool(member_ids=[e[0] for e in entries], sizes=list(sizes))
        write_image(path, header_copy(pool_id=pool.pool_id, member_id=entries[index][0],
                                      member_index=index, manifest=entries))
        return pool if valid else None
    return write


UNREAD_GARBAGE = {47: b"\xff", 60: b"\xde\xad\xbe\xef", 448: b"\xaa" * 64,
                  88: b"\x55" * 24 * 15, 512: b"\x11" * 36, 548: b"\x77" * 3548}

CASES = {
    # Size of the file.
    "exact minimum size": plain(),
    "one byte short of the minimum": plain(size=MIN_MEMBER_SIZE - 1, valid=False),
    "minimum plus 4096": plain(sizes=[MIN_MEMBER_SIZE + 4096]),
    "size not a multiple of 4096": plain(
        sizes=[MIN_MEMBER_SIZE + 4096], member_size=MIN_MEMBER_SIZE + 4096 + 512,
        size=MIN_MEMBER_SIZE + 4096 + 512, valid=False),
    "member_size above the file size": plain(member_size=MIN_MEMBER_SIZE + 4096,
                                             valid=False),
    "member_size below the file size": plain(size=MIN_MEMBER_SIZE + 4096, valid=False),
    "own manifest entry size differs from the file": plain(
        sizes=[MIN_MEMBER_SIZE + 4096], member_size=MIN_MEMBER_SIZE,
        size=MIN_MEMBER_SIZE, valid=False),
    # Identity of the format.
    "magic MARLOX05": plain(magic=b"MARLOX05", valid=False),
    "magic in lower case": plain(magic=b"marlox06", valid=False),
    "version 5": plain(version=5, valid=False),
    "version 7": plain(version=7, valid=False),
    "version 6 plus 256": plain(version=0x106, valid=False),
    "checksum wrong in both copies": transformed(lambda c: flip(c, CHECKSUM_OFFSET)),
    "checksum computed without the zeroed field": transformed(checksum_skipping_field),
    "all-zero header": transformed(lambda c: bytes(len(c))),
    # Which header copy counts.
    "copy 1 bad checksum, copy 2 valid": copies(
        lambda g: flip(g["pool"], CHECKSUM_OFFSET), lambda g: g["other"], 2),
    "copy 1 bad magic, copy 2 valid": copies(
        lambda g: bad_magic(g["pool"]), lambda g: g["other"], 2),
    "copy 1 valid, copy 2 bad checksum": copies(
        lambda g: g["pool"], lambda g: flip(g["pool"], CHECKSUM_OFFSET), 1),
    "copy 1 valid, copy 2 all zero": copies(lambda g: g["pool"], lambda g: bytes(4096), 1),
    "both copies bad checksum": copies(
        lambda g: flip(g["pool"], CHECKSUM_OFFSET),
        lambda g: flip(g["pool"], CHECKSUM_OFFSET + 3), None),
    "both valid, differing at offset 47": copies(
        lambda g: g["pool"], lambda g: resum(flip(g["pool"], 47)), None),
    "both valid, differing at offset 4095": copies(
        lambda g: g["pool"], lambda g: resum(flip(g["pool"], 4095)), None),
    "both valid, of different pools": copies(lambda g: g["pool"], lambda g: g["other"], None),
    "unread ranges hold garbage": plain(patch=UNREAD_GARBAGE),
    # Encryption fields.
    "encryption mode 0": plain(encryption_mode=0, valid=False),
    "encryption mode 1": plain(encryption_mode=1, valid=False),
    "encryption mode 4": plain(encryption_mode=4, valid=False),
    "mode 2 ignores encryption fields": plain(encryption_bytes=b"\x01" * 32,
                                              encryption_parameter=7),
    "mode 3 parameter 99999": plain(encrypted=True, encryption_parameter=99999,
                                    valid=False),
    "mode 3 parameter 100000": plain(encrypted=True, encryption_parameter=100000),
    "mode 3 parameter 10000000": plain(encrypted=True, encryption_parameter=10000000),
    "mode 3 parameter 10000001": plain(encrypted=True, encryption_parameter=10000001,
                                       valid=False),
    "mode 3 parameter 2**32 - 1": plain(encrypted=True, encryption_parameter=2**32 - 1,
                                        valid=False),
    "mode 3 all-zero encryption bytes": plain(encrypted=True, encryption_bytes=bytes(32),
                                              valid=False),
    "mode 3 only the last encryption byte set": plain(
        encrypted=True, encryption_bytes=bytes(31) + b"\x01"),
    "mode 3 only the first encryption byte set": plain(
        encrypted=True, encryption_bytes=b"\x80" + bytes(31)),
    # Counts and index.
    "member_count 0": plain(member_count=0, valid=False),
    "member_count 17": plain(member_count=17, valid=False),
    "member_index equal to member_count": plain(
        member_index=1, member_size=MIN_MEMBER_SIZE, valid=False),
    "member_index equal to member_count of two": plain(
        2, member_index=2, member_size=MIN_MEMBER_SIZE, valid=False),
    "own member_id not the manifest's": plain(member_id=b"\x42" * 16, valid=False),
    # Manifest entries other than the seed's own.
    "other entry 384 MiB plus 4096": manifest(
        "AB", [MIN_MEMBER_SIZE, MIN_MEMBER_SIZE + 4096], valid=True),
    "other entry 1 GiB": manifest("AB", [MIN_MEMBER_SIZE, 1024 * MIB], valid=True),
    "other entry not a multiple of 4096": manifest(
        "AB", [MIN_MEMBER_SIZE, MIN_MEMBER_SIZE + 2048]),
    "other entry below the minimum": manifest("AB", [MIN_MEMBER_SIZE, MIN_MEMBER_SIZE - 4194304]),
    "other entry of size 0": manifest("AB", [MIN_MEMBER_SIZE, 0]),
    "duplicate ids in slots 0 and 1": manifest("AA", [MIN_MEMBER_SIZE] * 2),
    "duplicate ids around the seed": manifest("ABA", [MIN_MEMBER_SIZE] * 3, index=1),
    "duplicate ids after the seed": manifest("ABB", [MIN_MEMBER_SIZE] * 3),
}


@pytest.mark.parametrize("write", CASES.values(), ids=CASES.keys())
def test_seed_image_rules(run, root, write):
    seed = root / "pool" / "seed.img"
    seed.parent.mkdir()
    pool = write(seed)
    result = run("discover", win_path(seed))
    if pool is None:
        assert (result.returncode, result.stdout, result.stderr) == (1, b"", SEED_ERROR)
    else:
        slots = [win_path(seed)] + [None] * (len(pool.sizes) - 1)
        expected_code = 0 if len(slots) == 1 else 2
        assert (result.returncode, result.stdout, result.stderr) == (
            expected_code, report(pool, slots), b"")


def make_fifo(path):
    os.mkfifo(path)


@pytest.mark.parametrize("make", [
    pytest.param(lambda path: None, id="missing file"),
    pytest.param(lambda path: path.mkdir(), id="folder"),
    pytest.param(lambda path: path.write_bytes(b""), id="empty file"),
    pytest.param(make_fifo, id="FIFO", marks=pytest.mark.native_only),
])
def test_seed_that_is_no_image_file(run, root, make):
    seed = root / "seed.img"
    make(seed)
    result = run("discover", win_path(seed), timeout=10)
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", SEED_ERROR)
