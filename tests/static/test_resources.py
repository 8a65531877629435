"""The installer's resources: exactly the icon and the manifest, and the bytes of each."""
import io
import re
import struct
import subprocess
import xml.etree.ElementTree as ET

import pytest
from PIL import Image

from conftest import BUILD, SOURCE, resource_bytes, resource_list

WIDTH, HEIGHT = 128, 103
COLOUR_BYTES = WIDTH * HEIGHT * 4
MASK_STRIDE = WIDTH // 8
IMAGE_SIZE = 40 + COLOUR_BYTES + MASK_STRIDE * HEIGHT
ICON = ("3", "3")
GROUP = ("14", "DEFAULT_ICON")
MANIFEST = ("24", "1")

ASM1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM3 = "{urn:schemas-microsoft-com:asm.v3}"


@pytest.fixture(scope="module")
def icon_image(installer_path):
    """The RT_ICON image as stored in the installer."""
    return resource_bytes(installer_path, *ICON)


@pytest.fixture(scope="module")
def icon_group(installer_path):
    """The RT_GROUP_ICON directory as stored in the installer."""
    return resource_bytes(installer_path, *GROUP)


@pytest.fixture(scope="module")
def manifest(installer_path):
    """The RT_MANIFEST bytes as stored in the installer."""
    return resource_bytes(installer_path, *MANIFEST)


@pytest.fixture(scope="module")
def generated(tmp_path_factory):
    """Runs the icon generator twice into fresh folders and returns both sets of outputs."""
    runs = []
    for attempt in range(2):
        folder = tmp_path_factory.mktemp(f"icon{attempt}")
        outputs = {kind: folder / f"out.{kind}" for kind in ("image", "group", "ico", "png")}
        args = [a for kind, path in outputs.items() for a in (f"--{kind}", str(path))]
        subprocess.run(["/usr/bin/python3", str(SOURCE / "tools" / "make_icon.py"), *args], check=True)
        runs.append({kind: path.read_bytes() for kind, path in outputs.items()})
    return runs


def test_exactly_the_three_language_neutral_resources(installer_path):
    """Only the icon image, its group and the manifest, all language-neutral."""
    assert sorted(resource_list(installer_path)) == sorted(
        [(*ICON, "0"), (*GROUP, "0"), (*MANIFEST, "0")])


@pytest.mark.parametrize("offset, fmt, expected, what", [
    (0, "<H", 0, "reserved"),
    (2, "<H", 1, "type"),
    (4, "<H", 1, "count"),
    (6, "<B", WIDTH, "width"),
    (7, "<B", HEIGHT, "height"),
    (8, "<B", 0, "colour count"),
    (9, "<B", 0, "entry reserved"),
    (10, "<H", 1, "planes"),
    (12, "<H", 32, "bit count"),
    (14, "<I", IMAGE_SIZE, "bytes in resource"),
    (18, "<H", 3, "image ID"),
])
def test_group_field(icon_group, offset, fmt, expected, what):
    """The icon directory holds one entry naming image 3 with its size and format."""
    assert struct.unpack_from(fmt, icon_group, offset)[0] == expected, what


@pytest.mark.parametrize("offset, fmt, expected, what", [
    (0, "<I", 40, "biSize"),
    (4, "<i", WIDTH, "width"),
    (8, "<i", HEIGHT * 2, "height of colour and mask, bottom-up"),
    (12, "<H", 1, "planes"),
    (14, "<H", 32, "bits per pixel"),
    (16, "<I", 0, "compression BI_RGB"),
    (20, "<I", COLOUR_BYTES, "image size"),
    (24, "<i", 0, "horizontal resolution"),
    (28, "<i", 0, "vertical resolution"),
    (32, "<I", 0, "colours used"),
    (36, "<I", 0, "colours important"),
])
def test_image_header_field(icon_image, offset, fmt, expected, what):
    """The image header describes a 128 x 103, 32-bit image with its mask."""
    assert struct.unpack_from(fmt, icon_image, offset)[0] == expected, what


def test_group_size(icon_group):
    """A three-word header and a single 14-byte entry."""
    assert len(icon_group) == 6 + 14


def test_image_size(icon_image):
    """Header, colour data and mask, nothing more."""
    assert len(icon_image) == IMAGE_SIZE == 54424


def alpha_rows(image):
    """Alpha values of the colour data, in stored (bottom-first) row order."""
    colour = image[40:40 + COLOUR_BYTES]
    return [colour[row * WIDTH * 4 + 3:(row + 1) * WIDTH * 4:4] for row in range(HEIGHT)]


def test_mask_marks_exactly_the_fully_transparent_pixels(icon_image):
    """Each mask bit is set exactly where the pixel's alpha is zero."""
    mask = icon_image[40 + COLOUR_BYTES:]
    for row, alphas in enumerate(alpha_rows(icon_image)):
        bits = int.from_bytes(mask[row * MASK_STRIDE:(row + 1) * MASK_STRIDE], "big")
        expected = int("".join("1" if a == 0 else "0" for a in alphas), 2)
        assert bits == expected, f"mask row {row} (from the bottom)"


def test_alpha_is_real_antialiased_transparency(icon_image):
    """The alpha holds transparent, opaque and partly transparent (antialiased) pixels."""
    alphas = b"".join(alpha_rows(icon_image))
    partial = sum(1 for a in alphas if 0 < a < 255)
    assert alphas.count(0) > 0 and alphas.count(255) > 0
    assert partial >= 100, f"only {partial} partly transparent pixels"


