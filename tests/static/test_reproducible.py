"""Two clean builds of the installer from different folders give the same bytes."""
import shutil
import subprocess
import tempfile
from pathlib import Path

from conftest import SOURCE


def clean_build(folder):
    """Configures a fresh build folder, builds only the installer and returns its bytes."""
    cmake = shutil.which("cmake")
    subprocess.run([cmake, "-S", str(SOURCE), "-B", str(folder), "-DBUILD_TESTING=OFF",
                    f"-DCMAKE_TOOLCHAIN_FILE={SOURCE / 'cmake' / 'mingw-i686.cmake'}"],
                   check=True, capture_output=True)
    done = subprocess.run([cmake, "--build", str(folder), "--target", "QuorvaneSetup", "-j2"],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stdout[-4000:] + done.stderr[-4000:]
    return (folder / "QuorvaneSetup.exe").read_bytes()


def test_two_clean_builds_are_identical():
    """Builds in two fresh folders with different paths give byte-identical installers."""
    with tempfile.TemporaryDirectory(prefix="qv-repro-") as first, \
         tempfile.TemporaryDirectory(prefix="qv-reproducible-second-") as second:
        one = clean_build(Path(first) / "a")
        two = clean_build(Path(second) / "build" / "deeper")
    assert len(one) == len(two)
    assert one == two, f"first difference at offset {next(i for i, (a, b) in enumerate(zip(one, two)) if a != b):#x}"
