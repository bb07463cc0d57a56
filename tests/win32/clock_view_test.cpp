// The clock view with real windows: docking at every position, title mode's
// borrowed captions, default drawing objects and their lifetime.

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <cwchar>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/dpi.h"
#include "app/gdi.h"
#include "clock/clock_view.h"
#include "app/system_answers.h"
#include "clock/window_style.h"
#include "settings/clock_settings.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// What the test windows were sent, by window: moves (SetWindowPos always
// sends WM_WINDOWPOSCHANGING, even when nothing changes) and captions.
struct Sent {
  int moves = 0;
  int captions = 0;
  int follows = 0;  // placements the anchor's events asked for
};
std::mutex sentLock;
std::map<HWND, Sent> sent;

Sent SentTo(HWND w) {
  std::lock_guard<std::mutex> lock(sentLock);
  return sent[w];
}

// A window whose program answers every other message at once but takes
// longer than the clock waits to hand out its caption.
std::atomic<HWND> slowReader{nullptr};

// Whether the view was busy when this window was moved or sent a caption.
ClockView* busyView = nullptr;
HWND busyWindow = nullptr;
int busySeen = 0, idleSeen = 0;

ClockView* followingView = nullptr;  // follows the anchor, as the clock window's handler does

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_GETTEXT && w == slowReader.load()) Sleep(400);
  if (m == AnchorTracker::kFollowMessage || (m == WM_TIMER && wp == AnchorTracker::kFollowTimerId)) {
    { std::lock_guard<std::mutex> lock(sentLock); ++sent[w].follows; }
    if (followingView != nullptr) followingView->Follow(true);
    return 0;
  }
  if ((m == WM_WINDOWPOSCHANGING || m == WM_SETTEXT) && w == busyWindow && busyView != nullptr) {
    ++(busyView->Busy() ? busySeen : idleSeen);
  }
  if (m == WM_WINDOWPOSCHANGING || m == WM_SETTEXT) {
    std::lock_guard<std::mutex> lock(sentLock);
    ++(m == WM_SETTEXT ? sent[w].captions : sent[w].moves);
  }
  return DefWindowProcA(w, m, wp, lp);
}

void RegisterTestClasses() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ViewTestWindow";
  RegisterClassExA(&wc);
  // The shell's own windows, as the taskbar and the desktop are.
  for (const char* shell : {"Shell_TrayWnd", "Progman"}) {
    wc.lpszClassName = shell;
    RegisterClassExA(&wc);
  }
  done = true;
}

