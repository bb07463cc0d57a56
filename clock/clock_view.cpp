#include "clock/clock_view.h"

#include <shellapi.h>

#include <cstring>

#include "app/dpi.h"
#include "app/system_eras.h"
#include "clock/system_answers.h"
#include "clock/window_style.h"
#include "core/profile_values.h"

namespace {

// No screen shows more of the clock than this; a longer text (the longest
// format in the largest font is some 300,000 pixels wide) is cut here, or
// one drawing of it would take the better part of a second.
constexpr LONG kMaxPictureSize = 16384;

zorvane::Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

ClockView::ClockView()
    : column(zorvane::Left),
      row(zorvane::TopOutside),
      instance(nullptr),
      settings(zorvane::DefaultSettings()),
      padDigits(0),
      timeFormat{},
      displayText{},
      eras(zorvane::BuiltInEras()),
      docked(false),
      overFullScreen(false),
      asideForFullScreen(false),
      drawing(false),
      fontPending(false),
      window(nullptr),
      pictureOriginal(nullptr),
      textRect{},
      windowRect{},
      now(0),
      localTime{},
      viewTable{},
      titleMode(0),
      shownForRefusal(false),
      textColor(static_cast<COLORREF>(zorvane::DefaultSettings().clock.text)),
      backColor(0),
      drawnText{},
      pictureStale(true),
      highContrast(false),
      millisecond(0),
      monitorDpi(dpi::kDefault),
      placedFor{},
      placedForValid(false),
      ownBorders{0, 0, 0, 0},
      bordersMeasuredShown(false),
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
  anchor.Attach(window);
  docked = false;
  asideForFullScreen = false;
  picture.Reset();
  pictureOriginal = nullptr;
  bitmap.Reset();
  textRect = RECT{};
  drawnText[0] = '\0';
  monitorDpi = dpi::ForWindow(window);
  placedForValid = false;
  ownBorders = zorvane::Insets{0, 0, 0, 0};
  bordersMeasuredShown = false;
  highContrast = system_answers::Current().highContrast();
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
  SetTime(static_cast<std::time_t>((ticks - kUnixEpoch) / kPerSecond),
          static_cast<int>(ticks % kPerSecond / 10000));
}

void ClockView::SetTime(std::time_t at, int atMillisecond) {
  now = at;
  millisecond = atMillisecond;
  if (const std::tm* t = std::localtime(&now)) localTime = *t;
}

void ClockView::LoadFormat() {
  static_assert(sizeof timeFormat == sizeof settings.clock.timeFormat, "the format fits");
  std::memcpy(timeFormat, settings.clock.timeFormat, sizeof timeFormat);
  // Read with the format: an era Windows added since the clock started
  // shows once the settings are loaded again.
  eras = system_eras::Load();
  zones.Load(timeFormat);
  textColor = static_cast<COLORREF>(settings.clock.text);
  pictureStale = true;
}

void ClockView::LoadBrush() {
  brush.Reset();
  backColor = static_cast<COLORREF>(settings.brush.color);
  // -1 is no colour at all: the picture is then left unfilled.
  if (backColor != static_cast<COLORREF>(-1)) brush.Reset(CreateSolidBrush(backColor));
  pictureStale = true;
}

void ClockView::LoadFont() {
  pictureStale = true;
  // The font is selected into the picture while a drawing runs, and a
  // selected object cannot be deleted: it is made again after the drawing.
  if (drawing) {
    fontPending = true;
    return;
  }
  font.Reset();
  const zorvane::FontKeys& stored = settings.font;
  const zorvane::FontKeys& defaults = zorvane::DefaultSettings().font;
  // A size beyond the bound counts as unreadable and takes the default.
  const int height = zorvane::FontSizeOr(stored.height, defaults.height);
  if (height == 0) return;  // draw in the device context's own font

  // The stored sizes are pixels at 100 %; the font is made for the scale
  // of the monitor the clock is on.
  LOGFONTW lf{};
  lf.lfHeight = dpi::Scale(height, monitorDpi);
  lf.lfWidth = dpi::Scale(zorvane::FontSizeOr(stored.width, defaults.width), monitorDpi);
  lf.lfEscapement = 0;
  lf.lfOrientation = 4;
  lf.lfWeight = stored.weight;
  // Only the low byte of each flag reaches the font, so 256 is "off".
  lf.lfItalic = static_cast<BYTE>(stored.italic);
  lf.lfUnderline = static_cast<BYTE>(stored.uLine);
  lf.lfStrikeOut = static_cast<BYTE>(stored.mLine);
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  // No pitch asked for: Windows' font mapper weighs a pitch mismatch above
  // a name mismatch, and would draw some fixed-pitch face in place of the
  // proportional one named (the default face is one).
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  // The name is the clock's own text: cut as code page 932, and given to
  // the system in UTF-16, so the face is found under any code page.
  char face[zorvane::kFaceSize];
  zorvane::CutFaceName(stored.name, face, zorvane::CodePage932());
  text::FromOwn(face, lf.lfFaceName, LF_FACESIZE);
  font.Reset(CreateFontIndirectW(&lf));
}

