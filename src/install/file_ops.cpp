#include "install/file_ops.h"

#include "app/handles.h"

bool CreateFolder(const char* path) { return CreateDirectoryA(path ? path : "", nullptr) != FALSE; }

bool WriteBlocksToFile(const char* path, std::initializer_list<const ByteBlock*> blocks) {
  if (path == nullptr || path[0] == '\0') return false;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  // No sharing: nobody else may open the file while it is being written.
  FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  for (const ByteBlock* block : blocks) {
    const std::int32_t n = block ? block->Count() : 0;
    if (n <= 0) continue;
    DWORD written = 0;
    // One write straight from the block: the image is not copied or split.
    if (!WriteFile(file.get(), block->Content(), static_cast<DWORD>(n), &written, nullptr) ||
        written != static_cast<DWORD>(n))
      return false;  // the handle closes on the way out; that result does not matter any more
  }
  return file.reset();
}

std::int32_t ShowMessageBox(const char* text, std::int32_t style, const char* title, HWND owner) {
  UINT flags = static_cast<UINT>(style);
  if (!(flags & MB_SYSTEMMODAL)) flags |= MB_TASKMODAL;
  switch (MessageBoxA(owner, text ? text : "", title ? title : "信息：", flags)) {
    case IDCANCEL: return kCancel;
    case IDABORT: return kAbort;
    case IDRETRY: return kRetry;
    case IDIGNORE: return kIgnore;
    case IDYES: return kYes;
    case IDNO: return kNo;
    default: return kOk;
  }
}