HWND MakeWindow(const char* className, const char* caption, DWORD style, int x, int y, int w, int h,
                DWORD exStyle = 0) {
  RegisterTestClasses();
  return CreateWindowExA(exStyle, className, caption, style, x, y, w, h, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

HWND MakeAnchor(const char* caption, int x, int y, int w, int h) {
  RegisterTestClasses();
  HWND a = CreateWindowExA(0, "ViewTestWindow", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, w,
                           h, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  return a;
}

// Unicode windows, as browsers and editors make them: their captions hold
// any character. `understated`, when set, answers WM_GETTEXTLENGTH with less
// than its caption holds, as a program whose title grows between two
// messages may seem to.
std::atomic<HWND> understated{nullptr};

LRESULT CALLBACK WideProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_GETTEXTLENGTH && w == understated.load()) return 3;
  return DefWindowProcW(w, m, wp, lp);
}

HWND MakeWideAnchor(const std::wstring& caption) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WideProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ViewTestWideWindow";
    RegisterClassExW(&wc);
    registered = true;
  }
  return CreateWindowExW(0, L"ViewTestWideWindow", caption.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 150, 150,
                         300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// A caption whole, as the system holds it.
std::wstring WideCaption(HWND w) {
  std::wstring text(1 << 16, L'\0');
  text.resize(static_cast<size_t>(InternalGetWindowText(w, &text[0], static_cast<int>(text.size()))));
  return text;
}

std::string Caption(HWND w) {
  char text[1024] = {};
  GetWindowTextA(w, text, sizeof text);
  return text;
}

// The caption as the system holds it, without a message to the window: a
// window whose thread does not pump cannot answer WM_GETTEXT.
std::string Shown(HWND w) {
  wchar_t wide[1024] = {};
  const int n = InternalGetWindowText(w, wide, 1024);
  char text[2048] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, n, text, sizeof text - 1, nullptr, nullptr);
  return text;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

void MakeForeground(HWND w) {
  SetForegroundWindow(w);
  Pump();
}

// A clock window with the program's own style pair and a view attached.
class ClockViewTest : public SettingsFileTest {
 protected:
  void Open(bool caption = true) {
    RegisterTestClasses();
    window_style::SetCaption(caption);
    clock = CreateWindowExA(window_style::kExStyle, "ViewTestWindow", "Zorvane",
                            window_style::Style(), 0, 0, 100, 40, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, clock);
    view = new ClockView;
    Reload();
    view->Attach(clock, GetModuleHandleA(nullptr));
    followingView = view;
  }
  void Reload() { view->Apply(clock_settings::Load(GetModuleHandleA(nullptr))); }
  void WriteIni(const std::string& bytes) {  // taken up by an open view at once
    testing_support::WriteIni(bytes);
    if (view != nullptr) Reload();
  }
  void TearDown() override {
    followingView = nullptr;
    delete view;
    view = nullptr;
    for (HWND w : {clock, anchorA, anchorB}) if (w != nullptr && IsWindow(w)) DestroyWindow(w);
    window_style::SetCaption(true);
    Pump();
    SettingsFileTest::TearDown();
  }
  RECT ClockRect() const {
    RECT r{};
    GetWindowRect(clock, &r);
    return r;
  }
  void Tick() {
    view->ReadTime();
    view->Render();
    Pump();
  }

  HWND clock = nullptr;
  HWND anchorA = nullptr;
  HWND anchorB = nullptr;
  ClockView* view = nullptr;
};

zorvane::Rect ToCore(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// An application window on a thread of its own that can stop answering
// messages, as a program busy loading a file does, and wake again.
class BusyApplication {
 public:
  explicit BusyApplication(const char* caption) {
    thread = std::thread([this, caption] { Run(caption); });
    WaitForSingleObject(ready, 5000);
  }
  ~BusyApplication() {
    SetEvent(wake);
    SetEvent(quit);
    thread.join();
    for (HANDLE h : {ready, hang, hanging, wake, quit}) CloseHandle(h);
  }
  HWND Window() const { return window; }

  // Returns once the thread has stopped pumping; it stays so until Wake or
  // for `ms` at the most.
  void Hang(DWORD ms = 10000) {
    hangMs = ms;
    ResetEvent(wake);
    SetEvent(hang);
    WaitForSingleObject(hanging, 5000);
  }
  void Wake() { SetEvent(wake); }

 private:
  void Run(const char* caption) {
    window = MakeAnchor(caption, 100, 100, 300, 200);
    SetEvent(ready);
    HANDLE events[] = {hang, quit};
    for (;;) {
      const DWORD r = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
      if (r == WAIT_OBJECT_0) {
        ResetEvent(hang);
        SetEvent(hanging);
        WaitForSingleObject(wake, hangMs);
        ResetEvent(hanging);
      } else if (r == WAIT_OBJECT_0 + 1) {
        break;
      }
      Pump();
    }
    DestroyWindow(window);
  }

  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE hang = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE hanging = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD hangMs = 10000;
  HWND window = nullptr;
  std::thread thread;
};

}  // namespace

TEST_F(ClockViewTest, DocksAtEveryPositionWithAndWithoutCaption) {
  for (bool caption : {true, false}) {
    SCOPED_TRACE(caption ? "with caption" : "without caption");
    Open(caption);
    anchorA = MakeAnchor("anchor", 300, 250, 500, 300);
    MakeForeground(anchorA);
    for (int index = 0; index < zorvane::kPositions; ++index) {
      view->SetPosition(index / 3, index % 3);
      Tick();
      ASSERT_EQ(anchorA, view->AnchorWindow());

      RECT outer = *view->GetTextRect();
      AdjustWindowRectEx(&outer, caption ? 0x80C80000 : 0x80080000, FALSE, 0x289);
      RECT screen, anchor;
      GetWindowRect(GetDesktopWindow(), &screen);
      GetWindowRect(anchorA, &anchor);
      APPBARDATA bar{};
      bar.cbSize = sizeof bar;
      // Without a taskbar every column of its row falls back to one corner,
      // and the row would go untested.
      ASSERT_TRUE(SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) << "the system reported no taskbar";
      const zorvane::Rect expected =
          zorvane::PlaceRect(view->Row(), view->Column(), ToCore(screen), ToCore(bar.rc),
                             ToCore(anchor), outer.right - outer.left, outer.bottom - outer.top);
      EXPECT_EQ(expected, ToCore(ClockRect())) << "position " << index;
    }
    // The client area is exactly the text.
    RECT client;
    GetClientRect(clock, &client);
    EXPECT_EQ(view->GetTextRect()->right, client.right);
    EXPECT_EQ(view->GetTextRect()->bottom, client.bottom);
    TearDown();
  }
}

// What a test says the system answers: each window's visible frame 7
// pixels inside its rectangle left, right and bottom (Windows 10 and 11),
// once shown, the cloaked window, the shell's notification state.
struct InjectedAnswers {
  static inline HWND cloakedWindow = nullptr;
  static inline int state = 5;  // QUNS_ACCEPTS_NOTIFICATIONS
  static inline bool frames = false;
  static bool FrameBounds(HWND w, RECT* frame) {
    if (!frames || !IsWindowVisible(w) || !GetWindowRect(w, frame)) return false;
    frame->left += 7;
    frame->right -= 7;
    frame->bottom -= 7;
    return true;
  }
  static bool Cloaked(HWND w) { return w == cloakedWindow; }
  static int State() { return state; }
  InjectedAnswers() {
    cloakedWindow = nullptr; state = 5; frames = false;
    answers.frameBounds = FrameBounds; answers.cloaked = Cloaked; answers.notificationState = State;
  }
  system_answers::Answers answers = system_answers::Real();
  system_answers::Override use{answers};
};

// Until an application window has been in front the clock waits in the
// corner at the size of its text. After that only application windows are
// anchors: the shell's windows, hidden, minimised, cloaked and tool windows
// and no foreground at all leave the anchor as it was, and while the anchor
// itself cannot be seen the clock stays where it stood.
TEST_F(ClockViewTest, OnlyApplicationWindowsAreAnchors) {
  InjectedAnswers injected;
  Open();
  Tick();
  RECT r = ClockRect();
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(0, r.top);
  EXPECT_EQ(view->GetTextRect()->right, r.right);
  EXPECT_EQ(view->GetTextRect()->bottom, r.bottom);

  anchorA = MakeAnchor("anchor", 200, 200, 300, 200);
  MakeForeground(anchorA);
  Tick();
  const RECT docked = ClockRect();
  ASSERT_EQ(anchorA, view->AnchorWindow());
  ASSERT_EQ(200, docked.bottom);

  HWND taskbar = MakeWindow("Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, 0, 760, 1280, 40);
  HWND desktop = MakeWindow("Progman", "Program Manager", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 800);
  HWND hidden = MakeWindow("ViewTestWindow", "hidden", WS_OVERLAPPEDWINDOW, 50, 50, 300, 200);
  HWND minimised = MakeWindow("ViewTestWindow", "minimised", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_MINIMIZE,
                              50, 50, 300, 200);
  HWND launcher = MakeWindow("ViewTestWindow", "launcher", WS_POPUP | WS_VISIBLE, 50, 50, 300, 200,
                             WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  anchorB = MakeWindow("ViewTestWindow", "cloaked", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 300, 300, 200,
                       WS_EX_TOOLWINDOW | WS_EX_APPWINDOW);
  InjectedAnswers::cloakedWindow = anchorB;
  for (HWND w : {taskbar, desktop, hidden, minimised, launcher, anchorB}) {
    MakeForeground(w);
    Tick();
    EXPECT_EQ(anchorA, view->AnchorWindow()) << Caption(w);
    EXPECT_TRUE(ToCore(docked) == ToCore(ClockRect())) << Caption(w);
  }
  EXPECT_EQ("Program Manager", Caption(desktop));

  // The anchor itself is minimised, hidden, then closed: the clock stays.
  ShowWindow(anchorA, SW_MINIMIZE);
  Tick();
  EXPECT_TRUE(ToCore(docked) == ToCore(ClockRect()));
  ShowWindow(anchorA, SW_HIDE);
  Tick();
  EXPECT_TRUE(ToCore(docked) == ToCore(ClockRect()));
  DestroyWindow(anchorA);
  anchorA = nullptr;
  view->StepForward();  // a step must not use the gone window's rectangle
  Tick();
  EXPECT_TRUE(ToCore(docked) == ToCore(ClockRect()));
  EXPECT_TRUE(IsWindowVisible(clock));

  // An application window comes to the front: a tool window marked as one.
  InjectedAnswers::cloakedWindow = nullptr;
  MakeForeground(anchorB);
  Tick();
  EXPECT_EQ(anchorB, view->AnchorWindow());
  EXPECT_NE(docked.left, ClockRect().left);
  for (HWND w : {taskbar, desktop, hidden, minimised, launcher}) DestroyWindow(w);
}

// Windows 10 and 11 give a window invisible borders, the clock's own
// included (reported once shown): the visible frames meet.
TEST_F(ClockViewTest, DocksTheVisibleFrames) {
  InjectedAnswers injected;
  InjectedAnswers::frames = true;
  Open(false);
  ShowWindow(clock, SW_HIDE);  // as before the first show
  anchorA = MakeAnchor("anchor", 300, 250, 500, 300);
  MakeForeground(anchorA);
  for (int index : {3, 5, 6, 10, 14}) {
    view->SetPosition(index / 3, index % 3);
    Tick();
    RECT outer = *view->GetTextRect();
    AdjustWindowRectEx(&outer, 0x80080000, FALSE, 0x289);
    RECT screen, anchor;
    GetWindowRect(GetDesktopWindow(), &screen);
    InjectedAnswers::FrameBounds(anchorA, &anchor);
    const zorvane::Rect expected =
        zorvane::PlaceRect(view->Row(), view->Column(), ToCore(screen), {0, 0, 0, 0}, ToCore(anchor),
                           outer.right - outer.left, outer.bottom - outer.top, {7, 0, 7, 7});
    EXPECT_EQ(expected, ToCore(ClockRect())) << "position " << index;
  }
}

// A fullscreen program in front (by its shape or the shell's word): the
// clock hides and writes no caption, and is back at the first tick after;
// the key FullScreen=1 keeps the clock over fullscreen programs.
TEST_F(ClockViewTest, StepsAsideForFullScreenPrograms) {
  InjectedAnswers injected;
  RECT screen;
  GetWindowRect(GetDesktopWindow(), &screen);
  const int w = screen.right - screen.left, h = screen.bottom - screen.top;
  for (const char* settings : {"[Clock]\r\nTitleIN=0\r\n", "[Clock]\r\nTitleIN=1\r\n",
                               "[Clock]\r\nFullScreen=1\r\n"}) {
    SCOPED_TRACE(settings);
    const bool title = std::strstr(settings, "TitleIN=1") != nullptr;
    const bool stays = std::strstr(settings, "FullScreen=1") != nullptr;
    WriteIni(settings);
    Open();
    anchorA = MakeWindow("ViewTestWindow", "video", WS_POPUP | WS_VISIBLE, screen.left, screen.top, w, h);
    anchorB = MakeAnchor("editor", screen.left, screen.top, w, h);  // captioned, filling the screen
    MakeForeground(anchorB);
    Tick();
    EXPECT_FALSE(view->AsideForFullScreen());
    EXPECT_EQ(title ? view->DisplayText() : "editor", Caption(anchorB));

    MakeForeground(anchorA);
    Tick();
    EXPECT_EQ(!stays, view->AsideForFullScreen());
    EXPECT_EQ(!title && stays, IsWindowVisible(clock) != FALSE);
    EXPECT_EQ("video", Caption(anchorA)) << "no caption written over a fullscreen program";
    EXPECT_EQ("editor", Caption(anchorB)) << "given back as at a switch";

    // The same window one pixel short of the monitor is an ordinary anchor.
    MoveWindow(anchorA, screen.left, screen.top, w, h - 1, FALSE);
    Tick();
    EXPECT_FALSE(view->AsideForFullScreen());
    EXPECT_EQ(!title, IsWindowVisible(clock) != FALSE);
    EXPECT_EQ(title ? view->DisplayText() : "video", Caption(anchorA));

    // The shell's word: a presentation or a game (4, 3), or busy (2).
    for (int state : {4, 3, 2}) {
      InjectedAnswers::state = state;
      Tick();
      const bool aside = !stays && state != 2;
      EXPECT_EQ(aside, view->AsideForFullScreen()) << state;
      EXPECT_EQ(aside ? false : !title, IsWindowVisible(clock) != FALSE) << state;
      EXPECT_EQ(aside || !title ? "video" : view->DisplayText(), Caption(anchorA)) << state;
    }
    MakeForeground(anchorB);
    Tick();
    EXPECT_EQ(!stays, view->AsideForFullScreen());
    InjectedAnswers::state = 5;
    Tick();
    EXPECT_FALSE(view->AsideForFullScreen());
    EXPECT_EQ(!title, IsWindowVisible(clock) != FALSE);
    EXPECT_EQ(title ? view->DisplayText() : "editor", Caption(anchorB));

    // Maximised and borderless, filling the screen.
    SetWindowLongA(anchorB, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    ShowWindow(anchorB, SW_MAXIMIZE);
    MoveWindow(anchorB, screen.left, screen.top, w, h, FALSE);
    MakeForeground(anchorB);
    Tick();
    EXPECT_EQ(!stays, view->AsideForFullScreen());
    TearDown();
  }
}

TEST_F(ClockViewTest, TitleModeBorrowsTheAnchorsCaptionAndGivesItBack) {
  WriteIni("[Clock]\r\nTitleIN=1\r\n");
  Open();
  EXPECT_FALSE(IsWindowVisible(clock)) << "title mode hides the clock window";
  anchorA = MakeAnchor("Window A", 100, 100, 300, 200);
  anchorB = MakeAnchor("Window B", 500, 100, 300, 200);

  MakeForeground(anchorA);
  Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorA));
  EXPECT_FALSE(IsWindowVisible(clock));

  MakeForeground(anchorB);
  Tick();
  EXPECT_EQ("Window A", Caption(anchorA)) << "A gets its caption back on a switch";
  EXPECT_EQ(view->DisplayText(), Caption(anchorB));

  // B minimised: its caption comes back as at a switch, and nothing is
  // written until an application window is in front again.
  ShowWindow(anchorB, SW_MINIMIZE);
  Tick();
  EXPECT_EQ("Window B", Caption(anchorB));
  EXPECT_EQ("Window A", Caption(anchorA));
  ShowWindow(anchorB, SW_RESTORE);
  MakeForeground(anchorB);
  Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorB));

  // B's application retitles its window while the clock writes into it
  // (a browser goes to another page): that newer title is what comes back.
  SetWindowTextA(anchorB, "Window B, page 2");
  Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorB));
  MakeForeground(anchorA);
  Tick();
  EXPECT_EQ("Window B, page 2", Caption(anchorB));
  MakeForeground(anchorB);
  Tick();

  // Switching title mode off gives the caption back at once.
  WriteIni("[Clock]\r\nTitleIN=0\r\n");
  view->LoadTitleMode();
  EXPECT_EQ("Window B, page 2", Caption(anchorB));
  EXPECT_TRUE(IsWindowVisible(clock));

  WriteIni("[Clock]\r\nTitleIN=1\r\n");
  view->LoadTitleMode();
  Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorB));
  delete view;  // destruction gives the caption back too
  view = nullptr;
  EXPECT_EQ("Window B, page 2", Caption(anchorB));
}

