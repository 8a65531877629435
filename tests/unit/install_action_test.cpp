// The install handler in this process, with its system calls recorded in order.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/application.h"
#include "install/byte_block.h"
#include "support.h"
#include "ui/window.h"

namespace {

std::vector<std::string> g_events;
std::map<void*, int> g_live;  // text blocks not yet released, by allocation number
int g_allocations = 0;
bool g_lookupFails = false;
std::string g_desktop;
ImportPatch* g_allocPatch;
ImportPatch* g_freePatch;
ImportPatch* g_createPatch;
ImportPatch* g_comPatch;

LPVOID WINAPI RecordAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
  void* p = g_allocPatch->original<decltype(&HeapAlloc)>()(heap, flags, size);
  if (heap == GetProcessHeap() && p) {
    g_live[p] = ++g_allocations;
    g_events.push_back("alloc" + std::to_string(g_allocations));
  }
  return p;
}

BOOL WINAPI RecordFree(HANDLE heap, DWORD flags, LPVOID p) {
  if (heap == GetProcessHeap()) {
    auto it = g_live.find(p);
    g_events.push_back(it == g_live.end() ? "free?" : "free" + std::to_string(it->second));
    if (it != g_live.end()) g_live.erase(it);
  }
  return g_freePatch->original<decltype(&HeapFree)>()(heap, flags, p);
}

// The install folder is recorded, not made: the rig's C: drive belongs to the end-to-end tests.
BOOL WINAPI RecordCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES sa) {
  g_events.push_back(std::string("mkdir ") + path + (sa ? " sa" : ""));
  return TRUE;
}

HANDLE WINAPI RecordCreateFile(LPCSTR path, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES sa, DWORD d, DWORD f, HANDLE t) {
  g_events.push_back(std::string("open ") + path);
  return g_createPatch->original<decltype(&CreateFileA)>()(path, a, s, sa, d, f, t);
}

int WINAPI RecordMessageBox(HWND owner, LPCSTR text, LPCSTR title, UINT flags) {
  g_events.push_back(std::string("box ") + text + " " + title + " " + std::to_string(flags) +
                     (owner ? " owned" : ""));
  return IDOK;
}

BOOL WINAPI RecordFolderLookup(HWND, LPSTR path, int, BOOL) {
  g_events.push_back("desktop");
  if (g_lookupFails) return FALSE;
  lstrcpyA(path, g_desktop.c_str());
  return TRUE;
}

HRESULT WINAPI RecordCoCreate(REFCLSID c, LPUNKNOWN o, DWORD x, REFIID i, LPVOID* out) {
  g_events.push_back("link");
  return g_comPatch->original<decltype(&CoCreateInstance)>()(c, o, x, i, out);
}

struct InstallCase {
  const char* name;
  const char* target;  // relative to the scratch folder; null for an empty box
  bool lookupFails;
  bool written;
  std::vector<std::string> events;  // with the placeholders TARGET and RESULT
};

class InstallActionTest : public testing::TestWithParam<InstallCase> {
 protected:
  void SetUp() override {
    g_events.clear();
    g_live.clear();
    g_allocations = 0;
    g_allocPatch = &alloc_;
    g_freePatch = &free_;
    g_createPatch = &create_;
    g_comPatch = &com_;
    ASSERT_TRUE(alloc_.ok() && free_.ok() && mkdir_.ok() && create_.ok() && box_.ok() && lookup_.ok() && com_.ok());
    InitializeRuntime();
    ASSERT_TRUE(LoadInstallerWindow());
    window_ = FindWindowSlot(InstallerWindow.window)->window;
    g_desktop = dir_.File("Desktop");
    mkdir_.original<decltype(&CreateDirectoryA)>()(g_desktop.c_str(), nullptr);
    SetCurrentDirectoryA(dir_.path().c_str());
  }
  void TearDown() override {
    if (IsWindow(window_->hwnd())) DestroyWindow(window_->hwnd());
    PumpMessages();
    ShutdownRuntime(0);
  }

