#pragma once
// The notification-area icon and its menu.
#include <windows.h>
#include <shellapi.h>

namespace quorvane {

// Message the icon sends to its window; lParam carries the mouse message.
inline constexpr UINT kTrayMessage = WM_APP + 1;
inline constexpr UINT kTrayIconId = 1;

// Fills the icon's description; the first-version size is accepted by every shell version.
void describeTrayIcon(NOTIFYICONDATAA& data, HWND owner, HICON icon);

// The icon's menu: the one entry "退出" that sends kCmdQuit. The caller destroys it.
HMENU createTrayMenu();

// Shows the menu at the cursor; its choice arrives at owner as WM_COMMAND.
void showTrayMenu(HWND owner);

}  // namespace quorvane
