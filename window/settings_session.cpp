#include "window/settings_session.h"

#include "clock/clock_view.h"
#include "res/resource.h"
#include "settings/clock_settings.h"
#include "settings/settings_dialog.h"
#include "settings/settings_messages.h"

SettingsSession::SettingsSession(ClockView& view)
    : view(view), dialog(nullptr), exitAfterSettings(false), closeDialogRounds(0) {}

void SettingsSession::Run(HWND window, HINSTANCE instance, void* data) {
  // The dialogs edit a copy of the settings as the file holds them now:
  // a hand edit made while the clock runs shows in them.
  SettingsDialog settings(clock_settings::Load(instance));
  ShowWindow(window, SW_HIDE);
  // The clock stands still while the dialog is open: in title mode the
  // caption goes back meanwhile, and the next tick takes it again.
  view.RestoreCaption();
  dialog = &settings;
  const INT_PTR result = settings.Show(0, instance, window, IDD_SETTINGS, data);
  dialog = nullptr;
  if (result == -1) {
    // The clock goes on as it was: shown again at the next tick in normal
    // mode, its caption kept in title mode.
    ShowOpenFailure(window, L"設定ダイアログ");
  }
  Reload(settings);
}

void SettingsSession::Reload(const SettingsDialog& settings) {
  // What the dialogs stored, as the file now holds it, without reading the
  // file again: all of it after the settings dialog's OK; otherwise the font
  // alone, which the font dialog stores on its own OK whatever the settings
  // dialog's result. A save that failed left the file, and so the clock, as
  // they were.
  zorvane::Settings next = view.CurrentSettings();
  if (settings.Saved()) {
    next = settings.Stored();
  } else if (settings.FontSaved()) {
    next.font = settings.Stored().font;
  }
  view.Apply(next);
}

void SettingsSession::ToFront() const {
  if (HWND front = FrontDialog()) SetForegroundWindow(front);
}

bool SettingsSession::CloseForExit(HWND window) {
  if (!Open()) return false;
  // Destroying the clock now would pull the open dialogs down under the
  // user: they close as cancelled first, innermost first, and the end of
  // the session then ends the program.
  exitAfterSettings = true;
  closeDialogRounds = 0;
  CloseNextDialog(window);
  return true;
}

void SettingsSession::CloseNextDialog(HWND window) {
  // Each round cancels the innermost dialog; its modal loop ends after that
  // message, and this message, queued behind it, reaches the next level.
  constexpr int kMaxRounds = 16;
  if (!Open() || ++closeDialogRounds > kMaxRounds) return;
  if (HWND front = FrontDialog()) PostMessageA(front, WM_COMMAND, IDCANCEL, 0);
  PostMessageA(window, kCloseDialogsMessage, 0, 0);
}

HWND SettingsSession::FrontDialog() const {
  // The window of the session that can take input: its owner chain leads
  // to the settings dialog, and no dialog above it has disabled it.
  struct Search {
    HWND root;
    HWND found;
  } search{dialog != nullptr ? dialog->GetHwnd() : nullptr, nullptr};
  if (search.root == nullptr) return nullptr;  // not created yet, or already ended
  search.found = search.root;
  EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) -> BOOL {
    auto* s = reinterpret_cast<Search*>(p);
    if (!IsWindowVisible(w) || !IsWindowEnabled(w)) return TRUE;
    for (HWND o = w; o != nullptr; o = GetWindow(o, GW_OWNER)) {
      if (o == s->root) {
        s->found = w;
        return FALSE;
      }
    }
    return TRUE;
  }, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
