// Test driver for Quorvane: finds its hidden window from another process in the same Wine prefix
// and asks it to end, as the shell's menu or the system would.
//   driver wait MS    exit 0 once the window exists (polls for at most MS)
//   driver gone MS    exit 0 once no window of the class is left
//   driver quit       post the command of the "退出" menu entry
//   driver close      post WM_CLOSE
//   driver kill       terminate every process that owns such a window (clean-up only)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "quorvane.h"

namespace {

HWND findMain() { return FindWindowA(quorvane::kWindowClass, nullptr); }

// Polls until the window's presence is as wanted; the limit only guards against a hang.
bool waitFor(bool present, DWORD limitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if ((findMain() != nullptr) == present) return true;
        if (GetTickCount() - start > limitMs) return false;
        Sleep(50);
    }
}

int killAll() {
    for (int round = 0; round < 20; ++round) {
        HWND window = findMain();
        if (!window) return 0;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (process) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
    }
    return findMain() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 64;
    const char* command = argv[1];
    const DWORD limit = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 30000;
    if (!std::strcmp(command, "wait")) return waitFor(true, limit) ? 0 : 1;
    if (!std::strcmp(command, "gone")) return waitFor(false, limit) ? 0 : 1;
    if (!std::strcmp(command, "kill")) return killAll();
    HWND window = findMain();
    if (!window) {
        std::fprintf(stderr, "no window of class %s\n", quorvane::kWindowClass);
        return 1;
    }
    if (!std::strcmp(command, "quit")) return PostMessageA(window, WM_COMMAND, MAKEWPARAM(quorvane::kCmdQuit, 0), 0) ? 0 : 1;
    if (!std::strcmp(command, "close")) return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    return 64;
}
