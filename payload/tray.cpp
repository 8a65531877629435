#include "tray.h"

#include "quorvane.h"

namespace quorvane {

void describeTrayIcon(NOTIFYICONDATAA& data, HWND owner, HICON icon) {
    static constexpr char kTip[] = "Quorvane";
    data = NOTIFYICONDATAA{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = icon;
    for (unsigned i = 0; i < sizeof kTip; ++i) data.szTip[i] = kTip[i];
}

HMENU createTrayMenu() {
    HMENU menu = CreatePopupMenu();
    if (menu) AppendMenuA(menu, MF_STRING, kCmdQuit, "退出");
    return menu;
}

void showTrayMenu(HWND owner) {
    HMENU menu = createTrayMenu();
    if (!menu) return;
    POINT at{};
    GetCursorPos(&at);
    // Without the foreground the menu would not close when the user clicks elsewhere, and
    // without the message after it the next click on the icon would be swallowed.
    SetForegroundWindow(owner);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x, at.y, 0, owner, nullptr);
    PostMessageA(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

}  // namespace quorvane
