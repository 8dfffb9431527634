"""How `discover` finds the other members of a pool from a seed.

The seed always lies in root/pool, so root/pool is the seed's folder tree
and everything else under root is reached only through search roots.
"""

import os
import shutil
import tempfile
from pathlib import Path

import pytest

from expected import DUPLICATE_ERROR, MANIFEST_ERROR, report, win_path
from member_image import MIN_MEMBER_SIZE, Pool, write_image, write_pool


def typed_roots(root: Path, items) -> list[str]:
    """Search roots: a relative path is taken below root, a callable gets
    root's Windows spelling and returns a word as typed."""
    out = []
    for item in items:
        out.append(item(win_path(root)) if callable(item) else win_path(root / item))
    return out


def discover(run, seed: Path, *roots: str, **kwargs):
    return run("discover", win_path(seed), *roots, **kwargs)


def assert_found(result, pool, paths):
    expected_code = 0 if all(paths) else 2
    assert (result.returncode, result.stderr) == (expected_code, b"")
    assert result.stdout == report(pool, [p and win_path(p) for p in paths])


# Where members 1 and 2 of a three-member pool lie, and the search roots.
LAYOUTS = {
    "seed folder": (["pool/m1.img", "pool/m2.img"], []),
    "nested subfolders": (["pool/a/b/c/m1.img", "pool/x/m2.img"], []),
    "any name is a candidate": (["pool/m1", "pool/.hidden/m2.dat"], []),
    "search root folder": (["elsewhere/deep/m1.img", "pool/m2.img"], ["elsewhere"]),
    "search root naming the image": (["elsewhere/m1.img", "other/m2.img"],
                                     ["elsewhere/m1.img", "other"]),
    "missing search roots passed over": (["elsewhere/m1.img", "pool/m2.img"],
                                         ["nowhere", "nowhere/m9.img", "elsewhere"]),
    "seed folder and its files again as roots": (
        ["pool/m1.img", "pool/sub/m2.img"],
        ["pool", "pool/seed.img", "pool/sub/m2.img", "pool/sub"]),
    "overlapping roots": (["elsewhere/a/m1.img", "elsewhere/a/b/m2.img"],
                          ["elsewhere/a/b", "elsewhere", "elsewhere/a"]),
    "dot and dot-dot variants": (
        ["elsewhere/m1.img", "pool/m2.img"],
        ["elsewhere", lambda r: r + "\\elsewhere\\..\\elsewhere",
         lambda r: r + "\\elsewhere\\.\\m1.img",
         lambda r: r + "\\pool\\..\\elsewhere\\\\m1.img"]),
    # Windows folds ".." lexically before it looks up any folder.
    "dot-dot after a folder that is not there": (
        ["elsewhere/m1.img", "pool/m2.img"], [lambda r: r + "\\not-there\\..\\elsewhere"]),
    # On Wine a case variant reaches the same file under the same identity;
    # on Linux it names nothing and is passed over. Neither may conflict.
    "case variants": (
        ["elsewhere/m1.img", "pool/m2.img"],
        ["elsewhere", lambda r: r + "\\ELSEWHERE", lambda r: r + "\\Elsewhere\\M1.IMG",
         lambda r: "z" + r[1:] + "\\elsewhere\\m1.img", lambda r: r.upper() + "\\POOL"]),
    "slash separators": (["elsewhere/m1.img", "pool/m2.img"],
                         [lambda r: r.replace("\\", "/") + "/elsewhere"]),
    # A path without a drive is relative to the current drive, Z:.
    "host spelling of a root": (["elsewhere/m1.img", "pool/m2.img"],
                                [lambda r: r[2:].replace("\\", "/") + "/elsewhere"]),
}


@pytest.mark.parametrize("members, roots", LAYOUTS.values(), ids=LAYOUTS.keys())
def test_members_are_found(run, root, members, roots):
    seed = root / "pool" / "seed.img"
    paths = [seed] + [root / m for m in members]
    pool = write_pool(paths)
    assert_found(discover(run, seed, *typed_roots(root, roots)), pool, paths)


