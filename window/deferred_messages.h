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

  // Keeps the message; one that repeats an earlier kind (the same message
  // and wParam; for the tray icon's, the same lParam too) takes its place.
  // True when it is the first kept since the last Take: the caller then
  // posts itself the message that hands them back.
  bool Keep(UINT message, WPARAM wParam, LPARAM lParam, bool sent, bool byLParam);

  // A display state record (PBT_POWERSETTINGCHANGE) lives only as long as
  // its send: the state is kept in a record of the clock's own, which the
  // one kept message of that kind points to.
  LPARAM KeepPowerSetting(const GUID& setting, DWORD state);

  // Hands the kept messages over in the order they came and keeps none.
  std::size_t Take(Message (&out)[kCapacity]);

 private:
  Message kept[kCapacity] = {};
  std::size_t count = 0;
  // Laid out as POWERBROADCAST_SETTING with four bytes of data.
  struct PowerSetting {
    GUID setting;
    DWORD length;
    DWORD data;
  };
  PowerSetting power = {};
};
