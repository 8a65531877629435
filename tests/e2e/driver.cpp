// The end-to-end tests' hands and eyes inside Wine: a console program that finds the installer's
// window and its message box, reads what another process can read of them (texts through
// WM_GETTEXT, styles, rectangles, identifiers, stacking order, focus) and pokes them (posted
// clicks, WM_SETTEXT, WM_CLOSE). It also does what the file tests need done from the Windows side:
// hold a file open without sharing, map an executable as a running (suspended) process, set file
// attributes, ask the shell where the desktop is.
//
// Usage: driver.exe COMMAND ARGS...   one command, one JSON line on stdout
//        driver.exe serve             commands as tab-separated lines on stdin, one JSON line each
// The serve mode exists because every Wine start costs about a second under emulation, and
// because held files and suspended processes must outlive a single command.
// Texts are printed as hex of their ANSI bytes: the installer's are code page 936.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// --- JSON output -------------------------------------------------------------------------------

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
  return out;
}

class Json {
 public:
  Json& Key(const char* k) {
    Sep();
    out_ += '"';
    out_ += k;
    out_ += "\":";
    fresh_ = true;
    return *this;
  }
  Json& Num(long long v) { return Raw(std::to_string(v)); }
  Json& Bool(bool v) { return Raw(v ? "true" : "false"); }
  // Hex keeps GBK bytes and control characters out of the JSON escaping business.
  Json& Text(const std::string& v) { return Raw("\"" + Hex(v) + "\""); }
  Json& Str(const char* v) { return Raw(std::string("\"") + v + "\""); }
  Json& Open() { return Raw("{", true); }
  Json& Close() {
    out_ += '}';
    fresh_ = false;
    return *this;
  }
  Json& OpenList() { return Raw("[", true); }
  Json& CloseList() {
    out_ += ']';
    fresh_ = false;
    return *this;
  }
  Json& Rect(const RECT& r) {
    OpenList();
    Num(r.left).Num(r.top).Num(r.right).Num(r.bottom);
    return CloseList();
  }
  const std::string& str() const { return out_; }

 private:
  void Sep() {
    if (!fresh_) out_ += ',';
    fresh_ = false;
  }
  Json& Raw(const std::string& s, bool opens = false) {
    Sep();
    out_ += s;
    fresh_ = opens;
    return *this;
  }
  std::string out_;
  bool fresh_ = true;
};

// --- reading windows of another process --------------------------------------------------------

// GetWindowTextA does not fetch the text of another process's control; WM_GETTEXT does. The
// timeout keeps a hung installer from hanging the driver.
std::string WindowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 3000, &length)) return "";
  std::vector<char> buffer(length + 64, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_ABORTIFHUNG, 3000, &copied);
  return std::string(buffer.data());
}

std::string ClassOf(HWND hwnd) {
  char name[256] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

// The installer's window: the visible top-level window of class "WTWindow". Its process id is
// remembered so that its message box can be found after the window is gone or disabled.
HWND g_installer = nullptr;
DWORD g_installerPid = 0;

HWND FindInstaller() {
  HWND hwnd = nullptr;
  while ((hwnd = FindWindowExA(nullptr, hwnd, "WTWindow", nullptr)) != nullptr)
    if (IsWindowVisible(hwnd)) return hwnd;
  return nullptr;
}

struct BoxSearch {
  DWORD pid;
  std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  if (ClassOf(hwnd) == "#32770" && IsWindowVisible(hwnd) && ProcessOf(hwnd) == search->pid)
    search->boxes.push_back(hwnd);
  return TRUE;
}

// Visible dialog-class windows (message boxes) of the installer's process.
std::vector<HWND> InstallerBoxes() {
  BoxSearch search{g_installerPid, {}};
  if (g_installerPid) EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
  return search.boxes;
}

void Children(Json& j, HWND parent) {
  j.Key("children").OpenList();
  // GW_CHILD is the top of the stacking order, GW_HWNDNEXT goes down.
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT screen, r;
    GetWindowRect(c, &screen);
    r = screen;
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    j.Open()
        .Key("hwnd").Num(reinterpret_cast<UINT_PTR>(c))
        .Key("class").Str(ClassOf(c).c_str())
        .Key("id").Num(GetDlgCtrlID(c))
        .Key("rect").Rect(r)
        .Key("screen").Rect(screen)
        .Key("style").Num(static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE)))
        .Key("exstyle").Num(static_cast<DWORD>(GetWindowLongA(c, GWL_EXSTYLE)))
        .Key("text").Text(WindowText(c))
        .Key("visible").Bool(IsWindowVisible(c))
        .Key("enabled").Bool(IsWindowEnabled(c))
        .Close();
  }
  j.CloseList();
}