// The clock appears at its first tick, after the settings dialog, and when
// title mode is switched off, always without taking the keyboard from the
// window the user works in.
TEST_F(ClockViewTest, ShowingTheClockLeavesTheUserInTheirWindow) {
  WriteIni("[Clock]\r\nTitleIN=1\r\n");
  Open();
  anchorA = MakeAnchor("Window A", 100, 100, 300, 200);
  MakeForeground(anchorA);
  WriteIni("[Clock]\r\nTitleIN=0\r\n");
  view->LoadTitleMode();
  Pump();
  EXPECT_TRUE(IsWindowVisible(clock));
  EXPECT_EQ(anchorA, GetForegroundWindow());

  ShowWindow(clock, SW_HIDE);  // as at start, and while the settings dialog is open
  MakeForeground(anchorA);
  Tick();
  EXPECT_TRUE(IsWindowVisible(clock));
  EXPECT_EQ(anchorA, GetForegroundWindow());
}

// Browsers, editors and chat programs show titles with characters that the
// system's code page may lack, and page titles of any length: each comes
// back exactly. The clock's own Japanese reaches the caption as the
// characters it stands for. A caption the clock could not read whole is
// never written over.
TEST_F(ClockViewTest, EveryTitleComesBackExactlyWhateverItsCharactersAndLength) {
  WriteIni("[Clock]\r\nTitleIN=1\r\nTimeFormat=!#W #A\r\n");
  Open();
  anchorB = MakeAnchor("Window B", 500, 100, 300, 200);
  std::wstring longTitle;
  for (int i = 0; longTitle.size() < 3000; ++i) longTitle += L"\u30DA\u30FC\u30B8" + std::to_wstring(i) + L" \U0001F4D6 ";
  const std::wstring titles[] = {
      L"Caf\u00E9 \u2615 \u4E2D\u6587 r\u00E9sum\u00E9 \u2713 \U0001F600",
      L"plain-b \u65E5\u672C\u8A9E \uD55C\uAD6D\uC5B4",
      longTitle,
  };
  for (const std::wstring& title : titles) {
    SCOPED_TRACE(title.size());
    HWND a = MakeWideAnchor(title);
    MakeForeground(a);
    Tick();
    const std::wstring shown = WideCaption(a);
    ASSERT_EQ(4u, shown.size());
    EXPECT_NE(std::wstring::npos, std::wstring(L"\u65E5\u6708\u706B\u6C34\u6728\u91D1\u571F").find(shown[0]))
        << "the weekday";
    EXPECT_TRUE(shown.substr(1) == L" \u5348\u524D" || shown.substr(1) == L" \u5348\u5F8C") << "午前 or 午後";
    MakeForeground(anchorB);
    Tick();
    EXPECT_TRUE(title == WideCaption(a)) << "came back with " << WideCaption(a).size() << " characters";
    DestroyWindow(a);
  }

  HWND cut = MakeWideAnchor(L"a title longer than it says");
  understated = cut;
  MakeForeground(cut);
  Tick();
  Tick();
  EXPECT_TRUE(L"a title longer than it says" == WideCaption(cut));
  understated = nullptr;
  DestroyWindow(cut);
}

