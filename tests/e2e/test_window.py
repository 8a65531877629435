"""The installer's window as another program (and the eye) finds it: place, frame, class, title,
the four controls and their stacking order, and what the title label paints."""

from collections import Counter

import pytest
from PIL import Image

import harness as h

WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_DISABLED = 0x08000000
WS_CLIPCHILDREN = 0x02000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_DLGFRAME = 0x00400000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_TABSTOP = 0x00010000
WS_EX_DLGMODALFRAME = 0x00000001
WS_EX_TOPMOST = 0x00000008
WS_EX_TRANSPARENT = 0x00000020
WS_EX_CLIENTEDGE = 0x00000200
WS_EX_STATICEDGE = 0x00020000
ES_MULTILINE = 0x0004
ES_AUTOHSCROLL = 0x0080
ES_READONLY = 0x0800
BS_TYPEMASK = 0x000F
BS_PUSHBUTTON = 0x0000
BS_CENTER = 0x0300
BS_VCENTER = 0x0C00
BS_MULTILINE = 0x2000


@pytest.fixture(scope="module")
def shown(driver):
    """One installer run serves every look at the window in this module."""
    h.ensure_rig_up()
    inst = h.Installer(driver)
    yield inst
    inst.stop()


@pytest.fixture
def window(shown, driver):
    return driver.info()


def test_window_is_centred_on_the_screen(driver, window):
    metrics = driver.must("metrics")
    assert (metrics["cx"], metrics["cy"]) == (1024, 768), "the rig's screen is 1024x768"
    # (1024 - 322) / 2 and (768 - 111) / 2: the stored position 50,50 is not used.
    assert window["rect"] == [351, 328, 673, 439]
    # No frame: the client area is the whole window.
    assert window["client"] == [0, 0, 322, 111]


def test_window_class_and_title(window):
    assert window["class"] == "WTWindow"
    assert h.gbk(window["text"]) == h.TITLE


@pytest.mark.parametrize("name, bit, present", [
    ("WS_MINIMIZEBOX", WS_MINIMIZEBOX, True),
    ("WS_CLIPCHILDREN", WS_CLIPCHILDREN, True),
    ("WS_VISIBLE", WS_VISIBLE, True),
    ("WS_CAPTION", WS_CAPTION, False),
    ("WS_BORDER", WS_BORDER, False),
    ("WS_DLGFRAME", WS_DLGFRAME, False),
    ("WS_SYSMENU", WS_SYSMENU, False),
    ("WS_THICKFRAME", WS_THICKFRAME, False),
    ("WS_MAXIMIZEBOX", WS_MAXIMIZEBOX, False),
    ("WS_POPUP", WS_POPUP, False),
    ("WS_CHILD", WS_CHILD, False),
    ("WS_DISABLED", WS_DISABLED, False),
])
def test_window_style(window, name, bit, present):
    assert bool(window["style"] & bit) == present, f"{name} in style {window['style']:#010x}"


def test_window_is_an_unowned_top_level_window_not_on_top(window):
    assert window["owner"] == 0, "an owned window would get no taskbar button"
    assert window["parent"] == 0
    assert not window["exstyle"] & WS_EX_TOPMOST
    assert window["enabled"] and window["visible"]


# id, class, (left, top, width, height) in the window's client area, text, enabled,
# style bits that must be set, style bits that must not, exstyle bits set, exstyle bits not set.
CONTROLS = {
    "edit-box": (  # 编辑框1
        h.ID_EDIT, "edit", (24, 32, 280, 32), h.DEFAULT_TARGET, False,
        WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
        ES_MULTILINE | ES_READONLY, 0,
        WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME),
    "install-button": (  # 按钮1
        h.ID_INSTALL, "button", (144, 72, 72, 40), "安装", True,
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CENTER | BS_VCENTER | BS_MULTILINE,
        WS_DISABLED, 0, WS_EX_CLIENTEDGE),
    "cancel-button": (  # 按钮2
        h.ID_CANCEL, "button", (232, 72, 72, 40), "取消", True,
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CENTER | BS_VCENTER | BS_MULTILINE,
        WS_DISABLED, 0, WS_EX_CLIENTEDGE),
    "title-label": (  # 透明标签1
        h.ID_LABEL, None, (3, 0, 117, 24), h.TITLE, True,
        WS_CHILD | WS_VISIBLE, WS_TABSTOP | WS_DISABLED, WS_EX_TRANSPARENT, 0),
}


@pytest.mark.parametrize("name", CONTROLS)
def test_control(window, name):
    cid, cls, (x, y, w, hgt), text, enabled, style_on, style_off, ex_on, ex_off = CONTROLS[name]
    c = h.control(window, cid)
    if cls:
        assert c["class"].lower() == cls
    else:
        # The label is a class of the program's own, not one of the system's.
        assert c["class"].lower() not in ("static", "button", "edit")
    assert c["rect"] == [x, y, x + w, y + hgt]
    assert h.gbk(c["text"]) == text
    assert c["visible"]
    assert c["enabled"] == enabled
    assert c["style"] & style_on == style_on, f"style {c['style']:#010x}"
    assert not c["style"] & style_off, f"style {c['style']:#010x}"
    assert c["exstyle"] & ex_on == ex_on, f"exstyle {c['exstyle']:#010x}"
    assert not c["exstyle"] & ex_off, f"exstyle {c['exstyle']:#010x}"


@pytest.mark.parametrize("cid", [h.ID_INSTALL, h.ID_CANCEL])
def test_buttons_are_plain_push_buttons(window, cid):
    # Not BS_DEFPUSHBUTTON: Enter must not press either of them.
    assert h.control(window, cid)["style"] & BS_TYPEMASK == BS_PUSHBUTTON


def test_there_are_exactly_four_controls_stacked_in_list_order(window):
    # Top to bottom: 编辑框1, 按钮2, 按钮1, 透明标签1.
    assert [c["id"] for c in window["children"]] == [h.ID_EDIT, h.ID_CANCEL, h.ID_INSTALL, h.ID_LABEL]


def _luma(p):
    return (299 * p[0] + 587 * p[1] + 114 * p[2]) // 1000


def test_label_draws_its_text_over_the_button_face(window, screen, tmp_path):
    """Fonts cannot be read from another process under Wine, so the label is judged by its
    pixels: black glyphs, with the window's button-face colour showing around them."""
    img = Image.open(screen.shot(tmp_path / "window.png")).convert("RGB")
    left, top = window["rect"][:2]
    # A spot of the window that no control covers gives its background colour.
    face = img.getpixel((left + 200, top + 10))
    assert len(set(face)) == 1, f"button face {face} is a grey"
    label = img.crop((left + 3, top, left + 3 + 117, top + 24))
    pixels = list(label.getdata())
    dark = [p for p in pixels if _luma(p) < 80]
    assert len(dark) >= 40, "the label's glyphs are not drawn"
    counts = Counter(pixels)
    assert counts.most_common(1)[0][0] == face, "the label's background is not the button face"
    assert counts[face] > len(pixels) // 2
    # Nothing behind the text was erased to another colour: every pixel is the face colour or a
    # shade of the black text blended into it.
    for p in set(pixels):
        assert _luma(p) <= _luma(face) and max(p) - min(p) <= 24, f"foreign colour {p} in the label"
    # The rows above and below the vertically centred single line are untouched face colour.
    for y in (0, 23):
        assert {label.getpixel((x, y)) for x in range(117)} == {face}
