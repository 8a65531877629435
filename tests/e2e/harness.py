"""What the end-to-end tests stand on: the Wine rig of a build folder, the driver that reads and
pokes the installer's windows from inside Wine, the installer process itself, real X input, and
readers for what an install leaves behind (file bytes, the shortcut, screenshots)."""

import json
import os
import queue
import shutil
import signal
import subprocess
import threading
import time
from pathlib import Path

SOURCE = Path(os.environ.get("QV_SOURCE", Path(__file__).resolve().parents[2]))
BUILD = Path(os.environ.get("QV_BUILD", SOURCE / "build-e2e")).resolve()
RIG = Path(os.environ.get("QV_RIG", SOURCE / "tools" / "rig"))
# QV_INSTALLER lets a changed copy of the installer be run against these tests without touching
# the build; normally it is the build's own.
INSTALLER = Path(os.environ.get("QV_INSTALLER", BUILD / "QuorvaneSetup.exe"))
DRIVER = Path(os.environ.get("QV_E2E_DRIVER", BUILD / "tests" / "e2e" / "qv_e2e_driver.exe"))
PAYLOAD = Path(os.environ.get("QV_PAYLOAD", BUILD / "payload" / "Quorvane.exe"))
SHOTS = BUILD / "e2e-shots"

TEST_USER = "quorvane-test"
PREFIX = BUILD / "rig" / "prefix"
DRIVE_C = PREFIX / "drive_c"
HOME = BUILD / "rig" / "home"
DESKTOP = HOME / "Desktop"
# The prefix's own Desktop folder, which Wine links to $HOME/Desktop.
PREFIX_DESKTOP = DRIVE_C / "users" / TEST_USER / "Desktop"
# Scratch space on drive C: that every test may fill; removed before and after each test.
SCRATCH = DRIVE_C / "qv-e2e"

# Hang guards only: nothing is asserted about how long anything takes.
START_TIMEOUT = 60.0
STEP_TIMEOUT = 30.0

DEFAULT_TARGET = "C:\\Program Files\\zavik\\Quorvane.exe"
INSTALL_FOLDER = "C:\\Program Files\\zavik"
WORKING_DIRECTORY = "C:\\Program Files\\zavik\\"
TITLE = "Quorvane安装程序"
BOX_TITLE = "信息："
SUCCEEDED = "安装成功！"
FAILED = "安装失败！"

ID_LABEL, ID_INSTALL, ID_CANCEL, ID_EDIT = 100, 110, 120, 130


def gbk(hex_text):
    """A text printed by the driver (hex of its ANSI bytes) in code page 936."""
    return bytes.fromhex(hex_text).decode("gbk")


def is_root():
    return os.geteuid() == 0


def give_to_test_user(path):
    """Files the tests lay out as root must belong to the user Wine runs as, or the installer
    would be refused for a reason of ours, not of the situation under test."""
    if is_root():
        shutil.chown(path, TEST_USER, TEST_USER)


def rig_env():
    out = subprocess.run([str(RIG), "env", str(BUILD)], check=True, capture_output=True,
                         text=True, stdin=subprocess.DEVNULL).stdout
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


def ensure_rig_up():
    display = BUILD / "rig" / "display"
    pid_file = BUILD / "rig" / "xvfb.pid"
    alive = False
    if display.exists() and pid_file.exists():
        try:
            os.kill(int(pid_file.read_text()), 0)
            alive = True
        except (OSError, ValueError):
            pass
    if not alive:
        subprocess.run([str(RIG), "up", str(BUILD)], check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def in_rig(*command):
    return [str(RIG), "exec", str(BUILD), *map(str, command)]


# --- paths ---------------------------------------------------------------------------------------

def unix_path(windows_path):
    """Where a C: path of the prefix lies on this machine."""
    assert windows_path[:3].upper() == "C:\\", windows_path
    return DRIVE_C.joinpath(*[p for p in windows_path[3:].split("\\") if p])


def windows_path(path):
    """The C: path of a file under the prefix's drive_c."""
    return "C:\\" + "\\".join(Path(path).relative_to(DRIVE_C).parts)


def make_file(path, data, owner=True):
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)
    if owner:
        # Only what lies inside the prefix's drive C: or the rig's HOME changes hands.
        for p in [path, *path.parents]:
            if not any(base in p.parents for base in (DRIVE_C, HOME)):
                break
            give_to_test_user(p)
    return path