void ClockView::LoadTitleMode() {
  titleMode = settings.clock.titleIn;
  overFullScreen = settings.clock.fullScreen == 1;
  asideForFullScreen = false;
  shownForRefusal = false;
  RestoreCaption();
  // Shown without activation: the clock never takes the keyboard from the
  // user's application.
  ShowWindow(window, titleMode != 0 ? SW_HIDE : SW_SHOWNA);
}

void ClockView::ChangeDpi(UINT newDpi) {
  if (newDpi == 0) return;
  monitorDpi = newDpi;
  bordersMeasuredShown = false;  // the borders scale with the DPI
  LoadFont();
}

void ClockView::ListenToAnchor(bool on) {
  if (on) {
    anchor.Listen();
  } else {
    anchor.StopListening();
  }
}

void ClockView::Follow(bool place) {
  if (anchor.TakeFollow() && place) Render();
}

void ClockView::DisplayChanged() {
  anchor.DisplayChanged();
  placedForValid = false;
  bordersMeasuredShown = false;
  highContrast = system_answers::Current().highContrast();
  pictureStale = true;
}

void ClockView::EndSession() { captions.Settle(BorrowedCaptions::kExitWaitMs); }

void ClockView::LoadViewTable() {
  std::memcpy(viewTable, settings.clock.viewTable, sizeof viewTable);
  if (viewTable[row][column] == 0) StepForward();
}

void ClockView::StepForward() {
  if (zorvane::NextStop(viewTable, row, column)) Place();
}

void ClockView::StepBack() {
  if (zorvane::PreviousStop(viewTable, row, column)) Place();
}

