// The notification-area icon's description and its menu, checked inside the process because a
// driver outside cannot read another program's notification icon or popup menu.
#include <gtest/gtest.h>

#include <cstring>

#include "quorvane.h"
#include "tray.h"

namespace {

TEST(Tray, IconDescription) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0xAB, sizeof data);
    HWND owner = reinterpret_cast<HWND>(0x1234);
    HICON icon = reinterpret_cast<HICON>(0x5678);
    quorvane::describeTrayIcon(data, owner, icon);
    EXPECT_EQ(data.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE)) << "the size every shell accepts";
    EXPECT_EQ(data.hWnd, owner);
    EXPECT_EQ(data.uID, quorvane::kTrayIconId);
    EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(data.uCallbackMessage, quorvane::kTrayMessage);
    EXPECT_EQ(data.hIcon, icon);
    EXPECT_STREQ(data.szTip, "Quorvane");
}

TEST(Tray, MenuHasOnlyTheQuitEntry) {
    HMENU menu = quorvane::createTrayMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 1);
    EXPECT_EQ(GetMenuItemID(menu, 0), quorvane::kCmdQuit);
    char text[32] = {};
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "\xCD\xCB\xB3\xF6") << "退出 in code page 936";
    DestroyMenu(menu);
}

}  // namespace
