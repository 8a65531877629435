"""Installing with the default path, as a person would: the one message box and how it looks and
behaves, the installed file's bytes, the desktop shortcut's fields, and the normal end."""

import pytest
from PIL import Image

import harness as h

SS_TYPEMASK, SS_ICON = 0x1F, 0x03
IDOK = 1
SW_SHOW = 5
LINK = h.DESKTOP / "Quorvane.lnk"


def assert_installed(payload, path=h.DEFAULT_TARGET):
    data = h.unix_path(path).read_bytes()
    assert len(data) == len(payload), "the installed file is not the carried program's size"
    assert data == payload, "the installed file is not the carried program byte for byte"


def assert_shortcut(link=LINK, target=h.DEFAULT_TARGET):
    lnk = h.Shortcut(link)
    assert lnk.target == target
    assert lnk.working_directory == h.WORKING_DIRECTORY
    # Neither a description nor arguments are set, so the link holds neither.
    assert not lnk.flags & (lnk.HAS_NAME | lnk.HAS_ARGUMENTS), f"link flags {lnk.flags:#x}"
    assert lnk.description is None and lnk.arguments is None
    # The show command the program asked for is kept in the link's header as given.
    assert lnk.show_command == SW_SHOW
    return lnk


def assert_single_ok_box(outcome, text):
    assert outcome.title == h.BOX_TITLE
    assert outcome.text == text
    assert [b["id"] for b in outcome.buttons] == [IDOK], "one OK button and nothing else"
    icons = [c for c in outcome.box["children"]
             if c["class"].lower() == "static" and c["style"] & SS_TYPEMASK == SS_ICON]
    assert len(icons) == 1, "the box shows an icon"
    assert outcome.box["owner"] == 0, "the box is shown without an owner window"
    # Task-modal: the installer's window is disabled while the box is up.
    assert outcome.box["installer_alive"] and not outcome.box["installer_enabled"]
    assert outcome.box["count"] == 1
    assert outcome.boxes_after == 0, "a second message box came up"
    return icons[0]


def assert_information_icon(image_path, icon):
    """The icon handle cannot be compared across processes; the information icon is the blue
    one (the warning and error icons are yellow and red)."""
    left, top, right, bottom = icon["screen"]
    pixels = list(Image.open(image_path).convert("RGB").crop((left, top, right, bottom)).getdata())
    blue = sum(1 for r, g, b in pixels if b > r + 50 and b > g + 20)
    red_or_yellow = sum(1 for r, g, b in pixels if r > b + 80)
    assert blue > len(pixels) // 4 and red_or_yellow < len(pixels) // 20, \
        f"{blue} blue and {red_or_yellow} red/yellow pixels of {len(pixels)}"


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
    # Nothing is written to the desktop before the box is closed.
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