def test_rows_are_stored_bottom_first(icon_image, generated):
    """Decodes the stored rows as a bottom-up bitmap and compares with the generator's preview."""
    stored = Image.frombuffer("RGBA", (WIDTH, HEIGHT), icon_image[40:40 + COLOUR_BYTES], "raw", "BGRA", 0, -1)
    preview = Image.open(io.BytesIO(generated[0]["png"])).convert("RGBA")
    assert stored.tobytes() == preview.tobytes()
    first_opaque = next(y for y in range(HEIGHT) if any(preview.getpixel((x, y))[3] for x in range(WIDTH)))
    last_opaque = max(y for y in range(HEIGHT) if any(preview.getpixel((x, y))[3] for x in range(WIDTH)))
    assert first_opaque != HEIGHT - 1 - last_opaque, "artwork symmetric top to bottom: order unprovable"


def test_generator_is_deterministic(generated):
    """Two runs of the generator write the same bytes."""
    assert generated[0] == generated[1]


@pytest.mark.parametrize("kind, resource", [("image", ICON), ("group", GROUP)])
def test_generator_output_is_what_the_installer_carries(installer_path, generated, kind, resource):
    """The installer carries exactly what the generator writes."""
    assert generated[0][kind] == resource_bytes(installer_path, *resource)


@pytest.mark.parametrize("kind, name", [("image", "icon3.bin"), ("group", "icon_group.bin"), ("ico", "quorvane.ico")])
def test_build_used_the_current_generator(generated, kind, name):
    """The build folder's icon files are the generator's current output."""
    assert (BUILD / "icon" / name).read_bytes() == generated[0][kind]


def test_ico_file_wraps_the_same_image(generated):
    """The .ico file holds the resource image behind a one-entry directory."""
    ico, image = generated[0]["ico"], generated[0]["image"]
    assert struct.unpack_from("<HHH", ico) == (0, 1, 1)
    assert struct.unpack_from("<BBBBHHII", ico, 6) == (WIDTH, HEIGHT, 0, 0, 1, 32, len(image), 22)
    assert ico[22:] == image


def test_manifest_encoding_and_declaration(manifest):
    """The manifest is the source file: UTF-8 without BOM, with the expected XML declaration."""
    assert manifest == (SOURCE / "src" / "resources" / "installer.manifest").read_bytes()
    assert not manifest.startswith(b"\xef\xbb\xbf")
    manifest.decode("utf-8")
    declaration = re.match(rb"<\?xml([^?]*)\?>", manifest)
    assert declaration, "no XML declaration at the very start"
    assert dict(re.findall(rb'(\w+)="([^"]*)"', declaration.group(1))) == {
        b"version": b"1.0", b"encoding": b"UTF-8", b"standalone": b"yes"}


EXPECTED_MANIFEST = {
    f"{ASM1}assembly": {"manifestVersion": "1.0"},
    f"{ASM1}assembly/{ASM1}assemblyIdentity": {
        "processorArchitecture": "x86", "version": "5.2.0.0", "type": "win32", "name": "Quorvane.Setup"},
    f"{ASM1}assembly/{ASM1}dependency": {},
    f"{ASM1}assembly/{ASM1}dependency/{ASM1}dependentAssembly": {},
    f"{ASM1}assembly/{ASM1}dependency/{ASM1}dependentAssembly/{ASM1}assemblyIdentity": {
        "type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
        "processorArchitecture": "x86", "publicKeyToken": "6595b64144ccf1df", "language": "*"},
    f"{ASM1}assembly/{ASM3}trustInfo": {},
    f"{ASM1}assembly/{ASM3}trustInfo/{ASM3}security": {},
    f"{ASM1}assembly/{ASM3}trustInfo/{ASM3}security/{ASM3}requestedPrivileges": {},
    f"{ASM1}assembly/{ASM3}trustInfo/{ASM3}security/{ASM3}requestedPrivileges/{ASM3}requestedExecutionLevel": {
        "level": "requireAdministrator", "uiAccess": "false"},
}


def manifest_elements(manifest):
    """Every element of the manifest in document order: its path of qualified tags, attributes and text."""
    found = []

    def walk(element, prefix):
        path = f"{prefix}/{element.tag}" if prefix else element.tag
        found.append((path, dict(element.attrib), (element.text or "").strip()))
        for child in element:
            walk(child, path)

    walk(ET.fromstring(manifest), "")
    return found


def test_manifest_has_exactly_the_expected_elements(manifest):
    """The manifest holds the expected elements, each once, and no text."""
    elements = manifest_elements(manifest)
    assert sorted(path for path, _, _ in elements) == sorted(EXPECTED_MANIFEST)
    assert [path for path, _, text in elements if text] == []


@pytest.mark.parametrize("path", sorted(EXPECTED_MANIFEST), ids=lambda p: re.sub(r"\{[^}]*\}", "", p))
def test_manifest_element_attributes(manifest, path):
    """An element of the manifest has exactly the expected attributes."""
    attributes = [attrs for found, attrs, _ in manifest_elements(manifest) if found == path]
    assert attributes == [EXPECTED_MANIFEST[path]]
