#include "settings/font_dialog.h"

#include <commctrl.h>

#include <cstring>

#include "app/gdi.h"
#include "app/text_convert.h"
#include "core/profile_values.h"
#include "res/resource.h"
#include "settings/clock_settings.h"
#include "settings/settings_messages.h"

namespace {

// The heights the arrows offer and OK stores.
constexpr int kMinHeight = 8;
constexpr int kMaxHeight = 99;

// Combo box index i stands for weight (i + 1) * 100.
const char* const kWeights[] = {"1", "2", "3", "4(標準)", "5", "6", "7", "8", "9"};
constexpr int kWeightCount = static_cast<int>(sizeof kWeights / sizeof kWeights[0]);

// Room of a list entry's text.
constexpr int kNameSize = 1024;

// The font takes only the low byte of a style flag, so the box shows
// exactly what the clock draws.
WPARAM StyleState(int flag) { return (flag & 0xFF) != 0 ? BST_CHECKED : BST_UNCHECKED; }

}  // namespace

FontDialog::FontDialog(const zorvane::Settings& current) : edited(current), stored(current), saved(false) {
  // The height box's arrows are an msctls_updown32 control. The manifest's
  // common-controls dependency makes the system register that class too, but
  // only where the loader honours the dependency; registering it here keeps
  // the dialog from depending on that. Registering twice is harmless.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_UPDOWN_CLASS;
  InitCommonControlsEx(&controls);
}

int CALLBACK FontDialog::AddFaceName(const LOGFONTW* font, const TEXTMETRICW*, DWORD,
                                     LPARAM listBox) {
  // A face for vertical writing draws the clock's text on its side; the
  // system's own font chooser leaves them out too.
  if (font->lfFaceName[0] == L'@') return 1;
  // Windows reports one font per face, Wine some faces many times over
  // ("Liberation Sans" about a dozen times); the list shows each face once.
  // Face names compare without regard to case, as LB_FINDSTRINGEXACT does.
  const auto list = reinterpret_cast<HWND>(listBox);
  const auto name = reinterpret_cast<LPARAM>(font->lfFaceName);
  if (SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), name) == LB_ERR) {
    SendMessageW(list, LB_ADDSTRING, 0, name);
  }
  return 1;
}

INT_PTR FontDialog::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;  // focus to the first tab stop, the face list
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    default:
      return 0;
  }
}

void FontDialog::OnCommand(int id) {
  if (id == IDOK) {
    if (Save()) End(IDOK);
  } else if (id == IDCANCEL) {
    End(IDCANCEL);  // nothing is written
  }
}

void FontDialog::OnInitDialog() {
  {
    // Every installed face, once, by its name in UTF-16; the list box sorts
    // them.
    gdi::WindowDC dc(window);
    EnumFontsW(dc.Get(), nullptr, AddFaceName,
               reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_FACE_LIST)));
  }
  SetSpinRange(IDC_HEIGHT_SPIN, kMinHeight, kMaxHeight);

  const zorvane::FontKeys& font = edited.font;
  // A negative height shows as its unsigned 32-bit value; OK then stores 8.
  SetDlgItemInt(window, IDC_HEIGHT, static_cast<UINT>(font.height), FALSE);

  for (const char* weight : kWeights) AddComboString(IDC_WEIGHT, weight);
  const int index = font.weight / 100 - 1;
  SetComboSelection(IDC_WEIGHT, index >= 0 && index < kWeightCount ? index : -1);

  SendToItem(IDC_ITALIC, BM_SETCHECK, StyleState(font.italic), 0);
  SendToItem(IDC_UNDERLINE, BM_SETCHECK, StyleState(font.uLine), 0);
  SendToItem(IDC_STRIKEOUT, BM_SETCHECK, StyleState(font.mLine), 0);

  // The first entry that begins with the stored name, searched from the
  // second entry round to the first; none when nothing matches.
  SetListSelection(IDC_FACE_LIST, static_cast<int>(FindListString(IDC_FACE_LIST, 0, font.name)));
}

bool FontDialog::Save() {
  // The face first: one the settings file cannot name keeps the dialog
  // open, and nothing is written. With no face selected the stored name
  // stays as it is.
  char face[zorvane::kFaceSize] = {};
  const LRESULT selected = GetListSelection(IDC_FACE_LIST);
  const LRESULT length =
      selected == LB_ERR ? LB_ERR : SendToItem(IDC_FACE_LIST, LB_GETTEXTLEN, static_cast<WPARAM>(selected), 0);
  const bool storeFace = length != LB_ERR && length < kNameSize;
  if (storeFace) {
    wchar_t entry[kNameSize] = {};
    SendDlgItemMessageW(window, IDC_FACE_LIST, LB_GETTEXT, static_cast<WPARAM>(selected),
                        reinterpret_cast<LPARAM>(entry));
    char name[kNameSize * 2 + 1];
    if (text::ToOwn(entry, name, sizeof name) != text::ToOwnResult::Ok) {
      RefuseText(L"選んだフォント名");
      return false;
    }
    zorvane::CutFaceName(name, face, zorvane::CodePage932());
  }

  zorvane::FontKeys& font = edited.font;
  if (storeFace) std::memcpy(font.name, face, sizeof face);
  // Empty or non-numeric gives 0; 2^31 and more count as negative.
  int height = static_cast<int>(GetDlgItemInt(window, IDC_HEIGHT, nullptr, FALSE));
  if (height < kMinHeight) height = kMinHeight;
  if (height > kMaxHeight) height = kMaxHeight;
  font.height = height;
  // No selection (-1) stores weight 0.
  font.weight = (static_cast<int>(GetComboSelection(IDC_WEIGHT)) + 1) * 100;
  font.italic = static_cast<int>(SendToItem(IDC_ITALIC, BM_GETCHECK, 0, 0));
  font.uLine = static_cast<int>(SendToItem(IDC_UNDERLINE, BM_GETCHECK, 0, 0));
  font.mLine = static_cast<int>(SendToItem(IDC_STRIKEOUT, BM_GETCHECK, 0, 0));
  // With no face selected the stored name stays as the file has it.
  saved = clock_settings::Save(edited, zorvane::Writer::FontDialog, storeFace ? nullptr : "Name", instance, window,
                               stored);
  return true;
}
