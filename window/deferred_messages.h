#pragma once
// Messages that reach the clock while it waits inside one of its own calls:
// a caption write to another program (whose bounded send answers messages
// sent to the clock meanwhile) or the move of its window (which can bring
// WM_DPICHANGED). The work they ask for would run on a loan, a list, a
// buffer or a font that the outer call still holds, so they are kept here
// and answered at once; the clock window handles them after the outer call
// has returned, each kind once however often it came.

#include <windows.h>

#include <cstddef>

class DeferredMessages {
 public:
  struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    // Sent from another thread, as the system sends its notifications; a
    // message handled again keeps what it was when it came.
    bool sent;
  };
  // More kinds than the clock handles; a flood beyond them is dropped.
  static constexpr std::size_t kCapacity = 32;

  // The clock window's own messages that wait as well, and the power
  // setting whose record it reads.
  struct OwnMessages {
    UINT follow;
    UINT tray;
    UINT closeDialogs;
    UINT taskbarCreated;
    GUID displayState;
  };
  enum class Verdict {
    HandleNow,  // its work touches nothing a call holds
    Answered,   // kept, or one that would be ignored anyway
    KeptFirst,  // kept, the first since the last Take: post the hand-back
  };
  // Decides for a message that came while the clock is busy: what ticks,
  // follows, draws, moves, gives captions back, ends the session or opens
  // a menu or a dialog waits; painting, accessibility and the check of a
  // coming move only read, and are handled now. `answer` is the reply of a
  // message that waits.
  Verdict Consider(UINT message, WPARAM wParam, LPARAM lParam, bool sent, const OwnMessages& own,
                   LRESULT* answer);

  // The display state (0 off, 1 on, 2 dimmed) a power setting record
  // names; false unless the record is `display`'s and can be read as far as
  // that (another program can send any value as a pointer).
  static bool DisplayStateOf(LPARAM record, const GUID& display, DWORD* state);

  // Hands the kept messages over in the order they came and keeps none.
  std::size_t Take(Message (&out)[kCapacity]);

 private:
  // Keeps the message; one that repeats an earlier kind (the same message
  // and wParam; for the tray icon's, the same lParam too) takes its place.
  // True when it is the first kept since the last Take: the caller then
  // posts itself the message that hands them back.
  bool Keep(UINT message, WPARAM wParam, LPARAM lParam, bool sent, bool byLParam);

  Message kept[kCapacity] = {};
  std::size_t count = 0;
  // A display state record (PBT_POWERSETTINGCHANGE) lives only as long as
  // its send: the state is kept in a record of the clock's own, which the
  // one kept message of that kind points to. Laid out as
  // POWERBROADCAST_SETTING with four bytes of data.
  struct PowerSetting {
    GUID setting;
    DWORD length;
    DWORD data;
  };
  PowerSetting power = {};
};
