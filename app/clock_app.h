#pragma once
// The application window layer: single-instance guard, window class and
// window creation, and the message loop.

#include "app/window_base.h"

struct CreateParams {
  HINSTANCE instance;
  HWND owner;
  WNDPROC windowProcedure;  // null: ClockApp::DefaultWindowProc
  const char* title;        // also the mutex name and the message box caption
  const char* className;
  WORD acceleratorId;
  WORD iconId;
  WORD smallIconId;
  WORD menuId;
  WORD cursorId;            // 0xFFFF: arrow cursor and the window colour
  COLORREF backgroundColor; // read only when cursorId is not 0xFFFF
  DWORD exStyle;
  DWORD style;
  int x, y, width, height;  // negative: CW_USEDEFAULT
  int showCommand;
  DWORD flags;              // 1: no instance guard, 2/4: centre horizontally/vertically
};

constexpr DWORD kCreateNoGuard = 0x1;
constexpr DWORD kCreateCentreX = 0x2;
constexpr DWORD kCreateCentreY = 0x4;

class ClockApp : public WindowBase {
 public:
  ClockApp() = default;
  ~ClockApp() override = default;

  // Creates the application window; null when another copy runs (after
  // raising it and telling the user), or when registration or creation fails.
  HWND Create(CreateParams& params);

  // The message loop: the WM_QUIT code, 0 at once without a window, -1 when
  // retrieving a message fails.
  int Run();

  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  static LRESULT CALLBACK DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // The single-instance guard: true when another copy holds the mutex
  // `name` (it exists, whether or not this copy may open it); otherwise the
  // new mutex goes to `guardOut`, or null when none could be made.
  static bool AnotherCopyRuns(const char* name, HANDLE* guardOut);

 protected:
  // The shared icon of group `id` at the size that the system metrics
  // `widthMetric` and `heightMetric` give (SM_CXICON and SM_CYICON, or the
  // small-icon pair), so that the group's image of exactly that size is
  // taken rather than another one stretched. Shared icons are never destroyed.
  static HICON LoadIconForMetrics(HINSTANCE instance, WORD id, int widthMetric, int heightMetric);

  // The object bound to `window`, or null before WM_CREATE.
  static ClockApp* BoundObject(HWND window);
  // At WM_CREATE: binds the object that Create passed along to `window`.
  static ClockApp* BindAtCreate(HWND window, LPARAM createStruct);

 private:
  // The text shown to a second copy.
  static const char* const kAlreadyRunning;
};
