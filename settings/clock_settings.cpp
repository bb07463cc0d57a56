#include "settings/clock_settings.h"

#include <cstring>

#include "settings/profile_section.h"
#include "settings/settings_messages.h"

namespace clock_settings {

zorvane::Settings Load(HINSTANCE module) {
  zorvane::Settings value{};
  ProfileSection profile;
  profile.Bind(kSettingsFile, nullptr, module);  // the one reading
  std::size_t count = 0;
  const zorvane::SettingKey* keys = zorvane::SettingKeys(count);
  for (std::size_t i = 0; i < count; ++i) {
    const zorvane::SettingKey& key = keys[i];
    profile.Bind(nullptr, key.section, module);
    if (key.room == 0) {
      zorvane::NumberOf(value, key) = profile.ReadInt(key.name, zorvane::ParseInt(key.defaultText));
    } else {
      profile.ReadString(key.name, zorvane::TextOf(value, key), key.defaultText, key.room);
    }
  }
  return value;
}

bool Save(const zorvane::Settings& value, zorvane::Writer writer, const char* leftOut, HINSTANCE module,
          HWND owner) {
  ProfileSection profile;
  profile.Bind(kSettingsFile, nullptr, module);
  std::size_t count = 0;
  const zorvane::SettingKey* keys = zorvane::SettingKeys(count);
  bool saved = true;
  for (std::size_t i = 0; i < count && saved; ++i) {
    const zorvane::SettingKey& key = keys[i];
    if (key.writer != writer || (leftOut != nullptr && std::strcmp(leftOut, key.name) == 0)) continue;
    profile.Bind(nullptr, key.section, module);
    saved = key.room == 0 ? profile.WriteInt(key.name, zorvane::NumberOf(value, key))
                          : profile.WriteString(key.name, zorvane::TextOf(value, key));
  }
  saved = saved && profile.Save();
  if (!saved) ShowSaveFailure(owner, profile.Path());
  return saved;
}

}  // namespace clock_settings
