#pragma once
// File and message-box operations of the install action. They report by result and show nothing,
// except ShowMessageBox, whose job it is.
#include <windows.h>

#include <cstdint>
#include <initializer_list>

#include "install/byte_block.h"

bool CreateFolder(const char* path);
bool WriteBlocksToFile(const char* path, std::initializer_list<const ByteBlock*> blocks);

// Which button closed a message box.
enum MessageBoxResult : std::int32_t { kOk = 0, kCancel, kAbort, kRetry, kIgnore, kYes, kNo };
std::int32_t ShowMessageBox(const char* text, std::int32_t style, const char* title = nullptr,
                            HWND owner = nullptr);
