#include "clock/title_mode.h"

TitleMode::TitleMode()
    : window(nullptr), titleMode(0), overFullScreen(false), asideForFullScreen(false), shownForRefusal(false) {}

TitleMode::~TitleMode() { captions.Settle(BorrowedCaptions::kExitWaitMs); }

void TitleMode::Attach(HWND clockWindow) {
  window = clockWindow;
  captions.GiveBack();
  asideForFullScreen = false;
}

void TitleMode::Load(int titleIn, int fullScreen) {
  titleMode = titleIn;
  overFullScreen = fullScreen == 1;
  asideForFullScreen = false;
  shownForRefusal = false;
  Restore();
  // Shown without activation: the clock never takes the keyboard from the
  // user's application.
  ShowWindow(window, titleMode != 0 ? SW_HIDE : SW_SHOWNA);
}

int TitleMode::Update(const AnchorTracker& anchor, const text::WideText& text) {
  captions.RetryPending();
  // A fullscreen program in front: the clock neither covers it nor
  // writes into its caption, and comes back at the first tick after.
  asideForFullScreen = !overFullScreen && anchor.FullScreen();
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
    if (captions.Show(anchor.Window(), text)) {
      if (shownForRefusal) ShowWindow(window, SW_HIDE);
      shownForRefusal = false;
      return 1;
    }
    shownForRefusal = true;
  }
  if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOWNA);
  return 0;
}

void TitleMode::Restore() { captions.GiveBack(); }

void TitleMode::EndSession() { captions.Settle(BorrowedCaptions::kExitWaitMs); }
