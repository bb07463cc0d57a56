#include "clock/clock_view.h"

#include <shellapi.h>

#include <cstring>

#include "app/dpi.h"
#include "app/system_eras.h"
#include "clock/window_style.h"
#include "core/profile_values.h"
#include "settings/profile_section.h"

namespace {

constexpr const char* kDefaultFormat = "!$yy/$mm/$dd(#w) %hh:%mm:%ss";
constexpr const char* kDefaultFace = "ＭＳ Ｐゴシック";
constexpr int kWhite = 16777215;

// No screen shows more of the clock than this; a longer text (the longest
// format in the largest font is some 300,000 pixels wide) is cut here, or
// one drawing of it would take the better part of a second.
constexpr LONG kMaxPictureSize = 16384;

zorvane::Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The monitor that holds `r`, so that a clock docked to a window on a
// second monitor stays on that monitor.
zorvane::Rect MonitorOf(HMONITOR monitor, const RECT& fallback) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor != nullptr && GetMonitorInfoA(monitor, &info)) return ToRect(info.rcMonitor);
  return ToRect(fallback);
}

}  // namespace

ClockView::ClockView()
    : column(zorvane::Left),
      row(zorvane::TopOutside),
      instance(nullptr),
      padDigits(0),
      timeFormat{},
      displayText{},
      eras(zorvane::BuiltInEras()),
      foregroundWindow(nullptr),
      window(nullptr),
      pictureOriginal(nullptr),
      textRect{},
      windowRect{},
      now(0),
      localTime{},
      viewTable{},
      titleMode(0),
      textColor(kWhite),
      backColor(0),
      drawnText{},
      pictureStale(true),
      millisecond(0),
      monitorDpi(dpi::kDefault),
      placedFor{},
      placedForValid(false),
      taskbarQueries(0),
      drawings(0) {}

ClockView::~ClockView() {
  picture.Reset();  // gives up the bitmap, which can then be deleted
  bitmap.Reset();
  brush.Reset();
  font.Reset();
  // Every caption the clock wrote goes back before the program ends; a
  // program that does not answer gets a short while to wake up.
  captions.Settle(BorrowedCaptions::kExitWaitMs);
}

void ClockView::Attach(HWND clockWindow, HINSTANCE module) {
  window = clockWindow;
  instance = module;
  captions.GiveBack();
  foregroundWindow = nullptr;
  picture.Reset();
  pictureOriginal = nullptr;
  bitmap.Reset();
  textRect = RECT{};
  drawnText[0] = '\0';
  monitorDpi = dpi::ForWindow(window);
  placedForValid = false;
  brush.Reset();
  font.Reset();
  column = zorvane::Left;
  row = zorvane::TopOutside;
  LoadBrush();
  LoadFont();
  LoadViewTable();
  LoadFormat();
  LoadTitleMode();
}

void ClockView::ReadTime() {
  // One reading gives both the second shown and where in it we are, so the
  // next tick can be aimed just past the next half second.
  FILETIME f;
  GetSystemTimeAsFileTime(&f);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
  constexpr ULONGLONG kUnixEpoch = 116444736000000000ULL;  // 1970-01-01 in 100 ns since 1601
  constexpr ULONGLONG kPerSecond = 10000000ULL;
  now = static_cast<std::time_t>((ticks - kUnixEpoch) / kPerSecond);
  millisecond = static_cast<int>(ticks % kPerSecond / 10000);
  if (const std::tm* t = std::localtime(&now)) localTime = *t;
}

void ClockView::LoadFormat() {
  ProfileSection clock;
  clock.Bind(kSettingsFile, "Clock", instance);
  clock.ReadString("TimeFormat", timeFormat, kDefaultFormat, sizeof timeFormat);
  // Read with the format: an era Windows added since the clock started
  // shows once the settings are loaded again.
  eras = system_eras::Load();
  textColor = static_cast<COLORREF>(clock.ReadInt("Text", kWhite));
  pictureStale = true;
}

void ClockView::LoadBrush() {
  brush.Reset();
  ProfileSection section;
  section.Bind(kSettingsFile, "Brush", instance);
  backColor = static_cast<COLORREF>(section.ReadInt("Color", 0));
  // -1 is no colour at all: the picture is then left unfilled.
  if (backColor != static_cast<COLORREF>(-1)) brush.Reset(CreateSolidBrush(backColor));
  pictureStale = true;
}

