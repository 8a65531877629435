#pragma once
// A live window built from its description: its handle, its controls' handles and the little
// state the window layer keeps while it runs.
#include <windows.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/handles.h"
#include "ui/window_description.h"

struct ControlState {
  const ControlDescription* description;
  HWND hwnd = nullptr;
  int id = 0;
  std::string text;  // the text property, refreshed by each read
};

class WindowObject {
 public:
  explicit WindowObject(const WindowDescription& description) : description_(description) {}
  WindowObject(const WindowObject&) = delete;
  WindowObject& operator=(const WindowObject&) = delete;

  const WindowDescription& description() const { return description_; }
  HWND hwnd() const { return hwnd_; }
  std::vector<ControlState>& controls() { return controls_; }
  ControlState* FindControl(std::uint32_t unit);
  ControlState* FindControl(HWND hwnd);
  HBRUSH EditBrush() const { return static_cast<HBRUSH>(editBrush_.get()); }

  bool destroyPending = false;

  // Builds the window and its controls, raises the created event and shows it.
  bool Build();
  // Handles a queued destroy request.
  void HandleDestroyRequest();
  // Offers a message to the window's key handling before dispatch; true when consumed.
  bool PreTranslate(const MSG& msg);

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static WindowObject* FromHandle(HWND hwnd);

 private:
  bool CreateMainWindow();
  bool CreateControl(ControlState& control);
  void ConfigureEdit(ControlState& control);

  LRESULT OnPaint();
  LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
  LRESULT OnControlColor(HDC dc, HWND control);
  void OnSetFocus();
  void OnActivate(WPARAM wParam);
  void OnFinalDestroy();

  void FocusFirstControl();
  void MoveFocus(bool backwards);
  std::vector<ControlState*> TabCandidates();
  bool IsCandidate(const ControlState& c) const;
  void RaiseClicked(ControlState& control);

  const WindowDescription& description_;
  HWND hwnd_ = nullptr;
  std::vector<ControlState> controls_;
  HWND lastFocus_ = nullptr;
  HFONT font_ = nullptr;  // stock object: never deleted
  GdiObject editBrush_;
};

// Holds back events while windows are being built; above zero, raised events reach no handler.
extern int g_eventHold;

// Calls the handler bound to (source, event) in the window's description, if any.
void RaiseEvent(const WindowObject& window, std::uint32_t source, Event event);

// Offers a message to the key handling of its target window and that window's parents.
bool PreTranslateMessage(const MSG& msg);

bool LoadInstallerWindow();
bool LoadWindow(WindowSlot& slot);

// A fresh heap copy of a control's text, or null when it is empty. The caller releases it.
char* ReadControlText(UnitRef control);

// The label's window class; registered on first use.
const char* LabelClassName();
