// The installer window built in this process: what it is made of, its messages and its reads.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/application.h"
#include "install/text.h"
#include "support.h"
#include "ui/window.h"

namespace {

class InstallerWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    InitializeRuntime();
    ASSERT_TRUE(LoadInstallerWindow());
    window_ = FindWindowSlot(InstallerWindow.window)->window;
    hwnd_ = window_->hwnd();
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    PumpMessages();
    App().loopEntered = false;
    ShutdownRuntime(0);
  }
  HWND Control(std::uint32_t unit) { return window_->FindControl(unit)->hwnd; }

  WindowObject* window_ = nullptr;
  HWND hwnd_ = nullptr;
};

TEST_F(InstallerWindowTest, IsABorderlessCentredTopLevelWindowOfItsClass) {
  RECT rc;
  GetWindowRect(hwnd_, &rc);
  const int left = (GetSystemMetrics(SM_CXSCREEN) - 322) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - 111) / 2;
  EXPECT_EQ(rc.left, left);
  EXPECT_EQ(rc.top, top);
  EXPECT_EQ(rc.right - rc.left, 322);
  EXPECT_EQ(rc.bottom - rc.top, 111);
  RECT client;
  GetClientRect(hwnd_, &client);
  EXPECT_EQ(client.right, 322);  // no frame: the client area is the whole window
  EXPECT_EQ(client.bottom, 111);

  char cls[32];
  GetClassNameA(hwnd_, cls, sizeof cls);
  EXPECT_STREQ(cls, "WTWindow");
  char title[64];
  GetWindowTextA(hwnd_, title, sizeof title);
  EXPECT_STREQ(title, "Quorvane安装程序");
  const LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_POPUP | WS_CHILD), 0);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_VISIBLE), WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_VISIBLE);
  EXPECT_EQ(GetWindowLongA(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(GetWindow(hwnd_, GW_OWNER), nullptr);

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "WTWindow", &wc));
  EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW));
  EXPECT_EQ(wc.hbrBackground, GetStockObject(NULL_BRUSH));
  EXPECT_EQ(wc.hIcon, nullptr);
}

TEST_F(InstallerWindowTest, CarriesTheProgramIconInTwoSizesAndTheDefaultFont) {
  auto big = reinterpret_cast<HICON>(SendMessageA(hwnd_, WM_GETICON, ICON_BIG, 0));
  auto small = reinterpret_cast<HICON>(SendMessageA(hwnd_, WM_GETICON, ICON_SMALL, 0));
  ASSERT_NE(big, nullptr);
  ASSERT_NE(small, nullptr);
  for (auto [icon, size] : {std::pair{big, 32}, std::pair{small, 16}}) {
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  EXPECT_EQ(big, App().bigIcon.get());
  EXPECT_EQ(small, App().smallIcon.get());
  const auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
  EXPECT_EQ(font, GetStockObject(DEFAULT_GUI_FONT));
  for (std::uint32_t unit : {编辑框1, 按钮1, 按钮2})
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(Control(unit), WM_GETFONT, 0, 0)),
              GetStockObject(DEFAULT_GUI_FONT));
}

struct ControlCase {
  std::uint32_t unit;
  const char* cls;
  int id;
  RECT rect;  // left, top, right, bottom in the window's client area
  const char* text;
  LONG styleSet;
  LONG styleClear;
  LONG exStyleSet;
};

const char* const kLabelClass = "WTTransparentLabel";

const ControlCase kControls[] = {
    {编辑框1, "Edit", 130, {24, 32, 304, 64}, "C:\\Program Files\\zavik\\Quorvane.exe",
     WS_DISABLED | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | WS_CLIPSIBLINGS,
     ES_MULTILINE | ES_READONLY | ES_PASSWORD | ES_NOHIDESEL | ES_NUMBER, 0},
    {按钮1, "Button", 110, {144, 72, 216, 112}, "安装",
     WS_TABSTOP | BS_CENTER | BS_VCENTER | BS_MULTILINE | WS_CLIPSIBLINGS, WS_DISABLED | BS_DEFPUSHBUTTON, 0},
    {按钮2, "Button", 120, {232, 72, 304, 112}, "取消",
     WS_TABSTOP | BS_CENTER | BS_VCENTER | BS_MULTILINE | WS_CLIPSIBLINGS, WS_DISABLED | BS_DEFPUSHBUTTON, 0},
    {透明标签1, kLabelClass, 100, {3, 0, 120, 24}, "Quorvane安装程序", WS_CLIPSIBLINGS,
     WS_DISABLED | WS_TABSTOP, WS_EX_TRANSPARENT},
};

