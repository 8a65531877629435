"""Installing with the default path, as a person would: the one message box and how it looks and
behaves, the installed file's bytes, the desktop shortcut's fields, and the normal end."""

import pytest

import harness as h
from checks import LINK, assert_information_icon, assert_installed, assert_shortcut, \
    assert_single_ok_box


def press_mouse(screen, driver, inst):
    left, top, right, bottom = h.control(inst.shown, h.ID_INSTALL)["screen"]
    screen.focus()
    screen.click_at((left + right) // 2, (top + bottom) // 2)


def press_space(screen, driver, inst):
    # The focus starts on 安装, so Space alone presses it.
    assert driver.wait_focus(h.ID_INSTALL) == h.ID_INSTALL
    screen.focus()
    screen.key("space")


def press_space_after_tabbing_round(screen, driver, inst):
    screen.focus()
    screen.key("Tab")
    assert driver.wait_focus(h.ID_CANCEL) == h.ID_CANCEL
    screen.key("Tab")
    assert driver.wait_focus(h.ID_INSTALL) == h.ID_INSTALL
    screen.key("space")


PRESS = {
    "clicked": None,  # a posted BM_CLICK, what the click notification amounts to
    "mouse": press_mouse,
    "space": press_space,
    "tab-round-space": press_space_after_tabbing_round,
}


@pytest.mark.parametrize("how", PRESS)
def test_first_install(start, driver, screen, payload, tmp_path, how):
    inst = start()
    press = PRESS[how]
    shot = tmp_path / "box.png"

    def click():
        if press:
            press(screen, driver, inst)
        else:
            driver.click(h.ID_INSTALL)

    click()
    box = driver.msgbox(timeout=120)
    screen.shot(shot)
    # The image is written before the result is shown; the shortcut only after the box closes.
    assert_installed(payload)
    assert not LINK.exists()
    driver.close_msgbox("ok")
    gone = driver.wait_gone(timeout=120, exclude=box["hwnd"])
    outcome = h.Outcome(box, gone["boxes_seen"], inst.wait())
    assert gone["ok"]
    icon = assert_single_ok_box(outcome, h.SUCCEEDED)
    assert_information_icon(shot, icon)
    assert outcome.exit_code == 0
    assert_installed(payload)
    assert_shortcut()
    assert sorted(p.name for p in h.DESKTOP.iterdir()) == ["Quorvane.lnk"]


def lay_out_foreign_install(payload):
    """An earlier, different program at the target, longer than ours, and a stale shortcut."""
    h.make_file(h.unix_path(h.DEFAULT_TARGET), b"\xEE" * (len(payload) * 2 + 12345))
    h.make_file(LINK, b"not a link")


@pytest.mark.parametrize("earlier", ["our-install", "foreign-longer-file"])
def test_install_over_an_earlier_one(start, driver, payload, earlier):
    if earlier == "our-install":
        first = h.install(driver, start())
        assert first.text == h.SUCCEEDED and first.exit_code == 0
    else:
        lay_out_foreign_install(payload)
    # The folder exists now, so creating it fails; that is not reported and changes nothing.
    outcome = h.install(driver, start())
    assert_single_ok_box(outcome, h.SUCCEEDED)
    assert outcome.exit_code == 0
    # Replaced, not appended to: the old file is truncated before the image is written.
    assert_installed(payload)
    assert_shortcut()


def escape_key(screen, driver, box):
    screen.focus(h.BOX_TITLE)
    screen.key("Escape")


def return_key(screen, driver, box):
    screen.focus(h.BOX_TITLE)
    screen.key("Return")


CLOSE_BOX = {
    "ok-clicked": lambda screen, driver, box: driver.close_msgbox("ok"),
    "escape-posted": lambda screen, driver, box: driver.close_msgbox("esc"),
    "escape-key": escape_key,
    "enter-key": return_key,
    "wm-close": lambda screen, driver, box: driver.close_msgbox("close"),
    "sc-close": lambda screen, driver, box: driver.close_msgbox("syscmd"),
}


@pytest.mark.parametrize("how", CLOSE_BOX)
def test_install_goes_on_however_the_box_is_closed(start, driver, screen, payload, how):
    inst = start()
    driver.click(h.ID_INSTALL)
    box = driver.msgbox(timeout=120)
    CLOSE_BOX[how](screen, driver, box)
    gone = driver.wait_gone(timeout=120, exclude=box["hwnd"])
    assert gone["ok"], "the window did not close after the box"
    assert gone["boxes_seen"] == 0
    assert inst.wait() == 0
    assert_installed(payload)
    assert_shortcut()
