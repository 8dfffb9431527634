"""Output to a Windows console goes through the console's own wide-text call, not
through bytes in a code page. Under Wine a pseudo-terminal is a console."""

import os
import pty
import re
import select
import time

import pytest

from expected import win_path
from member_image import write_pool

# Wine draws its console with escape sequences, and may move the cursor over a
# blank rather than print it; the comparison ignores both.
ESCAPES = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07|\r")


def run_on_console(run, *args: str, timeout: float = 30) -> tuple[int, bytes]:
    pid, fd = pty.fork()
    if pid == 0:
        try:
            os.execvpe("wine", ["wine", os.fspath(run.exe), *args], run.env)
        finally:
            os._exit(127)  # never return into the test run from the child
    out = b""
    status = None
    deadline = time.monotonic() + timeout
    try:
        while time.monotonic() < deadline:
            ready, _, _ = select.select([fd], [], [], 0.2)
            if ready:
                try:
                    data = os.read(fd, 65536)
                except OSError:  # the terminal closed with the process
                    break
                if not data:
                    break
                out += data
            elif status is not None:
                break  # ended, and nothing more to read
            else:
                reaped, code = os.waitpid(pid, os.WNOHANG)
                if reaped:
                    status = code
    finally:
        os.close(fd)
    if status is None:
        if time.monotonic() >= deadline:
            os.kill(pid, 9)
        _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status), ESCAPES.sub(b"", out)


def squeeze(text: bytes) -> bytes:
    return re.sub(rb"\s+", b"", text)


@pytest.mark.wine_only
def test_report_with_non_ascii_path_reaches_the_console_whole(run, root):
    seed, member = root / "été" / "m0.img", root / "池" / "m1.img"
    write_pool([seed, member])
    status, screen = run_on_console(run, "discover", win_path(seed), win_path(root / "池"))
    assert status == 0
    for path in (seed, member):
        assert squeeze(f"{win_path(path)} (384 MiB)".encode()) in squeeze(screen)
