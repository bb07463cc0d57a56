#pragma once
// The end-to-end driver: a separate process that starts the real Zorvane.exe
// and acts on it as a user would. It owns the application windows that the
// clock docks to, moves and activates them, and looks at the clock from the
// outside (window rectangles, styles, captions, tray icons, exit codes).

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/placement.h"
#include "res/resource.h"
#include "tests/test_files.h"

namespace e2e {

constexpr DWORD kExStyle = 0x289;          // modal frame, topmost, tool window, client edge
constexpr DWORD kStyleCaption = 0x80C80000;  // popup, system menu, caption
constexpr DWORD kStyleBare = 0x80080000;     // popup, system menu (Title=0)
constexpr UINT kTrayIconId = 100;
constexpr UINT kTrayCallback = 0x1400;  // the tray icon's messages to the clock

// ---------------------------------------------------------------- polling

// Polls `check` every 50 ms until it holds or `timeoutMs` has passed; the
// last result (with its message) is returned either way.
template <class Check>
::testing::AssertionResult Eventually(Check check, DWORD timeoutMs = 5000) {
  const DWORD start = GetTickCount();
  for (;;) {
    ::testing::AssertionResult result = check();
    if (result || GetTickCount() - start >= timeoutMs) return result;
    Sleep(50);
  }
}

// Polls `check` every 50 ms for `ms` and fails as soon as it does not hold.
template <class Check>
::testing::AssertionResult Throughout(Check check, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    ::testing::AssertionResult result = check();
    if (!result || GetTickCount() - start >= ms) return result;
    Sleep(50);
  }
}

inline ::testing::AssertionResult Holds(bool ok, const std::string& what) {
  return ok ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << what;
}

// ---------------------------------------------------------------- windows

inline zorvane::Rect RectOf(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return {r.left, r.top, r.right, r.bottom};
}