def test_members_not_found_are_missing(run, root):
    seed, m2 = root / "pool" / "seed.img", root / "pool" / "m2.img"
    pool = write_pool([seed, None, m2, None])
    assert_found(discover(run, seed, win_path(root / "nowhere")), pool, [seed, None, m2, None])


def test_other_files_are_passed_over(run, root):
    seed, m1 = root / "pool" / "seed.img", root / "pool" / "m1.img"
    pool = write_pool([seed, m1])
    junk = root / "pool" / "junk"
    # Too small, whatever the header says.
    write_image(junk / "short.img", pool.copy(1), size=MIN_MEMBER_SIZE - 1)
    write_image(junk / "short-4096.img", pool.copy(1), size=MIN_MEMBER_SIZE - 4096)
    (junk / "empty.img").write_bytes(b"")
    (junk / "notes.txt").write_text("not an image\n")
    # Big enough but no valid header, though it claims slot 1 of this pool.
    write_image(junk / "broken.img", bytes(4096), size=MIN_MEMBER_SIZE)
    broken = bytearray(pool.copy(1))
    broken[56] ^= 1
    write_image(junk / "bad-checksum.img", bytes(broken))
    # Another pool whose members have the very same ids and sizes.
    stranger = Pool(member_ids=pool.member_ids, sizes=pool.sizes)
    stranger.write_member(0, junk / "stranger0.img")
    stranger.write_member(1, junk / "stranger1.img")
    # Another pool with a different manifest altogether.
    write_pool([junk / "other0.img", junk / "other1.img", None], encrypted=True)
    assert_found(discover(run, seed), pool, [seed, m1])


def conflicting_images():
    """Images with the seed's pool id but another manifest or flag."""
    def reversed_order(pool):
        return Pool(pool.pool_id, pool.member_ids[::-1], pool.sizes[::-1])

    def encrypted(pool):
        return Pool(pool.pool_id, pool.member_ids, pool.sizes, encrypted=True)

    def extra_member(pool):
        return Pool(pool.pool_id, pool.member_ids + [os.urandom(16)],
                    pool.sizes + [MIN_MEMBER_SIZE])

    def fewer_members(pool):
        return Pool(pool.pool_id, pool.member_ids[:1], pool.sizes[:1])

    def bigger_member(pool):
        return Pool(pool.pool_id, pool.member_ids, [pool.sizes[0], pool.sizes[1] + 4096])

    return {f.__name__: f for f in
            (reversed_order, encrypted, extra_member, fewer_members, bigger_member)}


@pytest.mark.parametrize("where", ["pool/sub/x.img", "elsewhere/x.img"])
@pytest.mark.parametrize("variant", conflicting_images().values(),
                         ids=conflicting_images().keys())
def test_same_pool_id_with_another_manifest(run, root, variant, where):
    seed = root / "pool" / "seed.img"
    pool = write_pool([seed, None])
    variant(pool).write_member(0, root / where)
    result = discover(run, seed, win_path(root / "elsewhere"))
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", MANIFEST_ERROR)


def test_encrypted_seed_refuses_a_plain_image_of_its_pool(run, root):
    seed = root / "pool" / "seed.img"
    pool = write_pool([seed, None], encrypted=True)
    Pool(pool.pool_id, pool.member_ids, pool.sizes).write_member(1, root / "pool" / "m1.img")
    result = discover(run, seed)
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", MANIFEST_ERROR)


# A second copy of a member image: (member copied, where the copy lies, roots).
COPIES = {
    "member copy in the seed folder": (1, "pool/m1-backup.img", []),
    "seed copy in a subfolder": (0, "pool/backup/seed.img", []),
    "member copy under a root after all slots filled": (1, "elsewhere/deep/m1.img",
                                                        ["elsewhere"]),
    "seed copy named as a root": (0, "elsewhere/seed-copy.img", ["elsewhere/seed-copy.img"]),
}


