#pragma once
// The process-wide state of the installer and the routines that run its life: start-up, the
// message loop, queued window destruction, shut-down and the fatal stop.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "app/handles.h"

struct WindowDescription;
class WindowObject;

// Names a window (unit number with its four high bits zero) or one of its controls.
struct UnitRef {
  std::uint32_t window;
  std::uint32_t unit;
};

inline constexpr std::uint32_t kInstallerWindowNumber = 0x52010001;
inline constexpr UnitRef InstallerWindow{kInstallerWindowNumber, 0x06010000};

// Private message that carries a queued destroy request; wParam and lParam are 0.
inline constexpr UINT WM_DESTROY_REQUEST = WM_APP + 0x65;

using Routine = void (*)();

// One loadable window: its constant description and, while loaded, its live object.
struct WindowSlot {
  const WindowDescription* description;
  WindowObject* window;
};

struct Application {
  HANDLE heap = nullptr;
  bool oleInitialized = false;
  WindowHandle hiddenOwner;
  std::vector<WindowSlot> windowTable;
  std::vector<Routine> exitRoutines;
  bool loopEntered = false;
  int exitCode = 0;
  // The program icon, shared by every window without one of its own; loaded once.
  IconHandle bigIcon;
  IconHandle smallIcon;
  bool iconsLoaded = false;

  Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  ~Application();
};

// The one Application of the process.
Application& App();

int ProgramMain();
void InitializeRuntime();
void ProgramInitHook();
void ProgramExitHook();
void RegisterExitRoutine(Routine routine);
void LoadStartupWindow(std::uint32_t windowNumber);
void RunMessageLoop();
bool AnyWindowAlive();
void RequestDestroy(UnitRef target, bool immediately = false);
void ShutdownRuntime(int exitCode);
[[noreturn]] void EndProgram(int exitCode);
[[noreturn]] void FatalError(const char* message, int code);

// The slot of a window number in the window table, or null.
WindowSlot* FindWindowSlot(std::uint32_t windowNumber);

// The box text of a fatal stop, written into out (always NUL-terminated, cut to capacity).
void FormatFatalText(const char* message, int code, char* out, std::size_t capacity);

// The folder part of a module path: the text before its last backslash, found by walking the
// ANSI code page's characters so that a double-byte character's trail byte 0x5C is not taken
// for one. Empty when the path has no backslash. Cut to capacity.
void DirectoryOfPath(const char* path, char* out, std::size_t capacity);
