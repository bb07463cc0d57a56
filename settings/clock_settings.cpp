#include "settings/clock_settings.h"

#include "settings/profile_section.h"
#include "settings/settings_messages.h"

namespace clock_settings {

zorvane::Settings Load(HINSTANCE module) {
  ProfileSection profile;
  profile.Bind(kSettingsFile, nullptr, module);  // the one reading
  return profile.Values();
}

bool Save(const zorvane::Settings& value, zorvane::Writer writer, const char* leftOut, HINSTANCE module,
          HWND owner, zorvane::Settings& stored) {
  ProfileSection profile;
  profile.Bind(kSettingsFile, nullptr, module);
  const bool saved = profile.WriteKeys(value, writer, leftOut) && profile.Save();
  if (!saved) {
    ShowSaveFailure(owner, profile.Path());
    return false;
  }
  stored = profile.Values();
  return true;
}

}  // namespace clock_settings