@pytest.mark.parametrize("index, copy, roots", COPIES.values(), ids=COPIES.keys())
def test_copy_of_a_member_conflicts(run, root, index, copy, roots):
    seed = root / "pool" / "seed.img"
    paths = [seed, root / "pool" / "m1.img", root / "pool" / "m2.img"]
    pool = write_pool(paths)
    pool.write_member(index, root / copy)
    result = discover(run, seed, *typed_roots(root, roots))
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", DUPLICATE_ERROR)


@pytest.mark.parametrize("copy", ["pool/seed-copy.img", "elsewhere/seed-copy.img"])
def test_single_member_pool_scans_nothing(run, root, copy):
    seed = root / "pool" / "seed.img"
    pool = write_pool([seed])
    pool.write_member(0, root / copy)
    assert_found(discover(run, seed, win_path(root / "elsewhere")), pool, [seed])


@pytest.fixture
def host_pool_folder():
    """/Marlox, which both builds see as Z:\\Marlox, the pool folder of
    drive Z:. Made for the test and removed afterwards; a folder that is
    already there belongs to someone else and is left alone."""
    folder = Path("/Marlox")
    try:
        folder.mkdir()
    except OSError as error:
        pytest.skip(f"cannot use {folder} as a private pool folder: {error}")
    try:
        yield folder
    finally:
        shutil.rmtree(folder, ignore_errors=True)


@pytest.mark.parametrize("member", ["m1.img", "sub/deep/m1.img"])
def test_drive_pool_folder_is_searched(run, root, host_pool_folder, member):
    seed = root / "pool" / "seed.img"
    paths = [seed, host_pool_folder / member]
    pool = write_pool(paths)
    assert_found(discover(run, seed), pool, paths)


def test_copy_in_the_drive_pool_folder_conflicts(run, root, host_pool_folder):
    seed, m1 = root / "pool" / "seed.img", root / "pool" / "m1.img"
    pool = write_pool([seed, m1])
    pool.write_member(1, host_pool_folder / "backup" / "m1.img")
    result = discover(run, seed)
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", DUPLICATE_ERROR)


def test_seed_inside_the_drive_pool_folder(run, host_pool_folder):
    # The seed's folder and the pool folder are one: each file is offered once.
    paths = [host_pool_folder / "seed.img", host_pool_folder / "m1.img"]
    pool = write_pool(paths)
    assert_found(discover(run, paths[0]), pool, paths)


@pytest.fixture
def m_pool_folder(run):
    """M:\\Marlox inside Wine, drive M: being a folder of the session."""
    folder = run.m_drive / "Marlox"
    folder.mkdir()
    yield folder
    shutil.rmtree(folder)


@pytest.mark.wine_only
@pytest.mark.parametrize("member", ["m1.img", "sub/m1.img"])
def test_pool_folder_of_an_extra_drive(run, root, m_pool_folder, member):
    seed = root / "pool" / "seed.img"
    pool = write_pool([seed, m_pool_folder / member])
    result = discover(run, seed)
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout == report(pool, [win_path(seed),
                                          "M:\\Marlox\\" + member.replace("/", "\\")])


@pytest.mark.wine_only
def test_seed_given_on_an_extra_drive(run, root, m_pool_folder):
    pool = write_pool([m_pool_folder / "seed.img", root / "other" / "m1.img"])
    result = run("discover", "M:\\Marlox\\seed.img", win_path(root / "other"))
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout == report(pool, ["M:\\Marlox\\seed.img",
                                          win_path(root / "other" / "m1.img")])


# Symbolic links, FIFOs and permissions: Wine shows links to folders as
# reparse points and FIFOs as regular files, so these hold for Linux only.

