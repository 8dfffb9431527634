"""Command forms, usage, the drive rule and the error line."""

import pytest

from expected import DRIVE_ERROR, NOT_AVAILABLE, SEED_ERROR, USAGE, report, win_path
from member_image import write_pool


@pytest.fixture
def seed(root):
    """A valid one-member pool: (pool, Windows path of its only image)."""
    path = root / "pool" / "seed.img"
    return write_pool([path]), win_path(path)


@pytest.mark.parametrize("words", [
    [],
    ["discover"],
    ["mount"],
    ["status"],
    ["bogus"],
    ["--config"],
    ["MOUNT", "V:", "SEED"],
    ["Status", "V:"],
    ["discover-Config", "x"],
    ["Discover", "SEED"],
    ["discover ", "SEED"],
    ["status", "V:", "extra"],
    ["status", "V:", "a", "b"],
    ["unmount"],
    ["unmount", "V:", "extra"],
    ["mount", "--config"],
    ["mount", "V:"],
    ["discover-config"],
    ["discover-config", "a", "b"],
    ["mount-config"],
    ["mount-config", "a", "b"],
    ["discover-config", "a", "b", "c"],
    ["", ""],
], ids=repr)
def test_usage(run, seed, words):
    # SEED stands for a valid image, so that no other rule could apply.
    words = [seed[1] if w == "SEED" else w for w in words]
    result = run(*words)
    assert (result.returncode, result.stdout, result.stderr) == (2, b"", USAGE)


BAD_DRIVES = ["V", "V:\\", "1:", "VV:", "é:", "", '"V:"', "V;", ":V",
              "@:", "[:", "`:", "{:", " V:", "V: "]


@pytest.mark.parametrize("drive", BAD_DRIVES, ids=repr)
@pytest.mark.parametrize("command", ["status", "unmount", "mount"])
def test_drive_rule_rejects(run, seed, command, drive):
    # mount gets a valid seed: the drive rule must fail before it is read.
    words = [command, drive] + ([seed[1]] if command == "mount" else [])
    result = run(*words)
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", DRIVE_ERROR)


def test_mount_config_option_with_two_files_is_a_drive_word(run, seed):
    result = run("mount", "--config", seed[1], "b")
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", DRIVE_ERROR)


@pytest.mark.parametrize("words", [
    ["status", "v:"],
    ["status", "A:"],
    ["status", "Z:"],
    ["unmount", "V:"],
    ["unmount", "a:"],
    ["unmount", "z:"],
], ids=repr)
def test_commands_not_in_this_build(run, words):
    result = run(*words)
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", NOT_AVAILABLE)


@pytest.mark.parametrize("drive", ["V:", "v:", "a:", "Z:"])
def test_positional_mount_prints_report_then_stops(run, seed, drive):
    pool, path = seed
    result = run("mount", drive, path)
    assert (result.returncode, result.stdout, result.stderr) == (
        1, report(pool, [path]), NOT_AVAILABLE)


def test_positional_mount_takes_search_roots(run, root):
    seed_path, member = root / "pool" / "seed.img", root / "other" / "m1.img"
    pool = write_pool([seed_path, member])
    result = run("mount", "V:", win_path(seed_path), win_path(root / "other"))
    assert (result.returncode, result.stdout, result.stderr) == (
        1, report(pool, [win_path(seed_path), win_path(member)]), NOT_AVAILABLE)


@pytest.mark.parametrize("command", [["discover"], ["mount", "V:"]])
def test_invalid_seed_gives_no_report(run, root, command):
    junk = root / "junk.img"
    junk.write_bytes(b"not an image")
    result = run(*command, win_path(junk))
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", SEED_ERROR)


def test_config_word_after_discover_is_a_seed_path(run, root):
    # "--config" is an option only as the second word of a three-word mount.
    work = root / "work"
    pool = write_pool([work / "--config", root / "other" / "m1.img"])
    result = run("discover", "--config", win_path(root / "other"), cwd=work)
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout == report(
        pool, [win_path(work / "--config"), win_path(root / "other" / "m1.img")])