void ClockView::LoadFont() {
  font.Reset();
  pictureStale = true;
  ProfileSection section;
  section.Bind(kSettingsFile, "Font", instance);
  // A size beyond the bound counts as unreadable and takes the default.
  const int height = zorvane::FontSizeOr(section.ReadInt("Heighr", 14), 14);
  if (height == 0) return;  // draw in the device context's own font

  // The stored sizes are pixels at 100 %; the font is made for the scale
  // of the monitor the clock is on.
  LOGFONTA lf{};
  lf.lfHeight = dpi::Scale(height, monitorDpi);
  lf.lfWidth = dpi::Scale(zorvane::FontSizeOr(section.ReadInt("Width", 0), 0), monitorDpi);
  lf.lfEscapement = 0;
  lf.lfOrientation = 4;
  lf.lfWeight = section.ReadInt("Weight", 400);
  // Only the low byte of each flag reaches the font, so 256 is "off".
  lf.lfItalic = static_cast<BYTE>(section.ReadInt("Italic", 0));
  lf.lfUnderline = static_cast<BYTE>(section.ReadInt("ULine", 0));
  lf.lfStrikeOut = static_cast<BYTE>(section.ReadInt("MLine", 0));
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = FIXED_PITCH | FF_DONTCARE;
  char name[256];
  section.ReadString("Name", name, kDefaultFace, sizeof name);
  char face[zorvane::kFaceSize];
  zorvane::CutFaceName(name, face, SystemCharWidths());
  std::memcpy(lf.lfFaceName, face, sizeof face);
  font.Reset(CreateFontIndirectA(&lf));
}

void ClockView::LoadTitleMode() {
  ProfileSection clock;
  clock.Bind(kSettingsFile, "Clock", instance);
  titleMode = clock.ReadInt("TitleIN", 0);
  RestoreCaption();
  // Shown without activation: the clock never takes the keyboard from the
  // user's application.
  ShowWindow(window, titleMode != 0 ? SW_HIDE : SW_SHOWNA);
}

void ClockView::ChangeDpi(UINT newDpi) {
  if (newDpi == 0) return;
  monitorDpi = newDpi;
  LoadFont();
}

void ClockView::DisplayChanged() { placedForValid = false; }

void ClockView::LoadViewTable() {
  ProfileSection clock;
  clock.Bind(kSettingsFile, "Clock", instance);
  for (int r = 0; r < zorvane::kRows; ++r) {
    for (int c = 0; c < zorvane::kColumns; ++c) {
      char key[8];
      zorvane::ViewKeyName(r, c, key);
      viewTable[r][c] = clock.ReadInt(key, 1);
    }
  }
  if (viewTable[row][column] == 0) StepForward();
}

void ClockView::StepForward() {
  if (zorvane::NextStop(viewTable, row, column)) Place();
}

void ClockView::StepBack() {
  if (zorvane::PreviousStop(viewTable, row, column)) Place();
}

void ClockView::Place() {
  // A destroyed anchor counts as none: its rectangle cannot be read.
  RECT anchor{};
  if (foregroundWindow == nullptr || foregroundWindow == window ||
      !GetWindowRect(foregroundWindow, &anchor)) {
    MoveTo(0, 0, textRect.right, textRect.bottom);
    return;
  }

  // Only the taskbar row needs the taskbar, and asking costs a round trip
  // to the shell; that row asks at every tick so as to follow it.
  APPBARDATA bar{};
  bar.cbSize = sizeof bar;
  if (row == zorvane::Taskbar) {
    ++taskbarQueries;
    if (!SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) bar.rc = RECT{};
  }

  const PlacedFor inputs{foregroundWindow, anchor, bar.rc, row, column,
                         textRect.right, textRect.bottom, monitorDpi};
  if (!placedForValid || !Same(inputs, placedFor)) {
    RECT screen{};
    GetWindowRect(GetDesktopWindow(), &screen);
    RECT outer = textRect;
    dpi::AdjustWindowRect(outer, window_style::Style(), window_style::kExStyle, monitorDpi);
    // Kept on the monitor of what the clock docks to; with one monitor
    // this is the whole screen.
    const zorvane::Rect bounds =
        row == zorvane::Taskbar
            ? MonitorOf(MonitorFromRect(&bar.rc, MONITOR_DEFAULTTOPRIMARY), screen)
            : MonitorOf(MonitorFromWindow(foregroundWindow, MONITOR_DEFAULTTOPRIMARY), screen);
    const zorvane::Rect r = zorvane::PlaceRect(row, column, bounds, ToRect(bar.rc), ToRect(anchor),
                                               outer.right - outer.left, outer.bottom - outer.top);
    windowRect = RECT{r.left, r.top, r.right, r.bottom};
    placedFor = inputs;
    placedForValid = true;
  }
  MoveTo(windowRect.left, windowRect.top, windowRect.right - windowRect.left,
         windowRect.bottom - windowRect.top);
}

