// Binding window and dialog objects to their windows, and the small window
// operations of the framework.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <wtsapi32.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/clock_app.h"
#include "app/dialog_base.h"
#include "app/text_convert.h"
#include "clock/anchor_tracker.h"
#include "app/system_answers.h"
#include "clock/window_style.h"
#include "res/resource.h"
#include "test_support.h"
#include "window/clock_window.h"

namespace {

using testing_support::ClockParams;
using testing_support::DestroyClock;

// Records what reaches the object's handler.
template <typename Base>
class Recording : public Base {
 public:
  LRESULT HandleMessage(HWND w, UINT m, WPARAM wp, LPARAM lp) override {
    seen.push_back(m);
    return Base::HandleMessage(w, m, wp, lp);
  }
  bool Saw(UINT m) const {
    for (UINT s : seen) if (s == m) return true;
    return false;
  }
  std::vector<UINT> seen;
};

}  // namespace

TEST(WindowBinding, TheClockProcedureRunsCreationItselfAndReturnsOne) {
  Recording<ClockWindow> clock;
  CreateParams p = ClockParams("FrameworkClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w) << "WM_CREATE must let creation go on";
  EXPECT_EQ(w, clock.GetHwnd());
  EXPECT_FALSE(clock.Saw(WM_CREATE)) << "creation runs directly, not through the handler";
  EXPECT_FALSE(clock.Saw(WM_NCCREATE)) << "messages before binding go to the system";
  EXPECT_FALSE(clock.Saw(WM_GETMINMAXINFO));
  EXPECT_EQ(CW_USEDEFAULT, p.x) << "negative geometry is written back as the default";

  // The system menu cannot move, size, minimise, maximise or restore it.
  HMENU system = GetSystemMenu(w, FALSE);
  for (UINT command : {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MAXIMIZE, SC_MINIMIZE}) {
    EXPECT_TRUE(GetMenuState(system, command, MF_BYCOMMAND) & MF_GRAYED) << std::hex << command;
  }
  EXPECT_FALSE(GetMenuState(system, SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
  DestroyClock(w);
}

// Pumps the thread's messages for `ms`; whether a clock tick arrived.
template <typename Clock>
bool TicksWithin(Clock& clock, DWORD ms) {
  clock.seen.clear();
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < ms) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (clock.Saw(WM_TIMER)) return true;
    Sleep(10);
  }
  return false;
}

// Pumps the thread's messages until `done()` or `ms` have passed; whether done.
template <typename Done>
bool PumpUntil(Done done, DWORD ms) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(1)) {
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
    if (done()) return true;
  }
  return false;
}

// Sends as the system does: from another thread, while this one answers.
void SendFromAnotherThread(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  std::atomic<bool> done{false};
  std::thread sender([&] { SendMessageTimeoutA(w, m, wp, lp, SMTO_NORMAL, 5000, nullptr); done = true; });
  PumpUntil([&] { return done.load(); }, 6000);
  sender.join();
}

enum class Delivery { Sent, Notified, Posted };

// Delivers as another thread of the system may: sent (waiting for the
// answer while this thread answers), notified (SendNotifyMessage), posted.
void Deliver(Delivery how, HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (how == Delivery::Sent) SendFromAnotherThread(w, m, wp, lp);
  if (how == Delivery::Notified) std::thread([=] { SendNotifyMessageA(w, m, wp, lp); }).join();
  if (how == Delivery::Posted) PostMessageA(w, m, wp, lp);
}

system_answers::SessionLock sessionSays;

