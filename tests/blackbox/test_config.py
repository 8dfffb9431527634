"""The configured commands: a pool formed only from the member paths that a
JSON mount configuration lists."""

import json
import os
from pathlib import Path

import pytest

from expected import NOT_AVAILABLE, error_line, report, win_path
from member_image import write_pool

CORPUS = Path(__file__).resolve().parents[3] / "shared" / "corpora" / "json-test-suite" / "test_parsing"


def config_error(n: int, detail: str) -> bytes:
    return error_line(f"invalid Marlox mount config at byte {n}: {detail}")


def write_config(path: Path, members, **fields) -> Path:
    document = {"schema_version": 1, "drive": "P:", "members": members}
    document.update(fields)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(json.dumps(document), encoding="utf-8")
    return path


@pytest.fixture
def pool3(root):
    """An encrypted three-member pool in root/pool, and its member paths."""
    paths = [root / "pool" / f"m{i}.img" for i in range(3)]
    return write_pool(paths, encrypted=True), paths


def test_relative_config_and_member_paths(run, root, pool3):
    pool, paths = pool3
    # Member paths resolve against the configuration's folder, not the current one.
    config = write_config(root / "cfg" / "pool.json",
                          ["../pool/m2.img", "..\\pool\\m0.img", win_path(paths[1])])
    result = run("discover-config", "cfg\\.\\pool.json", cwd=root)
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout == report(pool, [win_path(p) for p in paths])
    assert run("discover-config", win_path(config)).stdout == result.stdout


@pytest.mark.parametrize("command", [["mount-config"], ["mount", "--config"]])
def test_mount_forms_print_the_report_before_the_mount_step(run, root, pool3, command):
    pool, paths = pool3
    config = write_config(root / "pool.json", [win_path(p) for p in paths])
    result = run(*command, win_path(config))
    assert (result.returncode, result.stdout, result.stderr) == (
        1, report(pool, [win_path(p) for p in paths]), NOT_AVAILABLE)


def test_unencrypted_pool_needs_require_encrypted_false(run, root):
    paths = [root / "pool" / "a.img", root / "pool" / "b.img"]
    pool = write_pool(paths)
    members = [win_path(p) for p in paths]
    refused = run("discover-config", win_path(write_config(root / "default.json", members)))
    assert (refused.returncode, refused.stdout, refused.stderr) == (
        1, b"", error_line("mount config requires an encrypted pool"))
    accepted = run("discover-config", win_path(
        write_config(root / "relaxed.json", members, require_encrypted=False)))
    assert (accepted.returncode, accepted.stderr) == (0, b"")
    assert accepted.stdout == report(pool, members)


def test_resolution_failures_name_the_configured_position(run, root, pool3):
    pool, paths = pool3
    m0, m1, m2 = (win_path(p) for p in paths)
    write_pool([root / "other" / f"x{i}.img" for i in range(3)], encrypted=True)
    pool.write_member(1, root / "copies" / "m1-copy.img")
    # Same pool id, but a manifest that lists members 0 and 1 the other way round.
    manifest = pool.manifest
    pool.write_member(2, root / "odd" / "m2.img", manifest=[manifest[1], manifest[0], manifest[2]])
    junk = root / "junk.img"
    junk.write_bytes(b"not a member image")
    cases = [
        ([m0, m1], "mount config does not list the complete member set"),
        ([m0, m1, m2, win_path(junk)], "mount config does not list the complete member set"),
        ([win_path(root / "missing.img"), m1, m2], "configured member 0 is missing or invalid"),
        ([m0, m1, win_path(root / "missing.img")], "configured member 2 is missing or invalid"),
        ([m0, win_path(junk), m2], "configured member 1 is missing or invalid"),
        ([m0, m1, win_path(root / "other" / "x2.img")],
         "configured member 2 does not belong to this pool"),
        ([m0, win_path(root / "odd" / "m2.img"), m1],
         "configured member 1 does not belong to this pool"),
        ([m0, m1, win_path(root / "copies" / "m1-copy.img")],
         "mount config lists the same member identity twice"),
    ]
    for index, (members, message) in enumerate(cases):
        config = write_config(root / f"case{index}.json", members)
        result = run("discover-config", win_path(config))
        assert (result.returncode, result.stdout, result.stderr) == (
            1, b"", error_line(message)), message


@pytest.mark.native_only
def test_one_file_through_a_folder_link_is_listed_twice(run, root, pool3):
    _, paths = pool3
    os.symlink(root / "pool", root / "link")
    config = write_config(root / "c.json", [win_path(paths[0]), win_path(root / "link" / "m0.img"),
                                            win_path(paths[2])])
    result = run("discover-config", win_path(config))
    assert (result.returncode, result.stdout, result.stderr) == (
        1, b"", error_line("mount config lists a member path twice"))