// Under the user interface privilege isolation, the window of an elevated
// program (Task Manager for an administrator) answers the clock's reads but
// refuses its WM_SETTEXT with "access denied". Such a window is not
// borrowed: the clock shows its own window, docked to it, and nothing is
// owed. Wine has no integrity levels, so the refusal is injected.
HWND refusingWindow = nullptr;

int blockingSends = 0;  // SMTO_BLOCK: an anchor sending to the clock meanwhile would wait out the timeout

LRESULT WINAPI SendRefusingWrites(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT flags, UINT timeout, PDWORD_PTR result) {
  if (flags & SMTO_BLOCK) ++blockingSends;
  if (w == refusingWindow && m == WM_SETTEXT) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  return SendMessageTimeoutW(w, m, wp, lp, flags, timeout, result);
}

// The real system's answers, but for the send to other programs' windows.
struct InjectedSend {
  explicit InjectedSend(decltype(system_answers::Answers::send) send) { answers.send = send; }
  system_answers::Answers answers = system_answers::Real();
  system_answers::Override use{answers};
};

TEST_F(ClockViewTest, AWindowThatRefusesTheCaptionGetsTheClockWindowInstead) {
  InjectedSend injected(SendRefusingWrites);
  WriteIni("[Clock]\r\nTitleIN=1\r\n");
  Open();
  anchorA = MakeAnchor("elevated program", 300, 250, 500, 300);
  anchorB = MakeAnchor("Window B", 500, 100, 300, 200);
  refusingWindow = anchorA;
  for (int round = 0; round < 2; ++round) {
    MakeForeground(anchorA);
    Tick();
    Tick();
    EXPECT_EQ("elevated program", Caption(anchorA));
    EXPECT_TRUE(IsWindowVisible(clock)) << "the time must show somewhere";
    EXPECT_FALSE(view->KeepsHidden()) << "the clock window would refuse to be shown";
    RECT a{};
    GetWindowRect(anchorA, &a);
    EXPECT_EQ(a.left, ClockRect().left);
    EXPECT_EQ(a.top, ClockRect().bottom) << "docked above the anchor";

    MakeForeground(anchorB);
    Tick();
    EXPECT_EQ(view->DisplayText(), Caption(anchorB));
    EXPECT_FALSE(IsWindowVisible(clock));
    EXPECT_TRUE(view->KeepsHidden());
    EXPECT_EQ("elevated program", Caption(anchorA));
  }
  delete view;
  view = nullptr;
  EXPECT_EQ("Window B", Caption(anchorB));
  refusingWindow = nullptr;
  EXPECT_EQ(blockingSends, 0);
}

// However many windows still owe their caption because they did not answer
// the give-back, each gets it back once it answers again: none is dropped
// to make room. The windows' silence is injected, so that a dozen of them
// cost no waiting.
std::set<HWND> silentWindows;

