#pragma once
// The clock's settings as one value (core/settings_value.h), read from the
// settings file in one reading and written back by a confirmed dialog in
// one replacement.

#include <windows.h>

#include "core/settings_value.h"

namespace clock_settings {

// Every key from one reading of the settings file beside `module`, each
// value parsed once; a key the file lacks, or a file that cannot be read,
// gives the default.
zorvane::Settings Load(HINSTANCE module);

// Writes the keys `writer` writes, from `value`, in their table order, over
// the file as it is now (every other byte stays), in one replacement; a
// key named `leftOut` keeps what the file holds. On success `stored` gets
// every key as the file now holds it, as the next Load would give it, so
// the clock can take it up without reading the file again. On failure the
// file is as it was, `stored` is left alone, and the user is told so over
// `owner`. True when saved.
bool Save(const zorvane::Settings& value, zorvane::Writer writer, const char* leftOut, HINSTANCE module,
          HWND owner, zorvane::Settings& stored);

}  // namespace clock_settings
