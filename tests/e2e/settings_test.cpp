// The settings sequence as a user goes through it: the clock's menu command
// opens the settings dialog, from which the font dialog and the colour
// chooser open; OK stores, Cancel does not, and the clock takes up what the
// file holds once the dialog is gone.

#include <colordlg.h>

#include <memory>
#include <set>
#include <thread>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

const char kSettings[] = "Zorvane 設定";
const char kFont[] = "Zorvane　フォント設定";

using test_files::Lines;

std::string ItemText(HWND dialog, int id) {
  char text[1024] = {};
  SendDlgItemMessageA(dialog, id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

// A control's text, or with `getText` the entry `index` of a list, as the
// system holds it: the clock's Japanese must read right under any code page.
std::wstring WideItemText(HWND dialog, int id, UINT getText = WM_GETTEXT, WPARAM index = 1024) {
  wchar_t text[1024] = {};
  SendDlgItemMessageW(dialog, id, getText, index, reinterpret_cast<LPARAM>(text));
  return text;
}

void Type(HWND dialog, int id, const char* text) {
  SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void Check(HWND dialog, int id, bool on) {
  SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Posted: a press that opens a nested dialog returns only when that closes.
void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Counts the times `name` is put in place in `folder`: made there, or
// renamed to that name (a replacement).
class PlacementsOf {
 public:
  PlacementsOf(const std::wstring& folder, const wchar_t* name)
      : name_(name),
        folder_(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr)),
        event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    Ask();
  }
  ~PlacementsOf() {
    CancelIoEx(folder_, &overlapped_);
    DWORD got = 0;
    GetOverlappedResult(folder_, &overlapped_, &got, TRUE);
    CloseHandle(folder_);
    CloseHandle(event_);
  }

  // The count so far, with every change reported by now.
  int Count() {
    for (DWORD got = 0; GetOverlappedResult(folder_, &overlapped_, &got, FALSE); Ask())
      for (const char* at = buffer_; got > 0; at += got) {
        const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
        count_ += (info->Action == FILE_ACTION_ADDED || info->Action == FILE_ACTION_RENAMED_NEW_NAME) &&
                  name_ == std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t));
        got = info->NextEntryOffset;
      }
    return count_;
  }

 private:
  void Ask() {
    ResetEvent(event_);
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_;
    ReadDirectoryChangesW(folder_, buffer_, sizeof buffer_, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped_,
                          nullptr);
  }

  std::wstring name_;
  HANDLE folder_;
  HANDLE event_;
  OVERLAPPED overlapped_{};
  alignas(DWORD) char buffer_[16384];
  int count_ = 0;
};

LONG ClientHeight(HWND window) {
  RECT r = {};
  GetClientRect(window, &r);
  return r.bottom;
}

class SettingsTest : public ClockTest {
 protected:
  // Waits for the visible dialog of the clock that `owner` owns, named
  // `caption` (any caption when null: the colour chooser).
  HWND Opened(HWND owner, const char* caption) {
    HWND found = nullptr;
    EXPECT_TRUE(Eventually([&] {
      for (HWND w : WindowsOfClass("#32770", clock_.Id()))
        if (IsWindowVisible(w) && GetWindow(w, GW_OWNER) == owner && (!caption || TextOf(w) == caption)) found = w;
      return Holds(found != nullptr, std::string("no dialog ") + (caption ? caption : "(colour chooser)"));
    }));
    return found;
  }

  HWND OpenSettings() {
    PostMessageA(window_, WM_COMMAND, IDM_SETTINGS, 0);
    return Opened(window_, kSettings);
  }

  HWND OpenFrom(HWND settings, int button, const char* caption) {
    Press(settings, button);
    return Opened(settings, caption);
  }

  static ::testing::AssertionResult PressToClose(HWND dialog, int button) {
    Press(dialog, button);
    return Eventually([&] { return Holds(!IsWindow(dialog), "the dialog " + TextOf(dialog) + " stays open"); });
  }

  // The box over `owner` that says the settings could not be saved: it
  // names the file. Closed with its OK.
  ::testing::AssertionResult SaidUnsaved(HWND owner) {
    HWND box = Opened(owner, "Zorvane");
    if (!box) return ::testing::AssertionFailure() << "no message";
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 2048);
    const std::wstring said(text);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    if (said.find(L"保存できませんでした") == std::wstring::npos || said.find(L"元のまま") == std::wstring::npos ||
        said.find(install_.SettingsFile()) == std::wstring::npos)
      return ::testing::AssertionFailure() << "the message does not name the file: " << test_files::Narrow(said);
    // The dialog ends once its one message is answered.
    return Eventually([&] { return Holds(!IsWindow(owner), "a second message, or the dialog stays open"); });
  }

  bool Stored(const std::string& line) const {
    return Lines(install_.ReadSettings()).find(line + "\n") != std::string::npos;
  }
  bool NoFile() const { return GetFileAttributesW(install_.SettingsFile().c_str()) == INVALID_FILE_ATTRIBUTES; }
};

