#pragma once
// Everything the clock needs to draw itself: the settings that shape the
// text, the time of the last tick, the formatted text and its off-screen
// picture, the docking position, and the caption it borrows in title mode.

#include <windows.h>

#include <ctime>

#include "app/gdi.h"
#include "app/system_zones.h"
#include "app/text_convert.h"
#include "clock/anchor_tracker.h"
#include "clock/borrowed_captions.h"
#include "core/japanese_calendar.h"
#include "core/placement.h"
#include "core/settings_value.h"
#include "core/time_format.h"

class ClockView {
 public:
  ClockView();
  virtual ~ClockView();

  ClockView(const ClockView&) = delete;
  ClockView& operator=(const ClockView&) = delete;

  // Binds the view to the clock window and loads every setting from the
  // view's settings value.
  void Attach(HWND clockWindow, HINSTANCE module);

  // The clock's settings, as last read from the settings file. The Load
  // operations take their values from here: set it first.
  const zorvane::Settings& CurrentSettings() const { return settings; }
  void SetSettings(const zorvane::Settings& value) { settings = value; }

  // Reads the wall clock; SetTime takes a reading given by the caller.
  void ReadTime();
  void SetTime(std::time_t at, int atMillisecond);
  // Where in its second ReadTime found the wall clock, 0-999: the clock
  // window phases its ticks from it.
  int Millisecond() const { return millisecond; }
  // One tick: bring the anchor up to date and format the text; measure and
  // draw only when the text, font or colours changed, move only when the
  // place changed, and in title mode write the caption only when it does
  // not already show the text.
  void Render();

  HBITMAP GetBitmap() const { return bitmap.Get(); }
  // The context the picture stays selected into, for copying it to the
  // screen; none before the first render.
  HDC PictureDC() const { return picture.Get(); }
  const RECT* GetTextRect() const { return &textRect; }

  void LoadFormat();
  // The time or the zone data changed: the zones the format names are
  // resolved again.
  void ZonesChanged() { zones.Load(timeFormat); }
  void LoadBrush();
  void LoadFont();
  void LoadTitleMode();
  void LoadViewTable();

  // The window has moved to a monitor of another scale: the font is made
  // again for it, and the next tick measures and places the clock.
  void ChangeDpi(UINT newDpi);
  // Monitors were added, removed or resized, or the frame metrics, the
  // theme or high contrast changed: the next tick asks the system for the
  // screen and the frame again and draws the picture anew.
  void DisplayChanged();

  // Whether the clock's window is to stay hidden whatever asks to show it:
  // the time goes into a caption (title mode, where the anchor takes it),
  // or a fullscreen program is
  // in front.
  bool KeepsHidden() const {
    return (titleMode != 0 && !shownForRefusal) || asideForFullScreen;
  }

  // Listens to the system about the anchor and the foreground, or stops
  // (while no one can see the clock, and at exit).
  void ListenToAnchor(bool on);
  // The system reported that the anchor moved, was sized, minimised,
  // restored, hidden, cloaked or closed, or that another window came to
  // the front. When a placement was asked for and `place` allows it, the
  // clock is brought up to date the tick's own way, without reading the
  // time: the anchor, the place and, in title mode, the caption. The text
  // is the last tick's, so nothing is drawn again.
  void Follow(bool place);
  AnchorTracker& Anchor() { return anchor; }

  // The session ends: every borrowed caption goes back, with the bounded
  // wait of an exit.
  void EndSession();

  // Moves the window for the current position, anchor and text size.
  void Place();
  void StepForward();
  void StepBack();

  void FormatTime();
  void AppendNumber(int value);

  // Measures the text, places the window and draws the text into the
  // picture's bitmap in `memoryDC`, made (compatible with `windowDC`) only
  // when the text's size changed.
  void DrawClockText(HDC memoryDC, HDC windowDC);
  // Title mode: the caption of the anchor shows the text; 1 then, 0 when
  // the clock window shows the text (normal mode, or an anchor that
  // refuses the clock's write).
  int UpdateCaption();
  // Gives back the caption the clock wrote into, if any, as at a switch to
  // another window.
  void RestoreCaption();

  // Work done by the ticks so far that leaves no trace a test could see:
  // taskbar queries (a round trip to the shell) and drawings of the picture.
  struct Calls {
    unsigned taskbarQueries;
    unsigned drawings;
  };
  Calls CallsSoFar() const { return {taskbarQueries, drawings}; }

