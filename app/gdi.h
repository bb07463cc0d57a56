#pragma once
// Owners for the drawing objects the program creates. Each is move-only, so
// a handle has exactly one owner and is deleted exactly once. Reset deletes
// the old handle before it takes the new one.

#include <windows.h>

#include <utility>

namespace gdi {

// Live objects made through these owners, for leak checks in tests.
int LiveObjects();

namespace detail {
void Created();
void Deleted();
}  // namespace detail

// A brush, font or bitmap: deleted with DeleteObject.
template <typename Handle>
class Object {
 public:
  Object() = default;
  explicit Object(Handle h) { Reset(h); }
  ~Object() { Reset(); }

  Object(Object&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
  Object& operator=(Object&& other) noexcept {
    if (this != &other) {
      Reset();
      handle = std::exchange(other.handle, nullptr);
    }
    return *this;
  }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // Deletes the held object first, then takes `h` (which may be null).
  void Reset(Handle h = nullptr) {
    if (handle != nullptr) {
      DeleteObject(handle);
      detail::Deleted();
    }
    handle = h;
    if (handle != nullptr) detail::Created();
  }

  Handle Get() const { return handle; }
  explicit operator bool() const { return handle != nullptr; }

 private:
  Handle handle = nullptr;
};

using Brush = Object<HBRUSH>;
using Font = Object<HFONT>;
using Bitmap = Object<HBITMAP>;

// A memory device context made with CreateCompatibleDC, deleted with DeleteDC.
class MemoryDC {
 public:
  MemoryDC() = default;
  explicit MemoryDC(HDC compatibleWith) { Reset(compatibleWith); }
  ~MemoryDC() { Reset(); }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;

  // Deletes the held context first, then makes one compatible with
  // `compatibleWith` (none when null).
  void Reset(HDC compatibleWith = nullptr) {
    if (dc != nullptr) {
      DeleteDC(dc);
      detail::Deleted();
      dc = nullptr;
    }
    if (compatibleWith == nullptr) return;
    dc = CreateCompatibleDC(compatibleWith);
    if (dc != nullptr) detail::Created();
  }

  HDC Get() const { return dc; }
  explicit operator bool() const { return dc != nullptr; }

 private:
  HDC dc = nullptr;
};

// A window's device context for the length of a scope (GetDC / ReleaseDC).
class WindowDC {
 public:
  explicit WindowDC(HWND w) : window(w), dc(GetDC(w)) {}
  ~WindowDC() {
    if (dc != nullptr) ReleaseDC(window, dc);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;

  HDC Get() const { return dc; }

 private:
  HWND window;
  HDC dc;
};

// BeginPaint / EndPaint for the length of a WM_PAINT handler.
class PaintDC {
 public:
  explicit PaintDC(HWND w) : window(w) { dc = BeginPaint(window, &paint); }
  ~PaintDC() { EndPaint(window, &paint); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;

  HDC Get() const { return dc; }

 private:
  HWND window;
  PAINTSTRUCT paint{};
  HDC dc;
};

// Selects an object into a device context and puts the previous one back.
// A null object selects nothing.
class Selection {
 public:
  Selection(HDC d, HGDIOBJ object)
      : dc(d), previous(object != nullptr && d != nullptr ? SelectObject(d, object) : nullptr) {}
  ~Selection() {
    if (previous != nullptr) SelectObject(dc, previous);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc;
  HGDIOBJ previous;
};

}  // namespace gdi