  ScratchDir dir_;
  WindowObject* window_ = nullptr;
  ImportPatch alloc_{"kernel32.dll", "HeapAlloc", reinterpret_cast<void*>(RecordAlloc)};
  ImportPatch free_{"kernel32.dll", "HeapFree", reinterpret_cast<void*>(RecordFree)};
  ImportPatch mkdir_{"kernel32.dll", "CreateDirectoryA", reinterpret_cast<void*>(RecordCreateDirectory)};
  ImportPatch create_{"kernel32.dll", "CreateFileA", reinterpret_cast<void*>(RecordCreateFile)};
  ImportPatch box_{"user32.dll", "MessageBoxA", reinterpret_cast<void*>(RecordMessageBox)};
  ImportPatch lookup_{"shell32.dll", "SHGetSpecialFolderPathA", reinterpret_cast<void*>(RecordFolderLookup)};
  ImportPatch com_{"ole32.dll", "CoCreateInstance", reinterpret_cast<void*>(RecordCoCreate)};
};

TEST_P(InstallActionTest, RunsEveryStepInOrderAndReleasesEachTextOnce) {
  const InstallCase& c = GetParam();
  const std::string target = c.target ? dir_.File(c.target) : "";
  SetWindowTextA(window_->FindControl(编辑框1)->hwnd, target.c_str());
  g_lookupFails = c.lookupFails;
  g_events.clear();

  SendMessageA(window_->FindControl(按钮1)->hwnd, BM_CLICK, 0, 0);

  std::vector<std::string> expected;
  for (std::string e : c.events) {
    if (auto at = e.find("TARGET"); at != std::string::npos) e.replace(at, 6, target);
    if (auto at = e.find("RESULT"); at != std::string::npos)
      e.replace(at, 6, c.written ? "安装成功！" : "安装失败！");
    expected.push_back(e);
  }
  EXPECT_EQ(g_events, expected);
  EXPECT_TRUE(g_live.empty()) << "every text is released";

  // The close is queued: the window is still there until the loop takes the request up.
  EXPECT_TRUE(IsWindow(window_->hwnd()));
  EXPECT_TRUE(window_->destroyPending);

  if (c.written) {
    const std::string bytes = ReadFileBytes(target);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(PayloadImage.Count()));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const char*>(PayloadImage.Content())));
  }
  const std::string link = c.lookupFails ? dir_.File("Quorvane.lnk") : g_desktop + "\\Quorvane.lnk";
  EXPECT_TRUE(FileExists(link)) << link;
}

const std::vector<std::string> kWritten = {
    "mkdir C:\\Program Files\\zavik", "alloc1", "open TARGET", "free1", "box RESULT 信息： 8256",
    "desktop", "alloc2", "alloc3", "free2", "alloc4", "link", "free3", "free4"};

INSTANTIATE_TEST_SUITE_P(
    Outcomes, InstallActionTest,
    testing::Values(
        InstallCase{"written", "Quorvane.exe", false, true, kWritten},
        InstallCase{"missing_folder", "NoSuch\\Quorvane.exe", false, false, kWritten},
        // An empty box: nothing is opened, and the shortcut is still attempted with an empty target.
        InstallCase{"empty_path", nullptr, false, false,
                    {"mkdir C:\\Program Files\\zavik", "box RESULT 信息： 8256", "desktop", "alloc1",
                     "alloc2", "free1", "link", "free2"}},
        // Without a desktop the link is the bare name, saved in the current directory.
        InstallCase{"no_desktop", "Quorvane.exe", true, true,
                    {"mkdir C:\\Program Files\\zavik", "alloc1", "open TARGET", "free1",
                     "box RESULT 信息： 8256", "desktop", "alloc2", "alloc3", "link", "free2", "free3"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PayloadImage, IsAByteBlockOffAFourByteBoundary) {
  std::int32_t dims;
  std::memcpy(&dims, PayloadImage.raw, 4);
  EXPECT_EQ(dims, 1);
  EXPECT_GT(PayloadImage.Count(), 0);
  EXPECT_NE(reinterpret_cast<std::uintptr_t>(&PayloadImage) % 4, 0u);
  EXPECT_EQ(PayloadImage.Content()[0], 'M');
  EXPECT_EQ(PayloadImage.Content()[1], 'Z');
}

}  // namespace
