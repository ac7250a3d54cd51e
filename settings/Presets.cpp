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

Preset ReadPreset(SettingsStore& store, const QString& prefix, int n,
                  const QString& defaultDescription) {
  namespace sn = settings_names;
  const QString section = QLatin1String(sn::kPresets);
  Preset preset;
  preset.frequency = store.ReadText(section, ValueName(prefix, sn::kPresetFrequency, n),
                                    QLatin1String(kDefaultFrequency));
  preset.mode =
      store.ReadText(section, ValueName(prefix, sn::kPresetMode, n), QLatin1String(kDefaultMode));
  preset.filter =
      store.ReadNumber(section, ValueName(prefix, sn::kPresetFilter, n), kDefaultFilter);
  preset.description =
      store.ReadText(section, ValueName(prefix, sn::kPresetDescription, n), defaultDescription);
  preset.attenuate = store.ReadFlag(section, ValueName(prefix, sn::kPresetAttenuate, n), false);
  return preset;
}

void WritePreset(SettingsStore& store, const QString& prefix, int n, const Preset& preset) {
  namespace sn = settings_names;
  const QString section = QLatin1String(sn::kPresets);
  store.WriteText(section, ValueName(prefix, sn::kPresetFrequency, n), preset.frequency);
  store.WriteText(section, ValueName(prefix, sn::kPresetMode, n), preset.mode);
  store.WriteNumber(section, ValueName(prefix, sn::kPresetFilter, n), preset.filter);
  store.WriteText(section, ValueName(prefix, sn::kPresetDescription, n), preset.description);
  store.WriteFlag(section, ValueName(prefix, sn::kPresetAttenuate, n), preset.attenuate);
}

}  // namespace presets
