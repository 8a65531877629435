"""Every way of closing the installer without installing: the window goes, the process exits
with code 0, no message box comes, and nothing is written anywhere."""

import pytest

import harness as h


def press_cancel_with_mouse(screen, driver, inst):
    left, top, right, bottom = h.control(inst.shown, h.ID_CANCEL)["screen"]
    screen.focus()
    screen.click_at((left + right) // 2, (top + bottom) // 2)


def press_cancel_with_space(screen, driver, inst):
    screen.focus()
    screen.key("Tab")
    assert driver.wait_focus(h.ID_CANCEL) == h.ID_CANCEL
    screen.key("space")


def press_escape(screen, driver, inst):
    screen.focus()
    screen.key("Escape")


def press_escape_on_cancel(screen, driver, inst):
    screen.focus()
    screen.key("shift+Tab")
    assert driver.wait_focus(h.ID_CANCEL) == h.ID_CANCEL
    screen.key("Escape")


WAYS = {
    "cancel-clicked": lambda screen, driver, inst: driver.click(h.ID_CANCEL),
    "cancel-mouse": press_cancel_with_mouse,
    "cancel-space": press_cancel_with_space,
    "escape": press_escape,
    "escape-focus-on-cancel": press_escape_on_cancel,
    # The window's close command from another program, queued or sent.
    "wm-close-posted": lambda screen, driver, inst: driver.close_window("post"),
    "wm-close-sent": lambda screen, driver, inst: driver.close_window("send"),
}


@pytest.mark.parametrize("way", WAYS)
def test_closing_without_installing(start, screen, driver, way):
    inst = start()
    assert driver.wait_focus(h.ID_INSTALL) == h.ID_INSTALL
    WAYS[way](screen, driver, inst)
    gone = driver.wait_gone()
    assert gone["ok"], "the window is still there"
    assert gone["boxes_seen"] == 0, "a message box came up"
    assert inst.wait() == 0
    assert not h.unix_path(h.INSTALL_FOLDER).exists()
    assert not h.unix_path(h.DEFAULT_TARGET).exists()
    assert not list(h.DESKTOP.iterdir()), "something was put on the desktop"
