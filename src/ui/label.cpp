// The transparent label: draws only its text, over whatever its parent painted beneath it.
#include <windows.h>

#include <string>

#include "ui/window.h"

namespace {

constexpr const char kLabelClass[] = "WTTransparentLabel";

UINT DrawFlags(const ControlDescription& d) {
  UINT flags = DT_NOCLIP;
  flags |= d.hAlign == HAlign::Centre ? DT_CENTER : d.hAlign == HAlign::Right ? DT_RIGHT : DT_LEFT;
  if (d.wordWrap) return flags | DT_WORDBREAK;
  flags |= DT_SINGLELINE;
  flags |= d.vAlign == VAlign::Centre ? DT_VCENTER : d.vAlign == VAlign::Bottom ? DT_BOTTOM : DT_TOP;
  return flags;
}

void PaintLabel(HWND hwnd, const ControlDescription& d) {
  PaintScope paint(hwnd);
  int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return;
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  length = GetWindowTextA(hwnd, text.data(), length + 1);
  if (length <= 0) return;
  SelectedObject font(paint.dc(), GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(paint.dc(), TRANSPARENT);
  SetTextColor(paint.dc(), d.textColor);
  RECT rc;
  GetClientRect(hwnd, &rc);
  DrawTextA(paint.dc(), text.c_str(), length, &rc, DrawFlags(d));
}

// After a move the parent paints what lies under the new place first, then the text follows.
void RepaintAfterMove(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  RECT rc;
  GetWindowRect(hwnd, &rc);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
  RedrawWindow(parent, &rc, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_PAINT:
      if (auto* d = reinterpret_cast<const ControlDescription*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))) {
        PaintLabel(hwnd, *d);
        return 0;
      }
      break;
    case WM_MOVE:
      RepaintAfterMove(hwnd);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

const char* LabelClassName() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!GetClassInfoExA(instance, kLabelClass, &wc)) {
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = LabelProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kLabelClass;
    RegisterClassExA(&wc);
  }
  return kLabelClass;
}
