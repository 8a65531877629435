#include "install/text.h"

#include <windows.h>

#include <cstring>

#include "app/application.h"

namespace {

HANDLE TextHeap() {
  HANDLE heap = App().heap;
  return heap != nullptr ? heap : GetProcessHeap();
}

}  // namespace

std::int32_t TextLength(const char* text) {
  return text == nullptr ? 0 : static_cast<std::int32_t>(std::strlen(text));
}

char* AllocateText(std::int32_t size) {
  void* block = size > 0 ? HeapAlloc(TextHeap(), 0, static_cast<SIZE_T>(size)) : nullptr;
  if (block == nullptr) {
    char message[64];
    wsprintfA(message, "分配 %d 字节内存失败!", size);
    FatalError(message, 0);
  }
  return static_cast<char*>(block);
}

char* CopyText(const char* text) { return JoinTexts({text}); }

char* JoinTexts(std::initializer_list<const char*> parts) {
  std::int64_t total = 1;
  for (const char* part : parts) total += TextLength(part);
  // A sum past the int32 range cannot be a block anyone could give; report it as the failure it is.
  char* block = AllocateText(total > INT32_MAX ? -1 : static_cast<std::int32_t>(total));
  char* out = block;
  for (const char* part : parts) {
    const std::int32_t n = TextLength(part);
    if (n > 0) std::memcpy(out, part, static_cast<std::size_t>(n));
    out += n;
  }
  *out = '\0';
  return block;
}

void ReleaseText(char* text) {
  if (text != nullptr) HeapFree(TextHeap(), 0, text);
}
