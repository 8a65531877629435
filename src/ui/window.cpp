#include "ui/window.h"

#include <algorithm>

int g_eventHold = 0;

void RaiseEvent(const WindowObject& window, std::uint32_t source, Event event) {
  if (g_eventHold > 0) return;
  for (const EventBinding& b : window.description().bindings) {
    if (b.source == source && b.event == event) {
      b.handler();
      return;
    }
  }
}

ControlState* WindowObject::FindControl(std::uint32_t unit) {
  for (ControlState& c : controls_)
    if (c.description->unit == unit) return &c;
  return nullptr;
}

ControlState* WindowObject::FindControl(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  for (ControlState& c : controls_)
    if (c.hwnd == hwnd) return &c;
  return nullptr;
}

WindowObject* WindowObject::FromHandle(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  for (WindowSlot& slot : App().windowTable)
    if (slot.window != nullptr && slot.window->hwnd_ == hwnd) return slot.window;
  return nullptr;
}

LRESULT CALLBACK WindowObject::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<WindowObject*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<WindowObject*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (self == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT:
      return self->OnPaint();
    case WM_COMMAND:
      return self->OnCommand(wParam, lParam);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return self->OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETFOCUS:
      self->OnSetFocus();
      return 0;
    case WM_ACTIVATE:
      self->OnActivate(wParam);
      return 0;
    case WM_SETFONT:
      // Plain windows keep no font; this one remembers it for whoever asks.
      self->font_ = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(self->font_);
    case WM_DESTROY_REQUEST:
      self->HandleDestroyRequest();
      return 0;
    case WM_NCDESTROY: {
      LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      self->OnFinalDestroy();  // deletes self
      return r;
    }
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

LRESULT WindowObject::OnPaint() {
  PaintScope paint(hwnd_);
  RECT clip;
  if (GetClipBox(paint.dc(), &clip) == ERROR) return 0;
  COLORREF color = description_.backColor == kSystemButtonFace ? GetSysColor(COLOR_BTNFACE)
                                                                : description_.backColor;
  GdiObject brush(CreateSolidBrush(color));
  GdiObject region(CreateRectRgnIndirect(&clip));
  if (brush && region) FillRgn(paint.dc(), static_cast<HRGN>(region.get()), static_cast<HBRUSH>(brush.get()));
  return 0;
}

LRESULT WindowObject::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  // Below 20000: a control's notification, handed back to the control. Menu commands
  // (20000 to 57599) have nowhere to go: the window has no menu. The rest are ignored.
  if (id >= 20000 || lParam == 0) return 0;
  ControlState* control = FindControl(reinterpret_cast<HWND>(lParam));
  if (control == nullptr) return 0;
  const UINT code = HIWORD(wParam);
  if (control->description->kind == ControlKind::按钮 && code == BN_CLICKED) {
    RaiseClicked(*control);
  } else if (control->description->kind == ControlKind::编辑框 && code == EN_CHANGE) {
    RaiseEvent(*this, control->description->unit, Event::TextChanged);
  }
  return 0;
}

void WindowObject::RaiseClicked(ControlState& control) {
  RaiseEvent(*this, control.description->unit, Event::Clicked);
}

LRESULT WindowObject::OnControlColor(HDC dc, HWND control) {
  ControlState* c = FindControl(control);
  // A disabled edit box asks with WM_CTLCOLORSTATIC; it still gets its own colours.
  if (c == nullptr || c->description->kind != ControlKind::编辑框 || !editBrush_)
    return DefWindowProcA(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
  SetTextColor(dc, c->description->textColor);
  SetBkColor(dc, c->description->backColor);
  return reinterpret_cast<LRESULT>(editBrush_.get());
}

void WindowObject::OnActivate(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (FindControl(focus) != nullptr) lastFocus_ = focus;
  }
}

void WindowObject::OnSetFocus() {
  if (lastFocus_ != nullptr && IsWindow(lastFocus_) && FindControl(lastFocus_) != nullptr) {
    SetFocus(lastFocus_);
    return;
  }
  FocusFirstControl();
}

void WindowObject::HandleDestroyRequest() {
  if (!destroyPending) return;
  destroyPending = false;
  DestroyWindow(hwnd_);
}

void WindowObject::OnFinalDestroy() {
  // The description asks for no accelerator table and no cursors, so nothing else is held here.
  for (WindowSlot& slot : App().windowTable)
    if (slot.window == this) slot.window = nullptr;
  if (!AnyWindowAlive() && App().loopEntered) PostQuitMessage(0);
  delete this;
}
