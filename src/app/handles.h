#pragma once
// Owning wrappers for the Win32 handles the installer holds: one small type per handle kind,
// non-copyable and movable, plus scoped undo for calls that come in pairs.
#include <windows.h>
#include <utility>

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;
  UniqueHandle() = default;
  explicit UniqueHandle(Type h) : h_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Traits::Invalid()));
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Type get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  Type release() { return std::exchange(h_, Traits::Invalid()); }
  // Closes the held handle and reports whether that close succeeded (true when nothing was held).
  bool reset(Type h = Traits::Invalid()) {
    bool ok = true;
    if (h_ != Traits::Invalid()) ok = Traits::Close(h_);
    h_ = h;
    return ok;
  }

 private:
  Type h_ = Traits::Invalid();
};

struct FileTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};
struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return DeleteObject(h) != FALSE; }
};
struct IconTraits {
  using Type = HICON;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return DestroyIcon(h) != FALSE; }
};
struct WindowTraits {
  using Type = HWND;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return !IsWindow(h) || DestroyWindow(h) != FALSE; }
};

using FileHandle = UniqueHandle<FileTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using IconHandle = UniqueHandle<IconTraits>;
using WindowHandle = UniqueHandle<WindowTraits>;

// Selects an object into a device context and puts the previous one back on scope exit.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// BeginPaint on construction, EndPaint on scope exit.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  ~PaintScope() { EndPaint(hwnd_, &ps_); }
  HDC dc() const { return dc_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// A COM interface pointer, released on reset and on scope exit.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Releases the held pointer and returns the slot for an out-parameter.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};