// Each OK puts the file in place once; the settings dialog's OK waits out
// another program that holds the file for 300 ms, letting no one read it.
TEST_F(SettingsTest, ConfirmingBothDialogsOnAFreshInstallationWritesEveryKeyInOrder) {
  ASSERT_NO_FATAL_FAILURE(Launch());
  PlacementsOf placements(install_.Directory(), L"Zorvane.ini");
  HWND settings = OpenSettings();
  ASSERT_TRUE(settings);
  HWND font = OpenFrom(settings, IDC_FONT_BUTTON, kFont);
  ASSERT_TRUE(font);
  ASSERT_TRUE(PressToClose(font, IDOK));
  EXPECT_TRUE(Eventually([&] { return Holds(placements.Count() == 1, "the font dialog's OK: not one replacement"); }));

  HANDLE held = CreateFileW(install_.SettingsFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread release([held] { Sleep(300); CloseHandle(held); });
  const bool closed = PressToClose(settings, IDOK);
  release.join();
  ASSERT_TRUE(closed);
  EXPECT_TRUE(Eventually([&] { return Holds(placements.Count() >= 2, "the settings were not saved"); }));
  EXPECT_EQ(2, placements.Count()) << "the settings dialog's OK";
  EXPECT_EQ(
      "[Font]\nHeighr=14\nWeight=400\nItalic=0\nULine=0\nMLine=0\nName=ＭＳ Ｐゴシック\n"
      "[Clock]\nTimeFormat=!$yy/$mm/$dd(#w) %hh:%mm:%ss\nText=16777215\nTitleIN=0\nTitle=1\n"
      "[Brush]\nColor=0\n",
      Lines(install_.ReadSettings()));
  EXPECT_TRUE(DocksAt(kStart, A()));
}

// While the dialog is open the clock is hidden and stands still; Cancel
// stores nothing, but a font confirmed in between is stored and drawn.
TEST_F(SettingsTest, TheClockWaitsHiddenAndCancelKeepsOnlyAConfirmedFont) {
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_TRUE(DocksAt(kStart, A()));
  const Rect before = RectOf(window_);
  const LONG height = ClientHeight(window_);

  HWND settings = OpenSettings();
  ASSERT_TRUE(settings);
  EXPECT_FALSE(IsWindowVisible(window_));
  Type(settings, IDC_FORMAT, "%hh");
  Check(settings, IDC_TITLE_MODE, true);
  Check(settings, IDC_SHOW_TITLE, false);
  HWND font = OpenFrom(settings, IDC_FONT_BUTTON, kFont);
  ASSERT_TRUE(font);
  Type(font, IDC_HEIGHT, "40");
  ASSERT_TRUE(PressToClose(font, IDCANCEL));
  anchors_.Move(A(), {200, 150, 800, 450});
  EXPECT_TRUE(Throughout(
      [&] {
        return Holds(!IsWindowVisible(window_) && RectOf(window_) == before, "the clock ticked under the dialog");
      },
      1500));
  ASSERT_TRUE(PressToClose(settings, IDCANCEL));
  EXPECT_TRUE(NoFile()) << Lines(install_.ReadSettings());
  EXPECT_TRUE(DocksAt(kStart, A())) << "the clock does not come back";
  EXPECT_EQ(height, ClientHeight(window_));
  EXPECT_EQ(TextOf(A()), kCaptionA);

  settings = OpenSettings();
  ASSERT_TRUE(settings);
  font = OpenFrom(settings, IDC_FONT_BUTTON, kFont);
  ASSERT_TRUE(font);
  Type(font, IDC_HEIGHT, "40");
  ASSERT_TRUE(PressToClose(font, IDOK));
  ASSERT_TRUE(PressToClose(settings, IDCANCEL));
  EXPECT_TRUE(Eventually([&] {
    return Holds(ClientHeight(window_) >= height + 20,
                 "client height " + std::to_string(ClientHeight(window_)) + ", was " + std::to_string(height));
  }));
  EXPECT_EQ("[Font]\nHeighr=40\nWeight=400\nItalic=0\nULine=0\nMLine=0\nName=ＭＳ Ｐゴシック\n",
            Lines(install_.ReadSettings()));
}

TEST_F(SettingsTest, FontDialogShowsStoredValuesAndKeepsTheHeightWithinEightToNinetyNine) {
  // The Font section at opening; the height and weight shown ("": none); the
  // height typed (null: kept); the lines stored on OK.
  const struct {
    const char *file, *shown, *weight, *typed, *heighr, *stored;
  } cases[] = {
      {"Weight=700", "14", "7", "5", "Heighr=8", "Weight=700"},
      {"Weight=450", "14", "4(標準)", "150", "Heighr=99", "Weight=400"},
      {"Weight=150", "14", "1", "", "Heighr=8", "Weight=100"},
      {"Heighr=-12\r\nWeight=0", "4294967284", "", nullptr, "Heighr=8", "Weight=0"},
  };
  ASSERT_NO_FATAL_FAILURE(Launch());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    install_.WriteSettings(std::string("[Font]\r\n") + c.file + "\r\n");
    HWND settings = OpenSettings();
    ASSERT_TRUE(settings);
    HWND font = OpenFrom(settings, IDC_FONT_BUTTON, kFont);
    ASSERT_TRUE(font);
    EXPECT_EQ(c.shown, ItemText(font, IDC_HEIGHT));
    EXPECT_EQ(c.weight, ItemText(font, IDC_WEIGHT));  // a drop-down list's text is its selected entry
    if (c.typed) Type(font, IDC_HEIGHT, c.typed);
    ASSERT_TRUE(PressToClose(font, IDOK));
    ASSERT_TRUE(PressToClose(settings, IDCANCEL));
    EXPECT_TRUE(Stored(c.heighr) && Stored(c.stored)) << Lines(install_.ReadSettings());
  }
}

