"""The pool report, compared byte for byte."""

import os

import pytest

from expected import win_path
from member_image import MIN_MEMBER_SIZE, Pool, write_pool

# Bytes below 0x10 and hex digits a-f, to catch a lost leading zero or upper case.
POOL_ID = bytes([0x00, 0x01, 0x0A, 0x0F, 0x10, 0xAB, 0xCD, 0xEF,
                 0x07, 0x7F, 0x80, 0xFE, 0x09, 0x90, 0x5C, 0xE0])
POOL_LINE = b"pool: 00010a0f10abcdef077f80fe09905ce0\n"
MIB = 1048576
GIB = 1024 * MIB


def path_bytes(path) -> bytes:
    return win_path(path).encode()


@pytest.mark.parametrize("encrypted, line", [
    (False, b"encryption: none\n"),
    (True, b"encryption: password required\n"),
])
def test_whole_report(run, root, encrypted, line):
    seed, m1 = root / "pool" / "seed.img", root / "pool" / "sub" / "m1.img"
    write_pool([seed, m1], pool_id=POOL_ID, encrypted=encrypted)
    result = run("discover", win_path(seed))
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout == (
        POOL_LINE + line
        + b"member[0]: " + path_bytes(seed) + b" (384 MiB)\n"
        + b"member[1]: " + path_bytes(m1) + b" (384 MiB)\n")


def test_sizes_in_whole_mib_and_missing_members(run, root):
    sizes = [MIN_MEMBER_SIZE + 4096, GIB, 4 * GIB + MIN_MEMBER_SIZE, MIN_MEMBER_SIZE + MIB - 4096,
             GIB + MIB]
    paths = [root / "pool" / f"m{i}.img" for i in range(5)]
    paths[1] = paths[4] = None
    write_pool(paths, pool_id=POOL_ID, sizes=sizes)
    result = run("discover", win_path(paths[0]))
    assert (result.returncode, result.stderr) == (2, b"")
    assert result.stdout == (
        POOL_LINE + b"encryption: none\n"
        + b"member[0]: " + path_bytes(paths[0]) + b" (384 MiB)\n"
        + b"member[1]: MISSING (1024 MiB)\n"
        + b"member[2]: " + path_bytes(paths[2]) + b" (4480 MiB)\n"
        + b"member[3]: " + path_bytes(paths[3]) + b" (384 MiB)\n"
        + b"member[4]: MISSING (1025 MiB)\n")


def test_sixteen_members(run, root):
    paths = [root / "pool" / f"disk{i:02}.img" for i in range(16)]
    paths[10] = None
    write_pool(paths, pool_id=POOL_ID)
    result = run("discover", win_path(paths[7]))
    lines = [b"member[%d]: %s (384 MiB)\n" % (i, path_bytes(p) if p else b"MISSING")
             for i, p in enumerate(paths)]
    assert (result.returncode, result.stderr) == (2, b"")
    assert result.stdout == POOL_LINE + b"encryption: none\n" + b"".join(lines)


@pytest.mark.parametrize("cwd, seed_word", [
    ("work", "..\\pool\\seed.img"),
    ("work", "../pool/./seed.img"),
    ("pool", "seed.img"),
    (".", "pool\\sub\\..\\seed.img"),
    # Windows folds "..", as every path operation does, before any folder is
    # looked up: the folder before it need not exist.
    (".", "pool\\not-there\\..\\seed.img"),
    (".", "pool\\\\seed.img"),
    (".", lambda r: r.replace("\\", "/") + "/pool/seed.img"),
    (".", lambda r: r[2:] + "\\pool\\seed.img"),
    (".", lambda r: r[2:].replace("\\", "/") + "/pool/seed.img"),
], ids=repr)
def test_seed_path_is_printed_in_normal_form(run, root, cwd, seed_word):
    seed = root / "pool" / "seed.img"
    pool = Pool.create(1, pool_id=POOL_ID)
    pool.write_member(0, seed)
    (root / "work").mkdir()
    (root / "pool" / "sub").mkdir()
    if callable(seed_word):
        seed_word = seed_word(win_path(root))
    result = run("discover", seed_word, cwd=root / cwd)
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout == (POOL_LINE + b"encryption: none\n"
                             + b"member[0]: " + path_bytes(seed) + b" (384 MiB)\n")


@pytest.mark.parametrize("folder", ["été", "池", "\U0001F41F fish"])
def test_non_ascii_path(run, root, folder):
    seed, m1 = root / folder / "seed.img", root / folder / "sub" / "m1.img"
    write_pool([seed, m1, None], pool_id=POOL_ID)
    result = run("discover", win_path(seed))
    assert (result.returncode, result.stderr) == (2, b"")
    assert result.stdout == (
        POOL_LINE + b"encryption: none\n"
        + b"member[0]: " + path_bytes(seed) + b" (384 MiB)\n"
        + b"member[1]: " + path_bytes(m1) + b" (384 MiB)\n"
        + b"member[2]: MISSING (384 MiB)\n")


@pytest.mark.native_only
def test_file_names_that_are_not_utf8(run, root):
    # Typed or found by the walk, such a name is opened and printed as it is.
    folder = os.fsencode(root / "pool")
    seed, m1 = folder + b"/disk\xff.img", folder + b"/sub/m\xfe\x80.img"
    write_pool([seed, m1], pool_id=POOL_ID)
    result = run("discover", win_path(seed))
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout == (POOL_LINE + b"encryption: none\n"
                             + b"member[0]: " + win_path(seed) + b" (384 MiB)\n"
                             + b"member[1]: " + win_path(m1) + b" (384 MiB)\n")
