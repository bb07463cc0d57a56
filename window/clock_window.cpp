#include "window/clock_window.h"

#include "res/resource.h"
#include "settings/settings_dialog.h"

namespace {

// TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_VERPOSANIMATION
constexpr UINT kMenuFlags = 0x1002;

// The fifteen position commands, in command id order from IDM_TOP_OUT_LEFT.
struct Position {
  int row;
  int column;
};
constexpr Position kPositions[] = {
    {zorvane::TopOutside, zorvane::Left},    {zorvane::TopOutside, zorvane::Centre},
    {zorvane::TopOutside, zorvane::Right},   {zorvane::TopInside, zorvane::Left},
    {zorvane::TopInside, zorvane::Centre},   {zorvane::TopInside, zorvane::Right},
    {zorvane::BottomInside, zorvane::Left},  {zorvane::BottomInside, zorvane::Centre},
    {zorvane::BottomInside, zorvane::Right}, {zorvane::BottomOutside, zorvane::Left},
    {zorvane::BottomOutside, zorvane::Centre}, {zorvane::BottomOutside, zorvane::Right},
    {zorvane::Taskbar, zorvane::Left},       {zorvane::Taskbar, zorvane::Centre},
    {zorvane::Taskbar, zorvane::Right},
};
static_assert(IDM_TASKBAR_RIGHT - IDM_TOP_OUT_LEFT + 1 == sizeof kPositions / sizeof kPositions[0],
              "one position per command");

}  // namespace

ClockWindow::ClockWindow()
    : trayData{}, trayIcon(nullptr), taskbarCreatedMessage(RegisterWindowMessageA("TaskbarCreated")) {}

ClockWindow::~ClockWindow() = default;

LRESULT CALLBACK ClockWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ClockApp* object = BoundObject(window)) {
    return object->HandleMessage(window, message, wParam, lParam);
  }
  if (message == WM_CREATE) {
    auto* object = static_cast<ClockWindow*>(BindAtCreate(window, lParam));
    object->OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    return 1;  // creation always goes on
  }
  // WM_NCCREATE, WM_GETMINMAXINFO, WM_NCCALCSIZE arrive before binding.
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT ClockWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:      OnDestroy(window); return 0;
    case WM_PAINT:        OnPaint(window); return 0;
    case WM_COMMAND:      OnCommand(window, LOWORD(wParam)); return 0;
    case WM_SYSCOMMAND:   OnSysCommand(window, wParam); return 0;
    case WM_TIMER:        OnTimer(window, wParam); return 0;
    case WM_LBUTTONUP:    OnLeftButtonUp(window); return 0;
    case WM_RBUTTONUP:    OnRightButtonUp(window); return 0;
    case kTrayCallbackMessage: OnTrayNotify(window, wParam, lParam); return 0;
    default:
      if (message == taskbarCreatedMessage && message != 0) {
        OnTaskbarCreated();
        return 0;
      }
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT ClockWindow::OnCreate(HWND window, const CREATESTRUCTA* create) {
  view.Attach(window, create->hInstance);
  SetTimer(window, kTimerId, kTimerInterval, nullptr);

  // The clock cannot be moved, sized, minimised or restored by the system
  // menu; its position comes from the docking rules alone.
  HMENU systemMenu = GetSystemMenu(window, FALSE);
  MENUITEMINFOA grey{};
  grey.cbSize = sizeof grey;
  grey.fMask = MIIM_STATE;
  grey.fState = MFS_GRAYED;
  for (UINT command : {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MAXIMIZE, SC_MINIMIZE}) {
    SetMenuItemInfoA(systemMenu, command, FALSE, &grey);
  }

  trayIcon = LoadIconForMetrics(create->hInstance, IDI_TRAY, SM_CXSMICON, SM_CYSMICON);
  trayData.cbSize = NOTIFYICONDATAA_V2_SIZE;
  trayData.hWnd = window;
  trayData.uID = kTrayIconId;
  trayData.uFlags = NIF_MESSAGE | NIF_ICON;  // no tooltip
  trayData.uCallbackMessage = kTrayCallbackMessage;
  trayData.hIcon = trayIcon;
  Shell_NotifyIconA(NIM_ADD, &trayData);
  return 0;
}