  const char* DisplayText() const { return displayText; }
  // The local time of the last reading, and the eras the text is made with.
  const std::tm& LocalTime() const { return localTime; }
  const zorvane::EraList& Eras() const { return eras; }
  // The anchor window; none until an application window has been in
  // front at a tick.
  HWND AnchorWindow() const { return anchor.Window(); }
  // Whether the last tick stepped aside for a fullscreen program.
  bool AsideForFullScreen() const { return asideForFullScreen; }
  HFONT Font() const { return font.Get(); }
  HBRUSH Brush() const { return brush.Get(); }
  COLORREF TextColor() const { return textColor; }
  COLORREF BackColor() const { return backColor; }
  UINT Dpi() const { return monitorDpi; }

  // Written directly by the position commands; used at the next tick.
  int column;
  int row;

 private:
  // Whether a fullscreen program is in front (the anchor, or what the shell
  // reports) and the settings do not keep the clock over it.
  bool FullScreenAhead() const;
  // Draws the text into the picture and places the window.
  void Draw();
  // Asks the system for the clock's own invisible borders; true when they
  // differ from those the placement used.
  bool MeasureOwnBorders();
  // The clock window is shown: its borders are measured again if they were
  // not yet measured on a shown window, and the clock placed with them.
  void WindowShown();
  // Moves the window to `r` unless it is there already.
  void MoveTo(int left, int top, int width, int height);
  // A bitmap of the text's size in `picture`, made only when the size
  // changes: making one and selecting it costs more than the drawing.
  void FitBitmap(HDC windowDC);

  // What a placement was computed from. The screen, the monitor and the
  // frame change only with the display or the DPI, and asking for them
  // costs more than the rest of a tick: while these are the same, so is
  // the result.
  struct PlacedFor {
    HWND anchor;
    RECT anchorRect;
    RECT taskbar;
    int row;
    int column;
    LONG textWidth;
    LONG textHeight;
    UINT dpi;
  };
  static bool Same(const PlacedFor& a, const PlacedFor& b);

  HINSTANCE instance;
  zorvane::Settings settings;
  int padDigits;
  char timeFormat[zorvane::kTextSize];
  char displayText[zorvane::kTextSize];
  // The text of the picture as the system takes it, for drawing and for
  // captions; converted when the picture is drawn, not at every tick.
  text::WideText wideText;
  // The eras of the format language, read from the system with the format
  // rather than at every tick.
  zorvane::EraList eras;
  // The other time zones the format names, resolved with the format.
  system_zones::SystemZones zones;
  // The window the clock docks to; while it cannot be seen, the clock
  // stays where it was.
  AnchorTracker anchor;
  // A placement against an anchor has been made; before it, the clock
  // waits in the screen's corner.
  bool docked;
  // Key FullScreen: the clock stays over fullscreen programs.
  bool overFullScreen;
  bool asideForFullScreen;
  // A drawing is under way with the font selected into the picture; a new
  // font made meanwhile (a scale change during the drawing's move) waits
  // until it ends.
  bool drawing;
  bool fontPending;
  HWND window;
  gdi::Bitmap bitmap;
  // The picture's context, kept from the first drawing on with `bitmap`
  // selected; `pictureOriginal` is the bitmap it came with.
  gdi::MemoryDC picture;
  HGDIOBJ pictureOriginal;
  RECT textRect;
  RECT windowRect;
  gdi::Font font;
  gdi::Brush brush;
  std::time_t now;
  std::tm localTime;
  zorvane::ViewTable viewTable;
  int titleMode;
  // Title mode shows the clock window for an anchor that refuses the
  // clock's write, and hides it again at the next anchor that takes it.
  bool shownForRefusal;
  COLORREF textColor;
  COLORREF backColor;
  BorrowedCaptions captions;
  // The text the current picture shows, and whether the font or colours
  // have changed since it was drawn.
  char drawnText[zorvane::kTextSize];
  bool pictureStale;
  // The system's high contrast was on when the display last changed: the
  // picture is then drawn in the system's colours. Asked again only when
  // the system says settings or colours changed, not at every drawing.
  bool highContrast;
  // Where in its second the last tick read the time, 0-999.
  int millisecond;
  // The DPI the font and the frame are made for.
  UINT monitorDpi;
  PlacedFor placedFor;
  bool placedForValid;
  // The clock's own invisible borders, and whether they were measured on
  // the shown window; a hidden window's frame is not reported yet.
  zorvane::Insets ownBorders;
  bool bordersMeasuredShown;
  unsigned taskbarQueries;
  unsigned drawings;
};
