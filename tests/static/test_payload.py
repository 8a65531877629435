"""The Quorvane program the installer carries: where the byte block sits and what it holds."""
import re
import struct

import pytest

from peimage import IMAGE_SCN_MEM_READ, IMAGE_SCN_MEM_WRITE

PAYLOAD_SIZE = 2_449_408
BLOCK_HEADER = re.compile(rb"\x01\x00\x00\x00(.{4})MZ", re.S)


@pytest.fixture(scope="module")
def block(installer):
    """File offset and length of the single byte block whose data starts with an MZ image."""
    found = [(m.start(), struct.unpack("<i", m.group(1))[0]) for m in BLOCK_HEADER.finditer(installer.data)]
    found = [(offset, size) for offset, size in found if size > 2 and offset + 8 + size <= len(installer.data)]
    assert len(found) == 1, f"byte blocks holding an image at {[hex(o) for o, _ in found]}"
    return found[0]


def test_block_lies_in_read_only_data(installer, block):
    """The block lies wholly in the read-only data section."""
    offset, size = block
    section = installer.section_at(offset)
    assert section is not None and section.name == ".rdata"
    assert section.holds_file_offset(offset + 8 + size - 1), "block runs past its section"
    assert section.characteristics & IMAGE_SCN_MEM_READ
    assert not section.characteristics & IMAGE_SCN_MEM_WRITE


def test_block_address_is_not_four_byte_aligned(installer, block):
    """The block is loaded off a 4-byte boundary, so readers must cope with that."""
    assert installer.virtual_address(block[0]) % 4 != 0


def test_block_holds_exactly_the_payload(installer, block, payload_path):
    """The block header gives kind 1 and the program's size, followed by the program's bytes."""
    offset, size = block
    expected = payload_path.read_bytes()
    assert struct.unpack_from("<ii", installer.data, offset) == (1, len(expected))
    assert installer.data[offset + 8:offset + 8 + size] == expected


@pytest.mark.parametrize("attribute, expected", [
    ("magic", 0x10B),
    ("machine", 0x14C),
    ("subsystem", 2),
])
def test_payload_header_field(payload, attribute, expected):
    """The carried program is a 32-bit i386 GUI image."""
    assert getattr(payload, attribute) == expected


def test_payload_layout(payload):
    """The carried program has its exact size, four sections and no data after them."""
    assert len(payload.data) == PAYLOAD_SIZE
    assert len(payload.sections) == 4
    assert payload.end_of_sections() == len(payload.data), "data after the last section"
