// Zorvane: a small topmost clock that docks to the active application window.

#include <windows.h>

#include "clock/window_style.h"
#include "res/resource.h"
#include "settings/clock_settings.h"
#include "window/clock_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Every setting from one reading of the file. The caption is chosen
  // once, before the window exists; placement uses the same style for the
  // whole run.
  const zorvane::Settings settings = clock_settings::Load(instance);
  window_style::SetCaption(settings.clock.title != 0);

  int exitCode = 0;
  {
    ClockWindow clock;
    clock.UseSettings(settings);

    // Provisional size: the adjusted rectangle's right and bottom edges.
    RECT size;
    SetRect(&size, 0, 0, 360, 48);
    AdjustWindowRectEx(&size, window_style::Style(), FALSE, window_style::kExStyle);

    CreateParams params{};
    params.instance = instance;
    params.owner = nullptr;
    params.windowProcedure = ClockWindow::WindowProc;
    params.title = "Zorvane";
    params.className = "Zorvane02";
    params.acceleratorId = 0;
    params.iconId = IDI_CLOCK;
    params.smallIconId = IDI_CLOCK;
    params.menuId = 0;
    params.cursorId = 0xFFFF;
    params.backgroundColor = 0xFFFFFFFF;
    params.exStyle = window_style::kExStyle;
    params.style = window_style::Style();
    params.x = -1;
    params.y = -1;
    params.width = size.right;
    params.height = size.bottom;
    params.showCommand = SW_HIDE;
    params.flags = 0;

    clock.Create(params);
    SetForegroundWindow(clock.GetHwnd());
    exitCode = clock.Run();
  }
  return exitCode;
}
