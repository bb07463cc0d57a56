#include "clock/borrowed_captions.h"

#include "app/system_answers.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

namespace {

// Other programs are asked with a bounded send: a hung program must not
// stop the clock.
constexpr DWORD kSendTimeoutMs = 250;

// No window holds a longer caption than this many characters that the clock
// would take on; a longer one is left alone.
constexpr int kMaxCaption = 1 << 20;

enum class Sent { Delivered, NotAnswered, Refused };

// Sends under way on the clock's one thread, nested ones included.
int sendsUnderWay = 0;

Sent Send(HWND w, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, DWORD_PTR* result = nullptr) {
  DWORD_PTR ignored = 0;
  SetLastError(ERROR_SUCCESS);
  // SMTO_NORMAL: the clock answers messages sent to it while it waits, so an
  // anchor that is itself sending to the clock is not stuck until the timeout.
  // What those messages ask for waits until the send has returned (Sending).
  ++sendsUnderWay;
  const LRESULT delivered = system_answers::Current().send(w, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                                                           timeoutMs, result != nullptr ? result : &ignored);
  const DWORD error = GetLastError();
  --sendsUnderWay;
  if (delivered != 0) return Sent::Delivered;
  // The user interface privilege isolation fails the send at once with
  // "access denied"; a busy or hung program fails it with a timeout.
  return error == ERROR_ACCESS_DENIED ? Sent::Refused : Sent::NotAnswered;
}

// The caption as the system holds it, whole, read without a message to the
// owner, so it costs nothing even when the owner does not answer.
bool CurrentCaption(HWND w, text::WideText& out) {
  // The buffer keeps its size from one tick to the next: a long caption
  // costs one read, not one per doubling.
  for (int room = std::max(out.Capacity(), 255); room <= kMaxCaption; room *= 2) {
    wchar_t* buffer = out.Reserve(room);
    if (buffer == nullptr) return false;
    const int n = InternalGetWindowText(w, buffer, room + 1);
    if (n < room) {  // with room to spare, nothing was cut
      out.SetLength(n);
      return true;
    }
  }
  return false;
}

bool OfThisProcess(HWND w) {
  DWORD process = 0;
  GetWindowThreadProcessId(w, &process);
  return process == GetCurrentProcessId();
}

// Whether `shown` is a text the clock put there (delivered, or perhaps
// still on its way), rather than one the owner set.
bool WrittenByClock(const CaptionLoan& loan, const text::WideText& shown) {
  return (loan.delivered && shown == loan.shownAfterWrite) || (loan.stalledWrite && shown == loan.stalledText);
}

// A window that timed out may still hold the clock's earlier sends; once
// it answers a null message, they have all been handled.
bool Answers(CaptionLoan& loan, DWORD timeoutMs) {
  if (!loan.stalled) return true;
  if (Send(loan.window, WM_NULL, 0, 0, timeoutMs) != Sent::Delivered) return false;
  loan.stalled = false;
  loan.stalledWrite = false;
  return true;
}

}  // namespace

bool BorrowedCaptions::Sending() { return sendsUnderWay > 0; }

BorrowedCaptions::~BorrowedCaptions() {
  for (std::size_t i = 0; i < pendingCount; ++i) pending[i].~CaptionLoan();
  std::free(pending);
  // A window of this process that has not yet answered a read may still
  // write into the buffer: it is left to the end of the process.
  if (lentTo != nullptr && IsWindow(lentTo)) readBuffer.Abandon();
}

void BorrowedCaptions::Take(HWND anchor) {
  if (current.window == anchor) return;
  GiveBack();
  current.window = anchor;
  // A window that is still owed its caption goes on with that loan: its
  // caption may still show the clock's text, which must not be saved as
  // its own.
  if (anchor == nullptr) return;
  for (std::size_t i = 0; i < pendingCount; ++i) {
    if (pending[i].window == anchor) {
      current = std::move(pending[i]);
      pending[i] = std::move(pending[pendingCount - 1]);
      pending[--pendingCount].~CaptionLoan();
      break;
    }
  }
}

bool BorrowedCaptions::Read(CaptionLoan& loan) {
  if (lentTo != nullptr) {
    // The buffer is free again once that window has handled the read.
    if (IsWindow(lentTo) && Send(lentTo, WM_NULL, 0, 0, kSendTimeoutMs) != Sent::Delivered) return false;
    lentTo = nullptr;
  }
  // Asked for its length first, then read with one character to spare: a
  // read that fills the buffer may have been cut (the caption grew in
  // between), and a caption not held whole is never written over.
  DWORD_PTR length = 0;
  if (Send(loan.window, WM_GETTEXTLENGTH, 0, 0, kSendTimeoutMs, &length) != Sent::Delivered) return false;
  if (length >= static_cast<DWORD_PTR>(kMaxCaption)) return false;
  const int room = static_cast<int>(length) + 1;
  wchar_t* buffer = readBuffer.Reserve(room);
  if (buffer == nullptr) return false;
  buffer[0] = L'\0';
  DWORD_PTR copied = 0;
  if (Send(loan.window, WM_GETTEXT, static_cast<WPARAM>(room) + 1, reinterpret_cast<LPARAM>(buffer),
           kSendTimeoutMs, &copied) != Sent::Delivered) {
    if (OfThisProcess(loan.window)) lentTo = loan.window;
    return false;
  }
  if (copied >= static_cast<DWORD_PTR>(room)) return false;
  return loan.savedCaption.Assign(buffer, static_cast<int>(copied));
}