void FocusFields(Json& j, HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  DWORD tid = GetWindowThreadProcessId(window, nullptr);
  bool got = tid && GetGUIThreadInfo(tid, &info);
  j.Key("focus_hwnd").Num(got ? reinterpret_cast<UINT_PTR>(info.hwndFocus) : 0)
      .Key("focus_id").Num(got && info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : -1)
      .Key("active_hwnd").Num(got ? reinterpret_cast<UINT_PTR>(info.hwndActive) : 0);
}

void WindowFields(Json& j, HWND hwnd) {
  RECT r, client;
  GetWindowRect(hwnd, &r);
  GetClientRect(hwnd, &client);
  j.Key("hwnd").Num(reinterpret_cast<UINT_PTR>(hwnd))
      .Key("pid").Num(ProcessOf(hwnd))
      .Key("class").Str(ClassOf(hwnd).c_str())
      .Key("text").Text(WindowText(hwnd))
      .Key("rect").Rect(r)
      .Key("client").Rect(client)
      .Key("style").Num(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)))
      .Key("exstyle").Num(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)))
      .Key("enabled").Bool(IsWindowEnabled(hwnd))
      .Key("visible").Bool(IsWindowVisible(hwnd))
      .Key("owner").Num(reinterpret_cast<UINT_PTR>(GetWindow(hwnd, GW_OWNER)))
      .Key("parent").Num(reinterpret_cast<UINT_PTR>(GetAncestor(hwnd, GA_PARENT) == GetDesktopWindow() ? nullptr : GetAncestor(hwnd, GA_PARENT)));
  FocusFields(j, hwnd);
  Children(j, hwnd);
}

bool Fail(Json& j, const char* why) {
  j.Key("ok").Bool(false).Key("error").Str(why);
  return false;
}

HWND Installer(Json& j) {
  if (g_installer && IsWindow(g_installer)) return g_installer;
  g_installer = FindInstaller();
  if (g_installer) g_installerPid = ProcessOf(g_installer);
  if (!g_installer) Fail(j, "no installer window");
  return g_installer;
}

HWND Control(Json& j, const std::string& id) {
  HWND window = Installer(j);
  if (!window) return nullptr;
  HWND c = GetDlgItem(window, std::atoi(id.c_str()));
  if (!c) Fail(j, "no such control");
  return c;
}

// --- commands ----------------------------------------------------------------------------------

// window TIMEOUT_MS: waits for the installer's window (a fresh process each time) and describes it.
void CmdWindow(Json& j, const Args& a) {
  DWORD deadline = GetTickCount() + (a.size() > 1 ? std::atoi(a[1].c_str()) : 0);
  g_installer = nullptr;
  for (;;) {
    HWND hwnd = FindInstaller();
    if (hwnd) {
      g_installer = hwnd;
      g_installerPid = ProcessOf(hwnd);
      j.Key("ok").Bool(true);
      WindowFields(j, hwnd);
      return;
    }
    if (static_cast<int>(deadline - GetTickCount()) <= 0) break;
    Sleep(50);
  }
  Fail(j, "no installer window");
}

void CmdInfo(Json& j, const Args&) {
  HWND w = Installer(j);
  if (!w) return;
  j.Key("ok").Bool(true);
  WindowFields(j, w);
}