// No ticks, and no hooks on other programs' windows, while the display is off or the
// session locked, nor after log-off. Only a record the system sends about this session's display counts
// (the console's is the host's under Remote Desktop); what others can post changes nothing.
// Lock and unlock count however they come, a lock unless the session manager says the
// session is unlocked (a late one).
TEST(ClockWindowQuiet, NoTicksWhileTheDisplayIsOffOrTheSessionLocked) {
  using system_answers::SessionLock;
  system_answers::Answers answers = system_answers::Real();
  answers.sessionLock = [] { return sessionSays; };
  system_answers::Override use{answers};
  Recording<ClockWindow> clock;
  CreateParams p = ClockParams("FrameworkQuietClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(TicksWithin(clock, 3000));

  struct Record { GUID guid; DWORD length, state; };  // as the system lays a power setting out
  static_assert(offsetof(Record, state) == offsetof(POWERBROADCAST_SETTING, Data));
  const GUID session = GUID_SESSION_DISPLAY_STATUS;
  Record off{session, 4, 0}, dimmed{session, 4, 2}, on{session, 4, 1}, shorter{session, 2, 0},
      console{GUID_CONSOLE_DISPLAY_STATE, 4, 0};
  const auto at = [](Record& r) { return reinterpret_cast<LPARAM>(&r); };
  constexpr auto sent = Delivery::Sent, notified = Delivery::Notified, posted = Delivery::Posted;
  constexpr auto unknown = SessionLock::Unknown, unlocked = SessionLock::Unlocked, locked = SessionLock::Locked;
  const struct {
    const char* what; Delivery how; UINT message; WPARAM wParam; LPARAM lParam; SessionLock says; bool ticks;
  } steps[] = {
      {"a posted record", posted, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, at(off), unknown, true},
      {"a record pointing nowhere", sent, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 1, unknown, true},
      {"the console's display", sent, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, at(console), unknown, true},
      {"a record too short", sent, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, at(shorter), unknown, true},
      {"a late lock, the session unlocked", sent, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0, unlocked, true},
      {"a posted lock", posted, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0, unknown, false},
      {"a notified unlock", notified, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0, unknown, true},
      {"a notified lock", notified, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0, locked, false},
      {"a posted unlock", posted, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0, unknown, true},
      {"the display off", sent, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, at(off), unknown, false},
      {"the display dimmed, still seen", sent, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, at(dimmed), unknown, true},
      {"a sent lock", sent, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0, locked, false},
      {"the display on at the lock screen", sent, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, at(on), unknown, false},
      {"a sent unlock", sent, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0, unknown, true},
      {"a posted log-off", posted, WM_ENDSESSION, TRUE, 0, unknown, false},
      {"a new time after the log-off", sent, WM_TIMECHANGE, 0, 0, unknown, false},
  };
  for (const auto& c : steps) {
    sessionSays = c.says;
    Deliver(c.how, w, c.message, c.wParam, c.lParam);
    EXPECT_EQ(c.ticks, TicksWithin(clock, 1500)) << "after " << c.what;
    EXPECT_EQ(c.ticks, AnchorTracker::LiveHooks() != 0) << "hooks after " << c.what;
  }
  DestroyClock(w);
  EXPECT_EQ(0, AnchorTracker::LiveHooks());
}

// An installer's close request (ENDSESSION_CLOSEAPP) ends the clock however it is delivered.
TEST(ClockWindowQuiet, ACloseRequestEndsTheClockHoweverItIsDelivered) {
  for (Delivery how : {Delivery::Sent, Delivery::Notified, Delivery::Posted}) {
    ClockWindow clock;
    const std::string name = "CloseAppClock" + std::to_string(static_cast<int>(how));
    CreateParams p = ClockParams(name.c_str(), ClockWindow::WindowProc);
    HWND w = clock.Create(p);
    ASSERT_NE(nullptr, w);
    Deliver(how, w, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(w); }, 3000)) << "delivery " << static_cast<int>(how);
    DestroyClock(w);
  }
}