void ClockWindow::OnTaskbarCreated() {
  if (trayData.hWnd != nullptr) Shell_NotifyIconA(NIM_ADD, &trayData);
}

void ClockWindow::OnDestroy(HWND window) {
  KillTimer(window, kTimerId);
  Shell_NotifyIconA(NIM_DELETE, &trayData);
  PostQuitMessage(0);
}

void ClockWindow::OnPaint(HWND window) {
  gdi::PaintDC paint(window);
  gdi::MemoryDC memory(paint.Get());
  gdi::Selection picture(memory.Get(), view.GetBitmap());
  const RECT* text = view.GetTextRect();
  BitBlt(paint.Get(), 0, 0, text->right - text->left, text->bottom - text->top, memory.Get(), 0, 0,
         SRCCOPY);
}

void ClockWindow::OnTimer(HWND, UINT_PTR timerId) {
  view.ReadTime();
  if (timerId == kTimerId) view.Render();
}

void ClockWindow::OnCommand(HWND window, int commandId) {
  if (commandId >= IDM_TOP_OUT_LEFT && commandId <= IDM_TASKBAR_RIGHT) {
    // The window moves at the next tick's placement.
    const Position& p = kPositions[commandId - IDM_TOP_OUT_LEFT];
    view.row = p.row;
    view.column = p.column;
    return;
  }
  switch (commandId) {
    case IDM_EXIT:      PostMessageA(window, WM_CLOSE, 0, 0); break;
    case IDM_SETTINGS:  OnSettings(window); break;
    case IDM_MOVE_NEXT: view.StepForward(); break;
    case IDM_MOVE_PREV: view.StepBack(); break;
    default: break;
  }
}

void ClockWindow::OnSettings(HWND window) {
  KillTimer(window, kTimerId);
  SettingsDialog dialog;
  ShowWindow(window, SW_HIDE);
  const INT_PTR result = dialog.Show(0, instance, window, IDD_SETTINGS, this);
  if (result == IDOK) {
    view.LoadFormat();
    view.LoadBrush();
    view.LoadTitleMode();
  }
  // The font dialog stores its choice on its own OK, so the font is read
  // again whatever the settings dialog's result.
  view.LoadFont();
  SetTimer(window, kTimerId, kTimerInterval, nullptr);
}

void ClockWindow::OnSysCommand(HWND window, WPARAM command) {
  // The whole value is compared: a caption drag (SC_MOVE with a hit-test
  // code in the low bits) does nothing.
  if (command == SC_MOVE) {
    view.StepForward();
  } else if (command == SC_CLOSE) {
    SendMessageA(window, WM_COMMAND, IDM_EXIT, 0);
  }
}

void ClockWindow::OnLeftButtonUp(HWND) { view.StepForward(); }

void ClockWindow::OnRightButtonUp(HWND window) { TrackMenu(window, 0); }

void ClockWindow::OnTrayNotify(HWND window, WPARAM iconId, LPARAM mouseMessage) {
  if (iconId != kTrayIconId) return;
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_POPUP));
  int submenu = -1;  // moves, button-downs and double clicks open nothing
  if (mouseMessage == WM_LBUTTONUP) submenu = 0;
  if (mouseMessage == WM_RBUTTONUP) submenu = 1;
  if (submenu >= 0 && menu != nullptr) {
    if (HMENU popup = GetSubMenu(menu, submenu)) {
      // The menu must belong to the foreground window, or it stays open
      // when the user clicks elsewhere.
      SetForegroundWindow(window);
      TrackAtCursor(window, popup);
    }
  }
  if (menu != nullptr) DestroyMenu(menu);
}

void ClockWindow::TrackMenu(HWND window, int submenu) {
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_POPUP));
  if (menu == nullptr) return;
  if (HMENU popup = GetSubMenu(menu, submenu)) TrackAtCursor(window, popup);
  DestroyMenu(menu);
}

void ClockWindow::TrackAtCursor(HWND window, HMENU popup) {
  // The chosen item arrives as WM_COMMAND.
  POINT cursor{};
  GetCursorPos(&cursor);
  TrackPopupMenu(popup, kMenuFlags, cursor.x, cursor.y, 0, window, nullptr);
}
