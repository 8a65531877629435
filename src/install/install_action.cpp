// What the install button does.
#include "app/application.h"
#include "install/file_ops.h"
#include "install/shell_ops.h"
#include "install/text.h"
#include "ui/window.h"
#include "ui/window_description.h"

namespace {

constexpr const char kInstallFolder[] = "C:\\Program Files\\zavik";
constexpr const char kShortcutWorkingDirectory[] = "C:\\Program Files\\zavik\\";
constexpr const char kShortcutName[] = "Quorvane.lnk";
constexpr const char kInstallSucceeded[] = "安装成功！";
constexpr const char kInstallFailed[] = "安装失败！";
constexpr const char kEmptyText[] = "";
constexpr std::int32_t kInformationStyle = MB_ICONINFORMATION;
constexpr std::int32_t kDesktopFolder = 3;
constexpr UnitRef kPathBox{InstallerWindow.window, 编辑框1};

}  // namespace

// Every step runs whatever the earlier ones returned; only the write decides the message.
void OnInstallClicked() {
  CreateFolder(kInstallFolder);

  char* pathText = ReadControlText(kPathBox);
  const bool written = WriteBlocksToFile(pathText ? pathText : kEmptyText, {&PayloadImage});
  ReleaseText(pathText);

  ShowMessageBox(written ? kInstallSucceeded : kInstallFailed, kInformationStyle);

  char* folderText = GetSpecialFolder(kDesktopFolder);
  char* linkPath = JoinTexts({folderText, kShortcutName});
  ReleaseText(folderText);
  char* targetPath = ReadControlText(kPathBox);
  CreateShortcut(linkPath, targetPath ? targetPath : kEmptyText, nullptr, nullptr,
                 kShortcutWorkingDirectory);
  ReleaseText(linkPath);
  ReleaseText(targetPath);

  RequestDestroy(InstallerWindow);
}