def remove(path):
    path = Path(path)
    if path.is_symlink() or path.is_file():
        path.unlink()
    elif path.is_dir():
        for p in [path, *path.rglob("*")]:
            if not p.is_symlink():
                os.chmod(p, 0o755 if p.is_dir() else 0o644)
        shutil.rmtree(path)


# --- the driver ----------------------------------------------------------------------------------

class DriverError(AssertionError):
    pass


class Driver:
    """The driver program in its serve mode: one Wine start for the whole session, one JSON line
    per command. Texts travel as code page 936 bytes, as the installer keeps them."""

    def __init__(self):
        self.proc = subprocess.Popen(in_rig("wine", DRIVER, "serve"), stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     start_new_session=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.call("metrics")  # answers once Wine has started it

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line)
        self.lines.put(None)

    def call(self, *fields, timeout=START_TIMEOUT):
        line = "\t".join(str(f) for f in fields).encode("gbk") + b"\n"
        self.proc.stdin.write(line)
        self.proc.stdin.flush()
        try:
            answer = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise DriverError(f"driver gave no answer to {fields!r}") from None
        if answer is None:
            raise DriverError(f"driver ended during {fields!r}")
        return json.loads(answer)

    def must(self, *fields, **kw):
        answer = self.call(*fields, **kw)
        if not answer.get("ok"):
            raise DriverError(f"{fields!r} failed: {answer}")
        return answer

    def close(self):
        try:
            self.proc.stdin.write(b"quit\n")
            self.proc.stdin.flush()
            self.proc.wait(timeout=20)
        except (OSError, subprocess.TimeoutExpired):
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()

    # The commands the tests use, by name.
    def window(self, timeout=START_TIMEOUT):
        return self.must("window", int(timeout * 1000), timeout=timeout + STEP_TIMEOUT)

    def info(self):
        return self.must("info")

    def focus_id(self):
        return self.must("focus")["focus_id"]

    def wait_focus(self, wanted, timeout=STEP_TIMEOUT):
        """Focus changes arrive asynchronously after real input; polled until they show."""
        deadline = time.monotonic() + timeout
        while True:
            got = self.focus_id()
            if got == wanted or time.monotonic() > deadline:
                return got
            time.sleep(0.05)

    def click(self, control_id):
        return self.must("click", control_id)

    def set_text(self, control_id, text):
        return gbk(self.must("settext", control_id, text.encode("gbk").hex())["text"])

    def text(self, control_id):
        return gbk(self.must("gettext", control_id)["text"])

    def close_window(self, how="post"):
        return self.must("close", how)

    def msgbox(self, timeout=STEP_TIMEOUT):
        return self.must("msgbox", int(timeout * 1000), timeout=timeout + STEP_TIMEOUT)

    def close_msgbox(self, how="ok"):
        return self.must("msgbox-close", how)

    def wait_gone(self, timeout=STEP_TIMEOUT, exclude=0):
        return self.call("wait-gone", int(timeout * 1000), exclude, timeout=timeout + STEP_TIMEOUT)

    def boxes(self):
        return self.must("boxes")["count"]


# --- the installer process -----------------------------------------------------------------------

