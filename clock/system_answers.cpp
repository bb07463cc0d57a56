#include "clock/system_answers.h"

#include <dwmapi.h>
#include <shellapi.h>

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

const Answers kReal{RealFrameBounds, RealCloaked, RealNotificationState, SendMessageTimeoutW};
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
