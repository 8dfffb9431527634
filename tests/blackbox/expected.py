"""Expected output of the controller, byte for byte.

Both builds see the host's file tree as drive Z:, so one host path has one
Windows spelling and the expected bytes are the same for either build.
"""

from __future__ import annotations

import os
from pathlib import Path

from member_image import Pool

USAGE = (
    b"Usage: marloxctl discover <seed.img> [search-root ...]\n"
    b"       marloxctl discover-config <config.json>\n"
    b"       marloxctl mount <drive:> <seed.img> [search-root ...]\n"
    b"       marloxctl mount-config <config.json>\n"
    b"       marloxctl mount --config <config.json>\n"
    b"       marloxctl status <drive:>\n"
    b"       marloxctl unmount <drive:>\n"
    b"Positional discovery searches the seed folder and each drive's Marlox folder.\n"
    b"Config commands use only the member paths listed in JSON.\n"
    b"Mount control is limited to this Windows logon session.\n"
)


def error_line(message: str) -> bytes:
    return b"marloxctl: " + message.encode() + b"\n"


DRIVE_ERROR = error_line("drive must be a letter such as V:")
NOT_AVAILABLE = error_line("command not available in this build")
SEED_ERROR = error_line("seed is not a valid current v6 member image")
MANIFEST_ERROR = error_line("matching pool ID has a different member manifest")
DUPLICATE_ERROR = error_line("two paths claim the same pool member identity")


def win_path(path: Path | str | bytes) -> str | bytes:
    """The Windows spelling of a host path: drive Z: is the host's root."""
    if isinstance(path, bytes):
        return b"Z:" + path.replace(b"/", b"\\")
    return "Z:" + os.fspath(path).replace("/", "\\")


def report(pool: Pool, paths: list[str | bytes | None]) -> bytes:
    """The pool report for `pool` with the given Windows paths per slot
    (None for a missing member)."""
    assert len(paths) == len(pool.sizes)
    lines = [
        b"pool: " + pool.pool_id.hex().encode(),
        b"encryption: " + (b"password required" if pool.encrypted else b"none"),
    ]
    for i, (path, size) in enumerate(zip(paths, pool.sizes)):
        if path is None:
            shown = b"MISSING"
        elif isinstance(path, bytes):
            shown = path
        else:
            shown = path.encode()
        lines.append(b"member[%d]: %s (%d MiB)" % (i, shown, size // 1048576))
    return b"".join(line + b"\n" for line in lines)
