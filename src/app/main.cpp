// Process entry of the installer.
#include <windows.h>

#include "app/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Keep the flags already set; from here the system shows no critical-error or missing-medium
  // boxes of its own, so a file operation on an empty drive simply fails.
  SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  ProgramMain();
  ShutdownRuntime(App().exitCode);
  return App().exitCode;
}
