#include "settings/settings_dialog.h"

#include <commdlg.h>

#include "core/profile_values.h"
#include "res/resource.h"
#include "settings/font_dialog.h"
#include "settings/clock_settings.h"
#include "settings/settings_messages.h"
#include "settings/zone_dialog.h"

COLORREF customColors[16] = {};

namespace {

// Room of the format text and of the stored value built from it.
constexpr int kFormatSize = 1024;

const char* const kPresets[] = {
    "$y/$m/$d(#w) %h:%m:%s",
    "$yy/$mm/$dd(#w) %hh:%mm:%ss",
    "$y年$m月$d日(#W曜日)  #A %H時%m分%s秒",
    "$yy年$mm月$dd日(#W曜日)  #A %HH時%mm分%ss秒",
    "$Y/$m/$d(#w)",
    "#a %H:%m:%s",
    "$y年$m月$d日(#W曜日)",
    "#A %H時%m分%s秒",
};

// Readers take any non-zero flag as on; the check box shows exactly that.
WPARAM CheckState(int flag) { return flag != 0 ? BST_CHECKED : BST_UNCHECKED; }

}  // namespace

bool PickColor(COLORREF& colour, HINSTANCE instance, HWND owner) {
  CHOOSECOLORA chooser{};
  chooser.lStructSize = sizeof chooser;
  chooser.hwndOwner = owner;
  chooser.hInstance = reinterpret_cast<HWND>(instance);
  chooser.lpCustColors = customColors;
  // rgbResult stays 0: the chooser opens on black, not on `colour`.
  chooser.Flags = CC_RGBINIT;
  if (!ChooseColorA(&chooser)) return false;
  colour = chooser.rgbResult;
  return true;
}

SettingsDialog::SettingsDialog(const zorvane::Settings& current)
    : edited(current), textColor(0), backColor(0), stored(current), saved(false), fontSaved(false) {}

SettingsDialog::~SettingsDialog() = default;

INT_PTR SettingsDialog::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;  // focus to the first tab stop, OK
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
      // Only reached while bound, that is when the window goes without End.
      backBrush.Reset();
      return 0;
    default:
      return 0;
  }
}

void SettingsDialog::OnInitDialog() {
  for (const char* preset : kPresets) AddComboString(IDC_FORMAT, preset);

  SetItemText(IDC_FORMAT, zorvane::DropLeadIn(edited.clock.timeFormat));
  SendToItem(IDC_SHOW_TITLE, BM_SETCHECK, CheckState(edited.clock.title), 0);
  SendToItem(IDC_TITLE_MODE, BM_SETCHECK, CheckState(edited.clock.titleIn), 0);
  textColor = static_cast<COLORREF>(edited.clock.text);
  backColor = static_cast<COLORREF>(edited.brush.color);
  backBrush.Reset(CreateSolidBrush(backColor));
}

INT_PTR SettingsDialog::OnCtlColorStatic(HDC dc, HWND control) {
  if (GetDlgCtrlID(control) != IDC_PREVIEW) return 0;  // default colours
  SetTextColor(dc, textColor);
  SetBkColor(dc, backColor);
  return reinterpret_cast<INT_PTR>(backBrush.Get());
}

void SettingsDialog::OnCommand(int id) {
  switch (id) {
    case IDC_TEXT_COLOR:
      PickColor(textColor, instance, window);
      InvalidateRect(window, nullptr, FALSE);
      break;
    case IDC_BACK_COLOR:
      if (PickColor(backColor, instance, window)) {
        backBrush.Reset(CreateSolidBrush(backColor));
        InvalidateRect(window, nullptr, FALSE);
      }
      break;
    case IDC_FONT_BUTTON: {
      // The font dialog stores its own values on OK; they open it again.
      FontDialog fontDialog(edited);
      if (fontDialog.Show(0, instance, window, IDD_FONT, this) == -1) {
        ShowOpenFailure(window, L"フォントの設定ダイアログ");
      }
      if (fontDialog.Saved()) {
        stored = fontDialog.Stored();
        edited.font = stored.font;
        fontSaved = true;
      }
      break;
    }
    case IDC_ZONE_BUTTON: {
      // The chosen zone goes where the caret was in the format box; the
      // caret is kept, since focus moving about may select the whole text.
      HWND format = GetDlgItem(window, IDC_FORMAT);
      const LRESULT caret = SendMessageW(format, CB_GETEDITSEL, 0, 0);
      ZoneDialog zoneDialog;
      const INT_PTR result = zoneDialog.Show(0, instance, window, IDD_ZONES, nullptr);
      if (result == -1) ShowOpenFailure(window, L"タイムゾーンの選択ダイアログ");
      if (result == IDOK) {
        SendMessageW(format, CB_SETEDITSEL, 0, MAKELPARAM(LOWORD(caret), HIWORD(caret)));
        InsertZone(format, zoneDialog.Chosen());
      }
      break;
    }
    case IDOK:
      // A format the settings file cannot hold keeps the dialog open.
      if (Save()) End(IDOK);
      break;
    case IDCANCEL:
      End(IDCANCEL);
      break;
    default:  // notifications of the combo box and the check boxes
      break;
  }
}

bool SettingsDialog::Save() {
  char format[kFormatSize] = {};
  if (!GetItemText(IDC_FORMAT, format, sizeof format, L"書式")) return false;
  // The lead-in keeps leading blanks from being dropped when read back;
  // at most 1022 bytes of the text follow it, never half a character.
  zorvane::AddLeadIn(format, edited.clock.timeFormat, sizeof edited.clock.timeFormat, zorvane::CodePage932());
  edited.clock.text = static_cast<int>(textColor);
  edited.clock.titleIn = static_cast<int>(SendToItem(IDC_TITLE_MODE, BM_GETCHECK, 0, 0));
  edited.clock.title = static_cast<int>(SendToItem(IDC_SHOW_TITLE, BM_GETCHECK, 0, 0));
  edited.brush.color = static_cast<int>(backColor);
  // All or nothing: a save that fails is told to the user once and leaves
  // the file as it was.
  saved = clock_settings::Save(edited, zorvane::Writer::SettingsDialog, nullptr, instance, window, stored);
  return true;
}
