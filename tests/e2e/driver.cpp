// The end-to-end driver's definitions; driver.h says what each does.

#include "tests/e2e/driver.h"

namespace e2e {

::testing::AssertionResult Holds(bool ok, const std::string& what) {
  return ok ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << what;
}

zorvane::Rect RectOf(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return {r.left, r.top, r.right, r.bottom};
}

std::string Show(const zorvane::Rect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::wstring WideTextOf(HWND window) {
  std::wstring text(1 << 16, L'\0');
  text.resize(static_cast<size_t>(InternalGetWindowText(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

std::string Utf8(const std::wstring& wide) {
  std::string out(wide.size() * 4 + 1, '\0');
  out.resize(static_cast<size_t>(
      WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), &out[0],
                          static_cast<int>(out.size()), nullptr, nullptr)));
  return out;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::string Describe(HWND window) {
  if (!window) return "no window";
  return "window \"" + TextOf(window) + "\" of class " + ClassOf(window) + ", process " +
         std::to_string(ProcessOf(window)) + (IsWindowVisible(window) ? "" : ", hidden");
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> all;
  EnumWindows([](HWND w, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&all));
  return all;
}

std::vector<HWND> WindowsOfClass(const std::string& cls, DWORD pid) {
  std::vector<HWND> found;
  for (HWND w : TopLevelWindows())
    if (ClassOf(w) == cls && (pid == 0 || ProcessOf(w) == pid)) found.push_back(w);
  return found;
}

bool TaskbarRect(zorvane::Rect* taskbar) {
  APPBARDATA data = {};
  data.cbSize = sizeof data;
  if (!SHAppBarMessage(ABM_GETTASKBARPOS, &data)) return false;
  *taskbar = {data.rc.left, data.rc.top, data.rc.right, data.rc.bottom};
  return true;
}

bool TrayIconsShown() {
  for (HWND top : TopLevelWindows()) {
    if (!IsWindowVisible(top)) continue;
    const std::string cls = ClassOf(top);
    if (cls == "Shell_TrayWnd" || cls == "__winex11_standalone_tray") return true;
  }
  return false;
}

bool ShellHasIcon(HWND owner, UINT id) {
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = id;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

zorvane::Rect ScreenRect() { return RectOf(GetDesktopWindow()); }

AnchorWindows::AnchorWindows(std::vector<Layout> layouts) : layouts_(std::move(layouts)) {
  thread_ = std::thread([this] { Run(); });
  std::unique_lock<std::mutex> lock(mutex_);
  ready_.wait(lock, [this] { return windows_.size() == layouts_.size(); });
}

AnchorWindows::~AnchorWindows() {
  for (HWND w : windows_) SendMessageA(w, WM_CLOSE, 0, 0);
  PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
  thread_.join();
}

::testing::AssertionResult AnchorWindows::Activate(HWND w) const {
  Click(w);
  return Eventually([w] {
    const HWND front = GetForegroundWindow();
    return Holds(front == w, "the anchor did not become the foreground window; " + Describe(front) + " is");
  });
}

bool AnchorWindows::Front(HWND w) const {
  SendMessageA(w, kFront, 0, 0);
  return GetForegroundWindow() == w;
}

void AnchorWindows::Move(HWND w, const zorvane::Rect& r) const {
  MoveWindow(w, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void AnchorWindows::InterruptWrites(HWND clock, int writes) {
  interrupting_ = this;
  interruptedClock_ = clock;
  interruptionsLeft_ = writes;
}

LRESULT CALLBACK AnchorWindows::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  // Not again inside an interruption: the clock's sends then reach these
  // windows nested, and each write interrupts once.
  static thread_local bool interrupting = false;
  if (msg == WM_SETTEXT && !interrupting && (InSendMessageEx(nullptr) & ISMEX_SEND) != 0 &&
      interruptionsLeft_.fetch_sub(1) > 0) {
    interrupting = true;
    AnchorWindows* self = interrupting_;
    HWND other = self->windows_[0] == w ? self->windows_[1] : self->windows_[0];
    SetForegroundWindow(other);
    DWORD_PTR answer = 0;
    const HWND clock = interruptedClock_;
    SendMessageTimeoutW(clock, WM_TIMECHANGE, 0, 0, SMTO_NORMAL, 3000, &answer);
    SendMessageTimeoutW(clock, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, SMTO_NORMAL, 3000, &answer);
    interrupting = false;
    return DefWindowProcW(w, msg, wp, lp);  // the text the clock sent, after all that
  }
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

void AnchorWindows::Run() {
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

Process::~Process() {
  End();
  if (handle_) CloseHandle(handle_);
}

HWND Process::ClockWindow() const {
  std::vector<HWND> w = WindowsOfClass("Zorvane02", id_);
  return w.empty() ? nullptr : w.front();
}

::testing::AssertionResult Process::Exited(DWORD* code, DWORD timeoutMs) const {
  if (WaitForSingleObject(handle_, timeoutMs) != WAIT_OBJECT_0)
    return ::testing::AssertionFailure() << "the process is still running after " << timeoutMs << " ms";
  GetExitCodeProcess(handle_, code);
  return ::testing::AssertionSuccess();
}

void Process::End() {
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

Installation::Installation(const std::wstring& folder, const std::wstring& exe) {
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
  copyError_ = copied_ ? 0 : GetLastError();
}

Installation::~Installation() {
  // A clock that lost its way may have left a settings file in the parent.
  for (const std::wstring& f : {exe_, SettingsFile(), root_ + L"\\Zorvane.ini"})
    for (int i = 0; i < 20 && GetFileAttributesW(f.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
      if (!DeleteFileW(f.c_str())) Sleep(50);
  RemoveDirectoryW(dir_.c_str());
  RemoveDirectoryW(root_.c_str());
}

Process Installation::Start() const {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring command = L"\"" + exe_ + L"\"";
  if (!CreateProcessW(exe_.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir_.c_str(), &si, &pi))
    return {};
  CloseHandle(pi.hThread);
  return {pi.hProcess, pi.dwProcessId};
}

Process Installation::StartFrozen(const std::string& frozenAt, const std::string& locale) const {
  std::vector<std::string> variables = {"LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                                        "FAKETIME=" + frozenAt, "FAKETIME_DONT_FAKE_MONOTONIC=1",
                                        "NO_FAKE_STAT=1"};
  if (!locale.empty()) variables.insert(variables.end(), {"LANG=" + locale, "LC_ALL=" + locale});
  return StartThroughWine(variables);
}

Process Installation::StartThroughWine(const std::vector<std::string>& variables) const {
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

bool Installation::Ansi(const std::wstring& wide, std::string& out) {
  // No best fit: é must not quietly become e.
  BOOL lost = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &lost);
  if (n <= 0 || lost) return false;
  out.assign(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return true;
}

void ClockTest::SetUp() {
  if (GetFileAttributesA(BuiltClock().c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << BuiltClock() << " has not been built";
  ASSERT_TRUE(install_.Copied()) << "could not copy " << BuiltClock() << " (error " << install_.CopyError() << ")";
}

void ClockTest::Launch(const std::string& settings, Mode mode, const char* frozenAt) {
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

void ClockTest::ClickUntilDocked(HWND anchor) {
  ASSERT_TRUE(Eventually([&] { return Holds(IsWindowVisible(window_), "the clock is not shown"); }, 10000));
  ASSERT_TRUE(Eventually([&] {
    const HWND front = GetForegroundWindow();
    if (front != anchor) anchors_.Click(anchor);
    return Holds(DockedTo(anchor) && front == anchor && GetForegroundWindow() == anchor,
                 "no tick docked the clock to the anchor in front; " + Describe(GetForegroundWindow()) +
                     " is in front, the clock at " + Show(RectOf(window_)));
  }, 10000));
}

void ClockTest::Start(const std::string& settings, const char* frozenAt) {
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

bool ClockTest::DockedTo(HWND anchor) const {
  const Rect r = RectOf(window_);
  if (!IsWindowVisible(window_) || (r.left == 0 && r.top == 0)) return false;
  for (int i = 0; i < kPositions; ++i)
    if (IsAt(i, anchor)) return true;
  return false;
}

Rect ClockTest::Expected(int index, HWND anchor, const Rect& taskbar) const {
  RECT frame = {};
  GetClientRect(window_, &frame);
  AdjustWindowRectEx(&frame, style_, FALSE, kExStyle);
  const Position& p = kRing[index];
  return PlaceRect(p.row, p.column, ScreenRect(), taskbar, RectOf(anchor), frame.right - frame.left,
                   frame.bottom - frame.top);
}

::testing::AssertionResult ClockTest::IsAt(int index, HWND anchor) const {
  const Rect actual = RectOf(window_);
  Rect taskbar{0, 0, 0, 0};
  if (!TaskbarRect(&taskbar) && kRing[index].row == Taskbar)
    return ::testing::AssertionFailure() << "the system reported no taskbar";
  const Rect expected = Expected(index, anchor, taskbar);
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "clock at " << Show(actual) << ", expected " << kRing[index].name
                                       << " " << Show(expected) << " against " << Show(RectOf(anchor));
}

::testing::AssertionResult ClockTest::DocksAt(int index, HWND anchor) const {
  return Eventually([&] { return IsAt(index, anchor); });
}

::testing::AssertionResult ClockTest::MovesAtOnce(UINT message, WPARAM wParam, int index) const {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window_, message, wParam, 0, SMTO_NORMAL, 3000, &result))
    return ::testing::AssertionFailure() << "the clock did not answer message " << message;
  ::testing::AssertionResult at = IsAt(index, A());
  return at ? at : IsAt(index, A());
}

DWORD ClockTest::ExitClock() {
  PostMessageA(window_, WM_COMMAND, IDM_EXIT, 0);
  DWORD code = 12345;
  EXPECT_TRUE(clock_.Exited(&code));
  return code;
}
}  // namespace e2e