// The clock stands still while the settings dialog is open, yet reads a new time zone at once.
TEST(ClockWindowQuiet, ANewTimeZoneIsReadWhileTheSettingsAreOpen) {
  _putenv("TZ=UTC0");
  _tzset();
  static HWND w;
  static int waits;
  ClockWindow clock;
  CreateParams p = ClockParams("TimeZoneClock", ClockWindow::WindowProc);
  ASSERT_NE(nullptr, w = clock.Create(p));
  _putenv("TZ=JST-9");
  // In the dialog's modal loop: the system's word of the change, then a cancel.
  const UINT_PTR driver = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
    if (++waits == 50) PostQuitMessage(0);  // no dialog found in 5 s: end its loop all the same
    EnumThreadWindows(GetCurrentThreadId(), [](HWND d, LPARAM timer) -> BOOL {
      if (GetClassLongPtrA(d, GCW_ATOM) != 32770) return TRUE;  // not the dialog
      KillTimer(nullptr, timer);
      SendMessageA(w, WM_TIMECHANGE, 0, 0);
      PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
      return FALSE;
    }, id);
  });
  SendMessageA(w, WM_COMMAND, IDM_SETTINGS, 0);
  KillTimer(nullptr, driver);
  EXPECT_EQ(_timezone, -9 * 3600L) << "the new zone was not read while the dialog was open";
  DestroyClock(w);
  _putenv("TZ=");
  _tzset();
}

// A mutex made by a copy started as administrator may refuse an ordinary
// copy both opening and creating it: that copy is still "running".
TEST(SingleInstance, AMutexThatExistsMeansRunningEvenWhenAccessIsDenied) {
  static DWORD openError, createError, askedAccess;
  system_answers::Answers answers = system_answers::Real();
  answers.openMutex = [](DWORD access, BOOL, LPCSTR) -> HANDLE {
    askedAccess = access;
    SetLastError(openError);
    return nullptr;
  };
  answers.createMutex = [](LPSECURITY_ATTRIBUTES, BOOL, LPCSTR) -> HANDLE {
    HANDLE made = createError == ERROR_ACCESS_DENIED ? nullptr : CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SetLastError(createError);
    return made;
  };
  system_answers::Override use{answers};
  const std::pair<DWORD, DWORD> openAndCreateErrors[] = {
      {ERROR_ACCESS_DENIED, ERROR_SUCCESS}, {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED},
      {ERROR_FILE_NOT_FOUND, ERROR_ALREADY_EXISTS}};  // the last: started at the same instant
  for (const auto& [open, create] : openAndCreateErrors) {
    openError = open, createError = create;
    HANDLE guard = INVALID_HANDLE_VALUE;
    EXPECT_TRUE(ClockApp::AnotherCopyRuns("FakeGuard", &guard)) << open << "/" << create;
    EXPECT_EQ(askedAccess, DWORD{SYNCHRONIZE});
    EXPECT_EQ(nullptr, guard);
  }
}

// An elevated clock lets the new taskbar's message and its icon's clicks
// through from programs of a lower integrity level.
TEST(ClockWindowSystem, TheTaskbarAndTrayMessagesPassTheIntegrityFilter) {
  static std::vector<std::pair<HWND, UINT>> allowed;
  system_answers::Answers answers = system_answers::Real();
  answers.allowMessage = [](HWND w, UINT message, DWORD action, PCHANGEFILTERSTRUCT) -> BOOL {
    if (action == MSGFLT_ALLOW) allowed.emplace_back(w, message);
    return TRUE;
  };
  system_answers::Override use{answers};
  ClockWindow clock;
  CreateParams p = ClockParams("FilterClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(allowed, (std::vector<std::pair<HWND, UINT>>{{w, RegisterWindowMessageA("TaskbarCreated")},
                                                         {w, ClockWindow::kTrayCallbackMessage}}));
  DestroyClock(w);
}

// The clock window's seams to the system, replaced for one test: default
// processing and the tray calls are counted, the tray takes icons only
// once it is "ready", and the tick count is the test's.
struct FakeSystem {
  static std::vector<WPARAM> defaultCommands;
  static std::vector<DWORD> trayCalls;
  static bool trayReady;
  static DWORD now;

