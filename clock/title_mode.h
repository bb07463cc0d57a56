#pragma once
// Whether the clock's text shows in its own window or in the anchor's
// caption (title mode, with the caption borrowed and given back), and
// whether the clock steps aside for a fullscreen program: which windows
// show, which hide, and which caption holds the text.
// Its captions keep the title-mode invariant written beside BorrowedCaptions.

#include <windows.h>

#include "app/text_convert.h"
#include "clock/anchor_tracker.h"
#include "clock/borrowed_captions.h"

class TitleMode {
 public:
  TitleMode();
  // Every caption the clock wrote goes back before the program ends; a
  // program that does not answer gets a short while to wake up.
  ~TitleMode();
  TitleMode(const TitleMode&) = delete;
  TitleMode& operator=(const TitleMode&) = delete;

  // Binds to the clock window; holds no caption.
  void Attach(HWND clockWindow);

  // Title mode on or off (key TitleIN), and whether the clock stays over
  // fullscreen programs (key FullScreen): the caption goes back, and the
  // clock window hides for title mode or shows (without activation).
  void Load(int titleIn, int fullScreen);

  // Once per tick, after the placement: 1 when the text is in the anchor's
  // caption or the clock stands aside (its window hidden); 0 when the
  // clock window shows the text (normal mode, or an anchor that refuses
  // the clock's write): the window is then shown.
  int Update(const AnchorTracker& anchor, const text::WideText& text);

  // Gives back the caption the clock wrote into, if any, as at a switch.
  void Restore();
  // The session ends: every borrowed caption goes back, with the bounded
  // wait of an exit.
  void EndSession();

  // Whether the clock's window is to stay hidden whatever asks to show it.
  bool KeepsHidden() const { return (titleMode != 0 && !shownForRefusal) || asideForFullScreen; }
  // Whether the last tick stepped aside for a fullscreen program.
  bool AsideForFullScreen() const { return asideForFullScreen; }
  // Whether a caption send is under way.
  static bool Sending() { return BorrowedCaptions::Sending(); }

 private:
  HWND window;
  int titleMode;
  // Key FullScreen: the clock stays over fullscreen programs.
  bool overFullScreen;
  bool asideForFullScreen;
  // Title mode shows the clock window for an anchor that refuses the
  // clock's write, and hides it again at the next anchor that takes it.
  bool shownForRefusal;
  BorrowedCaptions captions;
};
