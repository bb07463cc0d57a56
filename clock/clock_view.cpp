#include "clock/clock_view.h"

#include <shellapi.h>

#include <cstring>

#include "clock/window_style.h"
#include "core/profile_values.h"
#include "settings/profile_section.h"

namespace {

constexpr const char* kDefaultFormat = "!$yy/$mm/$dd(#w) %hh:%mm:%ss";
constexpr const char* kDefaultFace = "ＭＳ Ｐゴシック";
constexpr int kWhite = 16777215;

// Other applications' captions are read and written with a bounded send:
// a hung application must not stop the clock.
constexpr UINT kCaptionTimeoutMs = 250;

bool GetCaption(HWND w, char (&caption)[zorvane::kTextSize]) {
  caption[0] = '\0';
  DWORD_PTR copied = 0;
  const LRESULT ok = SendMessageTimeoutA(w, WM_GETTEXT, sizeof caption,
                                         reinterpret_cast<LPARAM>(caption),
                                         SMTO_ABORTIFHUNG | SMTO_BLOCK, kCaptionTimeoutMs, &copied);
  caption[sizeof caption - 1] = '\0';
  return ok != 0;
}

void SetCaption(HWND w, const char* caption) {
  DWORD_PTR unused = 0;
  SendMessageTimeoutA(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption),
                      SMTO_ABORTIFHUNG | SMTO_BLOCK, kCaptionTimeoutMs, &unused);
}

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
      foregroundWindow(nullptr),
      window(nullptr),
      textRect{},
      windowRect{},
      now(0),
      localTime{},
      viewTable{},
      titleMode(0),
      textColor(kWhite),
      backColor(0),
      captionWindow(nullptr),
      captionSaved(false),
      savedCaption{} {}

ClockView::~ClockView() {
  bitmap.Reset();
  brush.Reset();
  font.Reset();
  RestoreCaption();
}

void ClockView::Attach(HWND clockWindow, HINSTANCE module) {
  window = clockWindow;
  instance = module;
  captionWindow = nullptr;
  captionSaved = false;
  foregroundWindow = nullptr;
  bitmap.Reset();
  textRect = RECT{};
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
  now = std::time(nullptr);
  if (const std::tm* t = std::localtime(&now)) localTime = *t;
}

void ClockView::LoadFormat() {
  ProfileSection clock;
  clock.Bind(kSettingsFile, "Clock", instance);
  clock.ReadString("TimeFormat", timeFormat, kDefaultFormat, sizeof timeFormat);
  textColor = static_cast<COLORREF>(clock.ReadInt("Text", kWhite));
}

void ClockView::LoadBrush() {
  brush.Reset();
  ProfileSection section;
  section.Bind(kSettingsFile, "Brush", instance);
  backColor = static_cast<COLORREF>(section.ReadInt("Color", 0));
  // -1 is no colour at all: the picture is then left unfilled.
  if (backColor != static_cast<COLORREF>(-1)) brush.Reset(CreateSolidBrush(backColor));
}

void ClockView::LoadFont() {
  font.Reset();
  ProfileSection section;
  section.Bind(kSettingsFile, "Font", instance);
  const int height = section.ReadInt("Heighr", 14);
  if (height == 0) return;  // draw in the device context's own font

  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWidth = section.ReadInt("Width", 0);
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
  ShowWindow(window, titleMode != 0 ? SW_HIDE : SW_SHOW);
}

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
  RECT screen{};
  GetWindowRect(GetDesktopWindow(), &screen);
  APPBARDATA bar{};
  bar.cbSize = sizeof bar;
  if (!SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) bar.rc = RECT{};

  // SWP_NOACTIVATE: moving must never take the focus from the user's
  // application, twice a second.
  constexpr UINT kMoveFlags = SWP_NOZORDER | SWP_NOACTIVATE;

  // A destroyed anchor counts as none.
  RECT anchor{};
  if (foregroundWindow == nullptr || foregroundWindow == window || !IsWindow(foregroundWindow) ||
      !GetWindowRect(foregroundWindow, &anchor)) {
    SetWindowPos(window, nullptr, 0, 0, textRect.right, textRect.bottom, kMoveFlags);
    return;
  }

  RECT outer = textRect;
  AdjustWindowRectEx(&outer, window_style::Style(), FALSE, window_style::kExStyle);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;

  // Kept on the monitor of what the clock docks to; with one monitor this
  // is the whole screen.
  const zorvane::Rect bounds =
      row == zorvane::Taskbar
          ? MonitorOf(MonitorFromRect(&bar.rc, MONITOR_DEFAULTTOPRIMARY), screen)
          : MonitorOf(MonitorFromWindow(foregroundWindow, MONITOR_DEFAULTTOPRIMARY), screen);

  const zorvane::Rect r =
      zorvane::PlaceRect(row, column, bounds, ToRect(bar.rc), ToRect(anchor), width, height);
  windowRect = RECT{r.left, r.top, r.right, r.bottom};
  SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, kMoveFlags);
}

void ClockView::FormatTime() { zorvane::FormatTime(timeFormat, localTime, displayText, padDigits); }

void ClockView::AppendNumber(int value) { zorvane::AppendNumber(displayText, value, padDigits); }

void ClockView::UpdateAnchor() {
  // The clock window and the windows it owns (its dialogs, its menus) never
  // count: clicking the clock must not make it dock to itself.
  HWND foreground = GetForegroundWindow();
  if (foreground != window && (foreground == nullptr || GetWindow(foreground, GW_OWNER) != window)) {
    foregroundWindow = foreground;
  }
}

void ClockView::Render() {
  bitmap.Reset();
  {
    gdi::WindowDC windowDC(window);
    gdi::MemoryDC memory(windowDC.Get());
    gdi::Selection fontSelection(memory.Get(), font.Get());
    UpdateAnchor();
    FormatTime();
    DrawClockText(memory.Get(), windowDC.Get());
  }
  if (UpdateCaption() == 0) InvalidateRect(window, nullptr, FALSE);
}

void ClockView::DrawClockText(HDC memoryDC, HDC windowDC) {
  textRect = RECT{};
  DrawTextA(memoryDC, displayText, -1, &textRect, DT_CALCRECT);
  Place();
  bitmap.Reset(CreateCompatibleBitmap(windowDC, textRect.right, textRect.bottom));
  gdi::Selection bitmapSelection(memoryDC, bitmap.Get());
  if (brush) FillRect(memoryDC, &textRect, brush.Get());
  SetTextColor(memoryDC, textColor);
  SetBkColor(memoryDC, backColor);
  DrawTextA(memoryDC, displayText, -1, &textRect, 0);
}

int ClockView::UpdateCaption() {
  if (captionWindow != foregroundWindow) {
    RestoreCaption();
    if (foregroundWindow != nullptr) captionSaved = GetCaption(foregroundWindow, savedCaption);
    captionWindow = foregroundWindow;
  }
  if (titleMode != 0) {
    if (foregroundWindow != nullptr) SetCaption(foregroundWindow, displayText);
    return 1;
  }
  ShowWindow(window, SW_SHOW);
  return 0;
}

void ClockView::RestoreCaption() {
  // Only a caption that was really read goes back, and only to a window
  // that still exists.
  if (captionWindow != nullptr && captionSaved && IsWindow(captionWindow)) {
    SetCaption(captionWindow, savedCaption);
  }
  captionWindow = nullptr;
  captionSaved = false;
}
