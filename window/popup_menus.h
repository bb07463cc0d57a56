#pragma once
// The clock's popup menus (menu resource IDR_POPUP): the full menu and the
// one with Exit only, opened at the cursor or, from the keyboard, at the
// tray icon. The clock takes the foreground while a menu is open, as a menu
// must belong to the foreground window to close when the user clicks
// elsewhere.

#include <windows.h>

class PopupMenus {
 public:
  // The submenus of IDR_POPUP, by position.
  enum Submenu { kFull = 0, kExitOnly = 1 };

  explicit PopupMenus(HINSTANCE instance = nullptr) : instance(instance) {}

  void SetInstance(HINSTANCE module) { instance = module; }

  // Opens `submenu` owned by `window` at the cursor, or at `at`; returns
  // the command chosen, 0 for none. The caller carries the command out,
  // after the menu is gone.
  int TrackAtCursor(HWND window, Submenu submenu);
  int TrackAt(HWND window, Submenu submenu, POINT at);

  // After a menu of `clock`: whether the front goes back to `before`, the
  // window that had it when the menu opened. Only while the clock still
  // holds the front (`now`): the user may have switched meanwhile (Alt+Tab,
  // the Windows key, a program that activated itself), and taking the front
  // from that window would undo the switch or flash its taskbar button.
  // Only to a window that is shown (`beforeShown`: visible, not minimised):
  // the notification area's overflow flyout hides when the clock takes the
  // front, and a hidden window in front takes keystrokes nowhere. Never
  // after the settings command, whose dialog comes to the front.
  static bool GivesFrontBack(HWND clock, HWND before, HWND now, bool beforeShown, int command);

 private:
  int TrackPopup(HWND window, HMENU popup, POINT at);

  HINSTANCE instance;
};