inline std::string Show(const zorvane::Rect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

inline std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

inline std::string TextOf(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// A caption whole, as the system holds it in UTF-16: it may have no form in
// the driver's code page, and may be longer than 1023 characters.
inline std::wstring WideTextOf(HWND window) {
  std::wstring text(1 << 16, L'\0');
  text.resize(static_cast<size_t>(InternalGetWindowText(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

// For failure messages: a wide text in UTF-8.
inline std::string Utf8(const std::wstring& wide) {
  std::string out(wide.size() * 4 + 1, '\0');
  out.resize(static_cast<size_t>(
      WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), &out[0],
                          static_cast<int>(out.size()), nullptr, nullptr)));
  return out;
}

inline DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// For failure messages: a window's class, caption and process.
inline std::string Describe(HWND window) {
  if (!window) return "no window";
  return "window \"" + TextOf(window) + "\" of class " + ClassOf(window) + ", process " +
         std::to_string(ProcessOf(window)) + (IsWindowVisible(window) ? "" : ", hidden");
}

// Every top-level window, hidden ones included.
inline std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> all;
  EnumWindows([](HWND w, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&all));
  return all;
}

// Top-level windows of a class; of one process when `pid` is not 0.
inline std::vector<HWND> WindowsOfClass(const std::string& cls, DWORD pid = 0) {
  std::vector<HWND> found;
  for (HWND w : TopLevelWindows())
    if (ClassOf(w) == cls && (pid == 0 || ProcessOf(w) == pid)) found.push_back(w);
  return found;
}

inline zorvane::Rect ScreenRect() { return RectOf(GetDesktopWindow()); }

// The taskbar as the system reports it; false when the query fails. Wine's
// virtual desktop (which the test prefix uses) answers every query with the
// same strip along the screen's bottom, with or without a window or a tray
// icon in the session; without that desktop the query can fail.
inline bool TaskbarRect(zorvane::Rect* taskbar) {
  APPBARDATA data = {};
  data.cbSize = sizeof data;
  if (!SHAppBarMessage(ABM_GETTASKBARPOS, &data)) return false;
  *taskbar = {data.rc.left, data.rc.top, data.rc.right, data.rc.bottom};
  return true;
}

// ---------------------------------------------------------------- tray

// Whether the notification area shows any icon. Wine's explorer draws it in
// one of two ways here (no window manager, no XEmbed tray):
// - while the session has application windows (the driver's anchors), in
//   its taskbar, the top-level window "Shell_TrayWnd" at the screen's bottom,
//   which is visible only while it holds icons and has no window per icon;
// - otherwise in a top-level window "__winex11_standalone_tray" ("Wine
//   System Tray"), with one child "__winex11_tray_icon" per icon.
// The driver itself adds no icon, so this tells whether the clock's is shown.
inline bool TrayIconsShown() {
  for (HWND top : TopLevelWindows()) {
    if (!IsWindowVisible(top)) continue;
    const std::string cls = ClassOf(top);
    if (cls == "Shell_TrayWnd" || cls == "__winex11_standalone_tray") return true;
  }
  return false;
}

// Asks the shell whether it holds the icon (`owner`, `id`): a modify that
// changes nothing succeeds exactly when the icon exists.
inline bool ShellHasIcon(HWND owner, UINT id) {
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = id;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// ---------------------------------------------------------------- anchors

// Ordinary captioned application windows that the driver owns, on a thread
// of their own that pumps messages all the time: the clock reads and writes
// their captions with cross-process WM_GETTEXT / WM_SETTEXT. They are
// Unicode windows, as browsers and editors make them, so their captions can
// hold any character.
class AnchorWindows {
 public:
  struct Layout {
    const char* caption;
    zorvane::Rect rect;
    // Another style (a borderless window, one created hidden or minimised)
    // or class (one of the shell's, such as "Shell_TrayWnd").
    DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    const char* className = nullptr;
  };

  explicit AnchorWindows(std::vector<Layout> layouts) : layouts_(std::move(layouts)) {
    thread_ = std::thread([this] { Run(); });
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return windows_.size() == layouts_.size(); });
  }

  ~AnchorWindows() {
    for (HWND w : windows_) SendMessageA(w, WM_CLOSE, 0, 0);
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }

  HWND operator[](size_t i) const { return windows_[i]; }

  // A click on the window: brings it to the foreground.
  void Click(HWND w) const { SendMessageA(w, kActivate, 0, 0); }

  // Clicks the window and waits until it is in front.
  ::testing::AssertionResult Activate(HWND w) const {
    Click(w);
    return Eventually([w] {
      const HWND front = GetForegroundWindow();
      return Holds(front == w, "the anchor did not become the foreground window; " + Describe(front) + " is");
    });
  }

  // Brings the window to the foreground as it is: hidden or minimised,
  // it stays so. Returns whether it became the foreground window.
  bool Front(HWND w) const {
    SendMessageA(w, kFront, 0, 0);
    return GetForegroundWindow() == w;
  }

  // ShowWindow on the owning thread.
  void ShowAs(HWND w, int command) const { SendMessageA(w, kShow, command, 0); }

  void Move(HWND w, const zorvane::Rect& r) const {
    MoveWindow(w, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }

 private:
  static constexpr UINT kActivate = WM_APP + 1;
  static constexpr UINT kFront = WM_APP + 2;
  static constexpr UINT kShow = WM_APP + 3;

  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kActivate) {  // on the owning thread, where SetActiveWindow works
      ShowWindow(w, SW_SHOW);
      SetForegroundWindow(w);
      SetActiveWindow(w);
      SetFocus(w);
      return 0;
    }
    if (msg == kFront) {
      SetForegroundWindow(w);
      return 0;
    }
    if (msg == kShow) {
      ShowWindow(w, static_cast<int>(wp));
      return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
  }

  void Run() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"ZorvaneE2EAnchor";
    RegisterClassW(&wc);
    std::vector<HWND> made;
    for (const Layout& s : layouts_) {
      std::wstring className = wc.lpszClassName;
      if (s.className != nullptr) {
        className = test_files::Wide(s.className);
        WNDCLASSW own = wc;
        own.lpszClassName = className.c_str();
        RegisterClassW(&own);
      }
      made.push_back(CreateWindowExW(0, className.c_str(), test_files::Wide(s.caption).c_str(), s.style,
                                     s.rect.left, s.rect.top, s.rect.right - s.rect.left,
                                     s.rect.bottom - s.rect.top, nullptr, nullptr, wc.hInstance, nullptr));
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      threadId_ = GetCurrentThreadId();
      windows_ = made;
    }
    ready_.notify_all();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  std::vector<Layout> layouts_;
  std::vector<HWND> windows_;
  DWORD threadId_ = 0;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::thread thread_;
};

// ---------------------------------------------------------------- processes

using test_files::ModuleDirectory;
using test_files::ReadBytes;
using test_files::WriteBytes;

inline std::string BuiltClock() { return ModuleDirectory() + "\\Zorvane.exe"; }

// A running copy of the program. Ending it is polite first (the Exit
// command to its clock window, OK to a message box it shows), forced last.
class Process {
 public:
  Process() = default;
  Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
  Process(Process&& other) noexcept { *this = std::move(other); }
  Process& operator=(Process&& other) noexcept {
    std::swap(handle_, other.handle_);
    std::swap(id_, other.id_);
    return *this;
  }
  ~Process() {
    End();
    if (handle_) CloseHandle(handle_);
  }

  explicit operator bool() const { return handle_ != nullptr; }
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return handle_; }
  bool Running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }

  // Its clock window (class "Zorvane02"), hidden or not; null if none.
  HWND ClockWindow() const {
    std::vector<HWND> w = WindowsOfClass("Zorvane02", id_);
    return w.empty() ? nullptr : w.front();
  }

  // Waits for the process to end and gives its exit code.
  ::testing::AssertionResult Exited(DWORD* code, DWORD timeoutMs = 5000) const {
    if (WaitForSingleObject(handle_, timeoutMs) != WAIT_OBJECT_0)
      return ::testing::AssertionFailure() << "the process is still running after " << timeoutMs << " ms";
    GetExitCodeProcess(handle_, code);
    return ::testing::AssertionSuccess();
  }

  void End() {
    if (!Running()) return;
    for (HWND w : TopLevelWindows()) {
      if (ProcessOf(w) != id_) continue;
      if (ClassOf(w) == "Zorvane02") PostMessageA(w, WM_COMMAND, IDM_EXIT, 0);
      if (ClassOf(w) == "#32770") PostMessageA(w, WM_COMMAND, IDOK, 0);
    }
    if (WaitForSingleObject(handle_, 5000) != WAIT_OBJECT_0) {
      TerminateProcess(handle_, 99);
      WaitForSingleObject(handle_, 5000);
    }
  }

 private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// A private copy of Zorvane.exe in a fresh directory of its own, so that
// each test has its own settings file beside the executable. With a
// `folder`, the copy goes one level deeper, into a folder of that name, and
// the fresh directory is its parent, which nothing else uses; `exe` names
// the copy. Paths are wide: a name may have no form in the driver's code
// page (é has none in 932).
class Installation {
 public:
  explicit Installation(const std::wstring& folder = L"", const std::wstring& exe = L"Zorvane.exe") {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"zorvane-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    CreateDirectoryW(root_.c_str(), nullptr);
    dir_ = folder.empty() ? root_ : root_ + L"\\" + folder;
    if (!folder.empty()) CreateDirectoryW(dir_.c_str(), nullptr);
    exe_ = dir_ + L"\\" + exe;
    copied_ = CopyFileW(test_files::Wide(BuiltClock()).c_str(), exe_.c_str(), FALSE) != FALSE;
  }

  ~Installation() {
    // A clock that lost its way may have left a settings file in the parent.
    for (const std::wstring& f : {exe_, SettingsFile(), root_ + L"\\Zorvane.ini"})
      for (int i = 0; i < 20 && GetFileAttributesW(f.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
        if (!DeleteFileW(f.c_str())) Sleep(50);
    RemoveDirectoryW(dir_.c_str());
    RemoveDirectoryW(root_.c_str());
  }

  bool Copied() const { return copied_; }
  std::wstring Exe() const { return exe_; }
  std::wstring Directory() const { return dir_; }

  // The settings file, as raw bytes (code page 932 for Japanese text).
  std::wstring SettingsFile() const { return dir_ + L"\\Zorvane.ini"; }
  void WriteSettings(const std::string& bytes) const { WriteBytes(SettingsFile(), bytes); }
  std::string ReadSettings() const { return ReadBytes(SettingsFile()); }

  // Starts the copy the usual way.
  Process Start() const {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring command = L"\"" + exe_ + L"\"";
    if (!CreateProcessW(exe_.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir_.c_str(), &si, &pi))
      return {};
    CloseHandle(pi.hThread);
    return {pi.hProcess, pi.dwProcessId};
  }

  // Starts the copy with its wall clock frozen by libfaketime at
  // `frozenAt` ("2002-07-03 13:05:07"; the machine's zone is UTC).
  // With a `locale`, in that Unix locale too (below).
  Process StartFrozen(const std::string& frozenAt, const std::string& locale = "") const {
    std::vector<std::string> variables = {"LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                                          "FAKETIME=" + frozenAt, "FAKETIME_DONT_FAKE_MONOTONIC=1",
                                          "NO_FAKE_STAT=1"};
    if (!locale.empty()) variables.insert(variables.end(), {"LANG=" + locale, "LC_ALL=" + locale});
    return StartThroughWine(variables);
  }

  // Starts the copy in the Unix locale `locale`, whose ANSI code page it
  // then has: 932 for "ja_JP.UTF-8", 1252 for "C.UTF-8".
  Process StartInLocale(const std::string& locale) const {
    return StartThroughWine({"LANG=" + locale, "LC_ALL=" + locale});
  }

 private:
  // Starts the copy with `variables` ("NAME=value") set in its Unix
  // environment, in place of the driver's own values of those names.
  //
  // Under Wine a Windows process started from another one inherits the
  // parent's Unix environment, not the environment block passed to
  // CreateProcess, so a variable set there would never reach it. A Unix
  // program started through CreateProcess, however, does get that block
  // as its environment: the driver therefore starts the Unix `wine`
  // with the variables, and that `wine` runs the copy. There is no handle
  // to the copy then; it is found through its window.
  Process StartThroughWine(const std::vector<std::string>& variables) const {
    // Started with the "A" call whenever the paths have a form in the
    // driver's code page: after CreateProcessW of `wine` with libfaketime,
    // Wine 8 writes none of the driver's later console output.
    PROCESS_INFORMATION pi = {};
    std::string exe, dir;
    if (Ansi(exe_, exe) && Ansi(dir_, dir)) {
      std::string block = Environment<char>(variables, [](const std::string& v) { return v; });
      STARTUPINFOA si = {};
      si.cb = sizeof si;
      std::string command = "/usr/bin/wine \"" + exe + "\"";
      if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, &block[0], dir.c_str(), &si, &pi))
        return {};
    } else {
      std::wstring block = Environment<wchar_t>(variables, test_files::Wide);
      STARTUPINFOW si = {};
      si.cb = sizeof si;
      std::wstring command = L"/usr/bin/wine \"" + exe_ + L"\"";
      if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, &block[0],
                          dir_.c_str(), &si, &pi))
        return {};
    }
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    HWND clock = nullptr;
    Eventually([&] {
      std::vector<HWND> w = WindowsOfClass("Zorvane02");
      clock = w.empty() ? nullptr : w.front();
      return Holds(clock != nullptr, "no clock window");
    }, 15000);
    if (!clock) return {};
    const DWORD pid = ProcessOf(clock);
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    return h ? Process(h, pid) : Process();
  }

  // `wide` in the driver's code page; false when it has no form there.
  static bool Ansi(const std::wstring& wide, std::string& out) {
    // No best fit: é must not quietly become e.
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &lost);
    if (n <= 0 || lost) return false;
    out.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return true;
  }

  // The driver's environment block with `variables` ("NAME=value") in
  // place of its own values of those names.
  template <typename Char, typename Convert>
  static std::basic_string<Char> Environment(const std::vector<std::string>& variables, Convert convert) {
    std::vector<std::basic_string<Char>> names;  // "NAME=", as each entry of the block starts
    for (const std::string& v : variables) names.push_back(convert(v.substr(0, v.find('=') + 1)));
    std::basic_string<Char> block;
    wchar_t* env = GetEnvironmentStringsW();
    for (const wchar_t* e = env; *e; e += wcslen(e) + 1) {
      std::string narrow;
      std::basic_string<Char> entry;
      if constexpr (sizeof(Char) == 1) {
        if (!Ansi(e, narrow)) continue;
        entry = narrow;
      } else {
        entry = e;
      }
      bool replaced = false;
      for (const auto& name : names) replaced = replaced || entry.compare(0, name.size(), name) == 0;
      if (!replaced) block.append(entry).push_back(Char());
    }
    FreeEnvironmentStringsW(env);
    for (const std::string& v : variables) block.append(convert(v)).push_back(Char());
    block.push_back(Char());
    return block;
  }

  std::wstring root_;
  std::wstring dir_;
  std::wstring exe_;
  bool copied_ = false;
};

