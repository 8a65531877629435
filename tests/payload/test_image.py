"""The built Quorvane image has the shape the installer relies on: a PE32 i386 GUI program of
exactly 2,449,408 bytes in four sections, nothing after the last section, and its bulk a real
picture that every build draws the same."""

import os
import re
import struct
import subprocess
import sys
from pathlib import Path

import pytest

EXE = Path(os.environ["QV_PAYLOAD_EXE"])
OBJDUMP = os.environ.get("QV_OBJDUMP", "i686-w64-mingw32-objdump")
SOURCE = Path(os.environ["QV_SOURCE"])
PYTHON = os.environ.get("QV_PYTHON", sys.executable)
SIZE = 2449408


@pytest.fixture(scope="module")
def data():
    return EXE.read_bytes()


@pytest.fixture(scope="module")
def headers():
    return subprocess.run([OBJDUMP, "-p", str(EXE)], check=True, capture_output=True, text=True).stdout


def section_table(data):
    """(name, raw pointer, raw size) of every section, read from the file itself."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, opt_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    table = pe + 24 + opt_size
    rows = []
    for i in range(count):
        name, _, _, raw_size, raw_ptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
        rows.append((name.rstrip(b"\0").decode(), raw_ptr, raw_size))
    return rows


def test_exact_size(data):
    assert len(data) == SIZE


@pytest.mark.parametrize("pattern", [
    r"file format pei-i386",
    r"^Magic\s+010b\s+\(PE32\)",
    r"^Subsystem\s+00000002\s+\(Windows GUI\)",
    r"^Entry 4 00000000 00000000 Security Directory",  # no signature
])
def test_headers(headers, pattern):
    assert re.search(pattern, headers, re.M), pattern


def test_machine_is_i386(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert struct.unpack_from("<H", data, pe + 4)[0] == 0x14C


def test_four_sections():
    out = subprocess.run([OBJDUMP, "-h", str(EXE)], check=True, capture_output=True, text=True).stdout
    names = re.findall(r"^\s+\d+\s+(\S+)\s+[0-9a-f]{8}", out, re.M)
    assert names == [".text", ".data", ".idata", ".rsrc"]


def test_no_overlay(data):
    end = max(ptr + size for _, ptr, size in section_table(data))
    assert end == len(data), f"{len(data) - end} bytes after the last section"


def test_only_ansi_entry_points(headers):
    imports = re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+)$", headers, re.M)
    assert "GetLastInputInfo" in imports and "LockWorkStation" in imports and "Shell_NotifyIconA" in imports
    assert [name for name in imports if name.endswith("W")] == []


def curtain(data):
    """Width, height and pixels of the 32-bit curtain picture inside the last section."""
    name, ptr, size = section_table(data)[-1]
    assert name == ".rsrc"
    rsrc = data[ptr:ptr + size]
    # Icons carry 32-bit headers too, but small ones; the curtain is the one big picture.
    found = [m.start() for m in re.finditer(re.escape(struct.pack("<I", 40)), rsrc)
             if struct.unpack_from("<HH", rsrc, m.start() + 12) == (1, 32)
             and struct.unpack_from("<I", rsrc, m.start() + 20)[0] > 1 << 20]
    assert len(found) == 1, "one big 32-bit bitmap in the resources"
    width, height = struct.unpack_from("<ii", rsrc, found[0] + 4)
    start = found[0] + 40
    return width, height, rsrc[start:start + width * height * 4], size


def test_bulk_is_the_curtain_picture(data):
    width, height, pixels, section = curtain(data)
    assert len(pixels) == width * height * 4
    assert section - len(pixels) < 16384, "the picture fills the section; icons, version and directories are small"
    assert 1.2 < width / height < 2.0, "shaped like a screen"
    colours = {pixels[i:i + 3] for i in range(0, len(pixels), 4 * 7)}
    assert len(colours) > 1000, "a picture, not a fill"


def test_artwork_is_deterministic(tmp_path, data):
    """The generator draws the same bytes again from the same probe, so rebuilds are identical."""
    gen = EXE.parent / "gen"
    out = tmp_path / "curtain.bmp"
    subprocess.run([PYTHON, SOURCE / "tools" / "payload_artwork.py", "--probe", EXE.parent / "QuorvaneProbe.exe",
                    "--probe-art-file", gen / "probe" / "curtain.bmp", "--image-size", str(SIZE), "--out", out],
                   check=True)
    assert out.read_bytes() == (gen / "final" / "curtain.bmp").read_bytes()
    width, height, pixels, _ = curtain(data)
    assert out.read_bytes()[14 + 40:] == pixels


def test_no_build_paths(data):
    for path in {str(SOURCE), str(EXE.parent.parent)}:
        assert path.encode() not in data


def test_resources_hold_icon_curtain_and_version():
    """The icon group (16 and 32 pixels) gives the tray and the installer's shortcut the padlock."""
    listing = subprocess.run(["wrestool", "-l", str(EXE)], check=True, capture_output=True, text=True).stdout
    kinds = sorted(re.findall(r"\[type=(\w+)", listing))
    assert kinds == ["bitmap", "group_icon", "icon", "icon", "version"]
    group = subprocess.run(["wrestool", "-x", "--raw", "--type=14", "--name=1", str(EXE)],
                           check=True, capture_output=True).stdout
    _, kind, count = struct.unpack_from("<HHH", group)
    sizes = sorted(group[6 + 14 * i] for i in range(count))
    assert (kind, sizes) == (1, [16, 32])


