#include "curtain.h"

#include "quorvane.h"

namespace quorvane {

bool Curtain::prepare(HINSTANCE instance) {
    instance_ = instance;
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(kCurtainBitmap), MAKEINTRESOURCEA(2));  // RT_BITMAP
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    art_ = loaded ? static_cast<const BITMAPINFO*>(LockResource(loaded)) : nullptr;
    if (!art_) return false;
    // A 32-bit BI_RGB bitmap has no colour table: the pixels follow the header.
    bits_ = reinterpret_cast<const BYTE*>(art_) + art_->bmiHeader.biSize;

    WNDCLASSA wc{};
    wc.lpfnWndProc = &Curtain::procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.lpszClassName = kCurtainClass;
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void Curtain::show() {
    if (window_ || !art_) return;
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED, kCurtainClass, "Quorvane",
                              WS_POPUP, x, y, w, h, nullptr, nullptr, instance_, this);
    if (!window_) return;
    step_ = 0;
    SetLayeredWindowAttributes(window_, 0, 0, LWA_ALPHA);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
}

bool Curtain::fadeStep() {
    if (!window_) return true;
    if (step_ < kFadeSteps) ++step_;
    SetLayeredWindowAttributes(window_, 0, static_cast<BYTE>(step_ * 255 / kFadeSteps), LWA_ALPHA);
    return step_ >= kFadeSteps;
}

void Curtain::hide() {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
}

void Curtain::paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT area;
    GetClientRect(window, &area);
    const LONG artHeight = art_->bmiHeader.biHeight < 0 ? -art_->bmiHeader.biHeight : art_->bmiHeader.biHeight;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);  // HALFTONE needs the brush origin reset after the mode
    StretchDIBits(dc, 0, 0, area.right, area.bottom, 0, 0, art_->bmiHeader.biWidth, artHeight, bits_, art_,
                  DIB_RGB_COLORS, SRCCOPY);
    EndPaint(window, &ps);
}

LRESULT CALLBACK Curtain::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Curtain*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Curtain*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_PAINT:
        if (self) {
            self->paint(window);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1;  // the artwork covers everything; erasing would flash
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace quorvane
