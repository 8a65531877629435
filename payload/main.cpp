// Quorvane: locks the session after five minutes without keyboard or mouse input.
// Built without the C runtime: the entry point below is the program's first code.
#include <windows.h>
#include <shellapi.h>

#include "curtain.h"
#include "idle.h"
#include "quorvane.h"
#include "tray.h"

namespace quorvane {
namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT_PTR kFadeTimer = 2;
constexpr UINT kPollMs = 1000;
constexpr UINT kFadeStepMs = 40;

struct App {
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;       // notification-area size
    HICON largeIcon = nullptr;
    UINT taskbarCreated = 0;
    IdleWatch watch{kIdleLockMs};
    Curtain curtain;
};

App* g_app = nullptr;

// Puts the icon in the notification area; fails while there is no taskbar yet.
void addTrayIcon(HWND window) {
    NOTIFYICONDATAA data;
    describeTrayIcon(data, window, g_app->icon);
    Shell_NotifyIconA(NIM_ADD, &data);
}

void removeTrayIcon(HWND window) {
    NOTIFYICONDATAA data;
    describeTrayIcon(data, window, g_app->icon);
    Shell_NotifyIconA(NIM_DELETE, &data);
}

DWORD lastInputTick() {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    return GetLastInputInfo(&info) ? info.dwTime : GetTickCount();
}

// Once a second: start the curtain when the session has been idle long enough, or call it off
// when input has come while it fades in.
void poll(HWND window) {
    const DWORD input = lastInputTick();
    if (g_app->curtain.shown()) {
        if (g_app->watch.inputSinceLock(input)) {
            KillTimer(window, kFadeTimer);
            g_app->curtain.hide();
        }
        return;
    }
    if (g_app->watch.shouldLock(GetTickCount(), input)) {
        g_app->curtain.show();
        SetTimer(window, kFadeTimer, kFadeStepMs, nullptr);
    }
}

void fade(HWND window) {
    if (!g_app->curtain.fadeStep()) return;
    KillTimer(window, kFadeTimer);
    LockWorkStation();
    g_app->curtain.hide();
}

LRESULT CALLBACK mainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        addTrayIcon(window);
        SetTimer(window, kPollTimer, kPollMs, nullptr);
        return 0;
    case kTrayMessage:
        if (lParam == WM_RBUTTONUP || lParam == WM_LBUTTONUP) showTrayMenu(window);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kCmdQuit) DestroyWindow(window);
        return 0;
    case WM_TIMER:
        if (wParam == kPollTimer) poll(window);
        if (wParam == kFadeTimer) fade(window);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kPollTimer);
        KillTimer(window, kFadeTimer);
        g_app->curtain.hide();
        removeTrayIcon(window);
        PostQuitMessage(kExitOk);
        return 0;
    default:
        // A restarted shell forgets every icon and announces itself with this registered message.
        if (message == g_app->taskbarCreated && message != 0) {
            addTrayIcon(window);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

unsigned run(HINSTANCE instance) {
    // The handle stays open until the process ends: that is what marks the instance as running.
    HANDLE running = CreateMutexA(nullptr, FALSE, kInstanceMutex);
    if (running && GetLastError() == ERROR_ALREADY_EXISTS) return kExitAlreadyRunning;

    App app;
    g_app = &app;
    app.instance = instance;
    // LoadIcon would give the large image only; the notification area wants the small one.
    app.icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kAppIcon), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    app.largeIcon = LoadIconA(instance, MAKEINTRESOURCEA(kAppIcon));
    app.taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    if (!app.curtain.prepare(instance)) return kExitStartFailed;

    WNDCLASSA wc{};
    wc.lpfnWndProc = &mainProcedure;
    wc.hInstance = instance;
    wc.hIcon = app.largeIcon;
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassA(&wc)) return kExitStartFailed;
    // A hidden top-level window rather than a message-only one: the shell broadcasts
    // TaskbarCreated to top-level windows only.
    HWND window = CreateWindowExA(0, kWindowClass, "Quorvane", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return kExitStartFailed;

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<unsigned>(msg.wParam);
}

}  // namespace
}  // namespace quorvane

extern "C" void __cdecl QuorvaneEntry() {
    ExitProcess(quorvane::run(GetModuleHandleA(nullptr)));
}