TEST_F(InstallerWindowTest, BuildsEachControlAsDescribed) {
  for (const ControlCase& c : kControls) {
    SCOPED_TRACE(c.id);
    HWND h = Control(c.unit);
    ASSERT_TRUE(IsWindow(h));
    EXPECT_EQ(GetParent(h), hwnd_);
    char cls[64];
    GetClassNameA(h, cls, sizeof cls);
    EXPECT_EQ(lstrcmpiA(cls, c.cls), 0) << cls;
    EXPECT_EQ(GetDlgCtrlID(h), c.id);
    RECT rc;
    GetWindowRect(h, &rc);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, c.rect.left);
    EXPECT_EQ(rc.top, c.rect.top);
    EXPECT_EQ(rc.right, c.rect.right);
    EXPECT_EQ(rc.bottom, c.rect.bottom);
    char text[128];
    GetWindowTextA(h, text, sizeof text);
    EXPECT_STREQ(text, c.text);
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    EXPECT_EQ(style & (c.styleSet | WS_CHILD | WS_VISIBLE), c.styleSet | WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(style & c.styleClear, 0);
    const LONG ex = GetWindowLongA(h, GWL_EXSTYLE);
    EXPECT_EQ(ex & c.exStyleSet, c.exStyleSet);
    EXPECT_EQ(ex & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME), 0);
  }
}

TEST_F(InstallerWindowTest, StacksControlsInListOrder) {
  HWND expected[] = {Control(编辑框1), Control(按钮2), Control(按钮1), Control(透明标签1)};
  HWND h = GetWindow(hwnd_, GW_CHILD);
  for (HWND e : expected) {
    EXPECT_EQ(h, e);
    h = GetWindow(h, GW_HWNDNEXT);
  }
  EXPECT_EQ(h, nullptr);
}

TEST_F(InstallerWindowTest, AnswersTheEditBoxColoursWithWhiteAndBlack) {
  HDC dc = CreateCompatibleDC(nullptr);
  for (UINT msg : {WM_CTLCOLORSTATIC, WM_CTLCOLOREDIT}) {
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(hwnd_, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Control(编辑框1))));
    LOGBRUSH lb{};
    ASSERT_TRUE(GetObjectA(brush, sizeof lb, &lb));
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(lb.lbColor, RGB(255, 255, 255));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  }
  DeleteDC(dc);
}

TEST_F(InstallerWindowTest, DestroyRequestIsQueuedAndNeedsThePendingMark) {
  // Without the mark the request is ignored.
  SendMessageA(hwnd_, WM_DESTROY_REQUEST, 0, 0);
  EXPECT_TRUE(IsWindow(hwnd_));

  RequestDestroy(InstallerWindow);
  EXPECT_TRUE(window_->destroyPending);
  EXPECT_TRUE(IsWindow(hwnd_)) << "the caller goes on running; the window stays until the loop";
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, hwnd_, WM_DESTROY_REQUEST, WM_DESTROY_REQUEST, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_EQ(msg.lParam, 0);

  PumpMessages();
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(FindWindowSlot(InstallerWindow.window)->window, nullptr);
}

TEST_F(InstallerWindowTest, ControlsAreNeverDestroyTargets) {
  RequestDestroy(UnitRef{InstallerWindow.window, 按钮1}, true);
  EXPECT_TRUE(IsWindow(Control(按钮1)));
  EXPECT_TRUE(IsWindow(hwnd_));
}