class Installer:
    """One run of the installer under Wine. Its standard handles go to /dev/null: Wine's helpers
    would otherwise keep CTest's pipes open."""

    def __init__(self, driver, exe=INSTALLER, cwd=None):
        self.driver = driver
        self.exe = Path(exe)
        self.proc = subprocess.Popen(in_rig("wine", self.exe), cwd=cwd or BUILD,
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
        self.shown = driver.window()
        self.hwnd = self.shown["hwnd"]

    def wait(self, timeout=STEP_TIMEOUT):
        """The exit code as Wine reports it: the program's, modulo 256."""
        return self.proc.wait(timeout=timeout)

    def running(self):
        return self.proc.poll() is None

    def stop(self):
        """Leaves nothing running after a test that failed half-way."""
        if not self.running():
            return
        try:
            if self.driver.boxes():
                self.driver.call("msgbox-close", "ok")
            self.driver.call("close", "post")
            self.proc.wait(timeout=15)
        except Exception:
            pass
        if self.running():
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()


def control(info, control_id):
    for child in info["children"]:
        if child["id"] == control_id:
            return child
    raise AssertionError(f"no control {control_id} in {info}")


class Outcome:
    """What one install run showed: the message box as found, how many boxes came, and the exit
    code."""

    def __init__(self, box, boxes_after, exit_code):
        self.box = box
        self.title = gbk(box["title"])
        statics = [c for c in box["children"] if c["class"].lower() == "static" and c["text"]]
        self.text = "".join(gbk(c["text"]) for c in statics)
        self.buttons = [c for c in box["children"] if c["class"].lower() == "button"]
        self.boxes_after = boxes_after
        self.exit_code = exit_code


def install(driver, installer, click=None, close_with="ok"):
    """Presses 安装 (posted click unless the test does it its own way), reads the one message box,
    closes it, and waits for the window and the process to end."""
    (click or (lambda: driver.click(ID_INSTALL)))()
    box = driver.msgbox(timeout=120)  # the write of the image is slow under emulation
    driver.close_msgbox(close_with)
    gone = driver.wait_gone(timeout=120, exclude=box["hwnd"])
    assert gone["ok"], "the installer window did not close after the message box"
    return Outcome(box, gone["boxes_seen"], installer.wait())


# --- X input and screenshots ---------------------------------------------------------------------

class Screen:
    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True,
                              capture_output=True, text=True, stdin=subprocess.DEVNULL,
                              timeout=STEP_TIMEOUT).stdout

    def x_window(self, name=TITLE):
        deadline = time.monotonic() + STEP_TIMEOUT
        while True:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{name}$"],
                                   env=self.env, capture_output=True, text=True,
                                   stdin=subprocess.DEVNULL).stdout.split()
            if found or time.monotonic() > deadline:
                assert found, f"no X window named {name}"
                return found[-1]
            time.sleep(0.1)

    def focus(self, name=TITLE):
        """Real keys go to the X window that has the input focus; there is no window manager."""
        self.xdotool("windowfocus", "--sync", self.x_window(name))

    def key(self, *keys):
        self.xdotool("key", "--clearmodifiers", *keys)

    def type(self, text):
        self.xdotool("type", "--clearmodifiers", text)

    def click_at(self, x, y):
        self.xdotool("mousemove", "--sync", x, y, "click", 1)

    def shot(self, path):
        path = Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, check=True,
                       stdin=subprocess.DEVNULL, capture_output=True, timeout=STEP_TIMEOUT)
        return path


# --- the shortcut ----------------------------------------------------------------------------------

class Shortcut:
    """A .lnk file: the fields that lnkinfo reads, and the header fields read from the bytes
    themselves (lnkinfo 20181227 prints the show command as 0 for links whose header holds 5)."""

    HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR, HAS_ARGUMENTS = 0x04, 0x08, 0x10, 0x20

    def __init__(self, path):
        self.path = Path(path)
        raw = self.path.read_bytes()
        assert raw[:4] == b"\x4c\x00\x00\x00", "not a shell link"
        self.flags = int.from_bytes(raw[0x14:0x18], "little")
        self.show_command = int.from_bytes(raw[0x3C:0x40], "little")
        # Paths in the link may be code page 936 bytes that lnkinfo prints as they are.
        out = subprocess.run(["lnkinfo", str(self.path)], capture_output=True,
                             stdin=subprocess.DEVNULL, check=True).stdout.decode("utf-8", "replace")
        self.fields = {}
        for line in out.splitlines():
            if ":" in line and line.startswith("\t") and not line.startswith("\t\t"):
                key, _, value = line.strip().partition(":")
                self.fields.setdefault(key.strip(), value.strip())

    @property
    def target(self):
        return self.fields.get("Local path")

    @property
    def working_directory(self):
        return self.fields.get("Working directory")

    @property
    def description(self):
        return self.fields.get("Description")

    @property
    def arguments(self):
        return self.fields.get("Command line arguments")
