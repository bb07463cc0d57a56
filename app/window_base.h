#pragma once
// The common base of every window and dialog object: the handles and names
// the object keeps for its window, and a few small window operations.

#include <windows.h>

class WindowBase {
 public:
  WindowBase();
  virtual ~WindowBase();

  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  // Releases what the object owns (the class brush) and clears every field.
  // Neither destroys the window nor unregisters its class.
  void Reset();

  LRESULT SendToWindow(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT SendToItem(int controlId, UINT message, WPARAM wParam, LPARAM lParam);

  // Moves the window relative to the desktop: flags 0x01/0x02 centre,
  // 0x04/0x08 left/right edge, 0x10/0x20 top/bottom edge; later flags win.
  void PlaceOnDesktop(int x, int y, UINT flags);

  const RECT& GetRect();
  HWND GetHwnd() const { return window; }

  // A message box whose icon follows `kind`: '!' exclamation, '?' question,
  // 'S'/'s'/'X'/'x' hand, 'i' information, anything else none. A null owner
  // means this object's window. The texts are the clock's own (code page 932).
  int ShowMessage(const char* text, const char* caption, int kind, UINT style, HWND owner);

 protected:
  HINSTANCE instance;
  HWND window;
  HWND owner;
  RECT rectangle;
  HACCEL acceleratorTable;
  HANDLE guard;
  HBRUSH classBrush;
  char title[1024];
  char className[256];
};