TEST_F(InstallerWindowTest, LastWindowGoneInsideTheLoopPostsQuitWithZero) {
  App().loopEntered = true;
  RequestDestroy(InstallerWindow, true);
  EXPECT_FALSE(IsWindow(hwnd_));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(InstallerWindowTest, WindowGoneBeforeTheLoopPostsNoQuitAndTheLoopReturnsAtOnce) {
  RequestDestroy(InstallerWindow, true);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  RunMessageLoop();  // would wait for ever if it entered the loop
  EXPECT_TRUE(App().loopEntered);
}

TEST_F(InstallerWindowTest, CancelClickQueuesTheCloseAndDoesNothingElse) {
  SendMessageA(Control(按钮2), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindow(hwnd_));
  EXPECT_TRUE(window_->destroyPending);
  PumpMessages();
  EXPECT_FALSE(IsWindow(hwnd_));
}

MSG KeyDown(HWND target, WPARAM key) {
  MSG msg{};
  msg.hwnd = target;
  msg.message = WM_KEYDOWN;
  msg.wParam = key;
  return msg;
}

TEST_F(InstallerWindowTest, EscapeClosesAndEnterIsPassedOn) {
  MSG enter = KeyDown(Control(按钮1), VK_RETURN);
  EXPECT_FALSE(PreTranslateMessage(enter));
  EXPECT_TRUE(IsWindow(hwnd_));
  EXPECT_FALSE(window_->destroyPending);

  // Keys for a disabled window are passed on unexamined.
  MSG toDisabled = KeyDown(Control(编辑框1), VK_ESCAPE);
  EXPECT_FALSE(PreTranslateMessage(toDisabled));
  EXPECT_TRUE(IsWindow(hwnd_));

  MSG escape = KeyDown(Control(按钮2), VK_ESCAPE);
  EXPECT_TRUE(PreTranslateMessage(escape));
  EXPECT_FALSE(IsWindow(hwnd_));
}

TEST_F(InstallerWindowTest, ReadControlTextGivesAFreshBlockPerReadAndAbsentWhenEmpty) {
  const UnitRef box{InstallerWindow.window, 编辑框1};
  char* first = ReadControlText(box);
  char* second = ReadControlText(box);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_STREQ(first, "C:\\Program Files\\zavik\\Quorvane.exe");
  EXPECT_STREQ(second, first);
  EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, first));
  ReleaseText(first);
  ReleaseText(second);

  SetWindowTextA(Control(编辑框1), "");
  EXPECT_EQ(ReadControlText(box), nullptr);
  EXPECT_EQ(window_->FindControl(编辑框1)->text, "");
}

// Records what a test window's handlers saw.
struct HandlerLog {
  int created = 0;
  bool visibleWhenCreated = true;
  int clicked = 0;
} g_log;

HWND g_testWindow = nullptr;

void TestCreated() {
  ++g_log.created;
  g_testWindow = FindWindowSlot(0x52019999)->window->hwnd();
  g_log.visibleWhenCreated = IsWindowVisible(g_testWindow) != FALSE;
  // Raised while nothing holds events back, so this click reaches its handler.
  SendMessageA(GetDlgItem(g_testWindow, 100), BM_CLICK, 0, 0);
}
void TestClicked() { ++g_log.clicked; }

const ControlDescription kTestControls[] = {
    {.kind = ControlKind::按钮, .unit = 0x16019002, .name = "b", .left = 0, .top = 0, .width = 40, .height = 20, .text = "b"},
};
const EventBinding kTestBindings[] = {
    {0x06019000, Event::Created, TestCreated},
    {0x16019002, Event::Clicked, TestClicked},
};
const WindowDescription kTestWindow{.number = 0x52019999, .unit = 0x06019000, .name = "t",
                                    .left = 0, .top = 0, .width = 100, .height = 60,
                                    .controls = kTestControls, .bindings = kTestBindings};

TEST(WindowEvents, CreatedRunsOnceWhileHiddenAndBuildingHoldsEventsBack) {
  InitializeRuntime();
  App().windowTable.push_back(WindowSlot{&kTestWindow, nullptr});
  g_log = {};
  g_eventHold = 1;  // as while a window is being built
  ASSERT_TRUE(LoadWindow(App().windowTable.back()));
  EXPECT_EQ(g_log.created, 0);
  EXPECT_EQ(g_log.clicked, 0);
  DestroyWindow(App().windowTable.back().window->hwnd());
  g_eventHold = 0;

  ASSERT_TRUE(LoadWindow(App().windowTable.back()));
  EXPECT_EQ(g_log.created, 1);
  EXPECT_FALSE(g_log.visibleWhenCreated);
  EXPECT_EQ(g_log.clicked, 1);
  EXPECT_TRUE(IsWindowVisible(g_testWindow));
  DestroyWindow(g_testWindow);
  ShutdownRuntime(0);
}

}  // namespace