bool ClockView::Same(const PlacedFor& a, const PlacedFor& b) {
  return a.anchor == b.anchor && EqualRect(&a.anchorRect, &b.anchorRect) &&
         EqualRect(&a.taskbar, &b.taskbar) && a.row == b.row && a.column == b.column &&
         a.textWidth == b.textWidth && a.textHeight == b.textHeight && a.dpi == b.dpi;
}

void ClockView::MoveTo(int left, int top, int width, int height) {
  RECT at{};
  GetWindowRect(window, &at);
  if (at.left == left && at.top == top && at.right - at.left == width && at.bottom - at.top == height) {
    return;
  }
  // SWP_NOACTIVATE: moving must never take the focus from the user's
  // application.
  SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ClockView::FormatTime() { zorvane::FormatTime(timeFormat, localTime, displayText, padDigits, eras); }

void ClockView::AppendNumber(int value) { zorvane::AppendNumber(displayText, value, padDigits); }

void ClockView::UpdateAnchor() {
  // The clock window and the windows it owns (its dialogs, its menus) never
  // count: clicking the clock must not make it dock to itself. The owner
  // is asked only of a window that is new in the foreground.
  HWND foreground = GetForegroundWindow();
  if (foreground == foregroundWindow || foreground == window) return;
  if (foreground == nullptr || GetWindow(foreground, GW_OWNER) != window) foregroundWindow = foreground;
}

void ClockView::Render() {
  UpdateAnchor();
  FormatTime();
  // The text changes once a second at most, and ticks come twice a second:
  // the picture is made again only when it would look different.
  const bool redraw = pictureStale || !bitmap || std::strcmp(displayText, drawnText) != 0;
  if (redraw) {
    gdi::WindowDC windowDC(window);
    if (!picture) picture.Reset(windowDC.Get());
    gdi::Selection fontSelection(picture.Get(), font.Get());
    DrawClockText(picture.Get(), windowDC.Get());
  } else {
    Place();  // the anchor may have moved
  }
  if (UpdateCaption() == 0 && redraw) InvalidateRect(window, nullptr, FALSE);
}

void ClockView::DrawClockText(HDC memoryDC, HDC windowDC) {
  textRect = RECT{};
  DrawTextA(memoryDC, displayText, -1, &textRect, DT_CALCRECT);
  if (textRect.right > kMaxPictureSize) textRect.right = kMaxPictureSize;
  if (textRect.bottom > kMaxPictureSize) textRect.bottom = kMaxPictureSize;
  Place();
  FitBitmap(windowDC);
  // Without a brush nothing fills the picture: a reused bitmap is cleared
  // to what a new one holds, black, so no earlier text shows through.
  if (brush) {
    FillRect(memoryDC, &textRect, brush.Get());
  } else {
    PatBlt(memoryDC, 0, 0, textRect.right, textRect.bottom, BLACKNESS);
  }
  SetTextColor(memoryDC, textColor);
  SetBkColor(memoryDC, backColor);
  DrawTextA(memoryDC, displayText, -1, &textRect, 0);
  std::memcpy(drawnText, displayText, sizeof drawnText);
  pictureStale = false;
  ++drawings;
}

void ClockView::FitBitmap(HDC windowDC) {
  BITMAP held{};
  if (bitmap && GetObjectA(bitmap.Get(), sizeof held, &held) != 0 && held.bmWidth == textRect.right &&
      held.bmHeight == textRect.bottom) {
    return;
  }
  // A bitmap still selected into a context cannot be deleted: the context
  // gets back the one it came with first.
  if (bitmap) SelectObject(picture.Get(), pictureOriginal);
  bitmap.Reset(CreateCompatibleBitmap(windowDC, textRect.right, textRect.bottom));
  if (!bitmap) return;
  HGDIOBJ was = SelectObject(picture.Get(), bitmap.Get());
  if (pictureOriginal == nullptr) pictureOriginal = was;
}

int ClockView::UpdateCaption() {
  captions.RetryPending();
  if (titleMode != 0) {
    captions.Show(foregroundWindow, displayText);
    return 1;
  }
  if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOWNA);
  return 0;
}

void ClockView::RestoreCaption() { captions.GiveBack(); }
