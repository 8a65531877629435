"""A small reader of PE32 headers and section tables, shared by the static checks."""
import struct
from dataclasses import dataclass, field

IMAGE_SCN_MEM_WRITE = 0x80000000
IMAGE_SCN_MEM_READ = 0x40000000
DIR_SECURITY = 4


def section_name(data, short, strings):
    """Decodes a section name, following a '/offset' name into the COFF string table."""
    name = short.rstrip(b"\0").decode("ascii")
    if name.startswith("/") and strings:
        start = strings + int(name[1:])
        name = data[start:data.index(b"\0", start)].decode("ascii")
    return name


@dataclass
class Section:
    name: str
    virtual_address: int
    virtual_size: int
    raw_offset: int
    raw_size: int
    characteristics: int

    def holds_file_offset(self, offset):
        """Tells whether a file offset lies in this section's raw data."""
        return self.raw_offset <= offset < self.raw_offset + self.raw_size


@dataclass
class PeImage:
    data: bytes
    machine: int = 0
    timestamp: int = 0
    magic: int = 0
    image_base: int = 0
    subsystem: int = 0
    subsystem_version: tuple = (0, 0)
    directories: list = field(default_factory=list)
    sections: list = field(default_factory=list)

    @classmethod
    def read(cls, path):
        """Loads a file and parses its headers."""
        with open(path, "rb") as f:
            return cls.parse(f.read())

    @classmethod
    def parse(cls, data):
        """Parses the COFF and optional headers and the section table of a PE32 image."""
        image = cls(data)
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        coff = pe + 4
        image.machine, count, image.timestamp, symbols, symbol_count = struct.unpack_from("<HHIII", data, coff)
        strings = symbols + 18 * symbol_count
        optional_size = struct.unpack_from("<H", data, coff + 16)[0]
        opt = coff + 20
        image.magic = struct.unpack_from("<H", data, opt)[0]
        if image.magic != 0x10B:
            return image
        image.image_base = struct.unpack_from("<I", data, opt + 28)[0]
        image.subsystem_version = struct.unpack_from("<HH", data, opt + 48)
        image.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        dir_count = struct.unpack_from("<I", data, opt + 92)[0]
        image.directories = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(dir_count)]
        table = opt + optional_size
        for i in range(count):
            raw = struct.unpack_from("<8sIIIIIIHHI", data, table + 40 * i)
            image.sections.append(Section(section_name(data, raw[0], strings), raw[2], raw[1],
                                          raw[4], raw[3], raw[9]))
        return image

    def section_at(self, offset):
        """Returns the section whose raw data holds a file offset, or None."""
        return next((s for s in self.sections if s.holds_file_offset(offset)), None)

    def virtual_address(self, offset):
        """Maps a file offset to the address it is loaded at."""
        section = self.section_at(offset)
        if section is None:
            raise ValueError(f"offset {offset:#x} lies in no section")
        return self.image_base + section.virtual_address + offset - section.raw_offset

    def end_of_sections(self):
        """File offset just past the last section's raw data."""
        return max(s.raw_offset + s.raw_size for s in self.sections if s.raw_size)
