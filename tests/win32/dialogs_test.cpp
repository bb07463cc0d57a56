// The settings and font dialogs run for real from their templates, driven
// from inside their own modal loops as a user would, against the settings
// file beside the test program.

#include <gtest/gtest.h>
#include <windows.h>
#include <colordlg.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/gdi.h"
#include "clock/window_style.h"
#include "res/resource.h"
#include "settings/clock_settings.h"
#include "settings/font_dialog.h"
#include "settings/settings_dialog.h"
#include "settings/zone_dialog.h"
#include "test_support.h"
#include "window/clock_window.h"

using namespace testing_support;

namespace {

const char* const kSettings = "Zorvane 設定";
const char* const kFont = "Zorvane　フォント設定";
const char* const kZones = "タイムゾーンの選択";
const char* const kChooser = nullptr;  // the colour chooser, found by its red field

// One step: wait for the dialog, act on it, then press a button in it.
struct Step {
  const char* caption;
  std::function<void(HWND)> act;
  int press = 0;
};

std::deque<Step> steps;
ULONGLONG deadline = 0;
bool stalled = false;

// The visible, enabled dialog of this thread that `caption` names; with
// `any`, the first such dialog (the innermost modal one).
HWND FindDialog(const char* caption, bool any = false) {
  struct Search {
    const char* caption;
    bool any;
    HWND found;
  } search{caption, any, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        char cls[16] = {}, text[256] = {};
        GetClassNameA(w, cls, sizeof cls);
        GetWindowTextA(w, text, sizeof text);
        if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(w) || !IsWindowEnabled(w))
          return TRUE;
        const bool match = s->any || (s->caption != nullptr ? std::strcmp(text, s->caption) == 0
                                                            : GetDlgItem(w, COLOR_RED) != nullptr);
        if (match) s->found = w;
        return !match;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A button press as the dialog receives it.
void Press(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A thread timer, dispatched by whichever modal loop runs (nested ones
// too), plays the steps. A stalled script cancels its dialogs and fails.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (GetTickCount64() > deadline) {
    stalled = true;
    if (HWND top = FindDialog(nullptr, true)) PostMessageA(top, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (steps.empty()) return;
  HWND target = FindDialog(steps.front().caption);
  if (target == nullptr) return;
  const Step step = std::move(steps.front());
  steps.pop_front();  // first: a press may open a dialog whose loop ticks
  if (step.act) step.act(target);
  if (step.press != 0) Press(target, step.press);
}

template <typename Body>
INT_PTR Play(std::deque<Step> script, Body body) {
  steps = std::move(script);
  stalled = false;
  deadline = GetTickCount64() + 20000;
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, Tick);
  const INT_PTR result = body();
  KillTimer(nullptr, timer);
  EXPECT_FALSE(stalled) << "the dialogs stalled and were cancelled";
  EXPECT_TRUE(steps.empty()) << steps.size() << " steps never ran";
  return result;
}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

// Runs the dialog of template IDD_SETTINGS or IDD_FONT modally under `script`.
INT_PTR Open(WORD templateId, std::deque<Step> script) {
  return Play(std::move(script), [templateId] {
    const zorvane::Settings current = clock_settings::Load(Instance());
    SettingsDialog settings(current);
    FontDialog font(current);
    DialogBase& dialog = templateId == IDD_FONT ? static_cast<DialogBase&>(font) : settings;
    return dialog.Show(0, Instance(), nullptr, templateId, nullptr);
  });
}

std::string Text(HWND dialog, int id) {
  char text[2048] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

LRESULT Item(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

// The selected entry's text of a combo box or list box, "" when none.
std::string Selected(HWND dialog, int id, UINT getSel, UINT getText) {
  char text[256] = {};
  const LRESULT sel = Item(dialog, id, getSel);
  if (sel >= 0) Item(dialog, id, getText, sel, reinterpret_cast<LPARAM>(text));
  return text;
}

// The face names the system reports for `dialog`, each once (face names
// compare without regard to case), without the faces for vertical writing.
size_t DistinctFaces(HWND dialog) {
  struct NoCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
      return lstrcmpiW(a.c_str(), b.c_str()) < 0;
    }
  };
  std::set<std::wstring, NoCase> faces;
  HDC dc = GetDC(dialog);
  EnumFontsW(
      dc, nullptr,
      [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM p) -> int {
        if (font->lfFaceName[0] != L'@') reinterpret_cast<std::set<std::wstring, NoCase>*>(p)->insert(font->lfFaceName);
        return 1;
      },
      reinterpret_cast<LPARAM>(&faces));
  ReleaseDC(dialog, dc);
  return faces.size();
}

// Whether a list box holds an entry that begins with `prefix`.
bool ListHolds(HWND dialog, int id, const wchar_t* prefix) {
  return SendDlgItemMessageW(dialog, id, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(prefix)) !=
         LB_ERR;
}

void Mix(HWND chooser, COLORREF c) {
  SetDlgItemInt(chooser, COLOR_RED, GetRValue(c), FALSE);
  SetDlgItemInt(chooser, COLOR_GREEN, GetGValue(c), FALSE);
  SetDlgItemInt(chooser, COLOR_BLUE, GetBValue(c), FALSE);
}

int ReadKey(const char* section, const char* key) {
  ProfileSection p;
  p.Bind(kSettingsFile, section, Instance());
  return p.ReadInt(key, -999);
}

class DialogFlow : public SettingsFileTest {};

// What OK then writes is checked end to end.
TEST_F(DialogFlow, BothDialogsShowTheDefaultsWithoutAFile) {
  const auto settings = [](HWND d) {
    ASSERT_EQ(8, Item(d, IDC_FORMAT, CB_GETCOUNT));
    char third[256] = {};
    Item(d, IDC_FORMAT, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(third));
    EXPECT_STREQ("$y年$m月$d日(#W曜日)  #A %H時%m分%s秒", third);
    EXPECT_EQ("$yy/$mm/$dd(#w) %hh:%mm:%ss", Text(d, IDC_FORMAT));
    EXPECT_EQ(BST_CHECKED, Item(d, IDC_SHOW_TITLE, BM_GETCHECK));
    EXPECT_EQ(BST_UNCHECKED, Item(d, IDC_TITLE_MODE, BM_GETCHECK));
  };
  const auto font = [](HWND d) {
    EXPECT_EQ("14", Text(d, IDC_HEIGHT));
    EXPECT_EQ("4(標準)", Selected(d, IDC_WEIGHT, CB_GETCURSEL, CB_GETLBTEXT));
    EXPECT_EQ("ＭＳ Ｐゴシック", Selected(d, IDC_FACE_LIST, LB_GETCURSEL, LB_GETTEXT));
    EXPECT_EQ(BST_UNCHECKED, Item(d, IDC_ITALIC, BM_GETCHECK));
    EXPECT_EQ(static_cast<LRESULT>(DistinctFaces(d)), Item(d, IDC_FACE_LIST, LB_GETCOUNT))
        << "every installed face, each once";
    // The faces for vertical writing draw the text on its side.
    EXPECT_TRUE(ListHolds(d, IDC_FACE_LIST, L"ＭＳ ゴシック"));
    EXPECT_FALSE(ListHolds(d, IDC_FACE_LIST, L"@"));
  };
  EXPECT_EQ(IDOK, Open(IDD_SETTINGS, {{kSettings, settings, IDC_FONT_BUTTON},
                                      {kFont, font, IDOK},
                                      {kSettings, nullptr, IDOK}}));
}

TEST_F(DialogFlow, CancelStoresNothingButAFontConfirmedMeanwhileStays) {
  const auto edit = [](HWND d) {
    SetDlgItemTextA(d, IDC_FORMAT, "%hh");
    Item(d, IDC_SHOW_TITLE, BM_SETCHECK, BST_UNCHECKED);
  };
  const auto editFont = [](HWND d) {
    SetDlgItemTextA(d, IDC_HEIGHT, "30");
    Item(d, IDC_ITALIC, BM_SETCHECK, BST_CHECKED);
  };
  EXPECT_EQ(IDCANCEL, Open(IDD_SETTINGS, {{kSettings, edit, IDC_FONT_BUTTON},
                                          {kFont, editFont, IDCANCEL},
                                          {kSettings, nullptr, IDCANCEL}}));
  EXPECT_FALSE(IniExists());
  const auto stored = [](HWND d) {  // opened again, the font dialog shows what it stored
    EXPECT_EQ("30", Text(d, IDC_HEIGHT));
    EXPECT_EQ(BST_CHECKED, Item(d, IDC_ITALIC, BM_GETCHECK));
  };
  EXPECT_EQ(IDCANCEL, Open(IDD_SETTINGS, {{kSettings, edit, IDC_FONT_BUTTON},
                                          {kFont, editFont, IDOK},
                                          {kSettings, nullptr, IDC_FONT_BUTTON},
                                          {kFont, stored, IDCANCEL},
                                          {kSettings, nullptr, IDCANCEL}}));
  EXPECT_EQ("[Font]\nHeighr=30\nWeight=400\nItalic=1\nULine=0\nMLine=0\nName=ＭＳ Ｐゴシック\n",
            Lines(ReadIni()));
}

TEST_F(DialogFlow, TheFormatIsStoredAsTypedBehindTheLeadIn) {
  struct Case {
    const char* file;  // the settings file when the dialog opens
    std::string shown, typed, written;
    bool type;
  };
  const std::string dflt = "$yy/$mm/$dd(#w) %hh:%mm:%ss", y1021(1021, 'y');
  const Case cases[] = {
      {"[Clock]\r\nTimeFormat=!   $hh\r\n", "   $hh", "", "!   $hh", false},
      {"", dflt, "  $hh", "!  $hh", true},                        // leading blanks survive
      {"", dflt, "", "!", true},                                  // emptied: the lead-in alone
      {"", dflt, "%hh:%mm ", "\"!%hh:%mm \"", true},            // quoted: the blank comes back
      {"[Clock]\r\nTimeFormat=$yy\r\n", "yy", "", "!yy", false},  // hand-written, no lead-in
      {"", dflt, y1021 + "yy", "!" + y1021 + "y", true},          // 1022 bytes at most
      {"", dflt, y1021 + "年", "!" + y1021, true},                // a character is not split
  };
  for (const Case& c : cases) {
    WriteIni(c.file);
    const auto type = [&c](HWND d) {
      EXPECT_EQ(c.shown, Text(d, IDC_FORMAT));
      if (c.type) SetDlgItemTextA(d, IDC_FORMAT, c.typed.c_str());
    };
    EXPECT_EQ(IDOK, Open(IDD_SETTINGS, {{kSettings, type, IDOK}}));
    EXPECT_NE(std::string::npos, Lines(ReadIni()).find("TimeFormat=" + c.written + "\n"))
        << "typed " << c.typed.size() << " bytes";
  }
}

// What the dialogs saved is handed over as the file now holds it, so the
// clock takes it up without reading the file again: all of it after OK,
// the font after the font dialog's OK whatever the settings dialog's end.
TEST_F(DialogFlow, TheDialogHandsOverTheSettingsTheFileNowHolds) {
  for (const INT_PTR close : {IDCANCEL, IDOK}) {
    RemoveIni();
    SettingsDialog dialog(clock_settings::Load(Instance()));
    EXPECT_EQ(close, Play({{kSettings, [](HWND d) { SetDlgItemTextA(d, IDC_FORMAT, "%hh "); }, IDC_FONT_BUTTON},
                           {kFont, [](HWND d) { SetDlgItemTextA(d, IDC_HEIGHT, "30"); }, IDOK},
                           {kSettings, nullptr, static_cast<int>(close)}},
                          [&] { return dialog.Show(0, Instance(), nullptr, IDD_SETTINGS, nullptr); }));
    EXPECT_TRUE(dialog.FontSaved());
    EXPECT_EQ(close == IDOK, dialog.Saved());
    EXPECT_EQ(30, dialog.Stored().font.height);
    EXPECT_STREQ(close == IDOK ? "!%hh " : "!$yy/$mm/$dd(#w) %hh:%mm:%ss", dialog.Stored().clock.timeFormat);
    const zorvane::Settings file = clock_settings::Load(Instance());
    EXPECT_EQ(0, std::memcmp(&file, &dialog.Stored(), sizeof file)) << "not what the file holds";
  }
}

// The settings file holds code page 932 text. A format or a face name with
// a character that code page lacks is refused with a message in front of
// the dialog, which stays open; nothing is stored with "?" or a look-alike
// letter (e for é) in its place.
TEST_F(DialogFlow, ACharacterTheFileCannotHoldIsRefusedAndNothingIsStored) {
  const auto message = [](HWND box) {
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    EXPECT_NE(nullptr, std::wcsstr(text, L"保存できない文字")) << "no message about the character";
  };
  const auto typeFormat = [](const wchar_t* format) {
    return [format](HWND d) { SetDlgItemTextW(d, IDC_FORMAT, format); };
  };
  const wchar_t* const refused[] = {L"Caf\u00E9 %hh:%mm", L"%hh:%mm \u2615", L"\U0001F600"};
  for (const wchar_t* format : refused) {
    EXPECT_EQ(IDCANCEL, Open(IDD_SETTINGS, {{kSettings, typeFormat(format), IDOK},
                                            {kSettings, message, IDOK},  // the box, over the disabled dialog
                                            {kSettings, nullptr, IDCANCEL}}));
    EXPECT_FALSE(IniExists()) << Lines(ReadIni());
  }
  // Mended, the format is stored.
  EXPECT_EQ(IDOK, Open(IDD_SETTINGS, {{kSettings, typeFormat(L"Caf\u00E9"), IDOK},
                                      {kSettings, nullptr, IDOK},
                                      {kSettings, typeFormat(L"Cafe #W"), IDOK}}));
  EXPECT_NE(std::string::npos, Lines(ReadIni()).find("TimeFormat=!Cafe #W\n")) << Lines(ReadIni());
  RemoveIni();

  // A face named with such characters (a Korean or Chinese font) is refused
  // the same way, and no key of the font is written.
  const auto chooseFace = [](HWND d) {
    const LRESULT at = SendDlgItemMessageW(d, IDC_FACE_LIST, LB_ADDSTRING, 0,
                                           reinterpret_cast<LPARAM>(L"\uB9D1\uC740 \uACE0\uB515"));
    Item(d, IDC_FACE_LIST, LB_SETCURSEL, static_cast<WPARAM>(at));
  };
  EXPECT_EQ(IDCANCEL, Open(IDD_FONT, {{kFont, chooseFace, IDOK}, {kFont, message, IDOK}, {kFont, nullptr, IDCANCEL}}));
  EXPECT_FALSE(IniExists()) << Lines(ReadIni());
}

TEST_F(DialogFlow, OtherStoredValuesShowAndComeBackUnchanged) {
  WriteIni("[Clock]\r\nText=255\r\nTitle=0\r\nTitleIN=7\r\n[Brush]\r\nColor=-1\r\n");
  const auto shown = [](HWND d) {
    EXPECT_EQ(BST_UNCHECKED, Item(d, IDC_SHOW_TITLE, BM_GETCHECK));
    EXPECT_EQ(BST_CHECKED, Item(d, IDC_TITLE_MODE, BM_GETCHECK));
  };
  EXPECT_EQ(IDOK, Open(IDD_SETTINGS, {{kSettings, shown, IDOK}}));
  EXPECT_EQ(255, ReadKey("Clock", "Text"));
  EXPECT_EQ(0, ReadKey("Clock", "Title"));
  EXPECT_EQ(1, ReadKey("Clock", "TitleIN"));
  EXPECT_EQ(-1, ReadKey("Brush", "Color")) << "-1, no background brush, is kept";
}

// The preview's brush follows a confirmed background colour and is deleted
// exactly once, whether the dialog ends by End or its window is destroyed.
TEST_F(DialogFlow, ThePreviewBrushFollowsTheBackgroundAndIsDeletedOnce) {
  WriteIni("[Clock]\r\nText=255\r\n");
  const int before = gdi::LiveObjects();
  const COLORREF chosen = RGB(18, 52, 86);
  const auto preview = [&](HWND d) {
    EXPECT_EQ(before + 1, gdi::LiveObjects());
    HWND control = GetDlgItem(d, IDC_PREVIEW);
    HDC dc = GetDC(control);
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
        d, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    LOGBRUSH info{};
    GetObjectA(brush, sizeof info, &info);
    EXPECT_EQ(chosen, info.lbColor);
    EXPECT_EQ(chosen, GetBkColor(dc));
    EXPECT_EQ(255u, GetTextColor(dc));
    ReleaseDC(control, dc);
  };
  {
    SettingsDialog dialog(clock_settings::Load(Instance()));
    EXPECT_EQ(IDOK,
              Play({{kSettings, nullptr, IDC_BACK_COLOR},
                    {kChooser, [&](HWND c) { Mix(c, chosen); }, IDOK},
                    {kSettings, preview, IDC_TEXT_COLOR},
                    {kChooser, [](HWND c) { Mix(c, RGB(1, 2, 3)); }, IDCANCEL},
                    {kSettings, nullptr, IDOK}},
                   [&] { return dialog.Show(0, Instance(), nullptr, IDD_SETTINGS, nullptr); }));
    EXPECT_EQ(before + 1, gdi::LiveObjects()) << "after End the destructor deletes the brush";
  }
  EXPECT_EQ(before, gdi::LiveObjects());
  EXPECT_EQ(255, ReadKey("Clock", "Text")) << "a cancelled chooser changes nothing";
  EXPECT_EQ(static_cast<int>(chosen), ReadKey("Brush", "Color"));
  {
    SettingsDialog dialog(clock_settings::Load(Instance()));
    DestroyWindow(reinterpret_cast<HWND>(dialog.Show(1, Instance(), nullptr, IDD_SETTINGS, 0)));
    EXPECT_EQ(before, gdi::LiveObjects()) << "WM_DESTROY while bound deletes it";
  }
  EXPECT_EQ(before, gdi::LiveObjects());
}

TEST_F(DialogFlow, TheChooserOpensOnBlackAndCustomColoursOutliveIt) {
  const COLORREF defined = RGB(18, 52, 86);
  COLORREF colour = RGB(10, 20, 30);
  const auto pick = [&] { return static_cast<INT_PTR>(PickColor(colour, Instance(), nullptr)); };
  const auto define = [&](HWND c) {
    EXPECT_EQ("0 0 0", Text(c, COLOR_RED) + " " + Text(c, COLOR_GREEN) + " " + Text(c, COLOR_BLUE));
    Press(c, COLOR_MIX);
    Mix(c, defined);
    Press(c, COLOR_ADD);
  };
  EXPECT_EQ(1, Play({{kChooser, define, IDOK}}, pick));
  EXPECT_EQ(defined, colour);
  const auto kept = [&] { return std::count(customColors, customColors + 16, defined) == 1; };
  EXPECT_TRUE(kept());
  EXPECT_EQ(0, Play({{kChooser, [](HWND c) { Mix(c, RGB(9, 9, 9)); }, IDCANCEL}}, pick));
  EXPECT_EQ(defined, colour);
  EXPECT_TRUE(kept()) << "the next chooser gets the same table";
}

TEST_F(DialogFlow, HeightIsShownUnsignedAndStoredWithinEightToNinetyNine) {
  struct Case {
    const char* stored;  // Heighr in the file, or null
    const char* shown;
    const char* typed;  // or null to keep what is shown
    int written;
  };
  const Case cases[] = {
      {nullptr, "14", "5", 8},          {nullptr, "14", "150", 99},
      {nullptr, "14", "", 8},           {nullptr, "14", "42", 42},
      {nullptr, "14", "2147483648", 8}, {"-12", "4294967284", nullptr, 8},
      {"0", "0", nullptr, 8},
  };
  for (const Case& c : cases) {
    WriteIni(c.stored ? std::string("[Font]\r\nHeighr=") + c.stored + "\r\n" : "");
    const auto type = [&c](HWND d) {
      EXPECT_EQ(c.shown, Text(d, IDC_HEIGHT));
      if (c.typed) SetDlgItemTextA(d, IDC_HEIGHT, c.typed);
    };
    EXPECT_EQ(IDOK, Open(IDD_FONT, {{kFont, type, IDOK}}));
    EXPECT_EQ(c.written, ReadKey("Font", "Heighr")) << (c.typed ? c.typed : c.stored);
  }

  // The arrows offer the same 8 to 99 and stop at either end rather than
  // wrap round to the other.
  const auto arrows = [](HWND d) {
    HWND spin = GetDlgItem(d, IDC_HEIGHT_SPIN);
    int low = 0, high = 0;
    SendMessageA(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(8, low);
    EXPECT_EQ(99, high);
    for (const auto& [from, key] : {std::pair<int, WPARAM>{99, VK_UP}, {8, VK_DOWN}}) {
      SendMessageA(spin, UDM_SETPOS32, 0, from);
      SendDlgItemMessageA(d, IDC_HEIGHT, WM_KEYDOWN, key, 0);
      SendDlgItemMessageA(d, IDC_HEIGHT, WM_KEYUP, key, 0);
      EXPECT_EQ(std::to_string(from), Text(d, IDC_HEIGHT)) << "an arrow key at " << from;
    }
    SendMessageA(spin, UDM_SETPOS32, 0, 42);
    SendDlgItemMessageA(d, IDC_HEIGHT, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ("43", Text(d, IDC_HEIGHT)) << "the arrow key steps within the range";
  };
  EXPECT_EQ(IDOK, Open(IDD_FONT, {{kFont, arrows, IDOK}}));
  EXPECT_EQ(43, ReadKey("Font", "Heighr"));
}

TEST_F(DialogFlow, StoredWeightSelectsItsHundredAndNoChoiceStoresZero) {
  const std::pair<int, const char*> cases[] = {{700, "7"}, {450, "4(標準)"}, {150, "1"}, {999, "9"},
                                               {0, ""},    {1000, ""},       {-100, ""}};
  for (const auto& [weight, shown] : cases) {
    WriteIni("[Font]\r\nWeight=" + std::to_string(weight) + "\r\n");
    const auto check = [shown = shown](HWND d) {
      EXPECT_EQ(shown, Selected(d, IDC_WEIGHT, CB_GETCURSEL, CB_GETLBTEXT));
    };
    EXPECT_EQ(IDOK, Open(IDD_FONT, {{kFont, check, IDOK}}));
    EXPECT_EQ(*shown ? weight / 100 * 100 : 0, ReadKey("Font", "Weight")) << weight;
  }
}

TEST_F(DialogFlow, StyleBoxesShowWhatTheFontDrawsAndAnUnknownFaceIsKept) {
  // The font takes the low byte of each style flag: 256 draws no italic.
  WriteIni("[Font]\r\nItalic=256\r\nULine=1\r\nMLine=-1\r\nName=No Such Face\r\n");
  const auto shown = [](HWND d) {
    EXPECT_EQ(BST_UNCHECKED, Item(d, IDC_ITALIC, BM_GETCHECK));
    EXPECT_EQ(BST_CHECKED, Item(d, IDC_UNDERLINE, BM_GETCHECK));
    EXPECT_EQ(BST_CHECKED, Item(d, IDC_STRIKEOUT, BM_GETCHECK));
    EXPECT_EQ(LB_ERR, Item(d, IDC_FACE_LIST, LB_GETCURSEL));
  };
  EXPECT_EQ(IDOK, Open(IDD_FONT, {{kFont, shown, IDOK}}));
  EXPECT_EQ("[Font]\nItalic=0\nULine=1\nMLine=1\nName=No Such Face\nHeighr=14\nWeight=400\n",
            Lines(ReadIni()));
}

// The text of a message box.
std::wstring BoxText(HWND box) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  return text;
}

// A dialog that cannot be made says so, and what opened it goes on: the
// settings dialog stays open, the clock ticks again.
// Every control of `dialog` lies within its client area: the layout holds
// at the scale the test runs at (100 %, and 150 % in the second pass).
::testing::AssertionResult ControlsInside(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(child, &r);
    if (r.left < client.left || r.top < client.top || r.right > client.right || r.bottom > client.bottom)
      return ::testing::AssertionFailure() << "control " << GetDlgCtrlID(child) << " sticks out of its dialog";
  }
  return ::testing::AssertionSuccess();
}

// The zone picker lists the system's zones in its order, west first, opens
// on the system's zone, and OK puts "#{ID}" where the caret is in the
// format box.
TEST_F(DialogFlow, TheZonePickerInsertsTheChosenZoneAtTheCaret) {
  std::vector<system_zones::ListedZone> zones(ZoneDialog::kMaxZones);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, system_zones::kZonesKey, 0, KEY_READ, &key));
  const int count = system_zones::List(key, zones.data(), ZoneDialog::kMaxZones);
  RegCloseKey(key);
  ASSERT_GT(count, 100);
  DYNAMIC_TIME_ZONE_INFORMATION system{};
  GetDynamicTimeZoneInformation(&system);
  int tokyo = -1, ours = -1;
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      EXPECT_GE(zones[i - 1].bias, zones[i].bias) << "by offset, west first";
    }
    if (std::wcscmp(zones[i].id, L"Tokyo Standard Time") == 0) tokyo = i;
    if (_wcsicmp(zones[i].id, system.TimeZoneKeyName) == 0) ours = i;
  }
  ASSERT_GE(tokyo, 0);
  if (ours < 0) ours = 0;  // a system that names no zone of its list: the first

  const auto caret = [](HWND d) {
    EXPECT_TRUE(ControlsInside(d));
    SetDlgItemTextA(d, IDC_FORMAT, "%hh%mm");
    Item(d, IDC_FORMAT, CB_SETEDITSEL, 0, MAKELPARAM(3, 3));
  };
  const auto pick = [&](HWND d) {
    EXPECT_TRUE(ControlsInside(d));
    ASSERT_EQ(count, Item(d, IDC_ZONE_LIST, LB_GETCOUNT));
    EXPECT_EQ(ours, Item(d, IDC_ZONE_LIST, LB_GETCURSEL)) << "opens on the system's zone";
    wchar_t text[128] = {};
    SendDlgItemMessageW(d, IDC_ZONE_LIST, LB_GETTEXT, tokyo, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(zones[tokyo].display, text);
    Item(d, IDC_ZONE_LIST, LB_SETCURSEL, tokyo);
  };
  std::string format;
  EXPECT_EQ(IDCANCEL, Open(IDD_SETTINGS, {{kSettings, caret, IDC_ZONE_BUTTON},
                                          {kZones, pick, IDOK},
                                          {kSettings, [&](HWND d) { format = Text(d, IDC_FORMAT); }, IDCANCEL}}));
  EXPECT_EQ("%hh#{Tokyo Standard Time}%mm", format);
}

