"""Runs the real controller: the native build directly, the Windows build
under Wine in a private prefix that lives for one test session."""

from __future__ import annotations

import os
import shutil
import signal
import subprocess
import tempfile
from dataclasses import dataclass
from pathlib import Path

import pytest


def pytest_addoption(parser):
    group = parser.getgroup("marloxctl")
    group.addoption("--exe", metavar="PATH", help="the marloxctl executable to test")
    group.addoption("--wine", action="store_true",
                    help="run the executable (a Windows build) under Wine")


def pytest_configure(config):
    config.addinivalue_line("markers", "native_only: the case needs the Linux build")
    config.addinivalue_line("markers", "wine_only: the case needs the Windows build under Wine")
    if not config.getoption("--exe"):
        raise pytest.UsageError("--exe PATH is required: the marloxctl executable to test")


def pytest_collection_modifyitems(config, items):
    wine = config.getoption("--wine")
    for item in items:
        if wine and item.get_closest_marker("native_only"):
            item.add_marker(pytest.mark.skip(reason="Linux build only"))
        if not wine and item.get_closest_marker("wine_only"):
            item.add_marker(pytest.mark.skip(reason="Windows build under Wine only"))


@dataclass(frozen=True)
class Result:
    returncode: int
    stdout: bytes
    stderr: bytes


Arg = str | bytes | os.PathLike


class Controller:
    """Starts the controller with the given words and captures its output.

    Output goes to files rather than pipes: under Wine a pipe may never see
    end-of-file while a Windows child holds on to it.
    """

    def __init__(self, exe: Path, env: dict[str, str], wine: bool, m_drive: Path | None):
        self.exe = exe
        self.env = env
        self.wine = wine
        # Host folder that is drive M: inside Wine (None on the Linux build).
        self.m_drive = m_drive

    def __call__(self, *args: Arg, cwd: Path | None = None, timeout: float = 30,
                 prefix: tuple[str, ...] = (), exe: Path | None = None) -> Result:
        """`prefix` goes in front of the command (such as a change of user);
        `exe` stands in for the executable under test, a copy of it say."""
        exe = self.exe if exe is None else exe
        command = [*prefix, *(["wine"] if self.wine else []), os.fspath(exe),
                   *(os.fspath(a) for a in args)]
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            completed = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=err, cwd=cwd, env=self.env, timeout=timeout)
            out.seek(0)
            err.seek(0)
            return Result(completed.returncode, out.read(), err.read())


def _wine_env(base: Path) -> dict[str, str]:
    return dict(os.environ, WINEPREFIX=str(base / "prefix"), WINEDEBUG="-all",
                LC_ALL="C.UTF-8")


def _stop_wineserver(env: dict[str, str]) -> None:
    for flag in ("-k", "-w"):
        subprocess.run(["wineserver", flag], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)


def _kill_stragglers(env: dict[str, str]) -> None:
    """Kills, by process id, whatever still runs in the session's prefix:
    now and then a Wine service outlives `wineserver -k`."""
    marker = b"WINEPREFIX=" + env["WINEPREFIX"].encode() + b"\0"
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit() or int(entry.name) == os.getpid():
            continue
        try:
            if marker in (entry / "environ").read_bytes():
                os.kill(int(entry.name), signal.SIGKILL)
        except OSError:
            pass


def _start_wine_prefix(base: Path, env: dict[str, str]) -> Path:
    subprocess.run(["wineboot", "-i"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300,
                   check=True)
    # Drive M: for the drive pool folder cases. GetLogicalDrives lists a new
    # letter only once the wineserver has restarted.
    m_drive = base / "m-drive"
    m_drive.mkdir()
    (base / "prefix" / "dosdevices" / "m:").symlink_to(m_drive)
    _stop_wineserver(env)
    return m_drive


@pytest.fixture(scope="session")
def run(pytestconfig) -> Controller:
    exe = Path(pytestconfig.getoption("--exe")).resolve()
    if not exe.is_file():
        pytest.exit(f"no executable at {exe}", returncode=4)
    if not pytestconfig.getoption("--wine"):
        # The controller selects no locale, so run it in the plainest one.
        yield Controller(exe, dict(os.environ, LC_ALL="C"), wine=False, m_drive=None)
        return
    base = Path(tempfile.mkdtemp(prefix="marlox-wine-"))
    env = _wine_env(base)
    try:
        m_drive = _start_wine_prefix(base, env)
        yield Controller(exe, env, wine=True, m_drive=m_drive)
    finally:
        _stop_wineserver(env)
        _kill_stragglers(env)
        shutil.rmtree(base, ignore_errors=True)


@pytest.fixture
def root(tmp_path) -> Path:
    """A private folder for one test; resolved, since the controller prints
    paths with symbolic links resolved."""
    return tmp_path.resolve()
