#include "app/system_answers.h"

#include <dwmapi.h>
#include <shellapi.h>
#include <versionhelpers.h>
#include <wtsapi32.h>

#include "app/gdi.h"

namespace system_answers {
namespace {

bool RealFrameBounds(HWND window, RECT* frame) {
  // Fails without composition (Windows 7 with the classic theme, Wine 8).
  RECT r{};
  if (FAILED(DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &r, sizeof r))) return false;
  if (r.right <= r.left || r.bottom <= r.top) return false;
  *frame = r;
  return true;
}

bool RealCloaked(HWND window) {
  DWORD cloaked = 0;
  if (FAILED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked))) return false;
  return cloaked != 0;
}

int RealNotificationState() {
  QUERY_USER_NOTIFICATION_STATE state{};
  if (FAILED(SHQueryUserNotificationState(&state))) return 0;
  return static_cast<int>(state);
}

bool RealHighContrast() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)) return false;
  return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

UINT RealTrayDpi() {
  // GetDpiForMonitor (Windows 8.1 and later) gives a monitor's scale as it
  // is now; the screen's LOGPIXELSY is the scale the process started with.
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const GetDpiForMonitorFn getDpiForMonitor = [] {
    HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    FARPROC proc = shcore != nullptr ? GetProcAddress(shcore, "GetDpiForMonitor") : nullptr;
    return reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void (*)()>(proc));
  }();
  if (getDpiForMonitor != nullptr) {
    UINT x = 0, y = 0;
    const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (SUCCEEDED(getDpiForMonitor(primary, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && y != 0) return y;
  }
  const gdi::WindowDC screen(nullptr);
  const int d = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return d > 0 ? static_cast<UINT>(d) : 96;
}

// WTSSessionInfoEx and its level-1 record (WTSINFOEXW), spelled out:
// older MinGW headers lack them.
constexpr WTS_INFO_CLASS kSessionInfoEx = static_cast<WTS_INFO_CLASS>(25);
constexpr LONG kSessionStateLock = 0;
constexpr LONG kSessionStateUnlock = 1;
struct SessionInfoEx {
  DWORD level;
  union {
    struct {
      ULONG sessionId;
      int sessionState;
      LONG sessionFlags;
      WCHAR winStationName[33], userName[21], domainName[18];
      LARGE_INTEGER logonTime, connectTime, disconnectTime, lastInputTime, currentTime;
      DWORD incomingBytes, outgoingBytes, incomingFrames, outgoingFrames, incomingCompressed, outgoingCompressed;
    } level1;
  } data;
};

SessionLock RealSessionLock() {
  // Windows 7 reports the two states the wrong way round: no answer there.
  if (!IsWindows8OrGreater()) return SessionLock::Unknown;
  LPWSTR buffer = nullptr;
  DWORD bytes = 0;
  if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, kSessionInfoEx, &buffer, &bytes) ||
      buffer == nullptr) {
    return SessionLock::Unknown;
  }
  SessionLock answer = SessionLock::Unknown;
  const auto* info = reinterpret_cast<const SessionInfoEx*>(buffer);
  if (bytes >= sizeof(SessionInfoEx) && info->level == 1) {
    const LONG flags = info->data.level1.sessionFlags;
    if (flags == kSessionStateLock) answer = SessionLock::Locked;
    if (flags == kSessionStateUnlock) answer = SessionLock::Unlocked;
  }
  WTSFreeMemory(buffer);
  return answer;
}

const Answers kReal{RealFrameBounds, RealCloaked, RealNotificationState, SendMessageTimeoutW,
                    DefWindowProcA,  Shell_NotifyIconW, GetTickCount,        RealHighContrast,
                    RealTrayDpi,   ChangeWindowMessageFilterEx, RealSessionLock, OpenMutexA,
                    CreateMutexA,  ReplaceFileW,  MoveFileExW};
const Answers* current = &kReal;

}  // namespace

const Answers& Real() { return kReal; }

const Answers& Current() { return *current; }

Override::Override(const Answers& answers) : previous(current) { current = &answers; }

Override::~Override() { current = previous; }

zorvane::ShellState ShellStateOf(int notificationState) {
  switch (notificationState) {
    case QUNS_RUNNING_D3D_FULL_SCREEN:
    case QUNS_PRESENTATION_MODE:
      return zorvane::ShellState::FullScreenProgram;
    case QUNS_BUSY:
      return zorvane::ShellState::Busy;
    default:
      return zorvane::ShellState::Other;
  }
}

}  // namespace system_answers
