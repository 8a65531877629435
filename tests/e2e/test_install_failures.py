"""Installs whose write of the image fails: what was at the path stays as it was, the user is told
"安装失败！" in the one box, and everything after the box still happens (the folder, the shortcut
to the path that was not written, the normal exit with code 0)."""

import os
import subprocess

import pytest

import harness as h
from checks import LINK, assert_shortcut, assert_single_ok_box

OLD = b"MZ an earlier program, not ours\r\n" * 100
FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM = 1, 2, 4


def lay_out_old_file(path=h.DEFAULT_TARGET, data=OLD):
    return h.make_file(h.unix_path(path), data)


def set_attributes(driver, path, value):
    # Set from inside Wine, as the user the installer runs as: Wine keeps read-only as the Unix
    # write permission, which only an unprivileged user is held to (as on Windows).
    answer = driver.must("attrib", path, value)
    assert answer["attributes"] & value == value


class Case:
    def __init__(self, setup=None, path=None, teardown=None):
        self.setup, self.path, self.teardown = setup, path, teardown


def read_only(driver):
    lay_out_old_file()
    set_attributes(driver, h.DEFAULT_TARGET, FILE_ATTRIBUTE_READONLY)


def folder_at_path(driver):
    marker = h.make_file(h.unix_path(h.DEFAULT_TARGET) / "inside.txt", b"kept")
    assert marker.exists()


def held_open(driver):
    lay_out_old_file()
    # Another program has the file open and shares it with nobody.
    driver.must("hold", h.DEFAULT_TARGET)


def running(driver):
    # A program started from the target path (kept suspended, so whatever it is, it only sits
    # there mapped, as a running program's image is). It is the driver's own image, so that an
    # overwrite with ours would show in the bytes.
    lay_out_old_file(data=h.DRIVER.read_bytes())
    driver.must("spawn-suspended", h.DEFAULT_TARGET)


def ours_running(driver):
    # Our own program, as an earlier install left it, started from the target path.
    lay_out_old_file(data=h.PAYLOAD.read_bytes())
    driver.must("spawn-suspended", h.DEFAULT_TARGET)


CASES = {
    "read-only": Case(read_only),
    "folder-at-path": Case(folder_at_path),
    "held-open-without-sharing": Case(held_open, teardown=lambda d: d.must("release", h.DEFAULT_TARGET)),
    "other-program-running": Case(running, teardown=lambda d: d.must("kill-spawned", h.DEFAULT_TARGET)),
    "installed-program-running": Case(ours_running, teardown=lambda d: d.must("kill-spawned", h.DEFAULT_TARGET)),
}


def snapshot(path):
    p = h.unix_path(path)
    if p.is_dir():
        return ("dir", sorted((q.name, q.read_bytes()) for q in p.iterdir()))
    # A truncate-and-rewrite with the same bytes would still show in the modification time.
    return ("file", p.read_bytes(), p.stat().st_mode, p.stat().st_mtime_ns)


@pytest.mark.parametrize("name", CASES)
def test_existing_item_that_cannot_be_replaced(start, driver, name):
    case = CASES[name]
    case.setup(driver)
    before = snapshot(h.DEFAULT_TARGET)
    try:
        outcome = h.install(driver, start())
    finally:
        if case.teardown:
            case.teardown(driver)
    assert_single_ok_box(outcome, h.FAILED)
    assert outcome.exit_code == 0
    assert snapshot(h.DEFAULT_TARGET) == before, "the item at the path was changed"
    # The shortcut comes all the same, to the path that was not written.
    assert_shortcut()


@pytest.mark.parametrize("attributes", [FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                                        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM],
                         ids=["hidden", "system", "hidden-system"])
def test_hidden_or_system_file_at_path(start, driver, payload, attributes):
    """Windows refuses CREATE_ALWAYS with FILE_ATTRIBUTE_NORMAL over a hidden or system file, so
    there the install fails and the file stays. Wine 8 truncates such a file instead, and the
    write then succeeds. The flags the program passes are checked by the unit tests; here the
    observable part: the one box tells the truth about what happened to the file, and everything
    after it runs as always."""
    lay_out_old_file()
    set_attributes(driver, h.DEFAULT_TARGET, attributes)
    outcome = h.install(driver, start())
    assert outcome.text in (h.SUCCEEDED, h.FAILED)
    assert_single_ok_box(outcome, outcome.text)
    data = h.unix_path(h.DEFAULT_TARGET).read_bytes()
    assert data == (payload if outcome.text == h.SUCCEEDED else OLD)
    assert outcome.exit_code == 0
    assert_shortcut()


def test_path_in_a_missing_folder(start, driver):
    inst = start()
    target = "C:\\NoSuch\\Quorvane.exe"
    assert driver.set_text(h.ID_EDIT, target) == target
    outcome = h.install(driver, inst)
    assert_single_ok_box(outcome, h.FAILED)
    assert outcome.exit_code == 0
    assert not h.unix_path("C:\\NoSuch").exists(), "only the fixed folder is ever created"
    # The fixed folder is created whatever the path, and stays empty.
    folder = h.unix_path(h.INSTALL_FOLDER)
    assert folder.is_dir() and not list(folder.iterdir())
    # The shortcut points at the missing file; its working directory is the fixed folder.
    assert_shortcut(target=target)


def test_empty_path(start, driver):
    inst = start()
    assert driver.set_text(h.ID_EDIT, "") == ""
    outcome = h.install(driver, inst)
    assert_single_ok_box(outcome, h.FAILED)
    assert outcome.exit_code == 0
    folder = h.unix_path(h.INSTALL_FOLDER)
    assert folder.is_dir() and not list(folder.iterdir())
    # The shortcut is still attempted, with an empty target; Wine saves such a link.
    lnk = h.Shortcut(LINK)
    assert not lnk.target
    assert lnk.working_directory == h.WORKING_DIRECTORY


@pytest.fixture
def small_drive(payload):
    """A drive Q: with room for half the image: a tmpfs mounted here and mapped in the prefix."""
    if not h.is_root():
        pytest.skip("mounting a small file system needs root")
    mount = h.BUILD / f"e2e-small-drive-{os.getpid()}"
    link = h.PREFIX / "dosdevices" / "q:"
    mount.mkdir(exist_ok=True)
    size = max(4096, len(payload) // 2 // 4096 * 4096)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size},mode=0755", "tmpfs",
                              str(mount)], stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if mounted.returncode != 0:
        mount.rmdir()
        pytest.skip(f"this machine lets no tmpfs be mounted here: {mounted.stderr.strip()}")
    try:
        h.give_to_test_user(mount)
        if link.is_symlink():
            link.unlink()
        link.symlink_to(mount)
        yield mount, size
    finally:
        if link.is_symlink():
            link.unlink()
        subprocess.run(["umount", str(mount)], check=True, stdin=subprocess.DEVNULL)
        mount.rmdir()


def test_disk_fills_during_the_write(start, driver, payload, small_drive):
    mount, size = small_drive
    inst = start()
    target = "Q:\\Quorvane.exe"
    driver.set_text(h.ID_EDIT, target)
    outcome = h.install(driver, inst)
    assert_single_ok_box(outcome, h.FAILED)
    assert outcome.exit_code == 0
    # A truncated file may remain: whatever is there is a prefix of the image, never all of it.
    written = mount / "Quorvane.exe"
    if written.exists():
        data = written.read_bytes()
        assert len(data) <= size and data == payload[:len(data)]
    assert h.unix_path(h.INSTALL_FOLDER).is_dir()
    assert_shortcut(target=target)
