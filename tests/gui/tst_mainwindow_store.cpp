// The main window on settings that are damaged or cannot be written: what it
// reads instead, what it tells the operator, and what still reaches the radio.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QtTest/QtTest>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"
#include "app/main.h"
#include "radio/AorCommands.h"
#include "radio/Protocols.h"
#include "radio/RadioSession.h"

using namespace guitest;
using namespace testsupport;

namespace {

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class MainWindowStoreTest : public QObject {
  Q_OBJECT

 private slots:
  void garbageSettingsGiveDefaults() {
    ModalWindows watcher;
    SettingsStore store(QStringLiteral("Garbage"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store,
                                {{"General/Left", "2147483647"},
                                 {"General/Top", "-2147483648"},
                                 {"General/Width", "99999999999999"},
                                 {"General/Height", "0x7fffffff"},
                                 {"General/Show Icon", "maybe"},
                                 {"General/Step Size", QString(5000, QLatin1Char('9'))},
                                 {"Coverage/Supports AM", "no"},
                                 {"Presets/Active Group", "-1"}});
    const Controls c(form.get());
    QTest::qWait(20);
    QVERIFY(form->isVisible());
    QVERIFY(form->height() <= 8192);
    QCOMPARE(c.ModeComboBox->count(), 15);
    QVERIFY(c.GroupA->isChecked());
    QCOMPARE(watcher.texts(), QStringList());
    // "Show Icon" reads as on: minimised, the window keeps its taskbar button.
    form->showMinimized();
    QTRY_VERIFY(form->isMinimized());
    QTest::qWait(50);
    QVERIFY(form->isVisible());
  }

  void hugeProfileName() {
    ModalWindows watcher;
    SettingsStore store(QString(10000, QLatin1Char('p')));
    {
      RadioSession session(store);
      auto form = OpenWithoutPort(session, store, {{"General/Step Size", "0.01"}});
      QCOMPARE(session.stepSize(), 0.01);
    }
    QCOMPARE(ReadSetting(store, QStringLiteral("General/Step Size")), QStringLiteral("  0.01000"));
  }

  // A value of the wrong type (an unquoted comma makes a list) reads as its
  // default and is told once; the start-up goes on: the window takes its
  // caption and stored place, and the port opens.
  void wrongTypeIsToldAndTheStartUpCompletes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("line");  // as a hand edit leaves it in the file
    QTest::newRow("a window value") << "Left"
                                    << "General\\Left=10, 20";
    QTest::newRow("a link value") << "Mode"
                                  << "General\\Mode=AM, FMN";
  }
  void wrongTypeIsToldAndTheStartUpCompletes() {
    QFETCH(QString, name);
    QFETCH(QString, line);
    PseudoTerminal pty;
    const QString profile = QStringLiteral("WrongType") + name;
    SettingsStore store(profile);
    WriteSettings(store, {{"Connection/Com Port", pty.devicePath()},
                          {"Connection/Protocol", "6"},
                          {"Connection/Readings Per Second", "0"},
                          {"General/Top", "50"}});
    {
      QFile f(SettingsStore::fileName());
      QVERIFY(f.open(QIODevice::Append));
      f.write(QStringLiteral("\n[%1]\n%2\n").arg(profile, line).toUtf8());
    }
    ModalWindows watcher;
    RadioSession session(store);
    auto form = std::make_unique<TMainForm>(session, store);
    form->show();
    QTRY_COMPARE(session.portState(), RadioSession::PortState::Open);
    QCOMPARE(watcher.texts(), QStringList(QStringLiteral("Invalid data type for '%1'").arg(name)));
    QCOMPARE(watcher.icons().first(), QMessageBox::Critical);
    QCOMPARE(form->windowTitle(), QStringLiteral("Corvalo [%1:PCR-1000]").arg(pty.devicePath()));
    QCOMPARE(form->y(), 50);
  }

  // A save that fails at exit is told once, naming the file and why, and the
  // power-off the operator asked for still goes out. The settings folder
  // replaced by a plain file stands in for a settings file the user may not
  // write: nobody, root included, can write below it.
  void unwritableStoreAtExitStillPowersOff_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("powerOff");
    QTest::newRow("PCR1000") << int(protocols::kPcr1000) << QByteArray("H100\r\n");
    QTest::newRow("AR8000") << int(protocols::kAr8000) << encoders::Ar8000Exit();
  }
  void unwritableStoreAtExitStillPowersOff() {
    QFETCH(int, protocol);
    QFETCH(QByteArray, powerOff);
    ModalWindows watcher;
    auto rig = std::make_unique<Rig>(protocol, QMap<QString, QString>{{"General/Power Off", "1"}});
    rig->settleAndClear();
    QCOMPARE(PortDescriptors(rig->pty), 1);
    const QString file = SettingsStore::fileName();
    const QString folder = QFileInfo(file).absolutePath();
    const QByteArray before = FileBytes(file);
    QVERIFY(QDir().rename(folder, folder + ".saved"));
    QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
    rig->form.reset();
    QTRY_COMPARE(PortDescriptors(rig->pty), 0);
    const QByteArray wire = rig->pty.settle();
    QVERIFY(QFile::remove(folder));
    QVERIFY(QDir().rename(folder + ".saved", folder));
    QCOMPARE(watcher.texts(),
             QStringList(QStringLiteral("The settings could not be saved to %1: its folder %2 "
                                        "cannot be created.")
                             .arg(file, folder)));
    QVERIFY2(wire.endsWith(powerOff), wire.toHex().constData());
    QCOMPARE(FileBytes(file), before);
  }

  // A folder where the settings file should be is told once, at start; the
  // window comes up on the defaults, and its saves at exit tell nothing new.
  void folderInPlaceOfTheFileIsToldOnce() {
    SettingsStore store(QStringLiteral("FolderInPlace"));
    const QString file = SettingsStore::fileName();
    const bool existed = QFile::rename(file, file + ".saved");
    QVERIFY(QDir().mkpath(file));
    ModalWindows watcher;
    {
      RadioSession session(store);
      TMainForm form(session, store);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      QCOMPARE(form.y(), 146);
    }
    QVERIFY(QDir(file).removeRecursively());
    if (existed) QVERIFY(QFile::rename(file + ".saved", file));
    QStringList errors;
    for (const SeenModal& box : watcher.seen()) {
      if (box.icon == QMessageBox::Critical) errors << box.text;
    }
    QCOMPARE(errors, QStringList(QStringLiteral("The settings file %1 cannot be read: it is a "
                                                "folder. Defaults are used, and settings are not "
                                                "saved.")
                                     .arg(file)));
  }
};

CORVALO_TEST_MAIN_IMPL(MainWindowStoreTest, QApplication)
#include "tst_mainwindow_store.moc"