void ClockView::Place() {
  RECT anchorRect{};
  if (!anchor.WindowRect(anchorRect)) {
    if (!docked) {
      // No application window has been in front yet: the corner.
      MoveTo(0, 0, textRect.right, textRect.bottom);
      return;
    }
    // The anchor was minimised, hidden or closed, or cannot be read: the
    // clock stays where it was, at the size of its text, until an
    // application window comes to the front.
    RECT outer = textRect;
    dpi::AdjustWindowRect(outer, window_style::Style(), window_style::kExStyle, monitorDpi);
    windowRect.right = windowRect.left + (outer.right - outer.left);
    windowRect.bottom = windowRect.top + (outer.bottom - outer.top);
    MoveTo(windowRect.left, windowRect.top, windowRect.right - windowRect.left,
           windowRect.bottom - windowRect.top);
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

  const PlacedFor inputs{anchor.Window(), anchorRect, bar.rc, row, column,
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
            ? MonitorRect(MonitorFromRect(&bar.rc, MONITOR_DEFAULTTOPRIMARY), screen)
            : anchor.Monitor(screen);
    // Where the system can say, the anchor's visible frame: without it the
    // clock would dock to the invisible borders round the window. It moves
    // only with the window's rectangle, so it is asked only when that did.
    const RECT frame = anchor.VisibleFrame(anchorRect);
    // The clock's own invisible borders: its visible frame is what meets
    // the anchor's.
    if (!bordersMeasuredShown) MeasureOwnBorders();
    const zorvane::Rect r = zorvane::PlaceRect(row, column, bounds, ToRect(bar.rc), ToRect(frame),
                                               outer.right - outer.left, outer.bottom - outer.top, ownBorders);
    windowRect = RECT{r.left, r.top, r.right, r.bottom};
    placedFor = inputs;
    placedForValid = true;
    docked = true;
  }
  MoveTo(windowRect.left, windowRect.top, windowRect.right - windowRect.left,
         windowRect.bottom - windowRect.top);
}

bool ClockView::MeasureOwnBorders() {
  zorvane::Insets measured{0, 0, 0, 0};
  RECT own{}, ownFrame{};
  const bool answered =
      GetWindowRect(window, &own) && system_answers::Current().frameBounds(window, &ownFrame);
  if (answered) measured = zorvane::InsetsOf(ToRect(own), ToRect(ownFrame));
  // The system reports the frame only once the window has been shown: a
  // hidden clock's answer is asked again after it is shown. A shown
  // window's missing answer means there is no compositor, and no borders.
  if (IsWindowVisible(window)) bordersMeasuredShown = true;
  if (measured.left == ownBorders.left && measured.top == ownBorders.top && measured.right == ownBorders.right &&
      measured.bottom == ownBorders.bottom) {
    return false;
  }
  ownBorders = measured;
  placedForValid = false;  // a placement made with the old borders is off by their difference
  return true;
}

void ClockView::WindowShown() {
  // The first show gives the borders their real size: the clock is placed
  // anew at once rather than when the anchor next moves.
  if (!bordersMeasuredShown && MeasureOwnBorders() && docked) Place();
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

void ClockView::FormatTime() {
  zorvane::FormatTime(timeFormat, zorvane::Reading{localTime, now, &zones}, displayText, padDigits, eras);
}

void ClockView::AppendNumber(int value) { zorvane::AppendNumber(displayText, value, padDigits); }

bool ClockView::FullScreenAhead() const { return !overFullScreen && anchor.FullScreen(); }

void ClockView::Render() {
  anchor.Update();
  FormatTime();
  // The text changes once a second at most, and ticks come twice a second:
  // the picture is made again only when it would look different.
  const bool redraw = pictureStale || !bitmap || std::strcmp(displayText, drawnText) != 0;
  if (redraw) {
    text::FromOwn(displayText, wideText);
    Draw();
  } else {
    Place();  // the anchor may have moved
  }
  if (UpdateCaption() == 0 && redraw) InvalidateRect(window, nullptr, FALSE);
}

void ClockView::Draw() {
  // The placement's move can take the clock to a monitor of another scale,
  // whose font is then made once the drawing has let go of the old one,
  // and the picture drawn again in it at once.
  for (int pass = 0; pass < 2; ++pass) {
    {
      gdi::WindowDC windowDC(window);
      if (!picture) picture.Reset(windowDC.Get());
      drawing = true;
      gdi::Selection fontSelection(picture.Get(), font.Get());
      DrawClockText(picture.Get(), windowDC.Get());
      drawing = false;
    }
    if (!fontPending) return;
    fontPending = false;
    LoadFont();
  }
}

void ClockView::DrawClockText(HDC memoryDC, HDC windowDC) {
  textRect = RECT{};
  DrawTextW(memoryDC, wideText.Get(), wideText.Length(), &textRect, DT_CALCRECT);
  if (textRect.right > kMaxPictureSize) textRect.right = kMaxPictureSize;
  if (textRect.bottom > kMaxPictureSize) textRect.bottom = kMaxPictureSize;
  Place();
  FitBitmap(windowDC);
  // While high contrast is on, the system's window colours, whatever the
  // stored pair; the stored pair is kept for when it goes off.
  const bool contrast = highContrast;
  // Without a brush nothing fills the picture: a reused bitmap is cleared
  // to what a new one holds, black, so no earlier text shows through.
  if (contrast) {
    FillRect(memoryDC, &textRect, GetSysColorBrush(COLOR_WINDOW));
  } else if (brush) {
    FillRect(memoryDC, &textRect, brush.Get());
  } else {
    PatBlt(memoryDC, 0, 0, textRect.right, textRect.bottom, BLACKNESS);
  }
  SetTextColor(memoryDC, contrast ? GetSysColor(COLOR_WINDOWTEXT) : textColor);
  SetBkColor(memoryDC, contrast ? GetSysColor(COLOR_WINDOW) : backColor);
  DrawTextW(memoryDC, wideText.Get(), wideText.Length(), &textRect, 0);
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
  // A fullscreen program in front: the clock neither covers it nor
  // writes into its caption, and comes back at the first tick after.
  asideForFullScreen = FullScreenAhead();
  if (asideForFullScreen) {
    captions.GiveBack();
    if (IsWindowVisible(window)) ShowWindow(window, SW_HIDE);
    return 1;
  }
  if (titleMode != 0) {
    // An anchor that cannot be seen gets its caption back, as at a switch.
    if (!anchor.Shown()) {
      captions.GiveBack();
      return 1;
    }
    // A window that refuses the clock's write gets the clock window docked
    // to it instead, as in normal mode; the next window that takes the
    // text hides it again.
    if (captions.Show(anchor.Window(), wideText)) {
      if (shownForRefusal) ShowWindow(window, SW_HIDE);
      shownForRefusal = false;
      return 1;
    }
    shownForRefusal = true;
  }
  if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOWNA);
  WindowShown();
  return 0;
}

void ClockView::RestoreCaption() { captions.GiveBack(); }
