#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <string>

#include "app/application.h"
#include "support.h"

namespace {

bool OleIsInitialised() {
  // S_FALSE: this thread's apartment already exists; S_OK: we just made it, so undo that.
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  CoUninitialize();
  return hr == S_FALSE;
}

std::string CurrentDirectory() {
  char dir[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, dir);
  return dir;
}

std::string ModuleDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p = path;
  return p.substr(0, p.rfind('\\'));
}

class RuntimeTest : public testing::Test {
 protected:
  void TearDown() override { ShutdownRuntime(0); }
};

TEST_F(RuntimeTest, InitializationPreparesOleDirectoryOwnerAndWindowTable) {
  ScratchDir elsewhere;
  SetCurrentDirectoryA(elsewhere.path().c_str());
  ASSERT_FALSE(OleIsInitialised());

  InitializeRuntime();
  Application& app = App();
  EXPECT_EQ(app.heap, GetProcessHeap());
  EXPECT_TRUE(app.oleInitialized);
  EXPECT_TRUE(OleIsInitialised());
  EXPECT_EQ(CurrentDirectory(), ModuleDirectory());

  HWND owner = app.hiddenOwner.get();
  ASSERT_TRUE(IsWindow(owner));
  EXPECT_FALSE(IsWindowVisible(owner));
  EXPECT_EQ(GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);

  WindowSlot* slot = FindWindowSlot(InstallerWindow.window);
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(slot->window, nullptr);  // described, not loaded
}

// What GetModuleFileNameA does when the path does not fit: fills the buffer and says so.
DWORD WINAPI CutModulePath(HMODULE, LPSTR buffer, DWORD size) {
  std::string cut = "C:\\" + std::string(size, 'a');
  lstrcpynA(buffer, cut.c_str(), static_cast<int>(size));
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

TEST_F(RuntimeTest, CutOffModulePathLeavesTheCurrentDirectoryAlone) {
  ScratchDir elsewhere;
  SetCurrentDirectoryA(elsewhere.path().c_str());
  {
    ImportPatch patch("kernel32.dll", "GetModuleFileNameA", reinterpret_cast<void*>(CutModulePath));
    ASSERT_TRUE(patch.ok());
    InitializeRuntime();
  }
  EXPECT_EQ(CurrentDirectory(), elsewhere.path());
  SetCurrentDirectoryA(ModuleDirectory().c_str());
}

// What each exit routine saw of the runtime while it ran.
struct Seen {
  std::string order;
  bool ownerAlive = false;
  bool oleUp = false;
} g_seen;

void RoutineA() {
  g_seen.order += "A";
  g_seen.ownerAlive = IsWindow(App().hiddenOwner.get()) != FALSE;
  g_seen.oleUp = OleIsInitialised();
}
void RoutineB() { g_seen.order += "B"; }

TEST_F(RuntimeTest, ShutdownRunsRoutinesOnceInOrderBeforeOwnerAndOleGo) {
  g_seen = {};
  InitializeRuntime();
  RegisterExitRoutine(RoutineA);
  RegisterExitRoutine(RoutineB);
  RegisterExitRoutine(RoutineA);  // listed at most once
  HWND owner = App().hiddenOwner.get();

  ShutdownRuntime(0);
  EXPECT_EQ(g_seen.order, "AB");
  EXPECT_TRUE(g_seen.ownerAlive);
  EXPECT_TRUE(g_seen.oleUp);
  EXPECT_FALSE(IsWindow(owner));
  EXPECT_EQ(App().hiddenOwner.get(), nullptr);
  EXPECT_FALSE(App().oleInitialized);
  EXPECT_FALSE(OleIsInitialised());

  ShutdownRuntime(0);  // a second run finds nothing left to do
  EXPECT_EQ(g_seen.order, "AB");
}

TEST(DirectoryOfPath, WalksDoubleByteCharactersOfTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 936u) << "the rig runs Wine with code page 936";
  struct Case {
    const char* path;
    const char* directory;
  } cases[] = {
      {"C:\\Program Files\\zavik\\setup.exe", "C:\\Program Files\\zavik"},
      // 誠 is D5 5C: its trail byte is a backslash and must not end the folder name.
      {"C:\\\xD5\x5C\\setup.exe", "C:\\\xD5\x5C"},
      {"C:\\tools\\\xD5\x5C", "C:\\tools"},
      {"C:\\安装\\setup.exe", "C:\\安装"},
      {"setup.exe", ""},
      {"\\setup.exe", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    char out[MAX_PATH];
    DirectoryOfPath(c.path, out, sizeof out);
    EXPECT_STREQ(out, c.directory) << "path: " << c.path;
  }
}

}  // namespace
