#pragma once
// The full-screen curtain: the artwork, faded in over the desktop just before the session locks.
#include <windows.h>

namespace quorvane {

class Curtain {
public:
    // Registers the window class and finds the artwork among the module's resources.
    bool prepare(HINSTANCE instance);
    // Covers every monitor with the artwork, fully transparent at first.
    void show();
    // Raises the opacity one step; true once it is opaque.
    bool fadeStep();
    void hide();
    bool shown() const { return window_ != nullptr; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void paint(HWND window);

    HINSTANCE instance_ = nullptr;
    const BITMAPINFO* art_ = nullptr;
    const void* bits_ = nullptr;
    HWND window_ = nullptr;
    int step_ = 0;
};

// Number of fade steps; the owner drives them with a timer.
inline constexpr int kFadeSteps = 24;

}  // namespace quorvane
