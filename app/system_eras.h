#pragma once
// The Japanese eras the system knows. Windows keeps them in the registry
// and adds a new era through its own updates; the clock reads them once
// when it loads its settings, so a new era shows without a new release.
// Where the key is missing (Wine, older systems) the built-in list holds.

#include <windows.h>

#include "core/japanese_calendar.h"

namespace system_eras {

// Adds the eras held as values of the open `key` ("YYYY MM DD" =
// "名前_略_English_I") to `list`. Values that are not strings, that do not
// fit code page 932 or that are malformed are skipped.
void AddFromKey(HKEY key, zorvane::EraList& list);

// The built-in eras with those of the system's list added.
zorvane::EraList Load();

}  // namespace system_eras
