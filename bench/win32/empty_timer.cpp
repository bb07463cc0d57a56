// The floor of the clock benchmark: what any program costs that keeps a
// small topmost window and a 500 ms timer, and does nothing at a tick.
// Measured beside the clock, it shows how much of the clock's cost per
// tick is its own work and how much is the platform's price of a timer.

#include <windows.h>

namespace {

constexpr UINT_PTR kTimerId = 100;
constexpr UINT kTimerInterval = 500;  // the clock's tick

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "ZorvaneBenchFloor";
  if (!RegisterClassA(&wc)) return 1;

  // A topmost tool window of about the clock's size, shown without taking
  // the foreground from the window in front, as the docked clock is.
  HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, "floor",
                                WS_POPUP | WS_BORDER, 0, 0, 160, 20, nullptr, nullptr, instance,
                                nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  SetTimer(window, kTimerId, kTimerInterval, nullptr);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