LRESULT WINAPI SendUnlessSilent(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT flags, UINT timeout, PDWORD_PTR result) {
  if (silentWindows.count(w) != 0) {
    SetLastError(ERROR_TIMEOUT);
    return 0;
  }
  return SendMessageTimeoutW(w, m, wp, lp, flags, timeout, result);
}

TEST(BorrowedCaptionsTest, EveryPendingGiveBackIsKeptUntilItsWindowAnswers) {
  InjectedSend injected(SendUnlessSilent);
  std::vector<HWND> windows;
  {
    BorrowedCaptions captions;
    const text::WideText clockText = text::FromOwn("12:00:00");
    for (int i = 0; i < 12; ++i) {
      windows.push_back(MakeWideAnchor(L"application " + std::to_wstring(i) + L" \U0001F600"));
      captions.Show(windows.back(), clockText);
      EXPECT_TRUE(L"12:00:00" == WideCaption(windows.back()));
      silentWindows.insert(windows.back());
    }
    captions.GiveBack();
    EXPECT_EQ(12u, captions.Pending());
    captions.RetryPending();
    EXPECT_EQ(12u, captions.Pending());
    silentWindows.clear();
    captions.RetryPending();
    EXPECT_EQ(0u, captions.Pending());
  }
  for (size_t i = 0; i < windows.size(); ++i) {
    EXPECT_TRUE(L"application " + std::to_wstring(i) + L" \U0001F600" == WideCaption(windows[i])) << i;
    DestroyWindow(windows[i]);
  }
}

// The clock writes no caption in normal mode, so it gives none back: an
// editor that marked its title "*" after the user typed keeps it.
TEST_F(ClockViewTest, NormalModeLeavesTheApplicationsOwnTitleChanges) {
  Open();
  anchorA = MakeAnchor("original", 100, 100, 300, 200);
  anchorB = MakeAnchor("other", 500, 100, 300, 200);
  MakeForeground(anchorA);
  Tick();
  EXPECT_TRUE(IsWindowVisible(clock));
  SetWindowTextA(anchorA, "changed by its application");
  MakeForeground(anchorB);
  Tick();
  EXPECT_EQ("changed by its application", Caption(anchorA));
  delete view;
  view = nullptr;
  EXPECT_EQ("changed by its application", Caption(anchorA));
}

// A program that does not answer (busy loading a file) must neither stop
// the clock nor lose its caption, in either mode: a tick waits a bounded
// time, a caption that could not be read is never written over, and a
// give-back that could not be delivered is delivered once the program
// answers again, at a later tick or at exit.
TEST_F(ClockViewTest, AHungAnchorNeitherStopsTheClockNorLosesItsCaption) {
  const auto boundedTick = [this] {
    const auto start = std::chrono::steady_clock::now();
    Tick();
    return std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1500);
  };

  for (const char* mode : {"[Clock]\r\nTitleIN=0\r\n", "[Clock]\r\nTitleIN=1\r\n"}) {
    SCOPED_TRACE(mode);
    const bool titleMode = mode[sizeof "[Clock]\r\nTitleIN=" - 1] == '1';
    WriteIni(mode);
    Open();
    anchorB = MakeAnchor("next", 500, 100, 300, 200);

    // Hung when first seen: its caption cannot be read, so it is not written.
    {
      BusyApplication busy("busy application");
      MakeForeground(busy.Window());
      busy.Hang();
      EXPECT_TRUE(boundedTick()) << "a tick must not wait on a hung window";
      EXPECT_TRUE(boundedTick());
      EXPECT_EQ("busy application", Shown(busy.Window()));
      busy.Wake();
      Tick();  // answers again: read, then written in title mode
      EXPECT_EQ(titleMode ? view->DisplayText() : "busy application", Shown(busy.Window()));
      MakeForeground(anchorB);
      Tick();
      EXPECT_EQ("busy application", Shown(busy.Window()));
    }

    // Answers, but too slowly to hand out its caption: never written over,
    // though a write would be answered.
    {
      BusyApplication busy("slow to answer");
      slowReader = busy.Window();
      MakeForeground(busy.Window());
      EXPECT_TRUE(boundedTick());
      EXPECT_TRUE(boundedTick());
      EXPECT_EQ("slow to answer", Shown(busy.Window()));
      slowReader = nullptr;
      MakeForeground(anchorB);
      Tick();
      EXPECT_EQ("slow to answer", Shown(busy.Window()));
    }

    // Hung after the clock wrote into it: the give-back at the switch times
    // out, and arrives at a later tick once the program answers.
    {
      BusyApplication busy("loading a file");
      MakeForeground(busy.Window());
      Tick();
      busy.Hang();
      MakeForeground(anchorB);
      EXPECT_TRUE(boundedTick());
      EXPECT_EQ(titleMode ? view->DisplayText() : "loading a file", Shown(busy.Window()));
      busy.Wake();
      Tick();
      EXPECT_EQ("loading a file", Shown(busy.Window()));
    }

    // Still hung when the clock ends: the exit waits a little for it.
    {
      BusyApplication busy("saving a file");
      MakeForeground(busy.Window());
      Tick();
      busy.Hang(600);  // wakes by itself while the exit waits
      MakeForeground(anchorB);
      EXPECT_TRUE(boundedTick());
      const auto start = std::chrono::steady_clock::now();
      delete view;
      view = nullptr;
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
      EXPECT_EQ("saving a file", Shown(busy.Window()));
      EXPECT_EQ("next", Caption(anchorB));
    }
    TearDown();
  }
}