TEST_F(DialogFlow, ADialogThatCannotBeOpenedSaysSo) {
  // The font dialog's arrows are a common control: without their class its
  // template cannot be made (as where the control library is missing).
  HMODULE controls = GetModuleHandleA("comctl32.dll");
  WNDCLASSEXW arrows{};
  arrows.cbSize = sizeof arrows;
  ASSERT_TRUE(GetClassInfoExW(controls, L"msctls_updown32", &arrows));
  ASSERT_TRUE(UnregisterClassW(L"msctls_updown32", controls));
  std::wstring said;
  const INT_PTR result = Open(IDD_SETTINGS, {{kSettings, nullptr, IDC_FONT_BUTTON},
                                             {"Zorvane", [&](HWND box) { said = BoxText(box); }, IDOK},
                                             {kSettings, nullptr, IDCANCEL}});
  arrows.hInstance = controls;
  ASSERT_TRUE(RegisterClassExW(&arrows));
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_NE(std::wstring::npos, said.find(L"フォントの設定ダイアログを開けませんでした"));

  // A clock whose module has no dialog templates.
  ClockWindow clock;
  CreateParams p = ClockParams("DialogFailureClock", ClockWindow::WindowProc);
  p.instance = GetModuleHandleA("kernel32.dll");
  p.title = "DialogFailureClock";
  p.iconId = p.smallIconId = 0;
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  said.clear();
  Play({{"Zorvane", [&](HWND box) { said = BoxText(box); }, IDOK}}, [&] {
    return SendMessageA(w, WM_COMMAND, IDM_SETTINGS, 0);
  });
  EXPECT_NE(std::wstring::npos, said.find(L"設定ダイアログを開けませんでした"));
  const ULONGLONG until = GetTickCount64() + 5000;
  MSG msg;
  while (!IsWindowVisible(w) && GetTickCount64() < until) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
  EXPECT_TRUE(IsWindowVisible(w)) << "the clock does not tick again";
  DestroyClock(w);
}

}  // namespace
