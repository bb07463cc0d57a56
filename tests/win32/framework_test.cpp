// Binding window and dialog objects to their windows, and the small window
// operations of the framework.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <wtsapi32.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/clock_app.h"
#include "app/dialog_base.h"
#include "app/text_convert.h"
#include "clock/anchor_tracker.h"
#include "clock/system_answers.h"
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

// Sends as the system sends its notifications: from another thread, while
// this one answers.
LRESULT SendFromAnotherThread(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  std::atomic<bool> done{false};
  LRESULT result = 0;
  std::thread sender([&] {
    result = SendMessageA(w, m, wp, lp);
    done = true;
  });
  MSG msg;
  while (!done) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(1);
  }
  sender.join();
  return result;
}

// No ticks while the display is off or the session locked, and no hooks
// listening to other programs' windows; back, phased again, as soon as
// the user can see, and none left after the clock ends. The display's
// state comes with a record that only the system hands over, for this
// session's display (in a Remote Desktop session the console's is the
// host's); a lock is the system's word too. What another program can post, or a record that is
// not the system's, changes nothing.
TEST(ClockWindowQuiet, NoTicksWhileTheDisplayIsOffOrTheSessionLocked) {
  Recording<ClockWindow> clock;
  CreateParams p = ClockParams("FrameworkQuietClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(TicksWithin(clock, 3000));
  EXPECT_GE(AnchorTracker::LiveHooks(), 2) << "listening for the foreground and minimising";

  struct Record {
    POWERBROADCAST_SETTING head;
    BYTE more[sizeof(DWORD)];
  };
  const auto record = [](const GUID& guid, DWORD length) {
    Record r{};
    r.head.PowerSetting = guid;
    r.head.DataLength = length;
    return r;
  };
  Record session = record(GUID_SESSION_DISPLAY_STATUS, sizeof(DWORD));
  Record console = record(GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD));
  Record shorter = record(GUID_SESSION_DISPLAY_STATUS, 2);
  const auto at = [](Record& r) { return reinterpret_cast<LPARAM>(&r); };
  const struct {
    const char* what;
    bool sent;  // from another thread
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  } ignored[] = {
      {"a posted record", false, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, at(session)},
      {"a record pointing nowhere", true, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 1},
      {"the console's display", true, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, at(console)},
      {"a record too short", true, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, at(shorter)},
      {"a posted lock", false, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0},
      {"a posted end of the session", false, WM_ENDSESSION, TRUE, 0},
  };
  for (const auto& c : ignored) {
    if (c.sent) {
      SendFromAnotherThread(w, c.message, c.wParam, c.lParam);
    } else {
      PostMessageA(w, c.message, c.wParam, c.lParam);
    }
    EXPECT_TRUE(TicksWithin(clock, 1500)) << "no ticks after " << c.what;
  }

  const auto setDisplay = [&](DWORD state) {
    std::memcpy(session.head.Data, &state, sizeof state);
    SendFromAnotherThread(w, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, at(session));
  };
  setDisplay(0);
  EXPECT_FALSE(TicksWithin(clock, 1500)) << "ticks while the display is off";
  EXPECT_EQ(0, AnchorTracker::LiveHooks());
  setDisplay(2);  // dimmed: still seen
  EXPECT_TRUE(TicksWithin(clock, 1500));

  SendFromAnotherThread(w, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
  setDisplay(0);
  setDisplay(1);  // the display comes on at the lock screen
  EXPECT_FALSE(TicksWithin(clock, 1500)) << "ticks while the session is locked";
  EXPECT_EQ(0, AnchorTracker::LiveHooks());
  SendFromAnotherThread(w, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
  EXPECT_TRUE(TicksWithin(clock, 1500));
  EXPECT_GE(AnchorTracker::LiveHooks(), 2);
  DestroyClock(w);
  EXPECT_EQ(0, AnchorTracker::LiveHooks());
}

// A new time zone is read at once, even while the settings dialog is open
// and the clock stands still: the ticks after it show the new zone.
HWND timeChangeClock = nullptr;
int timeChangeSteps = 0;

TEST(ClockWindowQuiet, ANewTimeZoneIsReadWhileTheSettingsAreOpen) {
  _putenv("TZ=UTC0");
  _tzset();
  ClockWindow clock;
  CreateParams p = ClockParams("TimeZoneClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  _putenv("TZ=JST-9");  // the zone changes; the system then tells every window
  timeChangeClock = w;
  timeChangeSteps = 0;
  // Runs inside the dialog's modal loop: the time change, then a cancel.
  const UINT_PTR driver = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    if (++timeChangeSteps == 2) SendMessageA(timeChangeClock, WM_TIMECHANGE, 0, 0);
    if (timeChangeSteps < 3) return;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND d, LPARAM) -> BOOL {
      char cls[16] = {};
      GetClassNameA(d, cls, sizeof cls);
      if (std::strcmp(cls, "#32770") == 0) PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
      return TRUE;
    }, 0);
  });
  SendMessageA(w, WM_COMMAND, IDM_SETTINGS, 0);
  KillTimer(nullptr, driver);
  EXPECT_GE(timeChangeSteps, 2) << "the settings dialog did not open";
  EXPECT_EQ(_timezone, -9 * 3600L) << "the new zone was not read";
  DestroyClock(w);
  _putenv("TZ=");
  _tzset();
}

