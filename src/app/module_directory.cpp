#include <windows.h>

#include <cstring>

#include "app/application.h"

void DirectoryOfPath(const char* path, char* out, std::size_t capacity) {
  if (capacity == 0) return;
  const char* lastSlash = nullptr;
  for (const char* p = path; *p != '\0'; p = CharNextA(p)) {
    if (*p == '\\') lastSlash = p;
  }
  std::size_t n = lastSlash ? static_cast<std::size_t>(lastSlash - path) : 0;
  if (n >= capacity) n = capacity - 1;
  std::memcpy(out, path, n);
  out[n] = '\0';
}
