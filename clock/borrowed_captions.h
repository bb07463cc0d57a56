#pragma once
// The captions the clock borrows from other programs in title mode: it
// writes its text into the anchor window's caption and must give back
// exactly what it took. Every send to another program is bounded, so a
// busy or hung program never stops the clock; what could not be done at
// once is tried again at later ticks.
//
// The rules:
// - a caption is written only after it has been read, so there is always
//   something to give back;
// - a caption is given back only where the clock wrote;
// - a caption that no longer shows what the clock wrote has been changed by
//   its owner: that newer title is the one to give back (or to leave);
// - a give-back that could not be delivered stays pending until it is
//   delivered or the window is gone.

#include <windows.h>

#include <cstddef>

#include "core/time_format.h"

// One caption on loan: the owner's text, and what the clock wrote over it.
struct CaptionLoan {
  HWND window = nullptr;
  bool saved = false;        // savedCaption holds the owner's text
  bool written = false;      // the clock has sent its text at least once
  // A send timed out and may still be waiting in the window's queue; no
  // more text goes there until the window answers again.
  bool stalled = false;
  char savedCaption[zorvane::kTextSize] = {};
  // The caption as it reads after the clock's last delivered write, and
  // after a write that timed out (it may still arrive).
  char shownAfterWrite[zorvane::kTextSize] = {};
  char shownAfterStalledWrite[zorvane::kTextSize] = {};
};

class BorrowedCaptions {
 public:
  // Give-backs still pending when the program ends get this long.
  static constexpr DWORD kExitWaitMs = 2000;
  static constexpr std::size_t kMaxPending = 8;

  BorrowedCaptions() = default;
  BorrowedCaptions(const BorrowedCaptions&) = delete;
  BorrowedCaptions& operator=(const BorrowedCaptions&) = delete;

  // Title mode, once per tick: makes `anchor` the window whose caption
  // shows `text` (giving the previous one back), reading its caption first
  // and writing only when the caption does not already show the text.
  void Show(HWND anchor, const char* text);

  // Gives the current caption back (if the clock wrote one) and holds no
  // caption any more.
  void GiveBack();

  // Tries the pending give-backs again; once per tick.
  void RetryPending();

  // At exit: gives everything back, waiting at most `waitMs` for windows
  // that do not answer.
  void Settle(DWORD waitMs);

  std::size_t Pending() const;

 private:
  void Take(HWND anchor);
  void RetryPendingWithin(DWORD timeoutMs);
  // Writes `text`, which the caption will then read as `wanted`.
  void Write(CaptionLoan& loan, const char* text, const char* wanted);
  // True when the loan is finished with: given back, left to the owner's
  // newer title, or its window gone.
  bool Return(CaptionLoan& loan, DWORD timeoutMs);
  void Hold(const CaptionLoan& loan);

  CaptionLoan current;
  CaptionLoan pending[kMaxPending];
  // A read that timed out may still be answered later, into the buffer it
  // was given (between threads of one process the system passes the
  // pointer as it is): reads land here, and only a read that succeeded is
  // copied into a loan.
  char readBuffer[zorvane::kTextSize] = {};
};
