#pragma once
// The end-to-end driver: a separate process that starts the real Zorvane.exe
// and acts on it as a user would. It owns the application windows that the
// clock docks to, moves and activates them, and looks at the clock from the
// outside (window rectangles, styles, captions, tray icons, exit codes).

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <atomic>
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

::testing::AssertionResult Holds(bool ok, const std::string& what);

// ---------------------------------------------------------------- windows

zorvane::Rect RectOf(HWND window);

std::string Show(const zorvane::Rect& r);

std::string ClassOf(HWND window);

std::string TextOf(HWND window);

// A caption whole, as the system holds it in UTF-16: it may have no form in
// the driver's code page, and may be longer than 1023 characters.
std::wstring WideTextOf(HWND window);

// For failure messages: a wide text in UTF-8.
std::string Utf8(const std::wstring& wide);

DWORD ProcessOf(HWND window);

// For failure messages: a window's class, caption and process.
std::string Describe(HWND window);

// Every top-level window, hidden ones included.
std::vector<HWND> TopLevelWindows();

// Top-level windows of a class; of one process when `pid` is not 0.
std::vector<HWND> WindowsOfClass(const std::string& cls, DWORD pid = 0);

zorvane::Rect ScreenRect();

// The taskbar as the system reports it; false when the query fails. Wine's
// virtual desktop (which the test prefix uses) answers every query with the
// same strip along the screen's bottom, with or without a window or a tray
// icon in the session; without that desktop the query can fail.
bool TaskbarRect(zorvane::Rect* taskbar);

// ---------------------------------------------------------------- tray

// Whether the notification area shows any icon. Wine's explorer draws it in
// one of two ways here (no window manager, no XEmbed tray):
// - while the session has application windows (the driver's anchors), in
//   its taskbar, the top-level window "Shell_TrayWnd" at the screen's bottom,
//   which is visible only while it holds icons and has no window per icon;
// - otherwise in a top-level window "__winex11_standalone_tray" ("Wine
//   System Tray"), with one child "__winex11_tray_icon" per icon.
// The driver itself adds no icon, so this tells whether the clock's is shown.
bool TrayIconsShown();

