// Keyboard handling before dispatch, focus placement and Tab navigation.
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "ui/window.h"

namespace {

bool Down(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// The character a key stands for after Alt: letters and digits, keypad digits as digits.
char AccessCharacter(WPARAM key) {
  if (key >= '0' && key <= '9') return static_cast<char>(key);
  if (key >= 'A' && key <= 'Z') return static_cast<char>(key);
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return static_cast<char>('0' + (key - VK_NUMPAD0));
  return 0;
}

// True when text holds "&" followed by c (letters in either case); "&&" is a literal ampersand.
bool HasAccessMark(const char* text, char c) {
  for (const char* p = text; *p != '\0'; p = CharNextA(p)) {
    if (*p != '&') continue;
    ++p;
    if (*p == '\0') break;
    if (*p == '&') continue;
    if (std::toupper(static_cast<unsigned char>(*p)) == c) return true;
  }
  return false;
}

bool IsDefaultPushButton(HWND hwnd) {
  return hwnd && IsWindowEnabled(hwnd) &&
         (GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// A multi-line, writable edit box keeps Enter for itself.
bool ControlClaims(const ControlState* focused, WPARAM key) {
  if (focused == nullptr || focused->description->kind != ControlKind::编辑框) return false;
  LONG style = GetWindowLongA(focused->hwnd, GWL_STYLE);
  return key == VK_RETURN && (style & ES_MULTILINE) && !(style & ES_READONLY);
}

}  // namespace

bool WindowObject::IsCandidate(const ControlState& c) const {
  return c.hwnd && c.description->kind != ControlKind::透明标签 && IsWindowVisible(c.hwnd) &&
         IsWindowEnabled(c.hwnd) && (GetWindowLongA(c.hwnd, GWL_STYLE) & WS_TABSTOP);
}

std::vector<ControlState*> WindowObject::TabCandidates() {
  // Ordered by tab order; among equals, a control later in the list comes first.
  std::vector<ControlState*> list;
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if (IsCandidate(*it)) list.push_back(&*it);
  std::stable_sort(list.begin(), list.end(), [](const ControlState* a, const ControlState* b) {
    return a->description->tabOrder < b->description->tabOrder;
  });
  return list;
}

void WindowObject::FocusFirstControl() {
  ControlState* choice = nullptr;
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    if (!IsCandidate(*it)) continue;
    if (choice == nullptr || it->description->tabOrder < choice->description->tabOrder) choice = &*it;
  }
  if (choice != nullptr) SetFocus(choice->hwnd);
}

void WindowObject::MoveFocus(bool backwards) {
  std::vector<ControlState*> list = TabCandidates();
  if (list.empty()) return;
  auto current = std::find(list.begin(), list.end(), FindControl(GetFocus()));
  std::size_t next;
  if (current == list.end()) {
    next = backwards ? list.size() - 1 : 0;
  } else {
    std::size_t at = static_cast<std::size_t>(current - list.begin());
    next = backwards ? (at + list.size() - 1) % list.size() : (at + 1) % list.size();
  }
  SetFocus(list[next]->hwnd);
}

bool WindowObject::PreTranslate(const MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  if (!IsWindowEnabled(msg.hwnd)) return false;
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;

  const WPARAM key = msg.wParam;
  const bool ctrl = Down(VK_CONTROL), shift = Down(VK_SHIFT), alt = Down(VK_MENU);
  ControlState* focused = FindControl(GetFocus());
  if (ControlClaims(focused, key)) return false;

  if (key == VK_TAB && !ctrl && !alt) {
    MoveFocus(shift);
    return true;
  }
  if (key == VK_RETURN && !ctrl && !shift && !alt) {
    if (focused && focused->description->kind == ControlKind::按钮 && IsDefaultPushButton(focused->hwnd)) {
      RaiseClicked(*focused);
      return true;
    }
    if (description_.enterMovesFocus) {
      MoveFocus(false);
      return true;
    }
    for (ControlState& c : controls_) {
      if (c.description->kind == ControlKind::按钮 && IsDefaultPushButton(c.hwnd)) {
        RaiseClicked(c);
        return true;
      }
    }
    return false;
  }
  if (key == VK_ESCAPE && !ctrl && !shift && !alt) {
    if (!description_.escCloses) return false;
    SendMessageA(hwnd_, WM_CLOSE, 0, 0);
    return true;
  }
  if (alt && !ctrl && !shift) {
    const char c = AccessCharacter(key);
    if (c == 0) return false;
    for (ControlState& control : controls_) {
      const ControlKind kind = control.description->kind;
      if (kind != ControlKind::按钮 && kind != ControlKind::透明标签) continue;
      if (!IsWindowVisible(control.hwnd) || !IsWindowEnabled(control.hwnd)) continue;
      if (!HasAccessMark(control.description->text, c)) continue;
      if (kind == ControlKind::按钮) {
        RaiseClicked(control);
      } else {
        SetFocus(control.hwnd);
        MoveFocus(false);
      }
      return true;
    }
  }
  return false;
}

bool PreTranslateMessage(const MSG& msg) {
  for (HWND h = msg.hwnd; h != nullptr; h = GetParent(h)) {
    if (WindowObject* window = WindowObject::FromHandle(h); window && window->PreTranslate(msg))
      return true;
  }
  return false;
}
