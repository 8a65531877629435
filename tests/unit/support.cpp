#include "support.h"

#include <cstring>

namespace {

// The import address table slot of dll!function in this executable, or null.
void** FindImportSlot(const char* dll, const char* function) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return nullptr;
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk));
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) == 0)
        return reinterpret_cast<void**>(&slots->u1.Function);
    }
  }
  return nullptr;
}

void SetSlot(void** slot, void* value) {
  DWORD old;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, old, &old);
}

struct BoxSearch {
  DWORD pid;
  HWND box;
};

BOOL CALLBACK FindBoxOf(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<BoxSearch*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char cls[32] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (pid == search->pid && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(hwnd)) {
    search->box = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Text of another process's window: WM_GETTEXT is marshalled across processes, GetWindowText is not.
std::string RemoteText(HWND hwnd) {
  char buffer[1024] = {};
  SendMessageA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

struct BoxParts {
  std::string text;
  bool icon = false;
};

BOOL CALLBACK ReadBoxChild(HWND child, LPARAM lParam) {
  auto* parts = reinterpret_cast<BoxParts*>(lParam);
  char cls[32] = {};
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") != 0) return TRUE;
  if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    parts->icon = true;
  } else {
    std::string t = RemoteText(child);
    if (!t.empty()) parts->text = t;
  }
  return TRUE;
}

}  // namespace

ImportPatch::ImportPatch(const char* dll, const char* function, void* replacement) {
  slot_ = FindImportSlot(dll, function);
  if (slot_ == nullptr) return;
  original_ = *slot_;
  SetSlot(slot_, replacement);
}

ImportPatch::~ImportPatch() {
  if (slot_ != nullptr) SetSlot(slot_, original_);
}

ScratchDir::ScratchDir() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  char name[MAX_PATH];
  wsprintfA(name, "%sqvtest-%lu-%d", temp, GetCurrentProcessId(), ++counter);
  path_ = name;
  CreateDirectoryA(path_.c_str(), nullptr);
}

namespace {

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = dir + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
      else DeleteFileA(full.c_str());
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  RemoveDirectoryA(dir.c_str());
}

}  // namespace

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(h);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ChildOutcome RunChild(const char* scenario, const std::string& extra) {
  ChildOutcome outcome;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = std::string("\"") + self + "\" --child=" + scenario;
  if (!extra.empty()) command += " \"" + extra + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return outcome;
  BoxSearch search{pi.dwProcessId, nullptr};
  // Hang guard only: a box normally shows within a second or two.
  for (int i = 0; i < 1200 && WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT; ++i) {
    EnumWindows(FindBoxOf, reinterpret_cast<LPARAM>(&search));
    if (search.box == nullptr) continue;
    outcome.boxSeen = true;
    outcome.caption = RemoteText(search.box);
    BoxParts parts;
    EnumChildWindows(search.box, ReadBoxChild, reinterpret_cast<LPARAM>(&parts));
    outcome.text = parts.text;
    outcome.style = parts.icon ? SS_ICON : 0;
    PostMessageA(search.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(search.box, IDOK)));
    break;
  }
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
  GetExitCodeProcess(pi.hProcess, &outcome.exitCode);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return outcome;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
