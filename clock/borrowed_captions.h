#pragma once
// The captions the clock borrows from other programs in title mode: it
// writes its text into the anchor window's caption and must give back
// exactly what it took. Captions are kept, compared and sent in UTF-16,
// the system's own form, so that every title comes back as it was, whatever
// its characters and its length. Every send to another program is bounded,
// so a busy or hung program never stops the clock; what could not be done
// at once is tried again at later ticks.
//
// The rules:
// - a caption is written only after it has been read whole, so there is
//   always something to give back;
// - a caption is given back only where the clock wrote;
// - a caption that no longer shows what the clock wrote has been changed by
//   its owner: that newer title is the one to give back (or to leave);
// - a give-back that could not be delivered stays pending until it is
//   delivered or the window is gone, however many there are;
// - a window whose program refuses the clock's write (an elevated program,
//   under the user interface privilege isolation) is not borrowed: the
//   clock shows its own window for it instead.
//
// The invariant they keep: every window whose caption the clock changed gets
// its own caption back exactly, when it stops being the anchor and at exit,
// whatever arrives in between. A send answers the messages sent to the
// clock while it waits, so nothing that arrives then may touch a loan, the
// pending list or a buffer the send holds: the clock window keeps those
// messages until the send has returned (Sending), and the operations below
// do nothing while a send is under way.

#include <windows.h>

#include <cstddef>

#include "app/text_convert.h"

// One caption on loan: the owner's text, and what the clock wrote over it.
struct CaptionLoan {
  HWND window = nullptr;
  bool saved = false;      // savedCaption holds the owner's text
  bool written = false;    // the clock has sent its text at least once
  bool delivered = false;  // shownAfterWrite and sentText hold a delivered write
  bool refused = false;    // the window refuses the clock's writes
  // A send timed out and may still be waiting in the window's queue; no
  // more text goes there until the window answers again.
  bool stalled = false;
  bool stalledWrite = false;  // stalledText may still arrive
  text::WideText savedCaption;
  // The clock's text as last delivered, and the caption as it read right
  // after; a program may keep it in another form than it was sent.
  text::WideText sentText;
  text::WideText shownAfterWrite;
  text::WideText stalledText;
};

class BorrowedCaptions {
 public:
  // Give-backs still pending when the program ends get this long.
  static constexpr DWORD kExitWaitMs = 2000;

  BorrowedCaptions() = default;
  ~BorrowedCaptions();
  BorrowedCaptions(const BorrowedCaptions&) = delete;
  BorrowedCaptions& operator=(const BorrowedCaptions&) = delete;

  // Title mode, once per tick: makes `anchor` the window whose caption
  // shows `text` (giving the previous one back), reading its caption first
  // and writing only when the caption does not already show the text.
  // False when the anchor refuses the write: its caption is not the
  // clock's, and the clock shows its own window for it.
  bool Show(HWND anchor, const text::WideText& text);

  // Gives the current caption back (if the clock wrote one) and holds no
  // caption any more; as at a switch to another window.
  void GiveBack();

  // Tries the pending give-backs again; once per tick.
  void RetryPending();

  // At exit: gives everything back, waiting at most `waitMs` for windows
  // that do not answer.
  void Settle(DWORD waitMs);

  std::size_t Pending() const { return pendingCount; }

  // Whether a send to another program is under way. The clock then answers
  // messages sent to it (the send must not wait for an anchor that is
  // itself sending to the clock), but none of them may start work that
  // touches a loan, the pending list or a buffer: the send holds them.
  static bool Sending();

 private:
  void Take(HWND anchor);
  void RetryPendingWithin(DWORD timeoutMs);
  // Reads the anchor's caption whole into loan.savedCaption.
  bool Read(CaptionLoan& loan);
  // False when the window refused the write.
  bool Write(CaptionLoan& loan, const text::WideText& text);
  // True when the loan is finished with: given back, left to the owner's
  // newer title, or its window gone.
  bool Return(CaptionLoan& loan, DWORD timeoutMs);
  void Hold(CaptionLoan&& loan);
  void DropFinished();

  CaptionLoan current;
  // Loans still to give back, as many as there are windows owed one.
  CaptionLoan* pending = nullptr;
  std::size_t pendingCount = 0;
  std::size_t pendingRoom = 0;
  // A read that timed out may still be answered later, into the buffer it
  // was given (between threads of one process the system passes the
  // pointer as it is): reads land here, and only a read that succeeded is
  // copied into a loan. While `lentTo`, a window of this process, may still
  // write into it, the buffer is neither moved nor freed.
  text::WideText readBuffer;
  HWND lentTo = nullptr;
  // The caption as the system shows it, read at every tick.
  text::WideText shownBuffer;
};