// Only reports of the anchor's own window or the foreground are followed, a burst as one move.
TEST_F(ClockViewTest, FollowsWhatTheSystemReportsOfTheAnchor) {
  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\n");  // a text that never changes
  Open();
  AnchorTracker& tracker = view->Anchor();
  view->ListenToAnchor(true);
  anchorA = MakeAnchor("Window A", 300, 250, 500, 300);
  anchorB = MakeAnchor("Window B", 500, 100, 300, 200);
  MakeForeground(anchorA);
  Tick();
  EXPECT_EQ(GetCurrentProcessId(), tracker.HookedProcess()) << "the anchor's program";
  view->ListenToAnchor(false);  // from here on the test hands in every event
  EXPECT_EQ(0, AnchorTracker::LiveHooks());

  const auto settled = [&] {  // the asked-for placement made, within 2 s
    for (const DWORD start = GetTickCount(); tracker.FollowAsked() && GetTickCount() - start < 2000; Pump())
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    return !tracker.FollowAsked();
  };
  const LONG W = OBJID_WINDOW;
  const struct { DWORD event; HWND window; LONG object; bool follows; } events[] = {
      {EVENT_OBJECT_LOCATIONCHANGE, anchorA, W, true}, {EVENT_OBJECT_LOCATIONCHANGE, anchorA, OBJID_CARET, false},
      {EVENT_OBJECT_LOCATIONCHANGE, anchorA, OBJID_CURSOR, false}, {EVENT_OBJECT_LOCATIONCHANGE, anchorB, W, false},
      {EVENT_OBJECT_LOCATIONCHANGE, clock, W, false}, {EVENT_OBJECT_NAMECHANGE, anchorA, W, false},
      {EVENT_SYSTEM_MINIMIZESTART, anchorA, W, true}, {EVENT_SYSTEM_MINIMIZEEND, anchorA, W, true},
      {EVENT_SYSTEM_MINIMIZESTART, anchorB, W, false}, {EVENT_OBJECT_HIDE, anchorA, W, true},
      {EVENT_OBJECT_SHOW, anchorA, W, true}, {EVENT_OBJECT_DESTROY, anchorA, W, true},
      {0x8017, anchorA, W, true}, {0x8018, anchorA, W, true},  // cloaked, uncloaked
      {EVENT_SYSTEM_FOREGROUND, anchorB, W, true}, {EVENT_SYSTEM_FOREGROUND, clock, W, false}};
  for (const auto& e : events) {
    const int follows = SentTo(clock).follows;
    tracker.OnEvent(e.event, e.window, e.object, CHILDID_SELF);
    EXPECT_TRUE(settled());
    EXPECT_EQ(follows + e.follows, SentTo(clock).follows) << std::hex << e.event << " " << &e - events;
  }

  // A drag: ten reports before the clock's thread gets to them, and no drawing.
  const unsigned drawings = view->CallsSoFar().drawings;
  const int follows = SentTo(clock).follows;
  MoveWindow(anchorA, 340, 270, 500, 300, TRUE);
  for (int i = 0; i < 10; ++i) tracker.OnEvent(EVENT_OBJECT_LOCATIONCHANGE, anchorA, W, CHILDID_SELF);
  EXPECT_TRUE(settled());
  EXPECT_EQ(follows + 1, SentTo(clock).follows);
  EXPECT_EQ(drawings, view->CallsSoFar().drawings);
  EXPECT_EQ(340, ClockRect().left);
}

// Twice a second, and nothing has changed: the text is the same, the
// anchor is still. Such a tick asks nothing of the taskbar, draws nothing,
// moves nothing and writes no caption; each change costs its own work once.
TEST_F(ClockViewTest, ATickThatChangesNothingCostsNothing) {
  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\n");  // a text that never changes
  Open();
  anchorA = MakeAnchor("Window A", 300, 250, 500, 300);
  MakeForeground(anchorA);
  Tick();
  ClockView::Calls before = view->CallsSoFar();
  int moves = SentTo(clock).moves;
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(before.taskbarQueries, view->CallsSoFar().taskbarQueries);
  EXPECT_EQ(before.drawings, view->CallsSoFar().drawings);
  EXPECT_EQ(moves, SentTo(clock).moves);
  EXPECT_EQ(0, SentTo(anchorA).captions);

  MoveWindow(anchorA, 200, 250, 500, 300, TRUE);  // the user drags the window
  Tick();
  Tick();
  EXPECT_EQ(moves + 1, SentTo(clock).moves) << "one move follows the anchor";
  EXPECT_EQ(before.drawings, view->CallsSoFar().drawings) << "a move needs no new picture";

  view->SetPosition(zorvane::Taskbar, view->Column());  // only this row asks for the taskbar, at every tick
  Tick();
  Tick();
  EXPECT_EQ(before.taskbarQueries + 2, view->CallsSoFar().taskbarQueries);
  view->SetPosition(zorvane::TopOutside, view->Column());

  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\nTitleIN=1\r\n");  // applied as a whole
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(view->DisplayText(), Caption(anchorA));
  EXPECT_EQ(1, SentTo(anchorA).captions) << "one caption write per change of text";

  WriteIni("[Clock]\r\nTimeFormat=!Zorvane 2\r\nTitleIN=1\r\n");
  Tick();
  Tick();
  EXPECT_EQ(2, SentTo(anchorA).captions);
  EXPECT_EQ(before.drawings + 2, view->CallsSoFar().drawings) << "one drawing per text";
}

// When the text grows by a character (second 9 to second 10), the same tick
// measures the longer text, widens the window at its docked place and draws
// the whole text into a picture of the new size.
TEST_F(ClockViewTest, AGrowingTextWidensEverythingOnOneTickAndALongFormatIsCut) {
  WriteIni("[Clock]\r\nTimeFormat=!%s\r\n");
  Open();
  anchorA = MakeAnchor("Window A", 300, 250, 500, 300);
  MakeForeground(anchorA);
  const std::time_t nine = 1025701509;  // some minute's ninth second in any zone
  view->SetTime(nine, 0);
  view->Render();
  Pump();
  ASSERT_STREQ("9", view->DisplayText());
  const LONG narrow = view->GetTextRect()->right;

  view->SetTime(nine + 1, 0);
  view->Render();
  Pump();
  ASSERT_STREQ("10", view->DisplayText());
  const RECT text = *view->GetTextRect();
  EXPECT_GT(text.right, narrow);
  RECT client;
  GetClientRect(clock, &client);
  EXPECT_EQ(text.right, client.right);
  EXPECT_EQ(text.bottom, client.bottom);
  RECT outer = text, screen, anchor;
  AdjustWindowRectEx(&outer, window_style::Style(), FALSE, window_style::kExStyle);
  GetWindowRect(GetDesktopWindow(), &screen);
  GetWindowRect(anchorA, &anchor);
  EXPECT_EQ(zorvane::PlaceRect(view->Row(), view->Column(), ToCore(screen), zorvane::Rect{0, 0, 0, 0},
                               ToCore(anchor), outer.right - outer.left, outer.bottom - outer.top),
            ToCore(ClockRect()));

  BITMAP held{};
  ASSERT_NE(0, GetObjectA(view->GetBitmap(), sizeof held, &held));
  EXPECT_EQ(text.right, held.bmWidth);
  EXPECT_EQ(text.bottom, held.bmHeight);
  // The "0" stands in the right half: some of its pixels are in the text's
  // colour (white on the default black).
  int lit = 0;
  for (int x = text.right / 2; x < text.right; ++x)
    for (int y = 0; y < text.bottom; ++y) lit += GetPixel(view->PictureDC(), x, y) == RGB(255, 255, 255);
  EXPECT_GT(lit, 0) << "the new character is not in the picture";

  // A stored format longer than the settings reader returns shows cut to
  // its first 254 bytes: 255 come back, less the lead-in.
  WriteIni("[Clock]\r\nTimeFormat=!" + std::string(300, 'x') + "\r\n");
  view->LoadFormat();
  view->Render();
  EXPECT_EQ(std::string(254, 'x'), view->DisplayText());
}