bool BorrowedCaptions::Show(HWND anchor, const text::WideText& text) {
  if (Sending()) return true;  // the next tick shows it
  Take(anchor);
  if (anchor == nullptr) return true;
  CaptionLoan& loan = current;
  if (loan.refused) return false;
  if (!Answers(loan, kSendTimeoutMs)) return true;
  // Never write over a caption that could not be read whole: there would
  // be nothing to give back. A busy window is asked again at the next tick.
  if (!loan.saved) {
    loan.saved = Read(loan);
    if (!loan.saved) return true;
  }

  text::WideText& shown = shownBuffer;
  if (!CurrentCaption(anchor, shown)) return true;
  // The owner has retitled its window since the clock wrote (a browser
  // went to another page): that is now the caption to give back.
  if (loan.written && !WrittenByClock(loan, shown)) loan.savedCaption.Assign(shown);

  // Already showing the text, or what this window makes of it.
  if (shown == text) return true;
  if (loan.delivered && text == loan.sentText && shown == loan.shownAfterWrite) return true;
  return Write(loan, text);
}

bool BorrowedCaptions::Write(CaptionLoan& loan, const text::WideText& text) {
  switch (Send(loan.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.Get()), kSendTimeoutMs)) {
    case Sent::Delivered:
      loan.written = true;
      loan.delivered = loan.sentText.Assign(text) && CurrentCaption(loan.window, loan.shownAfterWrite);
      loan.stalledWrite = false;
      return true;
    case Sent::Refused:
      // Nothing was written, so nothing is owed; the window stays refused
      // while it is the anchor.
      loan.refused = true;
      return false;
    case Sent::NotAnswered:
      loan.written = true;
      loan.stalledWrite = loan.stalledText.Assign(text);
      loan.stalled = true;
      return true;
  }
  return true;
}

bool BorrowedCaptions::Return(CaptionLoan& loan, DWORD timeoutMs) {
  if (loan.window == nullptr || !loan.written || !IsWindow(loan.window)) return true;
  if (!Answers(loan, timeoutMs)) return false;
  text::WideText& shown = shownBuffer;
  if (!CurrentCaption(loan.window, shown)) return false;
  // The owner's own newer title, or the give-back already arrived.
  if (!WrittenByClock(loan, shown)) return true;
  switch (Send(loan.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(loan.savedCaption.Get()), timeoutMs)) {
    case Sent::Delivered:
    case Sent::Refused:  // it took no write of the clock's either
      return true;
    case Sent::NotAnswered:
      break;
  }
  loan.stalled = true;
  return false;
}

void BorrowedCaptions::DropFinished() {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < pendingCount; ++i) {
    if (pending[i].window == nullptr || !IsWindow(pending[i].window)) continue;
    if (kept != i) pending[kept] = std::move(pending[i]);
    ++kept;
  }
  while (pendingCount > kept) pending[--pendingCount].~CaptionLoan();
}

void BorrowedCaptions::Hold(CaptionLoan&& loan) {
  DropFinished();
  if (pendingCount == pendingRoom) {
    const std::size_t room = pendingRoom == 0 ? 8 : pendingRoom * 2;
    auto* grown = static_cast<CaptionLoan*>(std::malloc(room * sizeof(CaptionLoan)));
    // Without memory the give-back cannot be kept; nothing else can be done.
    if (grown == nullptr) return;
    for (std::size_t i = 0; i < pendingCount; ++i) {
      new (&grown[i]) CaptionLoan(std::move(pending[i]));
      pending[i].~CaptionLoan();
    }
    std::free(pending);
    pending = grown;
    pendingRoom = room;
  }
  new (&pending[pendingCount++]) CaptionLoan(std::move(loan));
}

void BorrowedCaptions::GiveBack() {
  if (Sending()) return;  // still current: given back at the next switch
  if (!Return(current, kSendTimeoutMs)) Hold(std::move(current));
  current = CaptionLoan{};
}

void BorrowedCaptions::RetryPending() {
  if (!Sending()) RetryPendingWithin(kSendTimeoutMs);
}

void BorrowedCaptions::RetryPendingWithin(DWORD timeoutMs) {
  for (std::size_t i = 0; i < pendingCount; ++i) {
    if (Return(pending[i], timeoutMs)) pending[i].window = nullptr;
  }
  DropFinished();
}

void BorrowedCaptions::Settle(DWORD waitMs) {
  if (Sending()) return;
  GiveBack();
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (Pending() == 0 || elapsed >= waitMs) return;
    const DWORD left = waitMs - elapsed;
    Sleep(std::min<DWORD>(50, left));
    RetryPendingWithin(std::min(kSendTimeoutMs, left));
  }
}