// A colour added to the custom table in one chooser is in the table of the
// next one, even of the next settings dialog after a cancelled one.
TEST_F(SettingsTest, CustomColoursAreOfferedAgainByTheNextChooser) {
  ASSERT_NO_FATAL_FAILURE(Launch());
  HWND settings = OpenSettings();
  ASSERT_TRUE(settings);
  HWND chooser = OpenFrom(settings, IDC_TEXT_COLOR, nullptr);
  ASSERT_TRUE(chooser);
  Press(chooser, COLOR_MIX);  // the custom colour definition
  SetDlgItemInt(chooser, COLOR_RED, 18, FALSE);
  SetDlgItemInt(chooser, COLOR_GREEN, 52, FALSE);
  SetDlgItemInt(chooser, COLOR_BLUE, 86, FALSE);
  Press(chooser, COLOR_ADD);
  ASSERT_TRUE(PressToClose(chooser, IDOK));
  ASSERT_TRUE(PressToClose(settings, IDCANCEL));
  EXPECT_TRUE(NoFile());

  settings = OpenSettings();
  ASSERT_TRUE(settings);
  chooser = OpenFrom(settings, IDC_BACK_COLOR, nullptr);
  ASSERT_TRUE(chooser);
  RECT custom = {};  // a click on the first of the 16 custom colours picks it
  GetWindowRect(GetDlgItem(chooser, COLOR_CUSTOM1), &custom);
  POINT first = {custom.left + 4, custom.top + 4};
  ScreenToClient(chooser, &first);
  PostMessageA(chooser, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.x, first.y));
  PostMessageA(chooser, WM_LBUTTONUP, 0, MAKELPARAM(first.x, first.y));
  ASSERT_TRUE(PressToClose(chooser, IDOK));
  ASSERT_TRUE(PressToClose(settings, IDOK));
  EXPECT_TRUE(Stored("Color=" + std::to_string(RGB(18, 52, 86)))) << Lines(install_.ReadSettings());
}

