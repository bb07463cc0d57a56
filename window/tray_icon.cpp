#include "window/tray_icon.h"

#include "clock/system_answers.h"
#include "res/resource.h"

namespace {

const system_answers::Answers& System() { return system_answers::Current(); }

}  // namespace

TrayIcon::TrayIcon() : data{}, retrying(false), retryStart(0) {}

void TrayIcon::Add(HWND owner, HINSTANCE instance) {
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = kId;
  data.uFlags = NIF_MESSAGE | NIF_ICON;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                             LR_SHARED));
  if (!Show()) {
    retrying = true;
    retryStart = System().tickCount();
  }
}

bool TrayIcon::Show() {
  // An add that timed out may still have put the icon there; then only a
  // change of it succeeds.
  return System().notifyIcon(NIM_ADD, &data) || System().notifyIcon(NIM_MODIFY, &data);
}

void TrayIcon::Retry() {
  if (!retrying) return;
  if (System().tickCount() - retryStart > kRetryMilliseconds) {
    retrying = false;  // explorer is not coming; "TaskbarCreated" may still bring it
    return;
  }
  if (Show()) retrying = false;
}

void TrayIcon::AddAgain() {
  if (data.hWnd == nullptr) return;
  if (System().notifyIcon(NIM_ADD, &data)) retrying = false;
}

void TrayIcon::Delete() {
  retrying = false;
  if (data.hWnd != nullptr) System().notifyIcon(NIM_DELETE, &data);
}