void CmdFocus(Json& j, const Args&) {
  HWND w = Installer(j);
  if (!w) return;
  j.Key("ok").Bool(true);
  FocusFields(j, w);
}

// click ID: what a mouse click on a button amounts to, posted so the driver never waits for the
// handler (the install handler waits inside a message box).
void CmdClick(Json& j, const Args& a) {
  HWND c = a.size() > 1 ? Control(j, a[1]) : nullptr;
  if (!c) return;
  j.Key("ok").Bool(PostMessageA(c, BM_CLICK, 0, 0) != 0);
}

// settext ID HEX: the edit box is disabled, so only a message can give it another path.
void CmdSetText(Json& j, const Args& a) {
  HWND c = a.size() > 1 ? Control(j, a[1]) : nullptr;
  if (!c) return;
  std::string text = a.size() > 2 ? Unhex(a[2]) : "";
  DWORD_PTR result = 0;
  bool sent = SendMessageTimeoutA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                  SMTO_ABORTIFHUNG, 3000, &result);
  j.Key("ok").Bool(sent && result).Key("text").Text(WindowText(c));
}

void CmdGetText(Json& j, const Args& a) {
  HWND c = a.size() > 1 ? Control(j, a[1]) : nullptr;
  if (!c) return;
  j.Key("ok").Bool(true).Key("text").Text(WindowText(c));
}

// close post|send|syscmd: the window's close command from outside.
void CmdClose(Json& j, const Args& a) {
  HWND w = Installer(j);
  if (!w) return;
  std::string how = a.size() > 1 ? a[1] : "post";
  bool ok;
  if (how == "send") {
    DWORD_PTR result = 0;
    ok = SendMessageTimeoutA(w, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
  } else if (how == "syscmd") {
    ok = PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0) != 0;
  } else {
    ok = PostMessageA(w, WM_CLOSE, 0, 0) != 0;
  }
  j.Key("ok").Bool(ok);
}

void BoxFields(Json& j, HWND box) {
  RECT r;
  GetWindowRect(box, &r);
  j.Key("hwnd").Num(reinterpret_cast<UINT_PTR>(box))
      .Key("title").Text(WindowText(box))
      .Key("rect").Rect(r)
      .Key("style").Num(static_cast<DWORD>(GetWindowLongA(box, GWL_STYLE)))
      .Key("exstyle").Num(static_cast<DWORD>(GetWindowLongA(box, GWL_EXSTYLE)))
      .Key("owner").Num(reinterpret_cast<UINT_PTR>(GetWindow(box, GW_OWNER)))
      .Key("installer_enabled").Bool(g_installer && IsWindow(g_installer) && IsWindowEnabled(g_installer))
      .Key("installer_alive").Bool(g_installer && IsWindow(g_installer))
      .Key("count").Num(static_cast<long long>(InstallerBoxes().size()));
  Children(j, box);
}

// msgbox TIMEOUT_MS: waits for a message box of the installer's process.
void CmdMsgBox(Json& j, const Args& a) {
  if (!Installer(j) && !g_installerPid) return;
  DWORD deadline = GetTickCount() + (a.size() > 1 ? std::atoi(a[1].c_str()) : 0);
  for (;;) {
    std::vector<HWND> boxes = InstallerBoxes();
    if (!boxes.empty()) {
      // Let the box finish building its controls before they are read.
      Sleep(200);
      boxes = InstallerBoxes();
      if (!boxes.empty()) {
        j.Key("ok").Bool(true);
        BoxFields(j, boxes.front());
        return;
      }
    }
    if (static_cast<int>(deadline - GetTickCount()) <= 0) break;
    Sleep(50);
  }
  Fail(j, "no message box");
}

HWND OnlyButton(HWND box) {
  HWND found = nullptr;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (ClassOf(c) == "Button" || ClassOf(c) == "BUTTON") {
      if (found) return GetDlgItem(box, IDOK);
      found = c;
    }
  return found;
}

