#include "app/application.h"

#include <ole2.h>

#include <algorithm>

#include "ui/window.h"

namespace {

constexpr const char kOwnerClass[] = "WTHiddenOwner";

Application g_application;

void CreateHiddenOwner() {
  Application& app = App();
  if (app.hiddenOwner) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExA(instance, kOwnerClass, &wc)) {
    wc.cbSize = sizeof wc;
    wc.style = 0;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszClassName = kOwnerClass;
    RegisterClassExA(&wc);
  }
  app.hiddenOwner.reset(CreateWindowExA(WS_EX_TOOLWINDOW, kOwnerClass, "", 0, 0, 0, 0, 0, nullptr,
                                        nullptr, instance, nullptr));
}

// Makes the installer's own folder the current directory, so relative paths resolve there.
void EnterModuleDirectory() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  // A cut-off path names some other folder; staying where we are is the lesser evil.
  if (length == 0 || length >= MAX_PATH) return;
  char directory[MAX_PATH];
  DirectoryOfPath(path, directory, sizeof directory);
  SetCurrentDirectoryA(directory);
}

}  // namespace

Application& App() { return g_application; }

Application::~Application() { ShutdownRuntime(exitCode); }

WindowSlot* FindWindowSlot(std::uint32_t windowNumber) {
  for (WindowSlot& slot : App().windowTable)
    if (slot.description->number == windowNumber) return &slot;
  return nullptr;
}

void InitializeRuntime() {
  Application& app = App();
  app.heap = GetProcessHeap();
  if (!app.oleInitialized) {
    // The result is not examined: the shell-link object later relies on this apartment.
    OleInitialize(nullptr);
    app.oleInitialized = true;
  }
  EnterModuleDirectory();
  CreateHiddenOwner();
  app.windowTable.clear();
  for (const WindowDescription* d : WindowDescriptions()) {
    if (d == nullptr) FatalError("载入窗口模板数据段出错!", 0);
    app.windowTable.push_back(WindowSlot{d, nullptr});
  }
  if (app.windowTable.empty()) FatalError("载入窗口模板数据段出错!", 0);
}

void ProgramInitHook() {}

void ProgramExitHook() {}

void RegisterExitRoutine(Routine routine) {
  auto& routines = App().exitRoutines;
  if (std::find(routines.begin(), routines.end(), routine) == routines.end())
    routines.push_back(routine);
}

void LoadStartupWindow(std::uint32_t windowNumber) {
  WindowSlot* slot = FindWindowSlot(windowNumber);
  if (slot == nullptr || !LoadWindow(*slot)) FatalError("载入启动窗口失败", 0);
}

bool AnyWindowAlive() {
  for (const WindowSlot& slot : App().windowTable)
    if (slot.window != nullptr && IsWindow(slot.window->hwnd())) return true;
  return false;
}

void RunMessageLoop() {
  Application& app = App();
  app.loopEntered = true;
  if (!AnyWindowAlive()) return;
  // No idle handlers are bound, so the loop goes straight to waiting for the next message.
  MSG msg;
  for (;;) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      app.exitCode = static_cast<int>(msg.wParam);
      return;
    }
    if (got == -1) return;
    if (!PreTranslateMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

void RequestDestroy(UnitRef target, bool immediately) {
  // Only windows are destroyed this way; a control's unit number has its high four bits set.
  if ((target.unit & 0xF0000000u) != 0) return;
  WindowSlot* slot = FindWindowSlot(target.window);
  if (slot == nullptr || slot->window == nullptr) return;
  WindowObject* window = slot->window;
  window->destroyPending = true;
  if (immediately) {
    window->HandleDestroyRequest();
    return;
  }
  PostMessageA(window->hwnd(), WM_DESTROY_REQUEST, 0, 0);
}

void ShutdownRuntime(int) {
  Application& app = App();
  app.windowTable.clear();
  if (!app.exitRoutines.empty()) {
    std::vector<Routine> routines;
    routines.swap(app.exitRoutines);
    for (Routine r : routines) r();
  }
  app.bigIcon.reset();
  app.smallIcon.reset();
  app.iconsLoaded = false;
  app.hiddenOwner.reset();
  if (app.oleInitialized) {
    OleUninitialize();
    app.oleInitialized = false;
  }
}

void EndProgram(int exitCode) {
  ShutdownRuntime(exitCode);
  ExitProcess(static_cast<UINT>(exitCode));
}

int ProgramMain() {
  InitializeRuntime();
  ProgramInitHook();
  RegisterExitRoutine(ProgramExitHook);
  LoadStartupWindow(kInstallerWindowNumber);
  RunMessageLoop();
  return 0;
}
