#pragma once
// The display scale of a window. Sizes the program stores are pixels at
// 100 % (96 DPI); drawing and frames follow the DPI of the monitor the
// window is on. The per-monitor calls exist from Windows 10 on and are
// looked up at run time, with the system-wide values as the fallback.

#include <windows.h>

namespace dpi {

constexpr UINT kDefault = 96;

// The DPI of `window`'s monitor.
UINT ForWindow(HWND window);

// `pixels` at 100 % scaled to `dpi`, rounded to the nearest pixel.
int Scale(int pixels, UINT dpi);

// AdjustWindowRectEx with the frame and caption sizes of `dpi`.
void AdjustWindowRect(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace dpi
