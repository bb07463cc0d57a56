#pragma once
// The settings session of the clock window: the settings dialog with what
// it opens (font dialog, colour chooser), one session at a time. The clock
// stands hidden and still meanwhile; afterwards the view takes up what the
// settings file holds. An exit asked for during the session closes the
// dialogs as cancelled, innermost first, before the program ends.

#include <windows.h>

class ClockView;
class SettingsDialog;

class SettingsSession {
 public:
  // Posted to the clock window while exit waits for open dialogs to close,
  // one level at a time.
  static constexpr UINT kCloseDialogsMessage = WM_APP + 1;

  explicit SettingsSession(ClockView& view);
  SettingsSession(const SettingsSession&) = delete;
  SettingsSession& operator=(const SettingsSession&) = delete;

  bool Open() const { return dialog != nullptr; }
  // Exit was asked for while the session was open.
  bool ExitAsked() const { return exitAfterSettings; }

  // Runs the session modally, owned by `window`; returns when the dialogs
  // have closed and the view has taken up the stored settings.
  void Run(HWND window, HINSTANCE instance, void* data);

  // Brings the session's innermost dialog to the front.
  void ToFront() const;

  // Exit asked for: false when no session is open (the window may go at
  // once); otherwise the dialogs begin to close and Run's caller ends the
  // program.
  bool CloseForExit(HWND window);
  // kCloseDialogsMessage: cancels the innermost dialog, then the next level.
  void CloseNextDialog(HWND window);

 private:
  // After the dialogs: the view takes up what they stored.
  void Reload(const SettingsDialog& settings);
  // The innermost open dialog of the session: the settings dialog, or what
  // it has opened.
  HWND FrontDialog() const;

  ClockView& view;
  SettingsDialog* dialog;
  bool exitAfterSettings;
  int closeDialogRounds;
};