// The stored sizes are pixels at 100 %: the font is made at the window's
// DPI (21 pixels for 14 at 150 %), made again when the window moves to a
// monitor of another scale, and the old font is deleted exactly once.
TEST_F(ClockViewTest, TheFontFollowsTheDisplayScale) {
  Open();
  const UINT dpi = view->Dpi();
  LOGFONTA lf{};
  ASSERT_NE(nullptr, view->Font());
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(MulDiv(14, static_cast<int>(dpi), 96), lf.lfHeight) << "at " << dpi << " DPI";
  if (dpi == 144) {
    EXPECT_EQ(21, lf.lfHeight);
  }
  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  const LONG height = view->GetTextRect()->bottom;

  const int live = gdi::LiveObjects();
  view->ChangeDpi(dpi * 2);
  EXPECT_EQ(live, gdi::LiveObjects()) << "the old font is deleted";
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(MulDiv(14, static_cast<int>(dpi) * 2, 96), lf.lfHeight);
  Tick();
  EXPECT_GE(view->GetTextRect()->bottom, height * 2 - 2) << "measured again in the new font";
  // Placed from the new text, framed for the new DPI (the window itself
  // stays at the system's DPI in this test).
  RECT outer = *view->GetTextRect();
  dpi::AdjustWindowRect(outer, window_style::Style(), window_style::kExStyle, dpi * 2);
  const RECT r = ClockRect();
  EXPECT_EQ(outer.bottom - outer.top, r.bottom - r.top);
  EXPECT_EQ(outer.right - outer.left, r.right - r.left);
}

// The drawing's own move can bring a scale change (WM_DPICHANGED) while
// the font is selected into the picture, and a caption write answers
// messages sent to the clock while the send holds a loan: throughout
// both the view says it is busy, so that the clock window keeps that work
// until the call has returned.
TEST_F(ClockViewTest, TheViewIsBusyThroughItsDrawingsMoveAndItsCaptionSends) {
  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\n");  // a text that never changes
  Open();
  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  EXPECT_FALSE(view->Busy());
  busyView = view;
  busyWindow = clock;
  view->LoadBrush();  // the next tick draws,
  MoveWindow(anchorA, 320, 300, 400, 200, TRUE);  // and moves
  Tick();
  EXPECT_EQ(1, busySeen) << "in the move";
  EXPECT_EQ(0, idleSeen);

  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\nTitleIN=1\r\n");
  view->LoadTitleMode();
  busyWindow = anchorA;
  busySeen = idleSeen = 0;
  Tick();
  EXPECT_GE(busySeen, 1) << "in the caption write";
  EXPECT_EQ(0, idleSeen);
  EXPECT_FALSE(view->Busy());
  busyWindow = nullptr;
  busyView = nullptr;
}

// theme): the placement is made again though nothing else changed.
TEST_F(ClockViewTest, AMetricsChangeFramesTheClockAgain) {
  WriteIni("[Clock]\r\nTimeFormat=!Zorvane\r\n");
  Open();
  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  const RECT before = ClockRect();
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  const NONCLIENTMETRICSA original = metrics;
  metrics.iSmCaptionHeight += 10;
  ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  view->DisplayChanged();
  Tick();
  const RECT after = ClockRect();
  SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof original, const_cast<NONCLIENTMETRICSA*>(&original), 0);
  EXPECT_GT(after.bottom - after.top, before.bottom - before.top) << "the taller caption is framed";
  EXPECT_EQ(after.bottom, 300) << "still standing on the anchor";
}

TEST_F(ClockViewTest, DefaultsAreWhiteOnBlackInTheDefaultFace) {
  Open();
  EXPECT_EQ(RGB(255, 255, 255), view->TextColor());
  EXPECT_EQ(RGB(0, 0, 0), view->BackColor());
  ASSERT_NE(nullptr, view->Brush());
  ASSERT_NE(nullptr, view->Font());
  LOGFONTA lf{};
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(dpi::Scale(14, view->Dpi()), lf.lfHeight);  // 14 at 100 %
  EXPECT_EQ(400, lf.lfWeight);
  EXPECT_EQ(SHIFTJIS_CHARSET, lf.lfCharSet);
  EXPECT_STREQ("ＭＳ Ｐゴシック", lf.lfFaceName);
  // The face is proportional: a font asked for with a fixed pitch may be
  // drawn in another face by Windows' font mapper.
  EXPECT_EQ(DEFAULT_PITCH, lf.lfPitchAndFamily & 3);

  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  // The clock's font gives the face that the name alone gives (Wine draws
  // its replacement, IPAPGothic, under the name).
  wchar_t drawn[LF_FACESIZE] = {}, named[LF_FACESIZE] = {};
  {
    LOGFONTW byName{};
    std::wcscpy(byName.lfFaceName, L"ＭＳ Ｐゴシック");
    gdi::Font font(CreateFontIndirectW(&byName));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.Get());
    GetTextFaceW(dc, LF_FACESIZE, named);
    SelectObject(dc, view->Font());
    GetTextFaceW(dc, LF_FACESIZE, drawn);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  EXPECT_STREQ(named, drawn) << "the face drawn is not the face named";
  // Default format: "yyyy/mm/dd(Www) hh:mm:ss".
  EXPECT_EQ(24u, std::strlen(view->DisplayText())) << view->DisplayText();

  // The picture: black background, some white text.
  const RECT* text = view->GetTextRect();
  int white = 0, black = 0;
  for (int y = 0; y < text->bottom; ++y)
    for (int x = 0; x < text->right; ++x) {
      const COLORREF c = GetPixel(view->PictureDC(), x, y);
      white += c == RGB(255, 255, 255);
      black += c == RGB(0, 0, 0);
    }
  EXPECT_GT(white, 0);
  EXPECT_GT(black, white);
}

// What one picture holds, pixel by pixel.
std::vector<COLORREF> PictureOf(const ClockView& v) {
  std::vector<COLORREF> pixels;
  const RECT* r = v.GetTextRect();
  for (int y = 0; y < r->bottom; ++y)
    for (int x = 0; x < r->right; ++x) pixels.push_back(GetPixel(v.PictureDC(), x, y));
  return pixels;
}

