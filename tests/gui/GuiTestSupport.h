#pragma once

// Helpers for the window suites: a main window driving a real
// pseudo-terminal, and what its tests look at.

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSlider>
#include <QtTest/QtTest>
#include <memory>

#include "PseudoTerminal.h"
#include "SettingsFile.h"
#include "app/main.h"
#include "components/TaskIcon.h"
#include "radio/RadioLink.h"
#include "settings/SettingsStore.h"

namespace guitest {

// Every feature control shown.
inline QMap<QString, QString> AllFeatures() {
  QMap<QString, QString> values;
  for (const char* name :
       {"Mute", "Volume", "Squelch", "IF Shift", "AGC", "NB", "Attenuate", "Filters"}) {
    values.insert(QStringLiteral("Features/") + QLatin1String(name), QStringLiteral("1"));
  }
  return values;
}

// A main window on its own profile whose port is a real pseudo-terminal.
class Rig {
 public:
  // protocol: the stored protocol number; extra: further settings.
  explicit Rig(int protocol, QMap<QString, QString> extra = {}, bool show = true) {
    static int serial = 0;
    profile_ = QStringLiteral("Rig%1").arg(++serial);
    QMap<QString, QString> values = AllFeatures();
    values.insert(QStringLiteral("Connection/Com Port"), pty.devicePath());
    values.insert(QStringLiteral("Connection/Protocol"), QString::number(protocol));
    values.insert(QStringLiteral("Connection/Address"), QStringLiteral("80"));
    for (auto it = extra.begin(); it != extra.end(); ++it) values.insert(it.key(), it.value());
    testsupport::WriteProfile(profile_, values);
    form = std::make_unique<TMainForm>(link);
    if (show) {
      form->show();
      QVERIFY2(QTest::qWaitForWindowExposed(form.get()), "main window not shown");
    }
  }
  ~Rig() { form.reset(); }

  // Waits for the power-up and start-up tuning to finish and forgets them.
  void settleAndClear() {
    pty.settle(80);
    pty.clear();
  }

  QString profile() const { return profile_; }

  PseudoTerminal pty;
  RadioLink link;
  std::unique_ptr<TMainForm> form;

 private:
  QString profile_;
};

// A main window on a profile without a port, for what sends nothing anyway:
// nothing is opened or sent.
inline std::unique_ptr<TMainForm> OpenWithoutPort(RadioLink& link, const QString& profile,
                                                  QMap<QString, QString> values = {},
                                                  bool show = true) {
  values.insert(QStringLiteral("Connection/Com Port"), QStringLiteral("Internet"));
  testsupport::WriteProfile(profile, values);
  auto form = std::make_unique<TMainForm>(link);
  if (show) form->show();
  return form;
}

// Bytes written as hexadecimal digits (blanks between frames allowed).
inline QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// Types a frequency as the operator would and presses Return.
inline void EnterFrequency(TMainForm* form, const QString& text) {
  form->FrequencyEdit->setFocus();
  form->FrequencyEdit->selectAll();
  form->FrequencyEdit->setText(text);
  QTest::keyClick(form->FrequencyEdit, Qt::Key_Return);
}

// Two pictures are the same when their pixels are.
inline bool SamePicture(const QPixmap& a, const QPixmap& b) {
  return a.toImage().convertToFormat(QImage::Format_ARGB32) ==
         b.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Which tray picture the main window shows: 1 OnImage, 0 OffImage, -1 other.
inline int TrayPicture(TMainForm* form) {
  const QPixmap shown = form->CorvaloTaskIcon->Icon().pixmap(QSize(15, 15));
  if (SamePicture(shown, form->OnImage->pixmap())) return 1;
  if (SamePicture(shown, form->OffImage->pixmap())) return 0;
  return -1;
}

}  // namespace guitest
