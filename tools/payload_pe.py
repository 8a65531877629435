"""Reads what the Quorvane build needs from a PE image: headers, section table, file size."""

import struct
from dataclasses import dataclass


@dataclass
class Section:
    name: str
    virtual_size: int
    raw_size: int
    raw_pointer: int


@dataclass
class Image:
    size: int
    machine: int
    magic: int
    subsystem: int
    file_alignment: int
    certificate_size: int
    sections: list

    @property
    def raw_end(self):
        """Where the last section's raw data ends: anything after it is an overlay."""
        return max(s.raw_pointer + s.raw_size for s in self.sections)


def read(path):
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        raise ValueError(f"{path}: no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: no PE signature")
    machine, count, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    file_alignment = struct.unpack_from("<I", data, opt + 36)[0]
    subsystem = struct.unpack_from("<H", data, opt + 68)[0]
    # Data directory 4 (certificates) of a PE32 optional header; its "address" is a file offset.
    certificate_size = struct.unpack_from("<I", data, opt + 96 + 4 * 8 + 4)[0] if magic == 0x10B else 0
    sections = []
    for i in range(count):
        at = opt + opt_size + 40 * i
        name, vsize, _, rsize, rptr = struct.unpack_from("<8sIIII", data, at)
        sections.append(Section(name.rstrip(b"\0").decode("ascii", "replace"), vsize, rsize, rptr))
    return Image(len(data), machine, magic, subsystem, file_alignment, certificate_size, sections)
