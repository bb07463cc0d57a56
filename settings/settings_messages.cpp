#include "settings/settings_messages.h"

#include <cwchar>

namespace {

constexpr const wchar_t* kCaption = L"Zorvane";

// Room of a whole message: a path of 260 characters and the text around it.
constexpr std::size_t kMessageSize = 1024;

void Append(wchar_t (&message)[kMessageSize], const wchar_t* text) {
  const std::size_t used = std::wcslen(message);
  const std::size_t n = std::wcslen(text);
  const std::size_t room = kMessageSize - 1 - used;
  std::wmemcpy(message + used, text, n < room ? n : room);
  message[used + (n < room ? n : room)] = L'\0';
}

}  // namespace

void ShowSaveFailure(HWND owner, const wchar_t* path) {
  // Text in UTF-16 from wide literals: right under every system code page.
  wchar_t message[kMessageSize] = L"";
  Append(message, L"設定を保存できませんでした。変更は保存されず、設定ファイルは元のままです。\n\n");
  Append(message, path[0] != L'\0' ? path : L"(設定ファイルの場所が分かりません)");
  Append(message,
         L"\n\nこのファイルに書き込めません。ファイルかフォルダーが読み取り専用か、"
         L"ほかのプログラムがこのファイルを開いています。\n\n"
         L"C:\\Program Files の中など書き込めないフォルダーに置いた場合は、"
         L"Zorvane.exe を書き込めるフォルダー (例: ドキュメントの中に作った Zorvane フォルダー) "
         L"に移してから起動し直してください。");
  MessageBoxW(owner, message, kCaption, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

void ShowOpenFailure(HWND owner, const wchar_t* what) {
  wchar_t message[kMessageSize] = L"";
  Append(message, what);
  Append(message, L"を開けませんでした。時計はそのまま動き続けます。");
  MessageBoxW(owner, message, kCaption, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}