@pytest.mark.native_only
def test_relative_path_folding_into_a_drive_like_name_stays_in_the_folder(run, root):
    # ".\\Z:m0.img" is the file "Z:m0.img" beside the configuration (a legal name on
    # Linux), not a path on drive Z:; a decoy sits where the drive reading would land.
    member = root / "cfg" / "Z:m0.img"
    pool = write_pool([member], encrypted=True)
    write_pool([root / "m0.img"], encrypted=True)
    config = write_config(root / "cfg" / "c.json", [".\\Z:m0.img"])
    result = run("discover-config", win_path(config), cwd=root)
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout == report(pool, [win_path(member)])


def test_case_variant_of_a_listed_path_is_a_duplicate(run, root, pool3):
    _, paths = pool3
    config = write_config(root / "c.json",
                          [win_path(p) for p in paths[:2]] + [win_path(paths[1]).upper()])
    text = config.read_text(encoding="utf-8")
    variant = json.dumps(win_path(paths[1]).upper())
    result = run("discover-config", win_path(config))
    assert (result.returncode, result.stdout, result.stderr) == (
        1, b"", config_error(text.index(variant) + len(variant), "duplicate member path"))


@pytest.mark.parametrize("document, expected", [
    (b"", config_error(0, "unexpected JSON token")),
    (b"\xef\xbb\xbf", config_error(3, "unexpected JSON token")),
    (b"\xef\xbb\xbf{}x", config_error(5, "trailing content")),
    (b"{}", config_error(2, "schema_version, drive, and members are required")),
    (b'{"schema_version":1,}', config_error(20, "unexpected JSON token")),
    (b'{"schema_version":10}', config_error(19, "unexpected JSON token")),
    (b'{"password":"hunter2"}', config_error(12, "unknown field (passwords and keys are not allowed)")),
    (b'{"drive":"P:", "drive":"Q:"}', config_error(23, "duplicate drive field")),
    (b'{"drive":"P"}', config_error(12, "drive must be a letter such as P:")),
    (b'{"members":["a\\tb"]}', config_error(18, "member path contains a control character")),
    (b'{"members":["C:a.img"]}', config_error(21, "member path has an incomplete Windows root")),
    (b'{"name":"a\xe2\x28\xa1"}', config_error(12, "invalid UTF-8 continuation")),
    (b'{"name":"bad:name"}', error_line("pool name contains a character not allowed in a Windows volume label")),
    (b'{"name":""}', error_line("pool name must contain 1 to 32 UTF-16 code units")),
], ids=repr)
def test_document_faults(run, root, document, expected):
    config = root / "c.json"
    config.write_bytes(document)
    result = run("discover-config", win_path(config))
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", expected)


def test_file_faults(run, root):
    (root / "folder.json").mkdir()
    (root / "big.json").write_bytes(b" " * 1048577)
    cases = [
        (root / "missing.json", "cannot open Marlox mount config"),
        (root / "folder.json", "cannot open Marlox mount config"),
        (root / "big.json", "Marlox mount config exceeds 1 MiB limit"),
    ]
    for path, message in cases:
        result = run("discover-config", win_path(path))
        assert (result.returncode, result.stdout, result.stderr) == (1, b"", error_line(message))
    result = run("discover-config", "")
    assert (result.returncode, result.stdout, result.stderr) == (
        1, b"", error_line("Marlox mount config path is empty"))


# Kernel files report a size other than what they hold: one that claims 0 bytes
# and then has some looks like a file that grew; one that claims a page and holds
# a line looks like a file that shrank.
@pytest.mark.native_only
@pytest.mark.parametrize("path, message", [
    ("/proc/sys/kernel/hostname", "Marlox mount config changed while reading"),
    ("/sys/kernel/mm/transparent_hugepage/enabled", "cannot read Marlox mount config"),
])
def test_files_whose_size_is_not_what_they_hold(run, path, message):
    if not os.path.isfile(path):
        pytest.skip(f"no {path} on this machine")
    result = run("discover-config", win_path(path))
    assert (result.returncode, result.stdout, result.stderr) == (1, b"", error_line(message))


def test_a_file_of_exactly_one_mib_is_read(run, root, pool3):
    _, paths = pool3
    config = write_config(root / "c.json", [win_path(p) for p in paths])
    text = config.read_bytes()
    config.write_bytes(text + b" " * (1048576 - len(text)))
    assert run("discover-config", win_path(config)).returncode == 0


@pytest.mark.skipif(not CORPUS.is_dir(), reason="no JSON conformance corpus beside the repository")
def test_every_corpus_file_ends_with_one_clean_error(run, root):
    # None of these documents is a valid configuration; each must end with exactly
    # one error line and exit 1, whatever its bytes.
    for case in sorted(CORPUS.iterdir()):
        result = run("discover-config", win_path(case))
        assert result.returncode == 1, case.name
        assert result.stdout == b"", case.name
        assert result.stderr.startswith(b"marloxctl: ") and result.stderr.count(b"\n") == 1, (
            case.name, result.stderr)
