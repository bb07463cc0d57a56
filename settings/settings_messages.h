#pragma once
// The messages the settings sequence gives the user when something it
// cannot mend goes wrong. Each is one box; the clock goes on afterwards.

#include <windows.h>

// The settings could not be written to `path` (L"" when the file's place
// is unknown), which is as it was: says so, names the file and suggests a
// folder to move the clock to.
void ShowSaveFailure(HWND owner, const wchar_t* path);

// The dialog named `what` could not be opened.
void ShowOpenFailure(HWND owner, const wchar_t* what);