  static LRESULT WINAPI Default(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_SYSCOMMAND) {
      defaultCommands.push_back(wp);
      return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
  }
  static BOOL WINAPI Notify(DWORD message, PNOTIFYICONDATAW data) {
    trayCalls.push_back(message == NIM_SETVERSION ? NIM_SETVERSION + 0x100 * data->uVersion : message);
    return message == NIM_DELETE || (trayReady && message == NIM_ADD);
  }
  static DWORD WINAPI Ticks() { return now; }

  FakeSystem() : answers(system_answers::Real()) {
    defaultCommands.clear();
    trayCalls.clear();
    trayReady = false;
    now = 0xFFFF0000u;  // the tick count wraps during the retries
    answers.defaultProcedure = Default;
    answers.notifyIcon = Notify;
    answers.tickCount = Ticks;
  }
  size_t Adds() const {
    size_t n = 0;
    for (DWORD m : trayCalls) n += m == NIM_ADD;
    return n;
  }
  system_answers::Answers answers;
  system_answers::Override use{answers};
};
std::vector<WPARAM> FakeSystem::defaultCommands;
std::vector<DWORD> FakeSystem::trayCalls;
bool FakeSystem::trayReady;
DWORD FakeSystem::now;

void Tick(HWND clock) { SendMessageA(clock, WM_TIMER, ClockWindow::kTimerId, 0); }

