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

 private:
  int TrackPopup(HWND window, HMENU popup, POINT at);

  HINSTANCE instance;
};