// ---------------------------------------------------------------- fixture

using namespace zorvane;

// The fifteen positions in ring order (index = row * 3 + column), each with
// the menu command that selects it.
struct Position {
  int row;
  int column;
  WORD command;
  const char* name;
};

inline const Position kRing[kPositions] = {
    {Taskbar, Left, IDM_TASKBAR_LEFT, "Taskbar/Left"},
    {Taskbar, Centre, IDM_TASKBAR_CENTRE, "Taskbar/Centre"},
    {Taskbar, Right, IDM_TASKBAR_RIGHT, "Taskbar/Right"},
    {TopOutside, Left, IDM_TOP_OUT_LEFT, "TopOutside/Left"},
    {TopOutside, Centre, IDM_TOP_OUT_CENTRE, "TopOutside/Centre"},
    {TopOutside, Right, IDM_TOP_OUT_RIGHT, "TopOutside/Right"},
    {TopInside, Left, IDM_TOP_IN_LEFT, "TopInside/Left"},
    {TopInside, Centre, IDM_TOP_IN_CENTRE, "TopInside/Centre"},
    {TopInside, Right, IDM_TOP_IN_RIGHT, "TopInside/Right"},
    {BottomInside, Left, IDM_BOTTOM_IN_LEFT, "BottomInside/Left"},
    {BottomInside, Centre, IDM_BOTTOM_IN_CENTRE, "BottomInside/Centre"},
    {BottomInside, Right, IDM_BOTTOM_IN_RIGHT, "BottomInside/Right"},
    {BottomOutside, Left, IDM_BOTTOM_OUT_LEFT, "BottomOutside/Left"},
    {BottomOutside, Centre, IDM_BOTTOM_OUT_CENTRE, "BottomOutside/Centre"},
    {BottomOutside, Right, IDM_BOTTOM_OUT_RIGHT, "BottomOutside/Right"},
};
constexpr int kStart = 3;  // TopOutside/Left, where every run begins

