#include "window/popup_menus.h"

#include "app/handles.h"
#include "res/resource.h"
#include "window/start_with_windows.h"

namespace {

// TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_VERPOSANIMATION
constexpr UINT kMenuFlags = 0x1002;

}  // namespace

int PopupMenus::TrackAtCursor(HWND window, Submenu submenu) {
  POINT cursor{};
  GetCursorPos(&cursor);
  return TrackAt(window, submenu, cursor);
}

int PopupMenus::TrackAt(HWND window, Submenu submenu, POINT at) {
  const handles::Menu menu{LoadMenuA(instance, MAKEINTRESOURCEA(IDR_POPUP))};
  if (!menu) return 0;
  HMENU popup = GetSubMenu(menu.Get(), submenu);
  return popup != nullptr ? TrackPopup(window, popup, at) : 0;
}

int PopupMenus::TrackPopup(HWND window, HMENU popup, POINT at) {
  // The full menu's tick says whether Windows starts the clock now: the
  // user may have changed it in the system's start-up list meanwhile.
  wchar_t exe[MAX_PATH * 4];
  const bool on = start_with_windows::ThisExecutable(exe, sizeof exe / sizeof exe[0]) &&
                  start_with_windows::IsOn(start_with_windows::kUserKeys, exe);
  CheckMenuItem(popup, IDM_START_WITH_WINDOWS, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  // The menu must belong to the foreground window, or it stays open when
  // the user clicks elsewhere; the clock takes the foreground for the menu
  // only and gives it back where that is still right.
  const HWND before = GetForegroundWindow();
  SetForegroundWindow(window);
  const int command = static_cast<int>(
      TrackPopupMenu(popup, kMenuFlags | TPM_RETURNCMD, at.x, at.y, 0, window, nullptr));
  // As the menu's documentation asks for notification icons: without a
  // message after it, the next menu may close as soon as it opens.
  PostMessageA(window, WM_NULL, 0, 0);
  const bool beforeShown = before != nullptr && IsWindow(before) && IsWindowVisible(before) && !IsIconic(before);
  if (GivesFrontBack(window, before, GetForegroundWindow(), beforeShown, command)) SetForegroundWindow(before);
  return command;
}

bool PopupMenus::GivesFrontBack(HWND clock, HWND before, HWND now, bool beforeShown, int command) {
  return command != IDM_SETTINGS && before != nullptr && before != clock && now == clock && beforeShown;
}
