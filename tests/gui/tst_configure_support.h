#pragma once

// The configuration dialog's suites: the dialog opened as the main window
// opens it, on the settings file of the test's own XDG_CONFIG_HOME, and what
// the tests look at.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QtTest/QtTest>
#include <memory>
#include <optional>

#include "ModalWindows.h"
#include "SettingsFile.h"
#include "dialogs/Configure.h"
#include "dialogs/Hints.h"
#include "radio/ConfigurationValues.h"
#include "radio/Protocols.h"
#include "settings/SettingsStore.h"

// What a suite of the dialog holds: the store of the profile shown, the
// values the main window keeps in force, and the helper answering boxes.
class ConfigureFixture {
 protected:
  static QString file() { return SettingsStore::fileName(); }
  static QByteArray fileBytes() {
    QFile f(file());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // A value as the settings file holds it, read past the program's store.
  static QVariant stored(const QString& section, const QString& name) {
    return testsupport::SettingsFile().value(section + QLatin1Char('/') + name);
  }
  void store(const QString& section, const QString& name, const QString& value) {
    testsupport::WriteSettings(*store_, {{section + QLatin1Char('/') + name, value}});
  }

  // The dialog as the main window runs it: on the stored values, with the
  // coverage and window flags in force, saving into the store.
  std::unique_ptr<TConfigurationForm> openDialog() {
    ConfigurationValues values = ReadConfiguration(*store_);
    values.lowestMhz = inForce_.lowestMhz;
    values.highestMhz = inForce_.highestMhz;
    values.showIcon = inForce_.showIcon;
    values.alwaysOnTop = inForce_.alwaysOnTop;
    auto dialog = std::make_unique<TConfigurationForm>(values, store_->profile());
    dialog->tellOnShow(store_->takeMessages());
    dialog->setSave([this](const ConfigurationValues& v) { return SaveConfiguration(*store_, v); });
    dialog->show();
    return dialog;
  }
  // The operator picks a protocol from the list.
  static void pickProtocol(TConfigurationForm& d, const char* text) {
    const int index = d.ProtocolComboBox->findText(QString::fromLatin1(text));
    QVERIFY(index >= 0);
    d.ProtocolComboBox->setCurrentIndex(index);
    emit d.ProtocolComboBox->activated(index);
  }
  static QStringList selectedModes(const TConfigurationForm& d) {
    QStringList modes;
    for (int i = 0; i < d.ModeLB->count(); ++i) {
      if (d.ModeLB->item(i)->isSelected()) modes << protocols::kModeCodes[size_t(i)];
    }
    return modes;
  }
  static QStringList checkedFeatureNames(const TConfigurationForm& d) {
    QStringList names;
    for (QCheckBox* box : d.featureCheckBoxes()) {
      if (box->isChecked()) names << box->text();
    }
    return names;
  }

  std::optional<SettingsStore> store_;  // the profile the dialog shows
  ConfigurationValues inForce_;         // the window's coverage and flags
  std::unique_ptr<testsupport::ModalWindows> boxes_;

  void setUp() {
    QFile::remove(file());
    store_.emplace();
    inForce_ = ConfigurationValues();
    HintDisplay::setEnabled(true);
    // Every message box is answered, so no test can hang on one.
    boxes_ = std::make_unique<testsupport::ModalWindows>();
  }
  void tearDown() {
    boxes_.reset();
    QFile::remove(file());
    HintDisplay::setEnabled(true);
  }
};
