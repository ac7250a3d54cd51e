#pragma once

// The settings file of the test's own XDG_CONFIG_HOME, seen two ways: through
// the program's store, exactly as the program writes and reads it, and as the
// file lies on disk, past the store (a hand edit, or what the program has
// really written).

#include <QFile>
#include <QMap>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>
#include <utility>

#include "settings/SettingsStore.h"

namespace testsupport {

// "Section/Value name" split at its first slash.
inline std::pair<QString, QString> SplitSettingKey(const QString& key) {
  const qsizetype slash = key.indexOf(QLatin1Char('/'));
  return {key.left(slash), key.mid(slash + 1)};
}

// Writes "Section/Value name" -> text through `store`, into its profile.
inline void WriteSettings(SettingsStore& store, const QMap<QString, QString>& values) {
  SettingsSession session(store);
  for (auto it = values.begin(); it != values.end(); ++it) {
    const auto [section, name] = SplitSettingKey(it.key());
    store.WriteText(section, name, it.value());
  }
}

// Reads "Section/Value name" of `store`'s profile.
inline QString ReadSetting(SettingsStore& store, const QString& key,
                           const QString& defaultValue = QStringLiteral("?")) {
  SettingsSession session(store);
  const auto [section, name] = SplitSettingKey(key);
  return store.ReadText(section, name, defaultValue);
}

// The settings file as it lies on disk now: a copy read by a QSettings of its
// own, so nothing the program holds in memory and has not written shows.
// Keys are whole ("Profile/Section/Value name").
class SettingsFile {
 public:
  SettingsFile() {
    const QString copy = dir_.filePath(QStringLiteral("copy.conf"));
    if (QFile::exists(SettingsStore::fileName())) QFile::copy(SettingsStore::fileName(), copy);
    settings_ = std::make_unique<QSettings>(copy, QSettings::IniFormat);
  }
  bool contains(const QString& key) const { return settings_->contains(key); }
  QVariant value(const QString& key) const { return settings_->value(key); }
  QString text(const QString& key, const QString& defaultValue = QString()) const {
    return settings_->value(key, defaultValue).toString();
  }
  QStringList presetKeys() const {
    settings_->beginGroup(QStringLiteral("Presets"));
    const QStringList keys = settings_->childKeys();
    settings_->endGroup();
    return keys;
  }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<QSettings> settings_;
};

// Writes whole keys straight into the file, as a hand edit would. Call it
// while the store is released, or the program may write over it.
inline void WriteSettingsFile(const QMap<QString, QString>& values) {
  QSettings raw(SettingsStore::fileName(), QSettings::IniFormat);
  for (auto it = values.begin(); it != values.end(); ++it) raw.setValue(it.key(), it.value());
  raw.sync();
}

inline void RemoveSettingsFile() { QFile::remove(SettingsStore::fileName()); }

}  // namespace testsupport