// Asks the shell whether it holds the icon (`owner`, `id`): a modify that
// changes nothing succeeds exactly when the icon exists.
bool ShellHasIcon(HWND owner, UINT id);

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

  explicit AnchorWindows(std::vector<Layout> layouts);

  ~AnchorWindows();

  HWND operator[](size_t i) const { return windows_[i]; }

  // A click on the window: brings it to the foreground.
  void Click(HWND w) const { SendMessageA(w, kActivate, 0, 0); }

  // Clicks the window and waits until it is in front.
  ::testing::AssertionResult Activate(HWND w) const;

  // Brings the window to the foreground as it is: hidden or minimised,
  // it stays so. Returns whether it became the foreground window.
  bool Front(HWND w) const;

  // ShowWindow on the owning thread.
  void ShowAs(HWND w, int command) const { SendMessageA(w, kShow, command, 0); }

  void Move(HWND w, const zorvane::Rect& r) const;

  // For the next `writes` captions the clock writes into these windows:
  // while the write is under way, the window brings another of these
  // windows to the front and sends the clock what the system sends at any
  // time (a time change, a resume), and only then takes the text.
  void InterruptWrites(HWND clock, int writes);
  int InterruptionsLeft() const { return interruptionsLeft_ > 0 ? interruptionsLeft_.load() : 0; }

 private:
  static constexpr UINT kActivate = WM_APP + 1;
  static constexpr UINT kFront = WM_APP + 2;
  static constexpr UINT kShow = WM_APP + 3;

  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);

  void Run();

  std::vector<Layout> layouts_;
  std::vector<HWND> windows_;
  // One set of windows interrupts at a time; its window procedure finds it here.
  static inline AnchorWindows* interrupting_ = nullptr;
  static inline std::atomic<HWND> interruptedClock_{nullptr};
  static inline std::atomic<int> interruptionsLeft_{0};
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
  ~Process();

  explicit operator bool() const { return handle_ != nullptr; }
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return handle_; }
  bool Running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }

  // Its clock window (class "Zorvane02"), hidden or not; null if none.
  HWND ClockWindow() const;

  // Waits for the process to end and gives its exit code.
  ::testing::AssertionResult Exited(DWORD* code, DWORD timeoutMs = 5000) const;

  void End();

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
  explicit Installation(const std::wstring& folder = L"", const std::wstring& exe = L"Zorvane.exe");

  ~Installation();

  bool Copied() const { return copied_; }
  DWORD CopyError() const { return copyError_; }
  std::wstring Exe() const { return exe_; }
  std::wstring Directory() const { return dir_; }

  // The settings file, as raw bytes (code page 932 for Japanese text).
  std::wstring SettingsFile() const { return dir_ + L"\\Zorvane.ini"; }
  void WriteSettings(const std::string& bytes) const { WriteBytes(SettingsFile(), bytes); }
  std::string ReadSettings() const { return ReadBytes(SettingsFile()); }

  // Starts the copy the usual way.
  Process Start() const;

  // Starts the copy with its wall clock frozen by libfaketime at
  // `frozenAt` ("2002-07-03 13:05:07"; the machine's zone is UTC).
  // With a `locale`, in that Unix locale too (below).
  Process StartFrozen(const std::string& frozenAt, const std::string& locale = "") const;

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
  Process StartThroughWine(const std::vector<std::string>& variables) const;

  // `wide` in the driver's code page; false when it has no form there.
  static bool Ansi(const std::wstring& wide, std::string& out);

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
  DWORD copyError_ = 0;
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

  void SetUp() override;

  HWND A() const { return anchors_[0]; }
  HWND B() const { return anchors_[1]; }

  // Starts the clock and then, as the user would, clicks anchor A. Returns
  // after the first tick that found A in the foreground: the clock stands
  // docked to A (normal mode) or A's caption has changed (title mode), and
  // A is in front.
  void Launch(const std::string& settings = "", Mode mode = Mode::Normal, const char* frozenAt = nullptr);

  // Clicks `anchor` and waits for a tick that docks the clock to it, with
  // the anchor in front; clicks again while the clock holds the foreground.
  // The clock activates itself once at start, and under Wine an activation
  // also goes through the X server's input focus: a clock process starved
  // of CPU can take the foreground back when it handles that focus event,
  // after the driver's click. The first click waits for the clock's first
  // tick (it shows, in the corner without an anchor).
  void ClickUntilDocked(HWND anchor);

  // Writes the settings file (if any), starts the clock and waits until it
  // has made its own window the foreground window, as it does once at
  // start. Only then may a test activate an anchor: on a loaded machine the
  // clock's activation can come late and would take the foreground back.
  void Start(const std::string& settings = "", const char* frozenAt = nullptr);

  // Whether a tick has placed the visible clock against `anchor`: it stands
  // at one of the fifteen positions, and not in the top-left corner where it
  // waits while it has no anchor.
  bool DockedTo(HWND anchor) const;

  // The rectangle the clock should have at `index` against `anchor`, from
  // its current client area (the measured text).
  Rect Expected(int index, HWND anchor, const Rect& taskbar) const;

  // Whether the clock is at `index` now. In the taskbar row that needs the
  // taskbar's position: without one, every column would fall back to the
  // same corner and the check would prove nothing.
  ::testing::AssertionResult IsAt(int index, HWND anchor) const;

  // Within a few ticks.
  ::testing::AssertionResult DocksAt(int index, HWND anchor) const;

  // Sends a message to the clock and checks that, by the time the clock has
  // handled it, the window already stands at `index` (no tick needed). A
  // tick may change the text width between two reads, hence one re-read.
  ::testing::AssertionResult MovesAtOnce(UINT message, WPARAM wParam, int index) const;

  // Ends the clock with the Exit command and returns its exit code.
  DWORD ExitClock();

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
