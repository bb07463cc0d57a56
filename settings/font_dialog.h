#pragma once
// The font dialog (template IDD_FONT): typeface, height, weight and the
// three style boxes of the clock's font, edited in a copy of the clock's
// settings. OK writes section Font of the settings file at once; Cancel
// writes nothing.

#include <windows.h>

#include "app/dialog_base.h"
#include "core/settings_value.h"

class FontDialog : public DialogBase {
 public:
  // Registers the up-down class of the height box.
  explicit FontDialog(const zorvane::Settings& current);
  ~FontDialog() override = default;

  INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

  // After OK: whether the file took the values, and then every setting as
  // the file holds it now, what the clock should show.
  bool Saved() const { return saved; }
  const zorvane::Settings& Stored() const { return stored; }

  // Font enumeration callback: adds the reported face name to the list box
  // passed as `listBox` unless it is there already or it is a face for
  // vertical writing ("@" before its name), and keeps the enumeration going.
  static int CALLBACK AddFaceName(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type,
                                  LPARAM listBox);

 private:
  void OnInitDialog();
  void OnCommand(int id);
  // False, with nothing written, when the chosen face cannot be stored;
  // a save that fails is told to the user, and the dialog ends.
  bool Save();

  zorvane::Settings edited;
  zorvane::Settings stored;
  bool saved;
};
