import os
import re

import pytest

import harness as h


def pytest_configure(config):
    for path in (h.INSTALLER, h.DRIVER, h.PAYLOAD):
        if not path.exists():
            raise pytest.UsageError(f"{path} is missing: build QuorvaneSetup and qv_e2e_driver first")


@pytest.fixture(scope="session")
def rig():
    h.ensure_rig_up()
    return h.rig_env()


@pytest.fixture(scope="session")
def driver(rig):
    d = h.Driver()
    yield d
    d.close()


@pytest.fixture(scope="session")
def screen(rig):
    return h.Screen(rig["DISPLAY"])


@pytest.fixture(scope="session")
def payload():
    return h.PAYLOAD.read_bytes()


def _test_user_ids():
    import pwd
    user = pwd.getpwnam(h.TEST_USER)
    return user.pw_uid, user.pw_gid


def _reset_prefix():
    """What installs and tests leave in the prefix, removed; the prefix itself is kept."""
    h.remove(h.unix_path(h.INSTALL_FOLDER))
    h.remove(h.SCRATCH)
    if h.DESKTOP.is_symlink() or h.DESKTOP.is_file():
        h.DESKTOP.unlink()
    h.DESKTOP.mkdir(parents=True, exist_ok=True)
    os.chmod(h.DESKTOP, 0o755)
    h.give_to_test_user(h.DESKTOP)
    for lnk in h.DESKTOP.glob("*.lnk"):
        lnk.unlink()
    # Wine re-points the prefix's Desktop at $HOME when it finds $HOME/Desktop missing (and a
    # lookup that may create the folder makes a real one): put the link back as the rig made it.
    if not (h.PREFIX_DESKTOP.is_symlink() and h.PREFIX_DESKTOP.resolve() == h.DESKTOP.resolve()):
        h.remove(h.PREFIX_DESKTOP)
        h.PREFIX_DESKTOP.symlink_to(h.DESKTOP)
        if h.is_root():
            os.lchown(h.PREFIX_DESKTOP, *_test_user_ids())


@pytest.fixture(autouse=True)
def clean_prefix():
    _reset_prefix()
    yield
    _reset_prefix()


@pytest.fixture
def start(driver, request):
    """Starts the installer (by default the build's, from the build folder) and makes sure that
    nothing of it runs on after the test."""
    started = []

    def run(exe=h.INSTALLER, cwd=None):
        inst = h.Installer(driver, exe, cwd)
        started.append(inst)
        return inst

    yield run
    for inst in started:
        inst.stop()


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    display = h.BUILD / "rig" / "display"
    if report.when == "call" and report.failed and display.exists():
        # What the screen showed when the test failed, for a person to look at.
        name = re.sub(r"[^\w.-]+", "_", item.nodeid.split("::", 1)[-1])
        try:
            path = h.Screen(display.read_text().strip()).shot(h.SHOTS / f"{name}.png")
            report.sections.append(("screenshot", str(path)))
        except Exception:
            pass