// msgbox-close ok|esc|close|syscmd: OK pressed, Esc sent to the box, or its close command.
void CmdMsgBoxClose(Json& j, const Args& a) {
  std::vector<HWND> boxes = InstallerBoxes();
  if (boxes.empty()) {
    Fail(j, "no message box");
    return;
  }
  HWND box = boxes.front();
  std::string how = a.size() > 1 ? a[1] : "ok";
  bool ok = false;
  if (how == "ok") {
    HWND button = OnlyButton(box);
    ok = button && PostMessageA(button, BM_CLICK, 0, 0);
  } else if (how == "esc") {
    // The box's modal loop runs IsDialogMessage, which turns Esc into IDCANCEL for the box.
    ok = PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0x00010001) && PostMessageA(box, WM_KEYUP, VK_ESCAPE, 0xC0010001);
  } else if (how == "syscmd") {
    ok = PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else {
    ok = PostMessageA(box, WM_CLOSE, 0, 0);
  }
  j.Key("ok").Bool(ok);
}

// wait-gone TIMEOUT_MS [EXCLUDE_HWND]: waits for the installer's window to go, counting the message
// boxes seen on the way other than the one already dealt with (it may take a moment to vanish).
void CmdWaitGone(Json& j, const Args& a) {
  DWORD deadline = GetTickCount() + (a.size() > 1 ? std::atoi(a[1].c_str()) : 0);
  UINT_PTR exclude = a.size() > 2 ? std::strtoul(a[2].c_str(), nullptr, 10) : 0;
  std::vector<HWND> seen;
  for (;;) {
    for (HWND b : InstallerBoxes()) {
      if (reinterpret_cast<UINT_PTR>(b) == exclude) continue;
      bool known = false;
      for (HWND s : seen) known = known || s == b;
      if (!known) seen.push_back(b);
    }
    bool alive = g_installer && IsWindow(g_installer);
    if (!alive || static_cast<int>(deadline - GetTickCount()) <= 0) {
      j.Key("ok").Bool(!alive).Key("boxes_seen").Num(static_cast<long long>(seen.size()));
      return;
    }
    Sleep(30);
  }
}

void CmdBoxes(Json& j, const Args&) {
  j.Key("ok").Bool(true).Key("count").Num(static_cast<long long>(InstallerBoxes().size()));
}

// hold PATH: open without sharing, as another program using the file would; release PATH closes.
std::map<std::string, HANDLE> g_held;