// The picture is drawn again into the same bitmap while its size stays the
// same; without a background brush nothing of the earlier text may show.
TEST_F(ClockViewTest, ARedrawnPictureLooksLikeANewOne) {
  for (const char* brush : {"[Brush]\r\nColor=4294967295\r\n", "[Brush]\r\nColor=255\r\n"}) {
    SCOPED_TRACE(brush);
    WriteIni(std::string(brush) + "[Clock]\r\nTimeFormat=!2222\r\n");
    Open();
    Tick();
    const std::vector<COLORREF> fresh = PictureOf(*view);
    TearDown();

    WriteIni(std::string(brush) + "[Clock]\r\nTimeFormat=!1111\r\n");
    Open();
    Tick();
    WriteIni(std::string(brush) + "[Clock]\r\nTimeFormat=!2222\r\n");
    view->LoadFormat();
    Tick();
    EXPECT_TRUE(fresh == PictureOf(*view)) << "the earlier text shows through";
    TearDown();
  }
}

// High contrast draws in the system's colours; the stored pair comes back after (the switch is injected).
TEST_F(ClockViewTest, HighContrastDrawsInTheSystemsColours) {
  WriteIni("[Clock]\r\nText=255\r\n[Brush]\r\nColor=65280\r\n");
  static bool contrast;
  system_answers::Answers answers = system_answers::Real();
  answers.highContrast = [] { return contrast; };
  system_answers::Override use{answers};
  Open();
  for (bool on : {true, false, true}) {
    contrast = on;
    view->DisplayChanged();  // as WM_SETTINGCHANGE with SPI_SETHIGHCONTRAST
    Tick();
    const std::vector<COLORREF> p = PictureOf(*view);
    const auto text = std::count(p.begin(), p.end(), on ? GetSysColor(COLOR_WINDOWTEXT) : RGB(255, 0, 0));
    EXPECT_GT(std::count(p.begin(), p.end(), on ? GetSysColor(COLOR_WINDOW) : RGB(0, 255, 0)), text) << on;
    EXPECT_GT(text, 0) << on;
  }
}

TEST_F(ClockViewTest, SettingsThatTurnDrawingObjectsOff) {
  WriteIni(
      "[Brush]\r\nColor=4294967295\r\n"
      "[Font]\r\nHeighr=0\r\nItalic=1\r\n");
  Open();
  EXPECT_EQ(nullptr, view->Brush()) << "-1 means no background brush";
  EXPECT_EQ(static_cast<COLORREF>(-1), view->BackColor());
  EXPECT_EQ(nullptr, view->Font()) << "height 0 means the context's own font";

  WriteIni(
      "[Font]\r\nHeighr=-20\r\nItalic=256\r\nULine=257\r\n"
      "Name=ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴ\r\n");
  view->LoadFont();
  LOGFONTA lf{};
  ASSERT_NE(nullptr, view->Font());
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(MulDiv(-20, static_cast<int>(view->Dpi()), 96), lf.lfHeight);
  EXPECT_EQ(0, lf.lfItalic) << "only the low byte counts";
  EXPECT_EQ(1, lf.lfUnderline);
  // Cut to 31 bytes at a character boundary: 15 two-byte characters.
  EXPECT_EQ(30u, std::strlen(lf.lfFaceName));

  // A face for vertical writing, stored by hand, still loads.
  WriteIni("[Font]\r\nName=@ＭＳ Ｐゴシック\r\n");
  view->LoadFont();
  LOGFONTW wide{};
  GetObjectW(view->Font(), sizeof wide, &wide);
  EXPECT_STREQ(L"@ＭＳ Ｐゴシック", wide.lfFaceName);

  // Sizes beyond the bound (a damaged file; the first of several Heighr
  // lines counts) are unreadable and take the defaults, 14 and 0.
  WriteIni("[Font]\r\nHeighr=65536\r\nHeighr=20\r\nWidth=-100000\r\n");
  view->LoadFont();
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(MulDiv(14, static_cast<int>(view->Dpi()), 96), lf.lfHeight);
  EXPECT_EQ(0, lf.lfWidth);
}

// New settings are taken up as a whole: the view remakes what changed and
// keeps the rest; title mode on hides the clock window, off shows it.
TEST_F(ClockViewTest, AppliedSettingsRemakeOnlyWhatChanged) {
  Open();
  zorvane::Settings s = view->CurrentSettings();
  const HFONT font = view->Font();
  const HBRUSH brush = view->Brush();
  view->Apply(s);
  EXPECT_EQ(font, view->Font());
  EXPECT_EQ(brush, view->Brush());

  s.font.weight = 700;
  s.clock.titleIn = 1;
  view->Apply(s);
  LOGFONTA lf{};
  GetObjectA(view->Font(), sizeof lf, &lf);
  EXPECT_EQ(700, lf.lfWeight);
  EXPECT_EQ(brush, view->Brush());
  EXPECT_FALSE(IsWindowVisible(clock));

  const HFONT bold = view->Font();
  s.brush.color = 0x00FF00;
  s.clock.titleIn = 0;
  view->Apply(s);
  EXPECT_EQ(bold, view->Font());
  EXPECT_EQ(COLORREF{0x00FF00}, view->BackColor());
  EXPECT_TRUE(IsWindowVisible(clock));
}

TEST_F(ClockViewTest, TwentyThousandTicksLeakNothing) {
  Open();
  anchorA = MakeAnchor("anchor", 300, 300, 400, 200);
  MakeForeground(anchorA);
  Tick();
  const int live = gdi::LiveObjects();
  const auto start = std::chrono::steady_clock::now();
  constexpr int kTicks = 20000;
  const unsigned drawings = view->CallsSoFar().drawings;
  for (int i = 0; i < kTicks; ++i) {
    // Every tenth tick gets a new brush, so a tenth of the ticks draw a
    // new picture, as a tick does whenever the text changes.
    if (i % 10 == 0) view->LoadBrush();
    view->ReadTime();
    view->Render();
    if (i % 64 == 0) Pump();
  }
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - start).count();
  std::printf("[ measure  ] one tick (ReadTime + Render, a tenth of them drawing): %.1f us\n",
              double(us) / kTicks);
  EXPECT_GE(view->CallsSoFar().drawings - drawings, unsigned(kTicks / 10));
  EXPECT_EQ(live, gdi::LiveObjects());
  EXPECT_NE(nullptr, view->GetBitmap()) << "renders still succeed";
  EXPECT_GT(view->GetTextRect()->right, 0);
}
