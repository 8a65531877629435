#include <windows.h>

#include <string>

#include "install/text.h"
#include "ui/window.h"

char* ReadControlText(UnitRef control) {
  WindowSlot* slot = FindWindowSlot(control.window);
  ControlState* state = slot && slot->window ? slot->window->FindControl(control.unit) : nullptr;
  if (state == nullptr || state->hwnd == nullptr || !IsWindow(state->hwnd))
    FatalError("指定窗口尚未载入", 0);
  int length = GetWindowTextLengthA(state->hwnd);
  std::string text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
  length = length > 0 ? GetWindowTextA(state->hwnd, text.data(), length + 1) : 0;
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  state->text = text;
  if (text.empty()) return nullptr;
  return CopyText(text.c_str());
}
