"""Checks shared by the install tests: the installed bytes, the shortcut, the one message box."""

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
