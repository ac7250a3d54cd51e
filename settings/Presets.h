#pragma once

#include <QString>

class SettingsStore;

// The thirty stored presets: groups A, B and C of ten each. A preset is five
// values in the "Presets" section, named by the group prefix ("", "B", "C"),
// a base name and the preset number 1..10 ("BPreset Frequency 10").
namespace presets {

inline constexpr int kPresetCount = 10;
inline constexpr int kGroupCount = 3;

// Defaults of the readers that recall or edit a preset.
inline constexpr char kDefaultFrequency[] = "162.55";
inline constexpr char kDefaultMode[] = "FMN";
inline constexpr int kDefaultFilter = 2;
// The presets dialog shows this description for a preset never saved.
inline constexpr char kDialogDefaultDescription[] = "Weather";
// The longest description the operator can type in the presets dialog.
inline constexpr int kDescriptionLength = 20;

// "" for group 0 (A), "B" for 1, "C" for 2; "" for anything else.
QString GroupPrefixForIndex(int group);

// prefix + base name + n: ValueName("C", settings_names::kPresetFrequency, 10)
// is "CPreset Frequency 10".
QString ValueName(const QString& prefix, const char* baseName, int n);

// One preset as stored.
struct Preset {
  QString frequency;
  QString mode;
  int filter = kDefaultFilter;
  QString description;
  bool attenuate = false;
};

// Reads preset n of the group from a store that is open, with the recall
// defaults: frequency "162.55", mode "FMN", filter 2, the description
// `defaultDescription` (none unless given), attenuator off.
Preset ReadPreset(SettingsStore& store, const QString& prefix, int n,
                  const QString& defaultDescription = QString());
// Writes the five values of preset n of the group into a store that is open.
void WritePreset(SettingsStore& store, const QString& prefix, int n, const Preset& preset);

}  // namespace presets
