#pragma once
// The settings dialog (template IDD_SETTINGS): the time format with its
// presets, the text and background colours with a preview, the two title
// options, and the button that opens the font dialog. It edits a copy of
// the clock's settings; OK writes the settings file; Cancel writes nothing.

#include <windows.h>

#include "app/dialog_base.h"
#include "app/gdi.h"
#include "core/settings_value.h"

// The colour chooser's custom colours, shared by every chooser the program
// opens until it ends; never stored.
extern COLORREF customColors[16];

// Runs the colour chooser for one colour. It opens on black whatever the
// colour is; `colour` changes only when the user confirms, and the result
// says whether that happened.
bool PickColor(COLORREF& colour, HINSTANCE instance, HWND owner);

class SettingsDialog : public DialogBase {
 public:
  explicit SettingsDialog(const zorvane::Settings& current);
  ~SettingsDialog() override;

  INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

  // After the dialog: whether OK stored its values; whether a font dialog
  // opened from it stored a font; and every setting as the file holds it
  // after the last of those saves. The clock takes it up from here rather
  // than from a second reading of the file: all of it after Saved(), the
  // font alone after FontSaved() without Saved().
  bool Saved() const { return saved; }
  bool FontSaved() const { return fontSaved; }
  const zorvane::Settings& Stored() const { return stored; }

 protected:
  // The settings being edited: the clock's when the dialog opens, with the
  // font as the font dialog last stored it.
  zorvane::Settings edited;
  COLORREF textColor;
  COLORREF backColor;
  // Paints the preview's background in backColor; released on WM_DESTROY
  // while bound, otherwise by the destructor.
  gdi::Brush backBrush;

 private:
  zorvane::Settings stored;
  bool saved;
  bool fontSaved;

  void OnInitDialog();
  void OnCommand(int id);
  INT_PTR OnCtlColorStatic(HDC dc, HWND control);
  // False, with nothing written, when the format cannot be stored.
  bool Save();
};
