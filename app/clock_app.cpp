#include "app/clock_app.h"

#include <algorithm>
#include <cstring>

#include "app/handles.h"
#include "app/system_answers.h"

const char* const ClockApp::kAlreadyRunning = "既に起動しています";

namespace {

// Copies `text` into `buffer`, cutting what does not fit.
template <size_t N>
void CopyText(char (&buffer)[N], const char* text) {
  if (text == nullptr) text = "";
  const size_t n = std::min(std::strlen(text), N - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
}

}  // namespace

ClockApp* ClockApp::BoundObject(HWND window) {
  return reinterpret_cast<ClockApp*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

ClockApp* ClockApp::BindAtCreate(HWND window, LPARAM createStruct) {
  const auto* create = reinterpret_cast<const CREATESTRUCTA*>(createStruct);
  auto* object = static_cast<ClockApp*>(create->lpCreateParams);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
  return object;
}

HICON ClockApp::LoadIconForMetrics(HINSTANCE instance, WORD id, int widthMetric,
                                   int heightMetric) {
  // A window class and the notification area belong to no one monitor: they
  // take the system DPI, and GetSystemMetrics gives its sizes to a
  // per-monitor-aware process. LR_SHARED: shared like LoadIconA's icons,
  // owned by the system and never destroyed here.
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric),
                                       GetSystemMetrics(heightMetric), LR_SHARED));
}

bool ClockApp::AnotherCopyRuns(const char* name, HANDLE* guardOut) {
  *guardOut = nullptr;
  // SYNCHRONIZE is all a marker needs, and what a copy started as
  // administrator still lets an ordinary one open.
  SetLastError(ERROR_SUCCESS);
  if (const handles::KernelObject running{system_answers::Current().openMutex(SYNCHRONIZE, FALSE, name)}) return true;
  // The mutex exists but may not be opened: another copy made it.
  if (GetLastError() == ERROR_ACCESS_DENIED) return true;
  SetLastError(ERROR_SUCCESS);
  handles::KernelObject made{system_answers::Current().createMutex(nullptr, FALSE, name)};
  const DWORD error = GetLastError();
  if (!made) return error == ERROR_ACCESS_DENIED;
  // Two copies started at the same instant both miss the open; the one
  // whose create finds the mutex already there lost the race.
  if (error == ERROR_ALREADY_EXISTS) return true;
  *guardOut = made.Release();
  return false;
}

HWND ClockApp::Create(CreateParams& params) {
  if ((params.flags & kCreateNoGuard) == 0) {
    if (AnotherCopyRuns(params.title, &guard)) {
      HWND first = FindWindowA(params.className, params.title);
      // Shown and raised even when hidden (title mode, settings dialog open).
      SetWindowPos(first, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
      ShowMessage(kAlreadyRunning, params.title, '!', 0, first);
      return nullptr;
    }
  }

  instance = params.instance;
  owner = params.owner;
  CopyText(title, params.title);
  CopyText(className, params.className);
  // Id 0 names no table: the handle stays null and nothing is translated.
  acceleratorTable = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(params.acceleratorId));

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = params.windowProcedure != nullptr ? params.windowProcedure : DefaultWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconForMetrics(instance, params.iconId, SM_CXICON, SM_CYICON);
  wc.hIconSm = LoadIconForMetrics(instance, params.smallIconId, SM_CXSMICON, SM_CYSMICON);
  wc.lpszMenuName = params.menuId != 0 ? MAKEINTRESOURCEA(params.menuId) : nullptr;
  wc.lpszClassName = className;
  if (params.cursorId == 0xFFFF) {
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  } else {
    wc.hCursor = LoadCursorA(instance, MAKEINTRESOURCEA(params.cursorId));
    classBrush = CreateSolidBrush(params.backgroundColor);
    wc.hbrBackground = classBrush;
  }
  if (RegisterClassExA(&wc) == 0) {
    Reset();
    return nullptr;
  }

  if (params.x < 0) params.x = CW_USEDEFAULT;
  if (params.y < 0) params.y = CW_USEDEFAULT;
  if (params.width < 0) params.width = CW_USEDEFAULT;
  if (params.height < 0) params.height = CW_USEDEFAULT;

  HWND created = CreateWindowExA(params.exStyle, className, title, params.style, params.x,
                                 params.y, params.width, params.height, params.owner, nullptr,
                                 instance, this);
  if (created == nullptr) {
    Reset();
    return nullptr;
  }
  window = created;

  if (params.flags & kCreateCentreX) PlaceOnDesktop(params.x, params.y, 1);
  if (params.flags & kCreateCentreY) PlaceOnDesktop(params.x, params.y, 2);

  ShowWindow(window, params.showCommand);
  UpdateWindow(window);
  return window;
}

int ClockApp::Run() {
  if (window == nullptr) return 0;
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) break;
    if (got == -1) return -1;
    if (TranslateAcceleratorA(msg.hwnd, acceleratorTable, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

LRESULT ClockApp::HandleMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }

LRESULT CALLBACK ClockApp::DefaultWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (ClockApp* object = BoundObject(window)) {
    return object->HandleMessage(window, message, wParam, lParam);
  }
  if (message == WM_CREATE) {
    return BindAtCreate(window, lParam)->HandleMessage(window, message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