def pe_offset(data):
    return struct.unpack_from("<I", data, 0x3C)[0]


def append_byte(data):
    return data + b"\0"


def set_u16(offset_from_pe, value):
    def change(data):
        out = bytearray(data)
        struct.pack_into("<H", out, pe_offset(data) + offset_from_pe, value)
        return bytes(out)
    return change


def set_certificate(data):
    out = bytearray(data)
    struct.pack_into("<II", out, pe_offset(data) + 24 + 96 + 4 * 8, len(data), 8)
    return bytes(out)


def drop_last_section(data):
    """One section fewer in the table; the file keeps its size, so the raw data ends too early."""
    out = bytearray(data)
    count = struct.unpack_from("<H", data, pe_offset(data) + 6)[0]
    struct.pack_into("<H", out, pe_offset(data) + 6, count - 1)
    return bytes(out)


@pytest.mark.parametrize("change, message", [
    (append_byte, "overlay"),
    (set_u16(4, 0x8664), "not 0x14c"),
    (set_u16(24, 0x20B), "not 0x10b"),
    (set_u16(24 + 68, 3), "not 2 (Windows GUI)"),
    (drop_last_section, "3 sections"),
    (set_certificate, "certificate"),
], ids=["overlay", "machine", "pe32plus", "console", "sections", "signature"])
def test_build_check_fails_loudly_on_drift(tmp_path, data, change, message):
    """The check the build runs after linking rejects each way the image could drift."""
    check = [PYTHON, SOURCE / "tools" / "payload_check.py", "--size", str(SIZE), "--sections", "4"]
    good = subprocess.run([*check, EXE], capture_output=True, text=True)
    assert good.returncode == 0, good.stderr
    bad = tmp_path / "Quorvane.exe"
    bad.write_bytes(change(data))
    result = subprocess.run([*check, bad], capture_output=True, text=True)
    assert result.returncode != 0
    assert "QUORVANE IMAGE CHECK FAILED" in result.stderr and message in result.stderr, result.stderr


def test_artwork_refuses_a_size_it_cannot_reach(tmp_path):
    gen = EXE.parent / "gen"
    result = subprocess.run([PYTHON, SOURCE / "tools" / "payload_artwork.py", "--probe", EXE.parent / "QuorvaneProbe.exe",
                             "--probe-art-file", gen / "probe" / "curtain.bmp", "--image-size", str(SIZE + 100),
                             "--out", tmp_path / "curtain.bmp"], capture_output=True, text=True)
    assert result.returncode != 0 and "not a multiple of 512" in result.stderr
    assert not (tmp_path / "curtain.bmp").exists()