// Two application windows with Japanese captions, placed so that every
// position against either of them lies fully on the 1280 x 800 screen.
inline const char kCaptionA[] = "アンカー窓A";
inline const char kCaptionB[] = "アンカー窓B";

enum class Mode { Normal, Title };

class ClockTest : public ::testing::Test {
 protected:
  ClockTest() : anchors_({{kCaptionA, {300, 250, 900, 550}}, {kCaptionB, {120, 420, 620, 640}}}) {}

  void SetUp() override {
    if (GetFileAttributesA(BuiltClock().c_str()) == INVALID_FILE_ATTRIBUTES)
      GTEST_SKIP() << BuiltClock() << " has not been built";
    ASSERT_TRUE(install_.Copied()) << "could not copy " << BuiltClock();
  }

  HWND A() const { return anchors_[0]; }
  HWND B() const { return anchors_[1]; }

  // Starts the clock and then, as the user would, clicks anchor A. Returns
  // after the first tick that found A in the foreground: the clock stands
  // docked to A (normal mode) or A's caption has changed (title mode), and
  // A is in front.
  void Launch(const std::string& settings = "", Mode mode = Mode::Normal, const char* frozenAt = nullptr) {
    ASSERT_NO_FATAL_FAILURE(Start(settings, frozenAt));
    if (mode == Mode::Normal) {
      ASSERT_NO_FATAL_FAILURE(ClickUntilDocked(A()));
      return;
    }
    ASSERT_TRUE(anchors_.Activate(A()));
    ASSERT_TRUE(Eventually([&] { return Holds(TextOf(A()) != kCaptionA, "no tick found anchor A in the foreground"); },
                           10000));
    ASSERT_EQ(GetForegroundWindow(), A()) << "the clock took the foreground from anchor A";
  }

