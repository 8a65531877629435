#include "install/shell_ops.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <vector>

#include "app/handles.h"
#include "install/text.h"

namespace {

constexpr std::int32_t kDesktopFolder = 3;

}  // namespace

void EndWithBackslash(char (&path)[261]) {
  std::size_t n = std::strlen(path);
  if (n == 0 || path[n - 1] == '\\' || n + 1 >= sizeof path) return;
  path[n] = '\\';
  path[n + 1] = '\0';
}

char* GetSpecialFolder(std::int32_t folder) {
  if (folder != kDesktopFolder) return nullptr;
  // One byte more than MAX_PATH: a 259-character path plus the added backslash still fits.
  char path[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE)) return nullptr;
  EndWithBackslash(path);
  return path[0] != '\0' ? CopyText(path) : nullptr;
}

bool ShortcutFileName(const char* linkPath, char (&out)[260]) {
  const char* source = linkPath ? linkPath : "";
  const char* suffix = std::strchr(source, '.') ? "" : ".lnk";
  const std::size_t n = std::strlen(source), extra = std::strlen(suffix);
  out[0] = '\0';
  if (n + extra >= sizeof out) return false;
  std::memcpy(out, source, n);
  std::memcpy(out + n, suffix, extra + 1);
  return true;
}

bool CreateShortcut(const char* linkPath, const char* targetPath, const char* description,
                    const char* arguments, const char* workingDirectory) {
  ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.put_void())))
    return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;

  // Setting a property may fail (an empty target, say); the link is saved all the same.
  link->SetPath(targetPath ? targetPath : "");
  link->SetShowCmd(SW_SHOW);
  if (description) link->SetDescription(description);
  if (arguments) link->SetArguments(arguments);
  if (workingDirectory) link->SetWorkingDirectory(workingDirectory);

  char name[MAX_PATH];
  if (!ShortcutFileName(linkPath, name)) return false;
  // IPersistFile takes nothing but UTF-16; the name is converted from the ANSI code page here only.
  std::vector<wchar_t> wide(std::strlen(name) + 1);
  if (MultiByteToWideChar(CP_ACP, 0, name, -1, wide.data(), static_cast<int>(wide.size())) == 0)
    return false;
  return SUCCEEDED(file->Save(wide.data(), TRUE));
}
