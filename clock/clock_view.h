#pragma once
// The clock's view: the settings that shape the text, the time of the last
// tick and the formatted text, and the tick that brings its parts up to
// date: the anchor it docks to, the picture of the text (ClockPicture),
// where the window stands (Docking) and whether the text goes into the
// anchor's caption instead (TitleMode). Each part owns its data and is the
// only one that changes it; the view hands each the settings it needs.

#include <windows.h>

#include <ctime>

#include "app/system_zones.h"
#include "clock/anchor_tracker.h"
#include "clock/clock_picture.h"
#include "clock/docking.h"
#include "clock/title_mode.h"
#include "core/japanese_calendar.h"
#include "core/settings_value.h"
#include "core/time_format.h"

class ClockView {
 public:
  ClockView();
  virtual ~ClockView();

  ClockView(const ClockView&) = delete;
  ClockView& operator=(const ClockView&) = delete;

  // Binds the view to the clock window and loads every setting, the
  // position keys included (read only here).
  void Attach(HWND clockWindow, HINSTANCE module);

  // The clock's settings, as last applied.
  const zorvane::Settings& CurrentSettings() const { return settings; }
  // Takes up new settings: compares them with the current ones and reloads
  // what changed (the format is read again always: an era Windows added
  // since shows then). Before Attach it only keeps them.
  void Apply(const zorvane::Settings& next);

  // Reads the wall clock; SetTime takes a reading given by the caller.
  void ReadTime();
  void SetTime(std::time_t at, int atMillisecond);
  // Where in its second ReadTime found the wall clock, 0-999: the clock
  // window phases its ticks from it.
  int Millisecond() const { return millisecond; }
  // One tick: bring the anchor up to date and format the text; draw only
  // when the text, font or colours changed, then place (moving only when
  // the place changed), and in title mode write the caption only when it
  // does not already show the text.
  void Render();

  HBITMAP GetBitmap() const { return picture.Bitmap(); }
  // The context the picture stays selected into, for copying it to the
  // screen; none before the first render.
  HDC PictureDC() const { return picture.DC(); }
  const RECT* GetTextRect() const { return &picture.TextRect(); }

  // Each reloads one group of the current settings. The format is
  // (re)loaded in LoadFormat alone, with what the format language reads
  // from the system besides (the eras).
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
  // or a fullscreen program is in front.
  bool KeepsHidden() const { return title.KeepsHidden(); }

  // Whether the view is inside a caption send or moving its window. The
  // send answers messages sent to the clock, and the move can bring a
  // scale change; nothing may then start another tick, follow, draw, move,
  // reload or settle, since the outer call holds the loans, buffers and
  // font that such work would change. The clock window keeps such messages
  // until this is false.
  bool Busy() const { return TitleMode::Sending() || dock.Moving(); }

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
  void EndSession() { title.EndSession(); }

  // The position, set by the position commands for the next tick.
  int Row() const { return dock.Row(); }
  int Column() const { return dock.Column(); }
  void SetPosition(int row, int column) { dock.SetPosition(row, column); }
  // Moves the window for the current position, anchor and text size.
  void Place();
  void StepForward();
  void StepBack();

  void FormatTime();
  void AppendNumber(int value);

  // Title mode: the caption of the anchor shows the text; 1 then, 0 when
  // the clock window shows the text (normal mode, or an anchor that
  // refuses the clock's write).
  int UpdateCaption();
  // Gives back the caption the clock wrote into, if any, as at a switch to
  // another window.
  void RestoreCaption() { title.Restore(); }

  // Work done by the ticks so far that leaves no trace a test could see:
  // taskbar queries (a round trip to the shell) and drawings of the picture.
  struct Calls {
    unsigned taskbarQueries;
    unsigned drawings;
  };
  Calls CallsSoFar() const { return {dock.TaskbarQueries(), picture.Drawings()}; }

  const char* DisplayText() const { return displayText; }
  // The local time of the last reading, and the eras the text is made with.
  const std::tm& LocalTime() const { return localTime; }
  const zorvane::EraList& Eras() const { return eras; }
  // The anchor window; none until an application window has been in
  // front at a tick.
  HWND AnchorWindow() const { return anchor.Window(); }
  // Whether the last tick stepped aside for a fullscreen program.
  bool AsideForFullScreen() const { return title.AsideForFullScreen(); }
  HFONT Font() const { return picture.Font(); }
  HBRUSH Brush() const { return picture.Brush(); }
  COLORREF TextColor() const { return picture.TextColor(); }
  COLORREF BackColor() const { return picture.BackColor(); }
  UINT Dpi() const { return dock.Dpi(); }

 private:
  HINSTANCE instance;
  HWND window;
  zorvane::Settings settings;
  int padDigits;
  char timeFormat[zorvane::kTextSize];
  char displayText[zorvane::kTextSize];
  // The eras of the format language, read from the system with the format
  // rather than at every tick.
  zorvane::EraList eras;
  // The other time zones the format names, resolved with the format.
  system_zones::SystemZones zones;
  // The window the clock docks to; while it cannot be seen, the clock
  // stays where it was.
  AnchorTracker anchor;
  ClockPicture picture;
  Docking dock;
  TitleMode title;
  std::time_t now;
  std::tm localTime;
  // Where in its second the last tick read the time, 0-999.
  int millisecond;
};
