#pragma once

// A main window on its own profile driving the virtual radio (an Icom
// PCR1000) that hears a band of the test's own, with the scan panel shown:
// for the suites of the signal scan, the hit log and the band survey.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <memory>

#include "GuiTestSupport.h"
#include "VirtualRadioProcess.h"

namespace guitest {

// The band file: one station a line ("150.025, FMN, -10, on").
inline QString WriteBand(const QTemporaryDir& dir, const QStringList& stations) {
  const QString path = dir.filePath(QStringLiteral("band.csv"));
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(stations.join(QLatin1Char('\n')).toUtf8() + '\n');
  return path;
}

class VirtualWindow {
 public:
  explicit VirtualWindow(const QStringList& stations, QMap<QString, QString> extra = {})
      // The radio settles at once: a loaded machine may have it take a retune
      // in late (the scanner's own test checks the settle wait).
      : radio_(QStringList{"--protocol", "6", "--stations", WriteBand(dir_, stations), "--settle",
                           "0"}),
        store(NextProfile()),
        session(store) {
    QMap<QString, QString> values = AllFeatures();
    values.insert(QStringLiteral("Connection/Com Port"), radio_.devicePath());
    values.insert(QStringLiteral("Connection/Protocol"), QStringLiteral("6"));
    values.insert(QStringLiteral("Connection/Readings Per Second"), QStringLiteral("0"));
    values.insert(QStringLiteral("General/Frequency"), QStringLiteral("150"));
    values.insert(QStringLiteral("General/Mode"), QStringLiteral("FMN"));
    values.insert(QStringLiteral("General/Show Scan Panel"), QStringLiteral("1"));
    for (auto it = extra.begin(); it != extra.end(); ++it) values.insert(it.key(), it.value());
    testsupport::WriteSettings(store, values);
    if (!radio_.started()) return;
    form = std::make_unique<TMainForm>(session, store);
    form->show();
  }
  ~VirtualWindow() { form.reset(); }

  // The radio runs, the window is shown and the port has opened.
  bool open() {
    return radio_.started() && QTest::qWaitForWindowExposed(form.get()) &&
           QTest::qWaitFor([this] { return session.portState() == RadioSession::PortState::Open; },
                           10000);
  }
  // The frequencies tuned so far, in hertz, as the radio heard its commands.
  QList<qint64> tuned() {
    radio_.waitFor([](const QJsonObject&) { return false; }, 0);
    QList<qint64> hz;
    for (const QJsonObject& e : radio_.events()) {
      if (e.value(QStringLiteral("event")).toString() == QLatin1String("tune")) {
        hz << e.value(QStringLiteral("frequencyHz")).toInteger();
      }
    }
    return hz;
  }
  QString startError() const { return radio_.startError(); }

  template <typename T>
  T* find(const char* name) {
    return Find<T>(form.get(), name);
  }

 private:
  static QString NextProfile() {
    static int serial = 0;
    return QStringLiteral("Virtual%1").arg(++serial);
  }
  QTemporaryDir dir_;
  VirtualRadioProcess radio_;

 public:
  SettingsStore store;
  RadioSession session;
  std::unique_ptr<TMainForm> form;
};

}  // namespace guitest
