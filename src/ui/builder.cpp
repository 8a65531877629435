// Builds a window and its controls from a WindowDescription.
#include <windows.h>

#include "ui/window.h"

namespace {

constexpr const char kWindowClass[] = "WTWindow";
constexpr int kFirstControlId = 100;
constexpr int kControlIdStep = 10;
constexpr UINT kStyleChangeFlags =
    SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;

bool RegisterWindowClass() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (GetClassInfoExA(instance, kWindowClass, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WindowObject::Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  // No background brush: nothing is erased before the window paints itself.
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  wc.lpszClassName = kWindowClass;
  return RegisterClassExA(&wc) != 0;
}

// Loads the program icon once; windows without an icon of their own share it.
void LoadSharedIcons() {
  Application& app = App();
  if (app.iconsLoaded) return;
  app.iconsLoaded = true;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  app.bigIcon.reset(static_cast<HICON>(
      LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
  app.smallIcon.reset(static_cast<HICON>(
      LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
}

DWORD CaptionStyle(const WindowDescription& d) {
  if (d.border == Border::None) return d.minimizeBox ? WS_MINIMIZEBOX : 0;
  DWORD style = WS_CAPTION;
  if (d.controlBox) style |= WS_SYSMENU;
  if (d.minimizeBox) style |= WS_MINIMIZEBOX;
  if (d.maximizeBox) style |= WS_MAXIMIZEBOX;
  return style;
}

DWORD KindStyle(const ControlDescription& d) {
  switch (d.kind) {
    case ControlKind::编辑框: {
      DWORD style = d.multiLine ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL;
      if (d.readOnly) style |= ES_READONLY;
      if (d.hAlign == HAlign::Centre) style |= ES_CENTER;
      if (d.hAlign == HAlign::Right) style |= ES_RIGHT;
      return style;
    }
    case ControlKind::按钮:
      return (d.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_CENTER | BS_VCENTER |
             BS_MULTILINE;
    default:
      return 0;
  }
}

// The system class of a control kind, or the label's own class.
const char* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::编辑框:
      return "EDIT";
    case ControlKind::按钮:
      return "BUTTON";
    default:
      return LabelClassName();
  }
}

// The edit box erases with its own brush: the class's default would paint the window colour.
LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_ERASEBKGND) {
    if (WindowObject* owner = WindowObject::FromHandle(GetParent(hwnd)); owner && owner->EditBrush()) {
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(reinterpret_cast<HDC>(wParam), &rc, owner->EditBrush());
      return 1;
    }
  }
  return CallWindowProcA(previous, hwnd, msg, wParam, lParam);
}

}  // namespace

bool WindowObject::CreateMainWindow() {
  const WindowDescription& d = description_;
  if (!RegisterWindowClass()) return false;
  int left = d.left, top = d.top;
  if (d.startPosition == StartPosition::ScreenCentre) {
    left = (GetSystemMetrics(SM_CXSCREEN) - d.width) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - d.height) / 2;
  }
  // An owned window has no taskbar button; this one is shown in the taskbar, so it has no owner.
  HWND owner = d.showInTaskbar ? nullptr : App().hiddenOwner.get();
  DWORD exStyle = d.topMost ? WS_EX_TOPMOST : 0;
  DWORD style = WS_CLIPCHILDREN | CaptionStyle(d);
  if (d.disabled) style |= WS_DISABLED;
  if (!CreateWindowExA(exStyle, kWindowClass, d.title, style, left, top, d.width, d.height, owner,
                       nullptr, GetModuleHandleA(nullptr), this))
    return false;

  // The system gives an overlapped window a caption when it creates it; put back what was asked.
  LONG current = GetWindowLongA(hwnd_, GWL_STYLE);
  current &= ~(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  SetWindowLongA(hwnd_, GWL_STYLE, current | CaptionStyle(d));
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, kStyleChangeFlags);

  RECT rc;
  GetWindowRect(hwnd_, &rc);
  if (rc.right - rc.left != d.width || rc.bottom - rc.top != d.height)
    SetWindowPos(hwnd_, nullptr, left, top, d.width, d.height, SWP_NOZORDER | SWP_NOACTIVATE);

  LoadSharedIcons();
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(App().bigIcon.get()));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(App().smallIcon.get()));
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  if (!d.movable) DeleteMenu(GetSystemMenu(hwnd_, FALSE), SC_MOVE, MF_BYCOMMAND);
  return true;
}

