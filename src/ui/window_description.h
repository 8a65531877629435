#pragma once
// The constant description of a window: its own properties, its controls in list order and the
// bindings of its events to handlers. The builder reads it; nothing changes it at run time.
#include <windows.h>

#include <cstdint>
#include <span>

enum class ControlKind { 窗口, 编辑框, 按钮, 透明标签 };

enum class Event { Created, Moved, Resized, Clicked, TextChanged };

using Handler = void (*)();

struct EventBinding {
  std::uint32_t source;  // unit number of the window or of one of its controls
  Event event;
  Handler handler;
};

// Stands for the system's button-face colour wherever a colour is used.
inline constexpr COLORREF kSystemButtonFace = 0xFF000000;
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);

enum class HAlign { Left, Centre, Right };
enum class VAlign { Top, Centre, Bottom };

struct ControlDescription {
  ControlKind kind;
  std::uint32_t unit;
  const char* name;
  int left, top, width, height;
  const char* tag = "";
  bool visible = true;
  bool disabled = false;
  bool tabStop = false;
  int tabOrder = 0;
  const char* text = "";  // edit text, button caption or label text
  COLORREF textColor = kBlack;
  COLORREF backColor = kWhite;
  HAlign hAlign = HAlign::Left;
  VAlign vAlign = VAlign::Centre;
  // 编辑框
  bool thinBorder = false;
  bool multiLine = false;
  bool readOnly = false;
  int maxLength = 0;
  char passwordChar = '*';
  int selStart = 0, selLength = 0;
  // 按钮
  bool defaultButton = false;
  // 透明标签
  bool wordWrap = false;
};

enum class Border { None, Thin, Sizable };
enum class StartPosition { Manual, ScreenCentre };

struct WindowDescription {
  std::uint32_t number;
  std::uint32_t unit;
  const char* name;
  int left, top, width, height;
  const char* tag = "";
  bool visible = true;
  bool disabled = false;
  const char* title = "";
  Border border = Border::Thin;
  COLORREF backColor = kSystemButtonFace;
  bool controlBox = true;
  bool maximizeBox = false;
  bool minimizeBox = true;
  StartPosition startPosition = StartPosition::ScreenCentre;
  bool movable = true;
  bool enterMovesFocus = false;
  bool escCloses = false;
  bool f1OpensHelp = false;
  bool showInTaskbar = true;
  bool topMost = false;
  const char* className = "";  // empty: the shared class "WTWindow"
  std::span<const ControlDescription> controls;
  std::span<const EventBinding> bindings;
};

// Unit numbers of the installer window's controls.
inline constexpr std::uint32_t 编辑框1 = 0x16010002;
inline constexpr std::uint32_t 按钮2 = 0x16010003;
inline constexpr std::uint32_t 按钮1 = 0x16010004;
inline constexpr std::uint32_t 透明标签1 = 0x16010005;

// The installer's window descriptions, as start-up loads them into the window table.
std::span<const WindowDescription* const> WindowDescriptions();

// Handlers bound in the descriptions.
void OnWindowCreated();
void OnCancelClicked();
void OnInstallClicked();
