"""The installer's PE headers and imports, as objdump reports them and as the file holds them."""
import re

import pytest

from conftest import objdump
from peimage import DIR_SECURITY

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
               "comctl32.dll", "advapi32.dll", "comdlg32.dll", "shlwapi.dll", "msvcrt.dll"}


@pytest.fixture(scope="module")
def private_headers(installer_path):
    """objdump's private-header report: 'Key  value' lines as a dictionary of first words."""
    text = objdump(installer_path, "-p")
    fields = {}
    for line in text.splitlines():
        match = re.match(r"^(\w+)\s+(\S+)", line)
        if match and match.group(1) not in fields:
            fields[match.group(1)] = match.group(2)
    return text, fields


@pytest.mark.parametrize("key, expected", [
    ("Magic", "010b"),
    ("Subsystem", "00000002"),
    ("MajorSubsystemVersion", "4"),
    ("MinorSubsystemVersion", "0"),
])
def test_objdump_header_field(private_headers, key, expected):
    """objdump reads the expected value for a header field."""
    assert private_headers[1].get(key) == expected


def test_objdump_reports_i386_without_security_directory(installer_path, private_headers):
    """objdump sees an i386 image whose security directory is empty."""
    assert "file format pei-i386" in objdump(installer_path, "-f")
    assert re.search(r"^Entry 4 00000000 00000000 Security Directory", private_headers[0], re.M)


@pytest.mark.parametrize("attribute, expected", [
    ("magic", 0x10B),
    ("machine", 0x14C),
    ("subsystem", 2),
    ("subsystem_version", (4, 0)),
    ("timestamp", 0),
])
def test_header_field(installer, attribute, expected):
    """The file holds the expected value for a header field."""
    assert getattr(installer, attribute) == expected


def test_not_signed(installer):
    """No certificate directory: the installer is not signed."""
    assert installer.directories[DIR_SECURITY] == (0, 0)


def test_section_table_matches_objdump(installer_path, installer):
    """Our section-table reader agrees with objdump, so the checks built on it can be trusted."""
    listed = re.findall(r"^\s*\d+\s+(\S+)\s+([0-9a-f]{8})\s+([0-9a-f]{8})\s+[0-9a-f]{8}\s+([0-9a-f]{8})",
                        objdump(installer_path, "-h"), re.M)
    parsed = [(s.name, s.virtual_size, installer.image_base + s.virtual_address, s.raw_offset)
              for s in installer.sections]
    assert [(n, int(size, 16), int(vma, 16), int(off, 16)) for n, size, vma, off in listed] == parsed


@pytest.fixture(scope="module")
def imported_dlls(private_headers):
    """Names of the DLLs the installer imports, lower-cased."""
    return [name.lower() for name in re.findall(r"DLL Name: (\S+)", private_headers[0])]


def test_imports_only_system_dlls(imported_dlls):
    """Every imported DLL ships with Windows."""
    assert "kernel32.dll" in imported_dlls
    assert set(imported_dlls) <= SYSTEM_DLLS


@pytest.mark.parametrize("runtime", ["libgcc_s", "libstdc++", "libwinpthread", "mingwm10", "libssp"])
def test_no_toolchain_runtime_dll(imported_dlls, runtime):
    """No runtime DLL of the compiler is needed next to the installer."""
    assert not [name for name in imported_dlls if runtime in name]
