"""Keyboard and focus with real X input: where the focus starts, Tab and Shift+Tab, and the keys
and clicks that must do nothing. Keys travel through X to Wine asynchronously, so a test that
expects nothing to happen ends with a Tab whose effect it waits for: once that shows, every key
before it has been handled too."""

import pytest

import harness as h


@pytest.fixture
def shown(start, screen, driver):
    inst = start()
    # At start the focus is on 安装; waiting for it also waits until the window is fully up.
    assert driver.wait_focus(h.ID_INSTALL) == h.ID_INSTALL
    screen.focus()
    return inst


def nothing_written():
    assert not h.unix_path(h.INSTALL_FOLDER).exists()
    assert not list(h.DESKTOP.iterdir())


def test_focus_starts_on_install_and_window_is_active(shown, driver):
    state = driver.info()
    assert state["focus_id"] == h.ID_INSTALL
    assert state["active_hwnd"] == shown.hwnd


# Keys pressed one after another, with the control that must have the focus after each.
@pytest.mark.parametrize("steps", [
    [("Tab", h.ID_CANCEL), ("Tab", h.ID_INSTALL), ("Tab", h.ID_CANCEL)],
    [("shift+Tab", h.ID_CANCEL), ("shift+Tab", h.ID_INSTALL), ("shift+Tab", h.ID_CANCEL)],
    [("Tab", h.ID_CANCEL), ("shift+Tab", h.ID_INSTALL), ("shift+Tab", h.ID_CANCEL),
     ("Tab", h.ID_INSTALL)],
], ids=["tab", "shift-tab", "mixed"])
def test_tab_keys_switch_between_the_two_buttons(shown, screen, driver, steps):
    for key, expected in steps:
        screen.key(key)
        assert driver.wait_focus(expected) == expected, f"after {key}"
    assert driver.info()["enabled"]


def sentinel_tab(screen, driver, before):
    """Presses Tab and waits until it has moved the focus away from `before`."""
    expected = h.ID_CANCEL if before == h.ID_INSTALL else h.ID_INSTALL
    screen.key("Tab")
    assert driver.wait_focus(expected, timeout=15) == expected, \
        "the window no longer handles keys (closed, or a message box took over)"


# keys pressed first to put the focus somewhere, the key that must do nothing
@pytest.mark.parametrize("setup, key", [
    ([], "Return"),
    (["Tab"], "Return"),
    ([], "KP_Enter"),
    ([], "alt+a"),
    ([], "alt+q"),
    (["Tab"], "alt+c"),
    ([], "alt+1"),
], ids=["enter-on-install", "enter-on-cancel", "keypad-enter", "alt-a", "alt-q",
        "alt-c-on-cancel", "alt-1"])
def test_keys_that_do_nothing(shown, screen, driver, setup, key):
    focus = h.ID_INSTALL
    for k in setup:
        screen.key(k)
        focus = h.ID_CANCEL if focus == h.ID_INSTALL else h.ID_INSTALL
        assert driver.wait_focus(focus) == focus
    screen.key(key)
    sentinel_tab(screen, driver, focus)
    assert shown.running()
    assert driver.boxes() == 0
    nothing_written()


def test_edit_box_takes_neither_focus_nor_typing(shown, screen, driver):
    edit = h.control(shown.shown, h.ID_EDIT)
    left, top, right, bottom = edit["screen"]
    screen.click_at((left + right) // 2, (top + bottom) // 2)
    screen.type("xyz")
    screen.key("BackSpace", "Delete", "ctrl+a", "ctrl+x")
    # The click and the typing have been handled once this Tab has been.
    sentinel_tab(screen, driver, h.ID_INSTALL)
    assert driver.text(h.ID_EDIT) == h.DEFAULT_TARGET
    # Click it again now that the focus is on 取消: the focus stays there.
    screen.click_at((left + right) // 2, (top + bottom) // 2)
    sentinel_tab(screen, driver, h.ID_CANCEL)
    assert driver.focus_id() != h.ID_EDIT
    assert driver.text(h.ID_EDIT) == h.DEFAULT_TARGET
    nothing_written()
