#pragma once
// The font dialog (template IDD_FONT): typeface, height, weight and the
// three style boxes of the clock's font. OK writes section Font of the
// settings file at once; Cancel writes nothing.

#include <windows.h>

#include "app/dialog_base.h"

class ProfileSection;

class FontDialog : public DialogBase {
 public:
  // Registers the up-down class of the height box.
  FontDialog();
  ~FontDialog() override = default;

  INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Font enumeration callback: adds the reported face name to the list box
  // passed as `listBox` unless it is there already, and keeps the
  // enumeration going.
  static int CALLBACK AddFaceName(const LOGFONTA* font, const TEXTMETRICA* metrics, DWORD type,
                                  LPARAM listBox);

 private:
  void OnInitDialog();
  void OnCommand(int id);
  // Writes the dialog's values; false at the first write that fails.
  void Save();
  bool SaveTo(const ProfileSection& profile);
};
