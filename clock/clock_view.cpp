#include "clock/clock_view.h"

#include <cstring>

#include "app/dpi.h"
#include "app/system_answers.h"
#include "app/system_eras.h"

ClockView::ClockView()
    : instance(nullptr),
      window(nullptr),
      settings(zorvane::DefaultSettings()),
      padDigits(0),
      timeFormat{},
      displayText{},
      eras(zorvane::BuiltInEras()),
      now(0),
      localTime{},
      millisecond(0) {}

ClockView::~ClockView() = default;

void ClockView::Attach(HWND clockWindow, HINSTANCE module) {
  window = clockWindow;
  instance = module;
  title.Attach(window);
  anchor.Attach(window);
  picture.Reset();
  dock.Attach(window, dpi::ForWindow(window));
  picture.SetHighContrast(system_answers::Current().highContrast());
  LoadBrush();
  LoadFont();
  LoadViewTable();
  LoadFormat();
  LoadTitleMode();
}

void ClockView::Apply(const zorvane::Settings& next) {
  const zorvane::Settings was = settings;
  settings = next;
  if (window == nullptr) return;  // Attach loads them all
  const zorvane::ClockKeys &c = next.clock, &oldC = was.clock;
  const zorvane::FontKeys &f = next.font, &oldF = was.font;
  LoadFormat();
  if (next.brush.color != was.brush.color) LoadBrush();
  if (f.height != oldF.height || f.width != oldF.width || f.weight != oldF.weight || f.italic != oldF.italic ||
      f.uLine != oldF.uLine || f.mLine != oldF.mLine || std::strcmp(f.name, oldF.name) != 0) {
    LoadFont();
  }
  if (c.titleIn != oldC.titleIn || c.fullScreen != oldC.fullScreen) LoadTitleMode();
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
  picture.LoadTextColor(settings.clock.text);
}

void ClockView::LoadBrush() { picture.LoadBrush(settings.brush.color); }

void ClockView::LoadFont() { picture.LoadFont(settings.font, dock.Dpi()); }

void ClockView::LoadTitleMode() { title.Load(settings.clock.titleIn, settings.clock.fullScreen); }

void ClockView::LoadViewTable() {
  if (dock.LoadViewTable(settings.clock.viewTable)) Place();
}

void ClockView::ChangeDpi(UINT newDpi) {
  if (newDpi == 0) return;
  dock.ChangeDpi(newDpi);
  LoadFont();
}

void ClockView::DisplayChanged() {
  anchor.DisplayChanged();
  dock.DisplayChanged();
  picture.SetHighContrast(system_answers::Current().highContrast());
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

void ClockView::Place() { dock.Place(anchor, picture.TextRect()); }

void ClockView::StepForward() {
  if (dock.StepForward()) Place();
}

void ClockView::StepBack() {
  if (dock.StepBack()) Place();
}

void ClockView::FormatTime() {
  zorvane::FormatTime(timeFormat, zorvane::Reading{localTime, now, &zones}, displayText, padDigits, eras);
}

void ClockView::AppendNumber(int value) { zorvane::AppendNumber(displayText, value, padDigits); }

void ClockView::Render() {
  anchor.Update();
  FormatTime();
  // Drawn first, then placed: the move that may bring a scale change
  // comes after the drawing has let go of its font.
  const bool redraw = picture.NeedsDrawing(displayText);
  if (redraw) picture.Draw(window, displayText);
  Place();
  if (UpdateCaption() == 0 && redraw) InvalidateRect(window, nullptr, FALSE);
}

int ClockView::UpdateCaption() {
  const int inCaption = title.Update(anchor, picture.Wide());
  if (inCaption == 0) dock.WindowShown(anchor, picture.TextRect());
  return inCaption;
}
