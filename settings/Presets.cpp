#include "settings/Presets.h"

#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace presets {

QString GroupPrefixForIndex(int group) {
  switch (group) {
    case 1:
      return QStringLiteral("B");
    case 2:
      return QStringLiteral("C");
    default:
      return QString();
  }
}

QString ValueName(const QString& prefix, const char* baseName, int n) {
  return prefix + QLatin1String(baseName) + QString::number(n);
}

Preset ReadPreset(const QString& prefix, int n) {
  namespace sn = settings_names;
  const QString section = QLatin1String(sn::kPresets);
  Preset preset;
  preset.frequency = Settings.ReadText(section, ValueName(prefix, sn::kPresetFrequency, n),
                                       QLatin1String(kDefaultFrequency));
  preset.mode = Settings.ReadText(section, ValueName(prefix, sn::kPresetMode, n),
                                  QLatin1String(kDefaultMode));
  preset.filter =
      Settings.ReadNumber(section, ValueName(prefix, sn::kPresetFilter, n), kDefaultFilter);
  preset.description =
      Settings.ReadText(section, ValueName(prefix, sn::kPresetDescription, n), QString());
  preset.attenuate = Settings.ReadFlag(section, ValueName(prefix, sn::kPresetAttenuate, n), false);
  return preset;
}

}  // namespace presets
