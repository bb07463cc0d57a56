#include "clock/borrowed_captions.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

// Other programs are asked with a bounded send: a hung program must not
// stop the clock.
constexpr DWORD kSendTimeoutMs = 250;

bool Send(HWND w, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(w, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs,
                             &result) != 0;
}

// The longest prefix of `wide` (`count` characters) whose ANSI form fits in
// `out`, converted; the caption a 1024-byte WM_GETTEXT would give.
void ToAnsi(const wchar_t* wide, int count, char (&out)[zorvane::kTextSize]) {
  out[0] = '\0';
  while (count > 0) {
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, count, out, sizeof out - 1, nullptr, nullptr);
    if (n > 0) {
      out[n] = '\0';
      return;
    }
    --count;  // too long: drop characters from the end until it fits
  }
}

// The caption as the system holds it, read without a message to the owner,
// so it costs nothing even when the owner does not answer.
void CurrentCaption(HWND w, char (&out)[zorvane::kTextSize]) {
  wchar_t wide[zorvane::kTextSize];
  ToAnsi(wide, InternalGetWindowText(w, wide, zorvane::kTextSize), out);
}

// What a caption reads after `text` has been written into it: the system
// keeps captions in UTF-16, so bytes without a character of their own do
// not come back as they were sent.
void AsShown(const char* text, char (&out)[zorvane::kTextSize]) {
  wchar_t wide[zorvane::kTextSize];
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, zorvane::kTextSize);
  ToAnsi(wide, n > 0 ? n - 1 : 0, out);
}

void Copy(char (&to)[zorvane::kTextSize], const char* from) {
  const std::size_t n = std::min(std::strlen(from), sizeof to - 1);
  std::memcpy(to, from, n);
  to[n] = '\0';
}

// Whether `shown` is a text the clock put there (delivered, or perhaps
// still on its way), rather than one the owner set.
bool WrittenByClock(const CaptionLoan& loan, const char* shown) {
  return std::strcmp(shown, loan.shownAfterWrite) == 0 ||
         (loan.shownAfterStalledWrite[0] != '\0' && std::strcmp(shown, loan.shownAfterStalledWrite) == 0);
}

// A window that timed out may still hold the clock's earlier sends; once
// it answers a null message, they have all been handled.
bool Answers(CaptionLoan& loan, DWORD timeoutMs) {
  if (!loan.stalled) return true;
  if (!Send(loan.window, WM_NULL, 0, 0, timeoutMs)) return false;
  loan.stalled = false;
  return true;
}

}  // namespace

void BorrowedCaptions::Take(HWND anchor) {
  if (current.window == anchor) return;
  GiveBack();
  current.window = anchor;
  // A window that is still owed its caption goes on with that loan: its
  // caption may still show the clock's text, which must not be saved as
  // its own.
  for (CaptionLoan& loan : pending) {
    if (loan.window == anchor && anchor != nullptr) {
      current = loan;
      loan = CaptionLoan{};
      break;
    }
  }
}

void BorrowedCaptions::Show(HWND anchor, const char* text) {
  Take(anchor);
  if (anchor == nullptr) return;
  CaptionLoan& loan = current;
  if (!loan.saved) {
    // Never write over a caption that could not be read: there would be
    // nothing to give back. A busy window is asked again at the next tick.
    readBuffer[0] = '\0';
    loan.saved = Send(anchor, WM_GETTEXT, sizeof readBuffer, reinterpret_cast<LPARAM>(readBuffer),
                      kSendTimeoutMs);
    if (!loan.saved) return;
    readBuffer[sizeof readBuffer - 1] = '\0';
    Copy(loan.savedCaption, readBuffer);
  }
  if (!Answers(loan, kSendTimeoutMs)) return;

  char shown[zorvane::kTextSize];
  CurrentCaption(anchor, shown);
  // The owner has retitled its window since the clock wrote (a browser
  // went to another page): that is now the caption to give back.
  if (loan.written && !WrittenByClock(loan, shown)) Copy(loan.savedCaption, shown);

  char wanted[zorvane::kTextSize];
  AsShown(text, wanted);
  if (std::strcmp(shown, wanted) != 0) Write(loan, text, wanted);
}

void BorrowedCaptions::Write(CaptionLoan& loan, const char* text, const char* wanted) {
  loan.written = true;
  if (Send(loan.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), kSendTimeoutMs)) {
    Copy(loan.shownAfterWrite, wanted);
    loan.shownAfterStalledWrite[0] = '\0';
  } else {
    Copy(loan.shownAfterStalledWrite, wanted);
    loan.stalled = true;
  }
}

bool BorrowedCaptions::Return(CaptionLoan& loan, DWORD timeoutMs) {
  if (loan.window == nullptr || !loan.written || !IsWindow(loan.window)) return true;
  if (!Answers(loan, timeoutMs)) return false;
  char shown[zorvane::kTextSize];
  CurrentCaption(loan.window, shown);
  // The owner's own newer title, or the give-back already arrived.
  if (!WrittenByClock(loan, shown)) return true;
  if (Send(loan.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(loan.savedCaption), timeoutMs)) {
    return true;
  }
  loan.stalled = true;
  return false;
}

void BorrowedCaptions::Hold(const CaptionLoan& loan) {
  CaptionLoan* slot = &pending[0];
  for (CaptionLoan& p : pending) {
    if (p.window == nullptr || !IsWindow(p.window)) {
      slot = &p;
      break;
    }
  }
  *slot = loan;
}

void BorrowedCaptions::GiveBack() {
  if (!Return(current, kSendTimeoutMs)) Hold(current);
  current = CaptionLoan{};
}

void BorrowedCaptions::RetryPending() { RetryPendingWithin(kSendTimeoutMs); }

void BorrowedCaptions::RetryPendingWithin(DWORD timeoutMs) {
  for (CaptionLoan& loan : pending) {
    if (loan.window != nullptr && Return(loan, timeoutMs)) loan = CaptionLoan{};
  }
}

std::size_t BorrowedCaptions::Pending() const {
  return static_cast<std::size_t>(std::count_if(
      std::begin(pending), std::end(pending), [](const CaptionLoan& l) { return l.window != nullptr; }));
}

void BorrowedCaptions::Settle(DWORD waitMs) {
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