// The single-instance guard against the answers of a system with integrity
// levels: a mutex made by a copy started as administrator may refuse to
// be opened or created by an ordinary copy, which is still "running".
struct FakeGuard {
  static DWORD openError, createError;
  static DWORD askedAccess;
  static int creates;
  static HANDLE WINAPI Open(DWORD access, BOOL, LPCSTR) {
    askedAccess = access;
    SetLastError(openError);
    return openError == ERROR_SUCCESS ? CreateEventA(nullptr, FALSE, FALSE, nullptr) : nullptr;
  }
  static HANDLE WINAPI Create(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR) {
    ++creates;
    HANDLE made = createError == ERROR_ACCESS_DENIED ? nullptr : CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SetLastError(createError);
    return made;
  }
};
DWORD FakeGuard::openError, FakeGuard::createError, FakeGuard::askedAccess;
int FakeGuard::creates;

TEST(SingleInstance, AMutexThatExistsMeansRunningEvenWhenAccessIsDenied) {
  const struct {
    DWORD openError, createError;
    bool running;
    int creates;
  } cases[] = {
      {ERROR_SUCCESS, ERROR_SUCCESS, true, 0},
      {ERROR_ACCESS_DENIED, ERROR_SUCCESS, true, 0},
      {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, true, 1},
      {ERROR_FILE_NOT_FOUND, ERROR_ALREADY_EXISTS, true, 1},  // started at the same instant
      {ERROR_FILE_NOT_FOUND, ERROR_SUCCESS, false, 1},
  };
  const ClockApp::GuardCalls saved = ClockApp::guardCalls;
  ClockApp::guardCalls = {FakeGuard::Open, FakeGuard::Create};
  for (const auto& c : cases) {
    FakeGuard::openError = c.openError;
    FakeGuard::createError = c.createError;
    FakeGuard::creates = 0;
    HANDLE guard = INVALID_HANDLE_VALUE;
    EXPECT_EQ(ClockApp::AnotherCopyRuns("FakeGuard", &guard), c.running) << c.openError << "/" << c.createError;
    EXPECT_EQ(FakeGuard::askedAccess, static_cast<DWORD>(SYNCHRONIZE));
    EXPECT_EQ(FakeGuard::creates, c.creates);
    EXPECT_EQ(guard != nullptr, !c.running);
    if (guard != nullptr) CloseHandle(guard);
  }
  ClockApp::guardCalls = saved;
}

// An elevated clock lets the new taskbar's message and its icon's clicks
// through from programs of a lower integrity level.
std::vector<std::pair<HWND, UINT>> allowed;
BOOL WINAPI RecordAllowed(HWND w, UINT message, DWORD action, PCHANGEFILTERSTRUCT) {
  if (action == MSGFLT_ALLOW) allowed.emplace_back(w, message);
  return TRUE;
}

TEST(ClockWindowSystem, TheTaskbarAndTrayMessagesPassTheIntegrityFilter) {
  system_answers::Answers answers = system_answers::Real();
  answers.allowMessage = RecordAllowed;
  system_answers::Override use{answers};
  allowed.clear();
  ClockWindow clock;
  CreateParams p = ClockParams("FilterClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  const std::vector<std::pair<HWND, UINT>> expected = {{w, RegisterWindowMessageA("TaskbarCreated")},
                                                       {w, ClockWindow::kTrayCallbackMessage}};
  EXPECT_EQ(allowed, expected);
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
  // A new taskbar still brings the icon, which asks for the current
  // protocol again.
  FakeSystem::trayReady = true;
  SendMessageA(w, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_EQ(3u, system.Adds());
  EXPECT_EQ(DWORD{NIM_SETVERSION + 0x100 * NOTIFYICON_VERSION_4}, FakeSystem::trayCalls.back());
  DestroyClock(w);
}

// Listeners hear of each new text the clock shows (the seconds change
// twice in under three seconds); a tick with the same text stays silent,
// as the end-to-end reading of a frozen clock shows.
TEST(ClockWindowAccessibility, EachNewTextIsAnnounced) {
  static int changes;
  static HWND clockWindow;
  changes = 0;
  Recording<ClockWindow> clock;
  CreateParams p = ClockParams("AnnouncingClock", ClockWindow::WindowProc);
  HWND w = clock.Create(p);
  ASSERT_NE(nullptr, w);
  clockWindow = w;
  const HWINEVENTHOOK hook = SetWinEventHook(
      EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
      [](HWINEVENTHOOK, DWORD, HWND h, LONG object, LONG child, DWORD, DWORD) {
        changes += h == clockWindow && object == OBJID_CLIENT && child == CHILDID_SELF;
      },
      GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  const DWORD start = GetTickCount();
  MSG msg;
  while (changes < 2 && GetTickCount() - start < 3000) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
  EXPECT_GE(changes, 2);
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
