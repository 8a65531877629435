// The lock curtain, inside the test process: found artwork, a window over the whole virtual
// screen that stays on top without taking the focus, and a fade that ends opaque.
#include <gtest/gtest.h>

#include <windows.h>

#include "curtain.h"
#include "quorvane.h"

namespace {

using quorvane::Curtain;
using quorvane::kFadeSteps;

HWND findCurtain() { return FindWindowA(quorvane::kCurtainClass, nullptr); }

BYTE alphaOf(HWND window) {
    BYTE alpha = 0;
    DWORD flags = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, &flags));
    EXPECT_EQ(flags & LWA_ALPHA, static_cast<DWORD>(LWA_ALPHA));
    return alpha;
}

TEST(Curtain, NothingShownBeforeItIsAskedFor) {
    Curtain curtain;
    ASSERT_TRUE(curtain.prepare(GetModuleHandleA(nullptr)));
    EXPECT_FALSE(curtain.shown());
    EXPECT_EQ(findCurtain(), nullptr);
    EXPECT_TRUE(curtain.fadeStep()) << "no curtain: nothing to wait for";
}

TEST(Curtain, CoversTheVirtualScreenOnTop) {
    Curtain curtain;
    ASSERT_TRUE(curtain.prepare(GetModuleHandleA(nullptr)));
    curtain.show();
    HWND window = findCurtain();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(curtain.shown());
    EXPECT_TRUE(IsWindowVisible(window));
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(r.top, GetSystemMetrics(SM_YVIRTUALSCREEN));
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    const LONG_PTR ex = GetWindowLongPtrA(window, GWL_EXSTYLE);
    for (LONG_PTR flag : {LONG_PTR{WS_EX_TOPMOST}, LONG_PTR{WS_EX_LAYERED}, LONG_PTR{WS_EX_TOOLWINDOW}}) {
        EXPECT_EQ(ex & flag, flag) << std::hex << flag;
    }
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & WS_POPUP, static_cast<LONG_PTR>(WS_POPUP));
    curtain.show();
    EXPECT_EQ(FindWindowExA(nullptr, window, quorvane::kCurtainClass, nullptr), nullptr) << "a second show adds no window";
    curtain.hide();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(curtain.shown());
}

TEST(Curtain, FadesFromClearToOpaqueInFixedSteps) {
    Curtain curtain;
    ASSERT_TRUE(curtain.prepare(GetModuleHandleA(nullptr)));
    curtain.show();
    HWND window = findCurtain();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(alphaOf(window), 0) << "the desktop shows through at first";
    BYTE last = 0;
    for (int step = 1; step < kFadeSteps; ++step) {
        EXPECT_FALSE(curtain.fadeStep()) << "step " << step;
        const BYTE alpha = alphaOf(window);
        EXPECT_GT(alpha, last) << "step " << step;
        last = alpha;
    }
    EXPECT_TRUE(curtain.fadeStep());
    EXPECT_EQ(alphaOf(window), 255);
    EXPECT_TRUE(curtain.fadeStep()) << "stays opaque";
    EXPECT_EQ(alphaOf(window), 255);
    curtain.hide();
}

}  // namespace