// Title mode follows the check box as soon as the dialog closes with OK,
// and blanks in front of the format reach the caption. 13:05:07 frozen.
// The zone picker puts the chosen zone where the caret is: Tokyo's hour
// follows the blanks.
TEST_F(SettingsTest, TitleModeAndLeadingBlanksTakeEffectOnOK) {
  ASSERT_NO_FATAL_FAILURE(Launch("", Mode::Normal, "2002-07-03 13:05:07"));
  HWND settings = OpenSettings();
  ASSERT_TRUE(settings);
  Type(settings, IDC_FORMAT, "   %hh %hh");
  SendDlgItemMessageA(settings, IDC_FORMAT, CB_SETEDITSEL, 0, MAKELPARAM(7, 7));
  HWND zones = OpenFrom(settings, IDC_ZONE_BUTTON, "タイムゾーンの選択");
  ASSERT_TRUE(zones);
  const LRESULT count = SendDlgItemMessageW(zones, IDC_ZONE_LIST, LB_GETCOUNT, 0, 0);
  LRESULT tokyo = -1;
  for (LRESULT i = 0; i < count && tokyo < 0; ++i) {
    const std::wstring shown = WideItemText(zones, IDC_ZONE_LIST, LB_GETTEXT, i);
    if (shown.find(L"Tokyo") != std::wstring::npos || shown.find(L"東京") != std::wstring::npos) tokyo = i;
  }
  ASSERT_GE(tokyo, 0) << count << " zones listed";
  SendDlgItemMessageW(zones, IDC_ZONE_LIST, LB_SETCURSEL, tokyo, 0);
  ASSERT_TRUE(PressToClose(zones, IDOK));
  EXPECT_EQ("   %hh #{Tokyo Standard Time}%hh", ItemText(settings, IDC_FORMAT));
  Check(settings, IDC_TITLE_MODE, true);
  ASSERT_TRUE(PressToClose(settings, IDOK));
  EXPECT_TRUE(Eventually([&] { return Holds(TextOf(A()) == "   13 22", "A shows \"" + TextOf(A()) + "\""); }));
  EXPECT_TRUE(Throughout([&] { return Holds(!IsWindowVisible(window_), "the clock shows in title mode"); }, 600));
  EXPECT_TRUE(Stored("TimeFormat=!   %hh #{Tokyo Standard Time}%hh") && Stored("TitleIN=1"))
      << Lines(install_.ReadSettings());

  // While the dialog is open the clock stands still: A has its own caption
  // back, and the clock takes it again after a cancel.
  settings = OpenSettings();
  ASSERT_TRUE(settings);
  EXPECT_TRUE(Eventually([&] { return Holds(TextOf(A()) == kCaptionA, "A shows \"" + TextOf(A()) + "\""); }));
  ASSERT_TRUE(PressToClose(settings, IDCANCEL));
  ASSERT_TRUE(anchors_.Activate(A()));
  EXPECT_TRUE(Eventually([&] { return Holds(TextOf(A()) == "   13 22", "A shows \"" + TextOf(A()) + "\""); }));

  settings = OpenSettings();
  ASSERT_TRUE(settings);
  EXPECT_EQ("   %hh #{Tokyo Standard Time}%hh", ItemText(settings, IDC_FORMAT));
  EXPECT_EQ(BST_CHECKED, SendDlgItemMessageA(settings, IDC_TITLE_MODE, BM_GETCHECK, 0, 0));
  Check(settings, IDC_TITLE_MODE, false);
  ASSERT_TRUE(PressToClose(settings, IDOK));
  EXPECT_TRUE(Eventually(
      [&] { return Holds(IsWindowVisible(window_) && TextOf(A()) == kCaptionA, "A shows \"" + TextOf(A()) + "\""); }));
  EXPECT_TRUE(DocksAt(kStart, A()));
}

