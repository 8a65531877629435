"""Quorvane under Wine: it starts and stays in the background, a second start leaves at once with
its own exit code, and it ends cleanly through its menu command or WM_CLOSE. A driver program of
ours in the same prefix finds the hidden window by its class name."""

import os
import subprocess
from pathlib import Path

import pytest

RIG = os.environ["QV_RIG"]
BUILD = os.environ["QV_BUILD"]
EXE = Path(os.environ["QV_PAYLOAD_EXE"])
DRIVER = Path(os.environ["QV_PAYLOAD_DRIVER"])

EXIT_OK = 0
EXIT_ALREADY_RUNNING = 2
HANG = 60  # seconds; guards against a hang only, nothing is asserted about speed


def wine(*args, timeout=HANG):
    return subprocess.run([RIG, "exec", BUILD, "wine", *map(str, args)], stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=timeout)


def driver(*args):
    return wine(DRIVER, *args).returncode


def start():
    proc = subprocess.Popen([RIG, "exec", BUILD, "wine", str(EXE)], stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    assert driver("wait", HANG * 1000) == 0, "Quorvane's window did not appear"
    return proc


@pytest.fixture
def quorvane():
    """Starts Quorvane; whatever the test did, nothing of it runs on afterwards."""
    subprocess.run([RIG, "up", BUILD], check=True, stdin=subprocess.DEVNULL, capture_output=True)
    started = []

    def run():
        started.append(start())
        return started[-1]

    yield run
    driver("kill")
    for proc in started:
        try:
            proc.wait(timeout=HANG)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def test_stays_running(quorvane):
    proc = quorvane()
    # Several one-second idle polls pass: the program must neither end nor lose its window.
    with pytest.raises(subprocess.TimeoutExpired):
        proc.wait(timeout=4)
    assert driver("wait", 0) == 0


def test_second_start_leaves_at_once(quorvane):
    first = quorvane()
    second = wine(EXE)
    assert second.returncode == EXIT_ALREADY_RUNNING
    assert first.poll() is None, "the first instance runs on"
    assert driver("wait", 0) == 0


@pytest.mark.parametrize("request_", ["quit", "close"], ids=["menu-quit", "wm-close"])
def test_ends_when_asked(quorvane, request_):
    proc = quorvane()
    assert driver(request_) == 0
    assert proc.wait(timeout=HANG) == EXIT_OK
    assert driver("gone", 0) == 0
    # The instance mutex went with it: a new start runs again.
    again = quorvane()
    assert again.poll() is None