bool WindowObject::CreateControl(ControlState& control) {
  const ControlDescription& d = *control.description;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | KindStyle(d);
  if (d.disabled) style |= WS_DISABLED;
  if (d.tabStop) style |= WS_TABSTOP;
  DWORD exStyle = d.kind == ControlKind::透明标签 ? WS_EX_TRANSPARENT : 0;
  control.hwnd = CreateWindowExA(exStyle, ClassOf(d.kind), d.text, style, d.left, d.top, d.width,
                                 d.height, hwnd_, reinterpret_cast<HMENU>(control.id),
                                 GetModuleHandleA(nullptr), const_cast<ControlDescription*>(&d));
  if (control.hwnd == nullptr) return false;
  control.text = d.text;
  HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
  if (d.kind == ControlKind::编辑框) ConfigureEdit(control);
  else if (d.kind == ControlKind::按钮)
    SendMessageA(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return true;
}

void WindowObject::ConfigureEdit(ControlState& control) {
  const ControlDescription& d = *control.description;
  HWND edit = control.hwnd;
  HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (!d.multiLine) {
    // A single-line box lower than its text is made just high enough to show it.
    TEXTMETRICA tm{};
    HDC dc = GetDC(edit);
    {
      SelectedObject selected(dc, font);
      GetTextMetricsA(dc, &tm);
    }
    ReleaseDC(edit, dc);
    int needed = tm.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE);
    if (d.height < needed)
      SetWindowPos(edit, nullptr, 0, 0, d.width, needed, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageA(edit, EM_LIMITTEXT, d.maxLength, 0);
  SendMessageA(edit, EM_SETSEL, d.selStart, d.selStart + d.selLength);
  SendMessageA(edit, EM_SCROLLCARET, 0, 0);
  if (d.thinBorder) {
    LONG ex = GetWindowLongA(edit, GWL_EXSTYLE);
    SetWindowLongA(edit, GWL_EXSTYLE, ex & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME));
    SetWindowPos(edit, nullptr, 0, 0, 0, 0, kStyleChangeFlags);
    SetWindowLongA(edit, GWL_STYLE, GetWindowLongA(edit, GWL_STYLE) | WS_BORDER);
    SetWindowPos(edit, nullptr, 0, 0, 0, 0, kStyleChangeFlags);
  }
  if (!editBrush_) editBrush_.reset(CreateSolidBrush(d.backColor));
  auto previous = SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc));
  SetWindowLongPtrA(edit, GWLP_USERDATA, previous);
}

bool WindowObject::Build() {
  const WindowDescription& d = description_;
  ++g_eventHold;
  struct Release {
    bool done = false;
    void operator()() {
      if (!done) --g_eventHold;
      done = true;
    }
    ~Release() { (*this)(); }
  } release;

  if (!CreateMainWindow()) return false;
  controls_.clear();
  for (const ControlDescription& c : d.controls) controls_.push_back(ControlState{&c, nullptr, 0, {}});
  // Created in reverse list order; the first one created gets the first identifier.
  int id = kFirstControlId;
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it, id += kControlIdStep) {
    it->id = id;
    if (!CreateControl(*it)) return false;
  }
  // Stacking follows the list: the first control on top, each next one right below it.
  HWND previous = HWND_TOP;
  for (ControlState& c : controls_) {
    SetWindowPos(c.hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = c.hwnd;
  }
  for (ControlState& c : controls_) ShowWindow(c.hwnd, c.description->visible ? SW_SHOWNA : SW_HIDE);
  release();

  HWND self = hwnd_;
  RaiseEvent(*this, d.unit, Event::Created);
  if (IsWindow(self)) RaiseEvent(*this, d.unit, Event::Moved);
  if (IsWindow(self)) RaiseEvent(*this, d.unit, Event::Resized);
  if (IsWindow(self) && d.visible) ShowWindow(self, SW_SHOW);
  return IsWindow(self) != FALSE;
}

bool LoadWindow(WindowSlot& slot) {
  if (slot.window != nullptr) return true;
  auto* window = new WindowObject(*slot.description);
  slot.window = window;
  if (window->Build()) return true;
  // Already destroyed and freed through its final destruction.
  if (slot.window != window) return false;
  // A half-built window goes away at once; its final destruction clears the slot and frees it.
  if (window->hwnd() != nullptr && IsWindow(window->hwnd())) {
    DestroyWindow(window->hwnd());
  } else {
    slot.window = nullptr;
    delete window;
  }
  return false;
}

bool LoadInstallerWindow() {
  WindowSlot* slot = FindWindowSlot(InstallerWindow.window);
  return slot != nullptr && LoadWindow(*slot);
}