void CmdHold(Json& j, const Args& a) {
  if (a.size() < 2) return void(Fail(j, "no path"));
  HANDLE h = CreateFileA(a[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    j.Key("ok").Bool(false).Key("error").Num(GetLastError());
    return;
  }
  g_held[a[1]] = h;
  j.Key("ok").Bool(true);
}

void CmdRelease(Json& j, const Args& a) {
  auto it = a.size() > 1 ? g_held.find(a[1]) : g_held.end();
  if (it == g_held.end()) return void(Fail(j, "not held"));
  CloseHandle(it->second);
  g_held.erase(it);
  j.Key("ok").Bool(true);
}

// spawn-suspended PATH: starts the program at PATH without letting it run a single instruction, so
// its image is mapped as a running program's is, whatever the program does once it runs.
std::map<std::string, PROCESS_INFORMATION> g_spawned;

void CmdSpawnSuspended(Json& j, const Args& a) {
  if (a.size() < 2) return void(Fail(j, "no path"));
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string commandLine = "\"" + a[1] + "\"";
  if (!CreateProcessA(a[1].c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                      nullptr, nullptr, &si, &pi)) {
    j.Key("ok").Bool(false).Key("error").Num(GetLastError());
    return;
  }
  g_spawned[a[1]] = pi;
  j.Key("ok").Bool(true).Key("pid").Num(pi.dwProcessId);
}

void CmdKillSpawned(Json& j, const Args& a) {
  auto it = a.size() > 1 ? g_spawned.find(a[1]) : g_spawned.end();
  if (it == g_spawned.end()) return void(Fail(j, "not spawned"));
  TerminateProcess(it->second.hProcess, 0);
  WaitForSingleObject(it->second.hProcess, 10000);
  CloseHandle(it->second.hThread);
  CloseHandle(it->second.hProcess);
  g_spawned.erase(it);
  j.Key("ok").Bool(true);
}

// attrib PATH VALUE: SetFileAttributesA with the number given (1 read-only, 2 hidden, 4 system,
// 128 normal).
void CmdAttrib(Json& j, const Args& a) {
  if (a.size() < 3) return void(Fail(j, "usage"));
  BOOL ok = SetFileAttributesA(a[1].c_str(), std::strtoul(a[2].c_str(), nullptr, 0));
  j.Key("ok").Bool(ok).Key("error").Num(ok ? 0 : GetLastError())
      .Key("attributes").Num(GetFileAttributesA(a[1].c_str()));
}

void CmdGetAttr(Json& j, const Args& a) {
  if (a.size() < 2) return void(Fail(j, "usage"));
  DWORD attributes = GetFileAttributesA(a[1].c_str());
  j.Key("ok").Bool(attributes != INVALID_FILE_ATTRIBUTES).Key("attributes").Num(attributes);
}

// desktop: what the installer's lookup of the desktop directory gets in this environment.
void CmdDesktop(Json& j, const Args&) {
  char path[MAX_PATH] = "";
  BOOL ok = SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE);
  j.Key("ok").Bool(ok).Key("path").Text(path);
}

void CmdMetrics(Json& j, const Args&) {
  j.Key("ok").Bool(true)
      .Key("cx").Num(GetSystemMetrics(SM_CXSCREEN))
      .Key("cy").Num(GetSystemMetrics(SM_CYSCREEN))
      .Key("acp").Num(GetACP());
}

// The driver's own process, for tests that need a program that keeps running (sleep MS).
void CmdSleep(Json& j, const Args& a) {
  Sleep(a.size() > 1 ? std::atoi(a[1].c_str()) : 1000);
  j.Key("ok").Bool(true);
}

struct Command {
  const char* name;
  void (*run)(Json&, const Args&);
};

const Command kCommands[] = {
    {"window", CmdWindow},        {"info", CmdInfo},
    {"focus", CmdFocus},          {"click", CmdClick},
    {"settext", CmdSetText},      {"gettext", CmdGetText},
    {"close", CmdClose},          {"msgbox", CmdMsgBox},
    {"msgbox-close", CmdMsgBoxClose}, {"wait-gone", CmdWaitGone},
    {"boxes", CmdBoxes},          {"hold", CmdHold},
    {"release", CmdRelease},      {"spawn-suspended", CmdSpawnSuspended},
    {"kill-spawned", CmdKillSpawned}, {"attrib", CmdAttrib},
    {"getattr", CmdGetAttr},      {"desktop", CmdDesktop},
    {"metrics", CmdMetrics},      {"sleep", CmdSleep},
};

std::string Run(const Args& args) {
  Json j;
  j.Open();
  bool known = false;
  for (const Command& c : kCommands)
    if (!args.empty() && args[0] == c.name) {
      known = true;
      c.run(j, args);
    }
  if (!known) Fail(j, "unknown command");
  j.Close();
  return j.str();
}

Args SplitTabs(const std::string& line) {
  Args out;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return out;
    start = tab + 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Args args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "serve") {
    char buffer[8192];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
      std::string line(buffer);
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      if (line == "quit") break;
      std::printf("%s\n", Run(SplitTabs(line)).c_str());
      std::fflush(stdout);
    }
    for (auto& [path, handle] : g_held) CloseHandle(handle);
    for (auto& [path, pi] : g_spawned) TerminateProcess(pi.hProcess, 0);
    return 0;
  }
  std::printf("%s\n", Run(args).c_str());
  return 0;
}