@pytest.mark.native_only
def test_linked_member_file_is_reported_at_its_target(run, root):
    seed, target = root / "pool" / "seed.img", root / "store" / "m1.img"
    pool = write_pool([seed, target])
    (root / "pool" / "link.img").symlink_to(target)
    (root / "pool" / "sub").mkdir()
    (root / "pool" / "sub" / "second-link.img").symlink_to("../../store/m1.img")
    # The file itself is reached too, through a root: all three are one member.
    assert_found(discover(run, seed, win_path(root / "store")), pool, [seed, target])


@pytest.mark.native_only
def test_linked_subfolder_is_not_entered(run, root):
    seed, target = root / "pool" / "seed.img", root / "store" / "m1.img"
    pool = write_pool([seed, target])
    (root / "pool" / "store-link").symlink_to(root / "store")
    assert_found(discover(run, seed), pool, [seed, None])


@pytest.mark.native_only
def test_search_root_that_is_a_folder_link_is_walked(run, root):
    seed, target = root / "pool" / "seed.img", root / "store" / "deep" / "m1.img"
    pool = write_pool([seed, target])
    (root / "root-link").symlink_to(root / "store")
    assert_found(discover(run, seed, win_path(root / "root-link")), pool, [seed, target])


@pytest.mark.native_only
def test_entries_that_are_not_files_are_passed_over(run, root):
    seed, m1 = root / "pool" / "seed.img", root / "pool" / "sub" / "m1.img"
    pool = write_pool([seed, m1])
    os.mkfifo(root / "pool" / "fifo.img")
    os.mkfifo(root / "elsewhere.fifo")
    (root / "pool" / "dangling.img").symlink_to(root / "nothing-here")
    (root / "pool" / "loop.img").symlink_to(root / "pool" / "loop.img")
    result = discover(run, seed, win_path(root / "elsewhere.fifo"), timeout=10)
    assert_found(result, pool, [seed, m1])


@pytest.mark.native_only
def test_names_that_look_like_drive_paths_are_names(run, root):
    # Linux allows a colon in a name; read as a path, these would name drives.
    paths = [root / "pool" / "seed.img", root / "pool" / "Z:m1.img", root / "pool" / "c:m2.img"]
    pool = write_pool(paths)
    assert_found(discover(run, paths[0]), pool, paths)


@pytest.mark.native_only
def test_backslash_in_a_name_shows_as_a_private_use_character(run, root):
    # Windows syntax cannot hold a backslash inside a name; the Linux build shows
    # it as U+F05C and maps it back when it opens the file.
    paths = [root / "pool" / "seed.img", root / "pool" / "m\\1.img"]
    pool = write_pool(paths)
    result = discover(run, paths[0])
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout == report(pool, [win_path(paths[0]),
                                          win_path(root / "pool") + "\\m\uf05c1.img"])


@pytest.fixture
def shared_tree():
    """A tree any user may read: pytest's own temporary folders are private."""
    base = Path(tempfile.mkdtemp(prefix="marlox-perm-"))
    base.chmod(0o755)
    locked = []
    yield base, locked
    for folder in locked:
        folder.chmod(0o755)
    shutil.rmtree(base)


@pytest.mark.native_only
def test_unreadable_subfolders_are_skipped(run, shared_tree):
    base, locked = shared_tree
    seed = base / "pool" / "seed.img"
    paths = [seed, base / "pool" / "open-a" / "m1.img", base / "pool" / "open-b" / "m2.img"]
    pool = write_pool(paths)
    # Several locked folders among the open ones, so that whatever order the
    # folder is listed in, some are met before the members.
    for name in ["lock-0", "lock-1", "open-a/lock-2", "lock-3", "lock-4", "lock-5"]:
        folder = base / "pool" / name
        folder.mkdir()
        locked.append(folder)
    for folder in locked:
        folder.chmod(0)
    # Root is never denied: run the controller as an unprivileged user.
    exe = base / "marloxctl"
    shutil.copyfile(run.exe, exe)
    exe.chmod(0o755)
    as_nobody = ("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups")
    result = run("discover", win_path(seed), cwd=base, exe=exe,
                 prefix=as_nobody if os.geteuid() == 0 else ())
    assert_found(result, pool, paths)
