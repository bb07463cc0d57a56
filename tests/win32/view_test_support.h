#pragma once
// What the tests of the clock view and its parts share: test windows that
// count what they were sent, anchors of several kinds, an application that
// stops answering, injected system answers, and a clock window with the
// program's own style and a view attached.

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/dpi.h"
#include "app/gdi.h"
#include "app/system_answers.h"
#include "clock/clock_view.h"
#include "clock/window_style.h"
#include "settings/clock_settings.h"
#include "test_support.h"

namespace view_testing {

using namespace testing_support;

// What the test windows were sent, by window: moves (SetWindowPos always
// sends WM_WINDOWPOSCHANGING, even when nothing changes) and captions.
struct Sent {
  int moves = 0;
  int captions = 0;
  int follows = 0;  // placements the anchor's events asked for
};
inline std::mutex sentLock;
inline std::map<HWND, Sent> sent;

inline Sent SentTo(HWND w) {
  std::lock_guard<std::mutex> lock(sentLock);
  return sent[w];
}

// A window whose program answers every other message at once but takes
// longer than the clock waits to hand out its caption.
inline std::atomic<HWND> slowReader{nullptr};

// Whether the view was busy when this window was moved or sent a caption.
inline ClockView* busyView = nullptr;
inline HWND busyWindow = nullptr;
inline int busySeen = 0, idleSeen = 0;

inline ClockView* followingView = nullptr;  // follows the anchor, as the clock window's handler does

inline LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
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

inline void RegisterTestClasses() {
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

inline HWND MakeWindow(const char* className, const char* caption, DWORD style, int x, int y, int w, int h,
                DWORD exStyle = 0) {
  RegisterTestClasses();
  return CreateWindowExA(exStyle, className, caption, style, x, y, w, h, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

inline HWND MakeAnchor(const char* caption, int x, int y, int w, int h) {
  RegisterTestClasses();
  HWND a = CreateWindowExA(0, "ViewTestWindow", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, w,
                           h, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  return a;
}

// Unicode windows, as browsers and editors make them: their captions hold
// any character. `understated`, when set, answers WM_GETTEXTLENGTH with less
// than its caption holds, as a program whose title grows between two
// messages may seem to.
inline std::atomic<HWND> understated{nullptr};

inline LRESULT CALLBACK WideProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_GETTEXTLENGTH && w == understated.load()) return 3;
  return DefWindowProcW(w, m, wp, lp);
}

inline HWND MakeWideAnchor(const std::wstring& caption) {
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
inline std::wstring WideCaption(HWND w) {
  std::wstring text(1 << 16, L'\0');
  text.resize(static_cast<size_t>(InternalGetWindowText(w, &text[0], static_cast<int>(text.size()))));
  return text;
}

inline std::string Caption(HWND w) {
  char text[1024] = {};
  GetWindowTextA(w, text, sizeof text);
  return text;
}

// The caption as the system holds it, without a message to the window: a
// window whose thread does not pump cannot answer WM_GETTEXT.
inline std::string Shown(HWND w) {
  wchar_t wide[1024] = {};
  const int n = InternalGetWindowText(w, wide, 1024);
  char text[2048] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, n, text, sizeof text - 1, nullptr, nullptr);
  return text;
}

inline void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

inline void MakeForeground(HWND w) {
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

inline zorvane::Rect ToCore(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

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

}  // namespace view_testing
