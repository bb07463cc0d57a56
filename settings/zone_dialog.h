#pragma once
// The zone picker (template IDD_ZONES): the system's time zones by their
// display names, in the system's order. OK gives the chosen zone's ID for
// the format language's "#{ID}"; the dialog stores nothing itself.

#include <windows.h>

#include "app/dialog_base.h"
#include "app/system_zones.h"

class ZoneDialog : public DialogBase {
 public:
  ZoneDialog();
  ~ZoneDialog() override;

  INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

  // After OK: the chosen zone's ID, "" when none was chosen.
  const wchar_t* Chosen() const { return chosen; }

  // Room of the list: Windows and Wine know some 140 zones.
  static constexpr int kMaxZones = 256;

 private:
  void OnInitDialog();
  void OnCommand(int id, int notification);
  void Choose();

  // The zones as listed, read when the dialog opens; on the heap, the
  // list being too large for a dialog's stack frame. Null without memory.
  system_zones::ListedZone* listed;
  int count;
  wchar_t chosen[64];
};

// Puts "#{ID}" of `zoneId` in place of the selection (or at the caret) of
// the edit field of combo box `combo`, as typing it there would.
void InsertZone(HWND combo, const wchar_t* zoneId);
