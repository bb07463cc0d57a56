#include "window/tray_icon.h"

#include <windowsx.h>

#include <cstring>
#include <cwchar>

#include "app/text_convert.h"
#include "app/system_answers.h"
#include "core/time_format.h"
#include "res/resource.h"

namespace {

const system_answers::Answers& System() { return system_answers::Current(); }

// The date in full, with the era and the holiday where there is one:
// "2026年9月22日(火) 令和8年 国民の休日". The first byte is the format's lead-in.
constexpr char kTipFormat[] = "!$y年$m月$d日(#W) $g$E年 #h";

// The small-icon size at `dpi`, as the notification area asks for it.
int SmallIconSize(UINT dpi) {
  using ForDpiFn = int(WINAPI*)(int, UINT);
  static const ForDpiFn forDpi = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC proc = user32 != nullptr ? GetProcAddress(user32, "GetSystemMetricsForDpi") : nullptr;
    return reinterpret_cast<ForDpiFn>(reinterpret_cast<void (*)()>(proc));
  }();
  if (forDpi != nullptr) {
    if (const int size = forDpi(SM_CXSMICON, dpi)) return size;
  }
  return MulDiv(GetSystemMetrics(SM_CXSMICON), static_cast<int>(dpi), 96);
}

}  // namespace

TrayIcon::TrayIcon()
    : data{},
      instance(nullptr),
      iconSize(0),
      shown(false),
      version4(false),
      lastButtonUp(0),
      keySelected(false),
      keySelectedAt(0),
      tipYear(0),
      tipMonth(0),
      tipDay(0),
      retrying(false),
      retryStart(0) {}

void TrayIcon::LoadImageAt(int size) {
  // Not shared: a shared icon keeps the size it was first loaded at.
  icon.Reset();
  iconSize = size;
  if (size > 0) {
    icon.Reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON, size, size, 0)));
  }
  data.hIcon = icon.Get();
}

void TrayIcon::Add(HWND owner, HINSTANCE module) {
  instance = module;
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = kId;
  // NIF_SHOWTIP: under the current protocol the standard tooltip shows
  // only when asked for.
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
  data.uCallbackMessage = kCallbackMessage;
  LoadImageAt(SmallIconSize(System().trayDpi()));
  if (data.szTip[0] == L'\0') std::wcscpy(data.szTip, L"Zorvane");
  if (!Show()) {
    retrying = true;
    retryStart = System().tickCount();
  }
}

bool TrayIcon::Show() {
  // An add that timed out may still have put the icon there; then only a
  // change of it succeeds.
  shown = System().notifyIcon(NIM_ADD, &data) || System().notifyIcon(NIM_MODIFY, &data);
  if (shown) {
    data.uVersion = NOTIFYICON_VERSION_4;
    version4 = System().notifyIcon(NIM_SETVERSION, &data) != FALSE;
  }
  return shown;
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
  if (Show()) retrying = false;
}

void TrayIcon::Delete() {
  retrying = false;
  if (data.hWnd != nullptr) System().notifyIcon(NIM_DELETE, &data);
  shown = false;
}

void TrayIcon::ShowDate(const std::tm& localTime, const zorvane::EraList& eras) {
  const int year = localTime.tm_year, month = localTime.tm_mon, day = localTime.tm_mday;
  if (year == tipYear && month == tipMonth && day == tipDay && data.szTip[0] != L'\0') return;
  tipYear = year;
  tipMonth = month;
  tipDay = day;

  char date[zorvane::kTextSize];
  int padDigits = 0;
  zorvane::FormatTime(kTipFormat, localTime, date, padDigits, eras);
  // No holiday leaves the separator before it.
  for (std::size_t n = std::strlen(date); n > 0 && date[n - 1] == ' '; --n) date[n - 1] = '\0';
  const text::WideText wide = text::FromOwn(date);
  // "Zorvane", a line break and the date, cut to the tip's room.
  constexpr wchar_t kName[] = L"Zorvane\n";
  constexpr int kNameLength = static_cast<int>(sizeof kName / sizeof kName[0]) - 1;
  std::wmemcpy(data.szTip, kName, kNameLength);
  constexpr int kTipSize = static_cast<int>(sizeof data.szTip / sizeof data.szTip[0]);
  lstrcpynW(data.szTip + kNameLength, wide.Get(), kTipSize - kNameLength);
  if (shown) System().notifyIcon(NIM_MODIFY, &data);
}

void TrayIcon::ChangeScale() {
  if (data.hWnd == nullptr) return;
  const int size = SmallIconSize(System().trayDpi());
  if (size == iconSize) return;
  LoadImageAt(size);
  if (shown) System().notifyIcon(NIM_MODIFY, &data);
}

TrayIcon::Request TrayIcon::Decode(WPARAM wParam, LPARAM lParam) {
  Request request{Menu::None, true, {0, 0}};
  UINT event = 0;
  if (version4) {
    if (HIWORD(lParam) != kId) return request;
    event = LOWORD(lParam);
    request.at = {GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)};
  } else {
    if (wParam != kId || lParam < 0 || lParam > 0xFFFF) return request;
    event = static_cast<UINT>(lParam);
  }
  const UINT previous = lastButtonUp;
  switch (event) {
    // The mouse, as it always was: left button the full menu, right
    // button the menu with Exit only.
    case WM_LBUTTONUP:
      lastButtonUp = event;
      request.menu = Menu::Full;
      break;
    case WM_RBUTTONUP:
      lastButtonUp = event;
      request.menu = Menu::ExitOnly;
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      lastButtonUp = 0;
      break;
    // The keyboard: Enter or Space (NIN_KEYSELECT), the menu key or
    // Shift+F10 (WM_CONTEXTMENU) open the full menu at the icon. The
    // NIN_SELECT and WM_CONTEXTMENU that follow a click belong to it.
    case NIN_SELECT:
    case WM_CONTEXTMENU:
      lastButtonUp = 0;
      if (previous == (event == NIN_SELECT ? WM_LBUTTONUP : WM_RBUTTONUP)) break;
      request.menu = Menu::Full;
      request.atCursor = !version4;
      break;
    case NIN_KEYSELECT: {
      lastButtonUp = 0;
      // The second of a pair, within the double-click time of the first,
      // belongs to the same key press.
      const DWORD now = System().tickCount();
      if (keySelected && now - keySelectedAt <= GetDoubleClickTime()) break;
      keySelected = true;
      keySelectedAt = now;
      request.menu = Menu::Full;
      request.atCursor = !version4;
      break;
    }
    default:
      break;  // moves, double clicks, balloons: nothing
  }
  return request;
}