TEST(ClockWindowSystem, OnlyTheScreenSaverAndMonitorPowerReachDefaultProcessing) {
  FakeSystem system;
  ClockWindow clock;
  CreateParams p = ClockParams("SystemCommandsClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  const RECT before = [&] { RECT r{}; GetWindowRect(w, &r); return r; }();
  for (WPARAM command : {SC_SCREENSAVE, SC_MOVE | HTCAPTION, SC_SIZE | WMSZ_BOTTOMRIGHT, SC_MINIMIZE, SC_MAXIMIZE,
                         SC_RESTORE, SC_KEYMENU, SC_MONITORPOWER}) {
    SendMessageA(w, WM_SYSCOMMAND, command, command == SC_MONITORPOWER ? 2 : 0);
  }
  EXPECT_EQ((std::vector<WPARAM>{SC_SCREENSAVE, SC_MONITORPOWER}), FakeSystem::defaultCommands);
  RECT after{};
  GetWindowRect(w, &after);
  EXPECT_TRUE(EqualRect(&before, &after)) << "a system command moved or sized the clock";
  EXPECT_FALSE(IsIconic(w));
  EXPECT_FALSE(IsZoomed(w));
  DestroyClock(w);
}

// The tray menu's documentation asks a notification icon's owner to post
// itself a message once the menu has closed; without it the next menu can
// close as soon as it opens.
TEST(ClockWindowSystem, TheTrayMenuIsFollowedByAHarmlessMessage) {
  FakeSystem system;
  ClockWindow clock;
  CreateParams p = ClockParams("TrayMenuClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  MSG msg;
  while (PeekMessageA(&msg, w, WM_NULL, WM_NULL, PM_REMOVE)) {
  }
  // The menu runs its own loop; a timer of this thread closes it.
  const UINT_PTR closer = SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
  SendMessageA(w, ClockWindow::kTrayCallbackMessage, ClockWindow::kTrayIconId, WM_LBUTTONUP);
  KillTimer(nullptr, closer);
  EXPECT_TRUE(PeekMessageA(&msg, w, WM_NULL, WM_NULL, PM_REMOVE)) << "nothing was posted after the menu";
  DestroyClock(w);
}

// After a menu the front goes back to the window that had it only while the
// clock still holds it and that window is shown; never after 設定.
TEST(PopupMenus, TheFrontGoesBackOnlyToAShownWindowWhileTheClockHoldsIt) {
  const auto h = [](uintptr_t v) { return reinterpret_cast<HWND>(v); };
  const HWND clock = h(0x10), user = h(0x20), other = h(0x30);
  const struct { const char* what; HWND before, now; bool shown; int command; bool back; } cases[] = {
      {"front unchanged", user, clock, true, IDM_MOVE_NEXT, true}, {"switched", user, other, true, 0, false},
      {"front lost", user, nullptr, true, 0, false}, {"hidden or minimised", user, clock, false, 0, false},
      {"none had it", nullptr, clock, false, 0, false}, {"the clock had it", clock, clock, true, 0, false},
      {"settings chosen", user, clock, true, IDM_SETTINGS, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.back, PopupMenus::GivesFrontBack(clock, c.before, c.now, c.shown, c.command)) << c.what;
  }
}

// Explorer runs but takes no icons yet (a start with Windows): the add is
// tried again at the ticks of the next minute, and no longer.
TEST(ClockWindowSystem, ATrayIconThatCannotBeAddedIsTriedAgainForAMinute) {
  FakeSystem system;
  const DWORD start = FakeSystem::now;
  {
    ClockWindow clock;
    CreateParams p = ClockParams("TrayRetryClock", ClockWindow::WindowProc);
    HWND w = clock.Create(p);
    ASSERT_NE(nullptr, w);
    EXPECT_EQ(1u, system.Adds());
    FakeSystem::now = start + 500;
    Tick(w);
    FakeSystem::now = start + 30000;
    Tick(w);
    EXPECT_EQ(3u, system.Adds()) << "one try at each tick";
    FakeSystem::trayReady = true;
    FakeSystem::now = start + 59500;
    Tick(w);
    EXPECT_EQ(4u, system.Adds());
    Tick(w);
    Tick(w);
    EXPECT_EQ(4u, system.Adds()) << "tried again once the icon was there";
    DestroyClock(w);
  }

  FakeSystem::trayReady = false;
  FakeSystem::trayCalls.clear();
  FakeSystem::now = start;
  ClockWindow clock;
  CreateParams p = ClockParams("TrayGiveUpClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  FakeSystem::now = start + ClockWindow::kTrayRetryMilliseconds;
  Tick(w);
  EXPECT_EQ(2u, system.Adds()) << "still within the minute";
  FakeSystem::now = start + ClockWindow::kTrayRetryMilliseconds + 1;
  Tick(w);
  FakeSystem::now += 500;
  Tick(w);
  EXPECT_EQ(2u, system.Adds()) << "tried beyond the minute";
  // A new taskbar still brings the icon, asking for the current protocol again.
  FakeSystem::trayReady = true;
  SendMessageA(w, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_EQ(3u, system.Adds());
  EXPECT_EQ(DWORD{NIM_SETVERSION + 0x100 * NOTIFYICON_VERSION_4}, FakeSystem::trayCalls.back());
  DestroyClock(w);
}

// Each new text the clock shows is announced (the seconds change twice in
// three seconds); that a text standing still is not is shown end to end.
TEST(ClockWindowAccessibility, EachNewTextIsAnnounced) {
  static int changes;
  const HWINEVENTHOOK hook = SetWinEventHook(
      EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
      [](HWINEVENTHOOK, DWORD, HWND, LONG object, LONG child, DWORD, DWORD) {
        changes += object == OBJID_CLIENT && child == CHILDID_SELF;
      },
      GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ClockWindow clock;
  CreateParams p = ClockParams("AnnouncingClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  EXPECT_TRUE(PumpUntil([] { return changes >= 2; }, 3000)) << changes << " announced";
  UnhookWinEvent(hook);
  DestroyClock(w);
}

TEST(WindowBinding, TheDefaultProcedureHandsCreationToTheHandler) {
  Recording<ClockApp> app;
  CreateParams p = ClockParams("FrameworkApp", nullptr);
  HWND w = app.Create(p);
  ASSERT_NE(nullptr, w);
  EXPECT_TRUE(app.Saw(WM_CREATE));
  EXPECT_FALSE(app.Saw(WM_NCCREATE));
  DestroyWindow(w);
}

TEST(WindowBinding, FailedCreationLeavesTheObjectEmpty) {
  ClockApp app;
  CreateParams p = ClockParams("FrameworkBadParent", nullptr);
  p.style = WS_CHILD;  // a child without a parent cannot be created
  EXPECT_EQ(nullptr, app.Create(p));
  EXPECT_EQ(nullptr, app.GetHwnd());
  EXPECT_EQ(0, app.Run()) << "no window: the loop returns at once";
}

TEST(WindowBase, PlaceOnDesktopFlagsPutTheWindowAtEdgesAndCentre) {
  ClockApp app;
  CreateParams p = ClockParams("FrameworkPlace", nullptr);
  HWND w = app.Create(p);
  ASSERT_NE(nullptr, w);
  RECT desktop, r;
  GetWindowRect(GetDesktopWindow(), &desktop);
  GetWindowRect(w, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;

  app.PlaceOnDesktop(5, 7, 0x09);  // right edge wins over centre
  GetWindowRect(w, &r);
  EXPECT_EQ(desktop.right - width, r.left);
  EXPECT_EQ(7, r.top);

  app.PlaceOnDesktop(0, 0, 0x03);
  GetWindowRect(w, &r);
  EXPECT_EQ((desktop.right - desktop.left) / 2 - width / 2, r.left);
  EXPECT_EQ((desktop.bottom - desktop.top) / 2 - height / 2, r.top);

  app.PlaceOnDesktop(0, 0, 0x32);  // bottom edge wins over top and centre
  GetWindowRect(w, &r);
  EXPECT_EQ(desktop.bottom - height, r.top);
  DestroyWindow(w);
}

namespace {

// Drives a dialog from inside its own modal loop: the timer fires on the
// dialog's thread once the dialog is up.
struct Script {
  static Script* current;
  void (*step)(HWND dialog, DialogBase& object) = nullptr;
  DialogBase* object = nullptr;
};
Script* Script::current = nullptr;

class ScriptedDialog : public DialogBase {
 public:
  INT_PTR HandleMessage(HWND d, UINT m, WPARAM wp, LPARAM lp) override {
    if (m == WM_INITDIALOG) {
      initData = reinterpret_cast<void*>(lp);
      SetTimer(d, 1, 10, nullptr);
      return 1;
    }
    if (m == WM_TIMER) {
      KillTimer(d, 1);
      Script::current->step(d, *this);
      return 0;
    }
    return DialogBase::HandleMessage(d, m, wp, lp);
  }
  void* initData = nullptr;
};

}  // namespace

TEST(DialogFramework, DefaultHandlerEndsOnStandardButtonsOnly) {
  ScriptedDialog dialog;
  Script script;
  Script::current = &script;
  script.step = [](HWND d, DialogBase&) {
    // IDHELP leaves the dialog open; IDOK ends it with 1.
    SendMessageA(d, WM_COMMAND, IDHELP, 0);
    if (IsWindow(d)) SendMessageA(d, WM_COMMAND, IDOK, 0);
  };
  int data = 42;
  EXPECT_EQ(IDOK, dialog.Show(0, GetModuleHandleA(nullptr), nullptr, IDD_SETTINGS, &data));
  EXPECT_EQ(&data, dialog.initData) << "WM_INITDIALOG carries the caller's data";
  EXPECT_EQ(nullptr, dialog.GetHwnd()) << "End leaves the object empty, ready to show again";

  script.step = [](HWND d, DialogBase&) { SendMessageA(d, WM_COMMAND, IDNO, 0); };
  EXPECT_EQ(IDNO, dialog.Show(0, GetModuleHandleA(nullptr), nullptr, IDD_SETTINGS, nullptr));
}

TEST(DialogFramework, ModelessDialogsAndAttachedObjects) {
  ScriptedDialog dialog;
  Script script;
  Script::current = &script;
  script.step = [](HWND, DialogBase&) {};
  const INT_PTR shown = dialog.Show(1, GetModuleHandleA(nullptr), nullptr, IDD_FONT, nullptr);
  HWND d = reinterpret_cast<HWND>(shown);
  ASSERT_TRUE(IsWindow(d));
  EXPECT_EQ(d, dialog.GetHwnd());
  EXPECT_EQ(-1, dialog.Show(1, GetModuleHandleA(nullptr), nullptr, IDD_FONT, nullptr))
      << "an attached object refuses a second window";

  // The spin control takes its two limits separately.
  dialog.SetSpinRange(IDC_HEIGHT_SPIN, 8, 99);
  int low = 0, high = 0;
  SendDlgItemMessageA(d, IDC_HEIGHT_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                      reinterpret_cast<LPARAM>(&high));
  EXPECT_EQ(8, low);
  EXPECT_EQ(99, high);

  dialog.End(IDCANCEL);
  EXPECT_FALSE(IsWindow(d)) << "a modeless dialog is destroyed by End";
  EXPECT_EQ(nullptr, dialog.GetHwnd());
}

// The clock's own text is code page 932 under every system code page (932,
// 1252, or UTF-8, which Wine cannot run): it is converted with 932 named,
// never through the system's code page. Every character of code page 932
// reaches the system and comes back as the same bytes; a character the code
// page lacks is refused, never replaced by "?" or a look-alike.
TEST(TextConvert, TheClocksOwnTextCrossesAsCodePage932Exactly) {
  EXPECT_TRUE(L"月 午後" == std::wstring(text::FromOwn("月 午後").Get()));
  EXPECT_TRUE(L"ＭＳ Ｐゴシック" == std::wstring(text::FromOwn("\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e").Get()));
  wchar_t face[LF_FACESIZE];
  EXPECT_TRUE(text::FromOwn("ＭＳ ゴシック", face, LF_FACESIZE));
  EXPECT_STREQ(L"ＭＳ ゴシック", face);
  EXPECT_FALSE(text::FromOwn("ＭＳ ゴシック", face, 4));

  // Every one- and two-byte character of the code page, both ways.
  int characters = 0;
  for (unsigned lead = 0x20; lead <= 0xFC; ++lead) {
    const bool twoBytes = (lead >= 0x81 && lead <= 0x9F) || lead >= 0xE0;
    for (unsigned trail = twoBytes ? 0x40 : 0; trail <= (twoBytes ? 0xFCu : 0u); ++trail) {
      char own[3] = {static_cast<char>(lead), static_cast<char>(trail), 0};
      if (trail == 0x7F) continue;
      wchar_t wide[4] = {};
      BOOL lost = FALSE;
      if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, own, -1, wide, 4) <= 0) continue;  // no character
      // Characters the code page maps both ways from one form (NEC and IBM
      // duplicates) come back in the form the code page prefers.
      char preferred[4] = {};
      WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, -1, preferred, 4, nullptr, &lost);
      const text::WideText converted = text::FromOwn(own);
      ASSERT_TRUE(std::wstring(wide) == converted.Get()) << std::hex << lead << " " << trail;
      char back[4] = {};
      ASSERT_EQ(text::ToOwnResult::Ok, text::ToOwn(converted.Get(), back, sizeof back)) << std::hex << lead << " " << trail;
      ASSERT_STREQ(preferred, back);
      ++characters;
    }
  }
  EXPECT_GT(characters, 7000);

  char out[64] = "unchanged";
  for (const wchar_t* lacking : {L"Caf\u00E9", L"\u2615", L"\U0001F600", L"\uD55C\uAD6D\uC5B4", L"\u00A0"}) {
    EXPECT_EQ(text::ToOwnResult::NotInCodePage, text::ToOwn(lacking, out, sizeof out));
    EXPECT_STREQ("", out);
  }
  EXPECT_EQ(text::ToOwnResult::TooLong, text::ToOwn(L"午後", out, 4));
  EXPECT_EQ(text::ToOwnResult::Ok, text::ToOwn(L"午後", out, 5));
  EXPECT_STREQ("午後", out);
}
