#pragma once
// Everything the clock needs to draw itself: the settings that shape the
// text, the time of the last tick, the formatted text and its off-screen
// picture, the docking position, and the caption it borrows in title mode.

#include <windows.h>

#include <ctime>

#include "app/gdi.h"
#include "core/placement.h"
#include "core/time_format.h"

class ClockView {
 public:
  ClockView();
  virtual ~ClockView();

  ClockView(const ClockView&) = delete;
  ClockView& operator=(const ClockView&) = delete;

  // Binds the view to the clock window and loads every setting.
  void Attach(HWND clockWindow, HINSTANCE module);

  void ReadTime();
  // One tick: bring the anchor up to date, format, measure, place, draw,
  // then write the caption (title mode) or show the window.
  void Render();

  HBITMAP GetBitmap() const { return bitmap.Get(); }
  const RECT* GetTextRect() const { return &textRect; }

  void LoadFormat();
  void LoadBrush();
  void LoadFont();
  void LoadTitleMode();
  void LoadViewTable();

  // Moves the window for the current position, anchor and text size.
  void Place();
  void StepForward();
  void StepBack();

  void FormatTime();
  void AppendNumber(int value);

  // Measures the text, places the window and draws the text into a fresh
  // bitmap selected into `memoryDC`; the bitmap is compatible with `windowDC`.
  void DrawClockText(HDC memoryDC, HDC windowDC);
  // Title-mode bookkeeping: 1 in title mode, 0 in normal mode.
  int UpdateCaption();
  void RestoreCaption();

  const char* DisplayText() const { return displayText; }
  HWND AnchorWindow() const { return foregroundWindow; }
  HFONT Font() const { return font.Get(); }
  HBRUSH Brush() const { return brush.Get(); }
  COLORREF TextColor() const { return textColor; }
  COLORREF BackColor() const { return backColor; }

  // Written directly by the position commands; used at the next tick.
  int column;
  int row;

 private:
  void UpdateAnchor();

  HINSTANCE instance;
  int padDigits;
  char timeFormat[zorvane::kTextSize];
  char displayText[zorvane::kTextSize];
  HWND foregroundWindow;
  HWND window;
  gdi::Bitmap bitmap;
  RECT textRect;
  RECT windowRect;
  gdi::Font font;
  gdi::Brush brush;
  std::time_t now;
  std::tm localTime;
  zorvane::ViewTable viewTable;
  int titleMode;
  COLORREF textColor;
  COLORREF backColor;
  HWND captionWindow;
  // False when the caption could not be read: such a caption is never
  // "given back", since that would overwrite it with nothing.
  bool captionSaved;
  char savedCaption[zorvane::kTextSize];
};