  // Clicks `anchor` and waits for a tick that docks the clock to it, with
  // the anchor in front; clicks again while the clock holds the foreground.
  // The clock activates itself once at start, and under Wine an activation
  // also goes through the X server's input focus: a clock process starved
  // of CPU can take the foreground back when it handles that focus event,
  // after the driver's click. The first click waits for the clock's first
  // tick (it shows, in the corner without an anchor).
  void ClickUntilDocked(HWND anchor) {
    ASSERT_TRUE(Eventually([&] { return Holds(IsWindowVisible(window_), "the clock is not shown"); }, 10000));
    ASSERT_TRUE(Eventually([&] {
      const HWND front = GetForegroundWindow();
      if (front != anchor) anchors_.Click(anchor);
      return Holds(DockedTo(anchor) && front == anchor && GetForegroundWindow() == anchor,
                   "no tick docked the clock to the anchor in front; " + Describe(GetForegroundWindow()) +
                       " is in front, the clock at " + Show(RectOf(window_)));
    }, 10000));
  }

  // Writes the settings file (if any), starts the clock and waits until it
  // has made its own window the foreground window, as it does once at
  // start. Only then may a test activate an anchor: on a loaded machine the
  // clock's activation can come late and would take the foreground back.
  void Start(const std::string& settings = "", const char* frozenAt = nullptr) {
    if (!settings.empty()) install_.WriteSettings(settings);
    clock_ = frozenAt            ? install_.StartFrozen(frozenAt, locale_)
             : locale_.empty() ? install_.Start()
                               : install_.StartInLocale(locale_);
    ASSERT_TRUE(clock_) << "Zorvane.exe could not be started (error " << GetLastError() << ")";
    WaitForInputIdle(clock_.Handle(), 10000);
    ASSERT_TRUE(Eventually([&] {
      window_ = clock_.ClockWindow();
      return Holds(window_ != nullptr, "no window of class Zorvane02");
    }, 10000));
    ASSERT_TRUE(Eventually([&] {
      return Holds(GetForegroundWindow() == window_, "the clock (" + Describe(window_) +
                                                         ") did not take the foreground at start; " +
                                                         Describe(GetForegroundWindow()) + " is in front");
    }, 10000));
  }

