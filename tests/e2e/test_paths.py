"""Where things land when paths are not the plain default: a relative install path, which goes
to the installer's own folder whatever folder it was started from (also when that folder's name
has double-byte characters whose second byte is a backslash), and the shortcut when the desktop
cannot be found or cannot be written."""

import shutil

import pytest

import harness as h
from checks import LINK, assert_installed, assert_single_ok_box

# "誠" is D5 5C in code page 936: its second byte is a backslash, which a byte-wise search for
# the last path separator would take for one. In the program's own file name, after other
# characters, it would make the folder "...\安装誠程序\安装" plus a stray lead byte, which does not
# exist; so the installer's copy gets such a name, in such a folder.
PLAIN = ("plain", "QuorvaneSetup.exe")
DBCS = ("安装誠程序", "安装誠.exe")


def installer_copy(folder_name, exe_name="QuorvaneSetup.exe"):
    """The installer copied into a folder of the scratch space, owned by the user Wine runs as
    (the build folder is not writable for that user, so nothing could land next to it there)."""
    folder = h.SCRATCH / folder_name
    exe = h.make_file(folder / exe_name, h.INSTALLER.read_bytes())
    return folder, exe


def elsewhere():
    """A working directory for Wine that is not the installer's folder."""
    cwd = h.SCRATCH / "elsewhere"
    h.make_file(cwd / "placeholder.txt", b"")
    return cwd


@pytest.mark.parametrize("location", [PLAIN, DBCS], ids=["plain", "double-byte"])
@pytest.mark.parametrize("relative, lands_as", [
    ("Quorvane-rel.exe", "Quorvane-rel.exe"),
    ("rel\\..\\Quorvane.exe", "Quorvane.exe"),
    (".\\Quorvane-dot.exe", "Quorvane-dot.exe"),
])
def test_relative_path_lands_next_to_the_installer(start, driver, payload, location,
                                                   relative, lands_as):
    folder, exe = installer_copy(*location)
    cwd = elsewhere()
    inst = start(exe, cwd=cwd)
    assert driver.set_text(h.ID_EDIT, relative) == relative
    outcome = h.install(driver, inst)
    assert_single_ok_box(outcome, h.SUCCEEDED)
    assert outcome.exit_code == 0
    assert (folder / lands_as).read_bytes() == payload
    assert sorted(p.name for p in cwd.iterdir()) == ["placeholder.txt"], \
        "the file went to the folder Wine was started from"
    assert sorted(p.name for p in h.SCRATCH.iterdir()) == sorted([folder.name, cwd.name])
    # The shortcut names the file (the shell may complete the relative name to a full path)
    # and has the fixed working directory.
    lnk = h.Shortcut(LINK)
    assert lnk.target and lnk.target.endswith(lands_as)
    assert lnk.working_directory == h.WORKING_DIRECTORY


def desktop_missing(driver):
    # The prefix's Desktop is a link to $HOME/Desktop; without that folder the link dangles.
    shutil.rmtree(h.DESKTOP)
    looked_up = driver.call("desktop")
    assert not looked_up["ok"] and not h.gbk(looked_up["path"]), \
        f"the desktop lookup still succeeds: {looked_up}; this test would test nothing"


def desktop_read_only(driver):
    h.DESKTOP.chmod(0o555)
    assert driver.must("desktop")["ok"], "the lookup itself must work here"


# How the desktop is spoiled, and where the link is then found (relative to the installer's
# folder), or None for nowhere.
@pytest.mark.parametrize("spoil, link_in_installer_folder", [
    (desktop_missing, True),
    (desktop_read_only, False),
], ids=["lookup-fails", "not-writable"])
def test_shortcut_that_cannot_go_to_the_desktop(start, driver, payload, spoil,
                                                link_in_installer_folder):
    folder, exe = installer_copy(*DBCS)
    cwd = elsewhere()
    spoil(driver)
    outcome = h.install(driver, start(exe, cwd=cwd))
    # The user is told about the write only; nothing else is shown, and the end is normal.
    assert_single_ok_box(outcome, h.SUCCEEDED)
    assert outcome.exit_code == 0
    assert_installed(payload)
    # A failed lookup leaves the bare name "Quorvane.lnk", which the save resolves against the
    # current directory: the installer's own folder, not the one Wine was started from.
    assert (folder / "Quorvane.lnk").exists() == link_in_installer_folder
    assert not (cwd / "Quorvane.lnk").exists()
    if link_in_installer_folder:
        lnk = h.Shortcut(folder / "Quorvane.lnk")
        assert lnk.target == h.DEFAULT_TARGET
        assert lnk.working_directory == h.WORKING_DIRECTORY
    # No desktop folder is made for the link, and nothing is written into a read-only one.
    assert not h.DESKTOP.exists() or not list(h.DESKTOP.iterdir())
