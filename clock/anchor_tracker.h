#pragma once
// The anchor: the application window the user last brought to the front,
// which the clock docks to (and, in title mode, writes its text into).
// Knows which window it is, whether the user can see it, whether it is a
// fullscreen program, and where its visible frame lies. The clock view asks
// it at every placement.
//
// It also listens to the system (out-of-context WinEvent hooks), so that
// the clock follows the anchor as it moves, is sized, minimised, restored,
// hidden, cloaked or closed, and moves to a new window as soon as it comes
// to the front, rather than at the next tick. The events only ask for a
// placement, which the clock window makes the tick's own way; the tick
// still places the clock whether events come or not.

#include <windows.h>

#include "core/follow_pacing.h"
#include "core/placement.h"

// The monitor `monitor` covers; `fallback` where the system cannot say.
zorvane::Rect MonitorRect(HMONITOR monitor, const RECT& fallback);

// Owns one WinEvent hook: removed when replaced, reset or destroyed.
class EventHook {
 public:
  EventHook() = default;
  ~EventHook() { Reset(); }
  EventHook(EventHook&& other) noexcept : hook(other.hook) { other.hook = nullptr; }
  EventHook& operator=(EventHook&& other) noexcept;
  EventHook(const EventHook&) = delete;
  EventHook& operator=(const EventHook&) = delete;

  // Removes the hook held, then holds `replacement`.
  void Reset(HWINEVENTHOOK replacement = nullptr);
  explicit operator bool() const { return hook != nullptr; }

  // The hooks all owners of the program hold now.
  static int Live();

 private:
  HWINEVENTHOOK hook = nullptr;
};

class AnchorTracker {
 public:
  // Posted to the clock window, and the timer set on it, when the system
  // reported a change that the clock should follow.
  static constexpr UINT kFollowMessage = WM_APP + 0x40;
  static constexpr UINT_PTR kFollowTimerId = 101;

  AnchorTracker() = default;
  ~AnchorTracker();
  AnchorTracker(const AnchorTracker&) = delete;
  AnchorTracker& operator=(const AnchorTracker&) = delete;

  // Binds to the clock's own window; there is no anchor until an
  // application window has been in front.
  void Attach(HWND clockWindow);

  // Brings the anchor up to date with the foreground window, as at every
  // tick: a new application window in front becomes the anchor; anything
  // else leaves it as it was.
  void Update();

  // The anchor window; none until an application window has been in front.
  HWND Window() const { return foregroundWindow; }
  // Whether the user could see the anchor at the last update: not
  // minimised, hidden, cloaked or closed since it came to the front.
  bool Shown() const { return shown; }

  // The anchor's window rectangle; false while it is not seen or cannot be
  // read.
  bool WindowRect(RECT& rect) const;
  // Where the system can say, the anchor's visible frame (without the
  // invisible resize borders); otherwise `rect`, its window rectangle.
  RECT VisibleFrame(const RECT& rect) const;
  // The monitor the anchor is on.
  zorvane::Rect Monitor(const RECT& fallback) const;

  // Whether a fullscreen program is in front: the shell says so, or the
  // anchor covers its monitor as such a program does.
  bool FullScreen() const;

  // Listens to the system: which window comes to the front, and what
  // happens to the anchor. While the session is locked or the display is
  // off nothing need be heard, and at exit the hooks must go.
  void Listen();
  void StopListening();
  // The hooks this tracker holds now, and the program whose windows the
  // anchor's hooks are for (0: none).
  int Hooks() const;
  DWORD HookedProcess() const { return hookedProcess; }
  // The hooks all trackers of the program hold now.
  static int LiveHooks() { return EventHook::Live(); }
  // The display's refresh rate may have changed.
  void DisplayChanged();

  // One event as the system reports it; the hooks call this, and tests
  // hand in events of their own. Asks the clock window for a placement
  // when the event concerns the anchor or the foreground, at most one at a
  // time and a display frame after the last.
  void OnEvent(DWORD event, HWND window, LONG objectId, LONG childId);
  // The clock window received the follow message or timer: true when a
  // placement was asked for; the request is done with either way.
  bool TakeFollow();
  // Whether a placement is asked for and not yet taken.
  bool FollowAsked() const { return pacer.Asked(); }

 private:
  // Whether the event is one the clock follows.
  bool Concerns(DWORD event, HWND window, LONG objectId, LONG childId) const;
  // The anchor's hooks follow the anchor to its program.
  void HookAnchorProcess();
  void UnhookAnchorProcess();
  static void CALLBACK EventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId, LONG childId,
                                 DWORD thread, DWORD time);

  HWND clock = nullptr;
  // The anchor: the last foreground window that was an application's.
  HWND foregroundWindow = nullptr;
  bool shown = false;

  bool listening = false;
  // Which window comes to the front, and minimising (any program's).
  EventHook foregroundHook;
  EventHook minimiseHook;
  // Shown, hidden, destroyed, moved, cloaked: the anchor's program only,
  // since every caret and cursor move of every program raises a
  // location change.
  EventHook processHooks[3];
  DWORD hookedProcess = 0;
  zorvane::FollowPacer pacer;
  int frameMs = 17;
};
