#include "app/dpi.h"

#include "app/gdi.h"

namespace dpi {
namespace {

// A user32 export that older systems lack, or null.
template <typename Function>
Function User32(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  FARPROC proc = user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
  // Through the generic function pointer type, which converts to any other.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

}  // namespace

UINT ForWindow(HWND window) {
  static const auto getDpiForWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    if (const UINT d = getDpiForWindow(window)) return d;
  }
  const gdi::WindowDC screen(nullptr);
  const int d = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return d > 0 ? static_cast<UINT>(d) : kDefault;
}

int Scale(int pixels, UINT dpi) {
  return dpi == kDefault ? pixels : MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(kDefault));
}

void AdjustWindowRect(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) {
  static const auto adjustForDpi = User32<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  if (adjustForDpi != nullptr && adjustForDpi(&rect, style, FALSE, exStyle, dpi)) return;
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

}  // namespace dpi
