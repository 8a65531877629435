#include "ui/window_description.h"

#include "app/application.h"

namespace {

constexpr ControlDescription kInstallerControls[] = {
    {.kind = ControlKind::编辑框, .unit = 编辑框1, .name = "编辑框1",
     .left = 24, .top = 32, .width = 280, .height = 32,
     .visible = true, .disabled = true, .tabStop = true, .tabOrder = 0,
     .text = "C:\\Program Files\\zavik\\Quorvane.exe",
     .textColor = kBlack, .backColor = kWhite,
     .thinBorder = true, .maxLength = 0, .passwordChar = '*', .selStart = 0, .selLength = 0},
    {.kind = ControlKind::按钮, .unit = 按钮2, .name = "按钮2",
     .left = 232, .top = 72, .width = 72, .height = 40,
     .visible = true, .disabled = false, .tabStop = true, .tabOrder = 0,
     .text = "取消", .hAlign = HAlign::Centre, .vAlign = VAlign::Centre},
    {.kind = ControlKind::按钮, .unit = 按钮1, .name = "按钮1",
     .left = 144, .top = 72, .width = 72, .height = 40,
     .visible = true, .disabled = false, .tabStop = true, .tabOrder = 0,
     .text = "安装", .hAlign = HAlign::Centre, .vAlign = VAlign::Centre},
    {.kind = ControlKind::透明标签, .unit = 透明标签1, .name = "透明标签1",
     .left = 3, .top = 0, .width = 117, .height = 24,
     .visible = true, .disabled = false, .tabStop = false, .tabOrder = 0,
     .text = "Quorvane安装程序", .textColor = kBlack,
     .hAlign = HAlign::Left, .vAlign = VAlign::Centre, .wordWrap = false},
};

constexpr EventBinding kInstallerBindings[] = {
    {InstallerWindow.unit, Event::Created, OnWindowCreated},
    {按钮1, Event::Clicked, OnInstallClicked},
    {按钮2, Event::Clicked, OnCancelClicked},
};

constexpr WindowDescription kInstallerWindow{
    .number = InstallerWindow.window, .unit = InstallerWindow.unit, .name = "InstallerWindow",
    .left = 50, .top = 50, .width = 322, .height = 111,
    .visible = true, .disabled = false,
    .title = "Quorvane安装程序",
    .border = Border::None,
    .backColor = kSystemButtonFace,
    .controlBox = true, .maximizeBox = false, .minimizeBox = true,
    .startPosition = StartPosition::ScreenCentre,
    .movable = true,
    .enterMovesFocus = false, .escCloses = true, .f1OpensHelp = false,
    .showInTaskbar = true, .topMost = false,
    .className = "",
    .controls = kInstallerControls,
    .bindings = kInstallerBindings,
};

constexpr const WindowDescription* kDescriptions[] = {&kInstallerWindow};

}  // namespace

std::span<const WindowDescription* const> WindowDescriptions() { return kDescriptions; }

void OnWindowCreated() {}

void OnCancelClicked() { RequestDestroy(InstallerWindow); }