// One settings session at a time. While the dialogs are open the tray icon
// and a second Settings command lead back to them; exit closes them as
// cancelled (nothing is stored), then ends normally and gives the borrowed
// caption back.
TEST_F(SettingsTest, WhileTheDialogsAreOpenTheTrayLeadsToThemAndExitCancelsThem) {
  const std::string file = "[Clock]\r\nTitleIN=1\r\n";
  ASSERT_NO_FATAL_FAILURE(Launch(file, Mode::Title));
  HWND settings = OpenSettings();
  ASSERT_TRUE(settings);
  Type(settings, IDC_FORMAT, "%hh");
  HWND font = OpenFrom(settings, IDC_FONT_BUTTON, kFont);
  ASSERT_TRUE(font);
  Type(font, IDC_HEIGHT, "40");

  ASSERT_TRUE(anchors_.Activate(A()));  // the user goes back to work
  PostMessageA(window_, kTrayCallback, 0, MAKELPARAM(WM_LBUTTONUP, kTrayIconId));  // the current protocol
  EXPECT_TRUE(Eventually([&] { return Holds(GetForegroundWindow() == font, "the font dialog is not in front"); }));
  PostMessageA(window_, kTrayCallback, 0, MAKELPARAM(WM_RBUTTONUP, kTrayIconId));
  PostMessageA(window_, WM_COMMAND, IDM_SETTINGS, 0);
  EXPECT_TRUE(Throughout([&] {
    int menus = 0, dialogs = 0;
    for (HWND w : WindowsOfClass("#32768", clock_.Id())) menus += IsWindowVisible(w) != FALSE;
    for (HWND w : WindowsOfClass("#32770", clock_.Id())) dialogs += IsWindowVisible(w) != FALSE;
    return Holds(menus == 0 && dialogs == 2, std::to_string(menus) + " menus and " + std::to_string(dialogs) +
                                                 " dialogs open, expected the two dialogs only");
  }, 1000));

  PostMessageA(window_, WM_COMMAND, IDM_EXIT, 0);
  DWORD code = 12345;
  ASSERT_TRUE(clock_.Exited(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(file, install_.ReadSettings()) << "a cancelled dialog stored something";
  EXPECT_EQ(TextOf(A()), kCaptionA);
}

// Another program holds the settings file open and lets others read it but
// not write it; then the file is made read-only. Each dialog's OK says that
// the settings could not be saved, naming the file, and still closes; the
// clock goes on with what the file holds (normal mode, the old font, the
// old format), and nothing is written anywhere.
TEST_F(SettingsTest, AFileThatCannotBeWrittenStillEndsTheDialogsAndTheClockGoesOn) {
  const std::string file = "[Clock]\r\nTimeFormat=!%hh:%mm\r\n[Font]\r\nHeighr=14\r\n";
  ASSERT_NO_FATAL_FAILURE(Launch(file));
  ASSERT_TRUE(DocksAt(kStart, A()));
  const LONG width = RectOf(window_).right - RectOf(window_).left, height = ClientHeight(window_);
  std::unique_ptr<void, decltype(&CloseHandle)> lock(
      CreateFileW(install_.SettingsFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
      &CloseHandle);
  ASSERT_NE(lock.get(), INVALID_HANDLE_VALUE);

  HWND settings = OpenSettings();
  ASSERT_TRUE(settings);
  EXPECT_EQ("%hh:%mm", ItemText(settings, IDC_FORMAT));
  Type(settings, IDC_FORMAT, "$yy/$mm/$dd(#w) %hh:%mm:%ss");
  Check(settings, IDC_TITLE_MODE, true);
  HWND font = OpenFrom(settings, IDC_FONT_BUTTON, kFont);
  ASSERT_TRUE(font);
  Type(font, IDC_HEIGHT, "40");
  Press(font, IDOK);
  EXPECT_TRUE(SaidUnsaved(font)) << "a locked file";

  lock.reset();
  ASSERT_TRUE(SetFileAttributesW(install_.SettingsFile().c_str(), FILE_ATTRIBUTE_READONLY));
  Press(settings, IDOK);
  EXPECT_TRUE(SaidUnsaved(settings)) << "a read-only file";

  EXPECT_TRUE(Eventually([&] { return Holds(IsWindowVisible(window_), "the clock stays hidden"); }));
  anchors_.Move(A(), {200, 150, 800, 450});
  EXPECT_TRUE(DocksAt(kStart, A())) << "the clock does not tick";
  EXPECT_EQ(width, RectOf(window_).right - RectOf(window_).left) << "the format is not the stored one";
  EXPECT_EQ(height, ClientHeight(window_)) << "the font is not the stored one";
  EXPECT_EQ(TextOf(A()), kCaptionA);
  EXPECT_TRUE(clock_.Running());
  SetFileAttributesW(install_.SettingsFile().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(file, install_.ReadSettings());
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((install_.Directory() + L"\\*").c_str(), &found);
  std::set<std::wstring> names;
  if (search != INVALID_HANDLE_VALUE) {
    do names.insert(found.cFileName); while (FindNextFileW(search, &found));
    FindClose(search);
  }
  EXPECT_EQ((std::set<std::wstring>{L".", L"..", L"Zorvane.exe", L"Zorvane.ini"}), names)
      << "something was written beside the settings file";
  EXPECT_EQ(ExitClock(), 0u);
}

// The settings file is the one beside the executable under every code
// page, whatever the path holds: under 1252 a folder name ending in é
// (0xE9, which starts a two-byte character under 932) is followed by a real
// separator; under 932 the program's own name ending in 表 (0x95 0x5C)
// holds none; a folder name may have no form in the system's code page at
// all. Its code page 932 text is read and kept byte for byte. The clock reads the file there (Title=0: no
// caption), and OK writes it there and nowhere else.
struct CodePageCase {
  const char* name;
  const char* locale;
  const wchar_t* folder;
  const wchar_t* exe;
};

class CodePageTest : public SettingsTest, public ::testing::WithParamInterface<CodePageCase> {
 protected:
  CodePageTest() : placed_(GetParam().folder, GetParam().exe) {}
  void TearDown() override { clock_.End(); }  // before its copy is removed

  Installation placed_;
};

TEST_P(CodePageTest, TheSettingsFileBesideTheExecutableIsReadAndWritten) {
  ASSERT_TRUE(placed_.Copied());
  // Code page 932 text, as a Japanese system writes it: it reads and comes
  // back byte for byte under every code page.
  placed_.WriteSettings("[Clock]\r\nTitle=0\r\n; 時計の表示 ｷｬﾝｾﾙ\r\nTimeFormat=!表 %hh:%mm\r\n表示=ソ\\\r\n"
                        "[Font]\r\nName=ＭＳ ゴシック\r\n[予定表]\r\n予定=会議\r\n");
  clock_ = placed_.StartInLocale(GetParam().locale);
  ASSERT_TRUE(clock_) << "Zorvane.exe could not be started";
  window_ = clock_.ClockWindow();
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE)) & ~(WS_CLIPSIBLINGS | WS_VISIBLE), kStyleBare)
      << "the settings file was not read";

  // The dialogs show the clock's own Japanese (code page 932) right under
  // the system's code page: the stored format (表 ends in 0x5C, the
  // backslash), the presets, the weight list and the stored face, found in
  // the list by its name.
  HWND settings = OpenSettings();
  ASSERT_TRUE(settings);
  EXPECT_EQ(WideItemText(settings, IDC_FORMAT), L"表 %hh:%mm");
  EXPECT_EQ(WideItemText(settings, IDC_FORMAT, CB_GETLBTEXT, 2), L"$y年$m月$d日(#W曜日)  #A %H時%m分%s秒");
  EXPECT_EQ(WideItemText(settings, IDC_FORMAT, CB_GETLBTEXT, 7), L"#A %H時%m分%s秒");
  HWND font = OpenFrom(settings, IDC_FONT_BUTTON, kFont);
  ASSERT_TRUE(font);
  EXPECT_EQ(WideItemText(font, IDC_WEIGHT), L"4(標準)");
  const WPARAM face = static_cast<WPARAM>(SendDlgItemMessageW(font, IDC_FACE_LIST, LB_GETCURSEL, 0, 0));
  EXPECT_EQ(WideItemText(font, IDC_FACE_LIST, LB_GETTEXT, face), L"ＭＳ ゴシック");
  ASSERT_TRUE(PressToClose(font, IDCANCEL));
  ASSERT_TRUE(PressToClose(settings, IDOK));
  EXPECT_EQ("[Clock]\nTitle=0\n; 時計の表示 ｷｬﾝｾﾙ\nTimeFormat=!表 %hh:%mm\n表示=ソ\\\nText=16777215\nTitleIN=0\n"
            "[Font]\nName=ＭＳ ゴシック\n[予定表]\n予定=会議\n[Brush]\nColor=0\n",
            Lines(placed_.ReadSettings()));
  const std::wstring parent = placed_.Directory().substr(0, placed_.Directory().rfind(L'\\'));
  EXPECT_EQ(GetFileAttributesW((parent + L"\\Zorvane.ini").c_str()), INVALID_FILE_ATTRIBUTES)
      << "a settings file was written in the parent folder";
}

INSTANTIATE_TEST_SUITE_P(CodePages, CodePageTest,
                         ::testing::Values(CodePageCase{"Cp1252", "C.UTF-8", L"Ren\u00E9", L"Zorvane.exe"},
                                           CodePageCase{"Cp932", "ja_JP.UTF-8", L"表示", L"時計表.exe"},
                                           // Folder names that the system's code page lacks.
                                           CodePageCase{"Cp1252JapaneseFolder", "C.UTF-8", L"時計", L"Zorvane.exe"},
                                           CodePageCase{"Cp932AccentedFolder", "ja_JP.UTF-8", L"Zo\u00EB", L"Zorvane.exe"},
                                           // Another double-byte code page, whose pairs are not 932's.
                                           CodePageCase{"Cp936", "zh_CN.UTF-8", L"Zo\u00EB", L"Zorvane.exe"}),
                         [](const ::testing::TestParamInfo<CodePageCase>& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
