#include <windows.h>

#include <cstring>

#include "app/application.h"

namespace {

// Appends src to out[len..], never past capacity - 1; returns the new length.
std::size_t Append(char* out, std::size_t len, std::size_t capacity, const char* src) {
  while (*src != '\0' && len + 1 < capacity) out[len++] = *src++;
  out[len] = '\0';
  return len;
}

}  // namespace

void FormatFatalText(const char* message, int code, char* out, std::size_t capacity) {
  if (capacity == 0) return;
  out[0] = '\0';
  std::size_t len = Append(out, 0, capacity, "运行时出错!\r\n\r\n");
  if (code != 0) {
    char number[16];
    wsprintfA(number, "%d", code);
    len = Append(out, len, capacity, "错误代码：");
    len = Append(out, len, capacity, number);
    len = Append(out, len, capacity, "\r\n\r\n");
  }
  if (message != nullptr && message[0] != '\0') {
    len = Append(out, len, capacity, "错误信息：");
    len = Append(out, len, capacity, message);
    Append(out, len, capacity, "\r\n");
  }
}

void FatalError(const char* message, int code) {
  // A fixed buffer: this also reports an exhausted heap, so it must not allocate.
  static char text[1024];
  FormatFatalText(message, code, text, sizeof text);
  MessageBoxA(nullptr, text, "错误", MB_ICONERROR);
  App().exitRoutines.clear();
  EndProgram(-1);
}