  // Whether a tick has placed the visible clock against `anchor`: it stands
  // at one of the fifteen positions, and not in the top-left corner where it
  // waits while it has no anchor.
  bool DockedTo(HWND anchor) const {
    const Rect r = RectOf(window_);
    if (!IsWindowVisible(window_) || (r.left == 0 && r.top == 0)) return false;
    for (int i = 0; i < kPositions; ++i)
      if (IsAt(i, anchor)) return true;
    return false;
  }

  // The rectangle the clock should have at `index` against `anchor`, from
  // its current client area (the measured text).
  Rect Expected(int index, HWND anchor, const Rect& taskbar) const {
    RECT frame = {};
    GetClientRect(window_, &frame);
    AdjustWindowRectEx(&frame, style_, FALSE, kExStyle);
    const Position& p = kRing[index];
    return PlaceRect(p.row, p.column, ScreenRect(), taskbar, RectOf(anchor), frame.right - frame.left,
                     frame.bottom - frame.top);
  }

  // Whether the clock is at `index` now. In the taskbar row that needs the
  // taskbar's position: without one, every column would fall back to the
  // same corner and the check would prove nothing.
  ::testing::AssertionResult IsAt(int index, HWND anchor) const {
    const Rect actual = RectOf(window_);
    Rect taskbar{0, 0, 0, 0};
    if (!TaskbarRect(&taskbar) && kRing[index].row == Taskbar)
      return ::testing::AssertionFailure() << "the system reported no taskbar";
    const Rect expected = Expected(index, anchor, taskbar);
    if (actual == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "clock at " << Show(actual) << ", expected " << kRing[index].name
                                         << " " << Show(expected) << " against " << Show(RectOf(anchor));
  }

  // Within a few ticks.
  ::testing::AssertionResult DocksAt(int index, HWND anchor) const {
    return Eventually([&] { return IsAt(index, anchor); });
  }

  // Sends a message to the clock and checks that, by the time the clock has
  // handled it, the window already stands at `index` (no tick needed). A
  // tick may change the text width between two reads, hence one re-read.
  ::testing::AssertionResult MovesAtOnce(UINT message, WPARAM wParam, int index) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window_, message, wParam, 0, SMTO_NORMAL, 3000, &result))
      return ::testing::AssertionFailure() << "the clock did not answer message " << message;
    ::testing::AssertionResult at = IsAt(index, A());
    return at ? at : IsAt(index, A());
  }

  // Ends the clock with the Exit command and returns its exit code.
  DWORD ExitClock() {
    PostMessageA(window_, WM_COMMAND, IDM_EXIT, 0);
    DWORD code = 12345;
    EXPECT_TRUE(clock_.Exited(&code));
    return code;
  }

  AnchorWindows anchors_;
  Installation install_;
  Process clock_;
  HWND window_ = nullptr;
  DWORD style_ = kStyleCaption;  // the style the clock should have been created with
  // The Unix locale the clock runs in, and so its code page ("C.UTF-8":
  // 1252); empty for the driver's own (932).
  std::string locale_;
};

}  // namespace e2e
