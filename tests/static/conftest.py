"""Where the built installer and its tools are, and helpers that run objdump and wrestool."""
import os
import re
import subprocess
from pathlib import Path

import pytest

from peimage import PeImage

BUILD = Path(os.environ.get("QV_BUILD", "build-static")).resolve()
SOURCE = Path(os.environ.get("QV_SOURCE", Path(__file__).resolve().parents[2]))
OBJDUMP = os.environ.get("QV_OBJDUMP", "i686-w64-mingw32-objdump")
INSTALLER = BUILD / "QuorvaneSetup.exe"
PAYLOAD = BUILD / "payload" / "Quorvane.exe"


def run(*args):
    """Runs a tool and returns its standard output as bytes, failing on a non-zero exit."""
    done = subprocess.run(args, capture_output=True, check=False)
    assert done.returncode == 0, f"{args[0]} failed: {done.stderr.decode(errors='replace')}"
    return done.stdout


def objdump(path, option):
    """Returns objdump's report on a file as text."""
    return run(OBJDUMP, option, str(path)).decode()


def resource_list(path):
    """Lists the resources wrestool finds, as (type, name, language) triples of strings."""
    found = re.findall(r"--type=(\S+) --name=(\S+) --language=(\S+)", run("wrestool", "-l", str(path)).decode())
    return [(t, n.strip("'"), lang) for t, n, lang in found]


def resource_bytes(path, rtype, name):
    """Extracts one resource's raw bytes with wrestool."""
    return run("wrestool", "-x", "--raw", f"--type={rtype}", f"--name={name}", str(path))


def existing(path):
    """Fails early, with the path, when a built file is missing."""
    if not path.is_file():
        pytest.fail(f"{path} has not been built")
    return path


@pytest.fixture(scope="session")
def installer_path():
    """The built installer, which must exist."""
    return existing(INSTALLER)


@pytest.fixture(scope="session")
def installer(installer_path):
    """The built installer's parsed headers and bytes."""
    return PeImage.read(installer_path)


@pytest.fixture(scope="session")
def payload_path():
    """The built Quorvane program the installer carries."""
    return existing(PAYLOAD)


@pytest.fixture(scope="session")
def payload(payload_path):
    """The carried program's parsed headers and bytes."""
    return PeImage.read(payload_path)
