// The scan panel's signal scan and the hit log window against the virtual
// radio: a range scan stops on each station, the hit log shows every stop
// and tunes, stores and writes them; skip and lockout from the panel and
// its keys, readings still answered meanwhile, a lockout kept in the channel lists across a
// restart; and what cannot be scanned refused with one message and nothing sent.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QtTest/QtTest>
#include <optional>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"
#include "VirtualWindow.h"
#include "channels/ChannelStore.h"
#include "radio/LinkRequest.h"
#include "radio/ScanHitLog.h"
#include "radio/SignalScanner.h"

using namespace guitest;
using namespace testsupport;

namespace {

constexpr int kRange = 0;
constexpr int kList = 1;
constexpr qint64 kAlpha = 150'025'000;
constexpr qint64 kBravo = 150'075'000;
const QStringList kStations = {QStringLiteral("150.025, FMN, -10, on"),
                               QStringLiteral("150.075, FMN, -10, on")};

QString StatusText(TMainForm* form) { return Find<QLabel>(form, "StatusPanel0")->text(); }

// Chooses the panel's source (and the list or tag by name) as the operator does.
void ChooseSource(TMainForm* form, int source, const QString& list = {}) {
  auto* sources = Find<QComboBox>(form, "ScanSourceComboBox");
  sources->setCurrentIndex(source);
  emit sources->activated(source);
  if (list.isEmpty()) return;
  auto* lists = Find<QComboBox>(form, "ScanListComboBox");
  lists->setCurrentIndex(lists->findText(list));
  emit lists->activated(lists->currentIndex());
}

// A list of the test's channel database made anew, its channels locked out
// when asked.
void MakeList(const QString& name, const QList<std::pair<qint64, QString>>& channels,
              bool lockedOut = false) {
  channels::ChannelStore store;
  if (const auto old = store.findList(name); old.ok()) store.deleteList(old.value().id);
  const qint64 list = store.createList(name).value();
  for (const auto& [hz, label] : channels) {
    channels::Channel channel;
    channel.listId = list;
    channel.frequencyHz = hz;
    channel.mode = QStringLiteral("FMN");
    channel.name = label;
    channel.lockout = lockedOut;
    QVERIFY(store.addChannel(channel).ok());
  }
}

QString Cell(QTableView* table, int row, int column) {
  return table->model()->index(row, column).data().toString();
}

}  // namespace

class SignalScanPanelTest : public QObject {
  Q_OBJECT

 private slots:
  // A range from Lower to Upper stops on each station; Skip (its key in the
  // hit log window, then its button) goes on and passes the station over for the rest of the
  // scan. The status bar and the hidden window's tray hint tell the state;
  // the hit log shows both stops newest first, tunes one on Return, adds
  // one to a list it names, and writes them to the data folder.
  // The scan options: a priority frequency outside the coverage is refused
  // and the dialog stays; what is confirmed is stored and used by the next
  // scan (here a longest listen of 1 s moves on from a station that stays).
  void scanOptionsReachTheScan() {
    VirtualWindow w(kStations);
    QVERIFY2(w.open(), qPrintable(w.startError()));
    int shown = 0;
    ModalWindows watcher([&](QDialog* dialog) {
      if (dialog->objectName() != QLatin1String("ScanOptionsDialog")) return;
      Find<QSpinBox>(dialog, "longestListen")->setValue(1);
      auto* priority = Find<QLineEdit>(dialog, "priorityFrequency");
      priority->setText(++shown == 1 ? QStringLiteral("99999") : QString());
      dialog->accept();
      if (dialog->isVisible()) dialog->reject();  // refused: it stayed open
    });
    w.find<QAction>("ScanOptions1")->trigger();
    QCOMPARE(watcher.texts(), QStringList({"Not a valid frequency."}));
    QCOMPARE(ReadSetting(w.store, QStringLiteral("Scan/Longest Listen"), {}), QString());
    w.find<QAction>("ScanOptions1")->trigger();
    QCOMPARE(ReadSetting(w.store, QStringLiteral("Scan/Longest Listen"), {}), QStringLiteral("1"));

    w.find<QLineEdit>("LowerLimitEdit")->setText(QStringLiteral("150"));
    w.find<QLineEdit>("UpperLimitEdit")->setText(QStringLiteral("150.1"));
    ChooseSource(w.form.get(), kRange);
    SignalScanner& scanner = w.session.signalScanner();
    QList<SignalScanner::Hit> ended;
    connect(&scanner, &SignalScanner::hitEnded, this,
            [&ended](const SignalScanner::Hit& hit) { ended << hit; });
    w.find<QPushButton>("SignalScanButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 2, 20000);
    QCOMPARE(ended.at(0).channel.frequencyHz, kAlpha);
    QCOMPARE(ended.at(1).channel.frequencyHz, kBravo);
    QVERIFY(ended.at(0).durationMs >= 1000);
    scanner.stop();
  }

  void rangeScanFillsTheHitLog() {
    ModalWindows watcher;
    VirtualWindow w(kStations);
    QVERIFY2(w.open(), qPrintable(w.startError()));
    TMainForm* form = w.form.get();
    w.find<QLineEdit>("LowerLimitEdit")->setText(QStringLiteral("150"));
    w.find<QLineEdit>("UpperLimitEdit")->setText(QStringLiteral("150.1"));
    ChooseSource(form, kRange);
    w.find<QAction>("HitLog1")->trigger();
    auto* table = w.find<QTableView>("hits");
    QVERIFY(table->isVisible());

    SignalScanner& scanner = w.session.signalScanner();
    w.find<QPushButton>("SignalScanButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(scanner.state(), SignalScanner::State::Listening, 10000);
    QCOMPARE(scanner.current().frequencyHz, kAlpha);
    QVERIFY2(StatusText(form).startsWith(QStringLiteral("Stopped on 150.02500")),
             qPrintable(StatusText(form)));
    QCOMPARE(w.find<QPushButton>("SignalScanButton")->text(), QStringLiteral("Stop"));

    // Listened to for a moment: the level is read.
    QTRY_VERIFY(scanner.hit() && scanner.hit()->peakRaw);
    // The keys work in the hit log window too.
    QVERIFY(QTest::qWaitForWindowActive(table->window()));
    QTest::keyClick(table, Qt::Key_N, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(scanner.hitCount(), 2, 10000);
    QCOMPARE(scanner.current().frequencyHz, kBravo);
    QTRY_VERIFY(scanner.hit() && scanner.hit()->peakRaw);
    w.find<QPushButton>("SignalSkipButton")->click();
    // Both passed over: the scan goes round without stopping.
    QTRY_VERIFY_WITH_TIMEOUT(scanner.passes() >= 2, 20000);
    QCOMPARE(scanner.hitCount(), 2);
    QCOMPARE(scanner.state(), SignalScanner::State::Scanning);
    // A remote program's reading is still answered between the steps.
    std::optional<LinkResult> asked;
    w.session.readNow([&asked](const LinkResult& result) { asked = result; });
    QTRY_VERIFY(asked.has_value());
    QVERIFY(asked->answered && asked->raw.has_value());

    form->hide();
    const auto* tray = w.find<TTaskIcon>("CorvaloTaskIcon");
    QTRY_VERIFY2(tray->Hint().startsWith(QStringLiteral("Corvalo: Scanning")) &&
                     tray->Hint().contains(QStringLiteral("2 hits")),
                 qPrintable(tray->Hint()));
    form->show();

    QCOMPARE(table->model()->rowCount(), 2);
    QCOMPARE(Cell(table, 0, ScanHitLog::Frequency), QStringLiteral("150.07500"));
    QCOMPARE(Cell(table, 1, ScanHitLog::Frequency), QStringLiteral("150.02500"));
    QCOMPARE(Cell(table, 1, ScanHitLog::Mode), QStringLiteral("FMN"));
    QVERIFY(!Cell(table, 0, ScanHitLog::Peak).isEmpty());
    QVERIFY(Cell(table, 1, ScanHitLog::Duration).endsWith(QStringLiteral(" s")));

    // Tuning a hit is the operator's tuning: it ends the scan.
    table->selectRow(1);
    QTest::keyClick(table, Qt::Key_Return);
    QTRY_COMPARE(w.session.tuning().frequencyText.trimmed(), QStringLiteral("150.02500"));
    QCOMPARE(scanner.state(), SignalScanner::State::Idle);
    QTRY_VERIFY(w.tuned().endsWith(kAlpha));

    table->selectRow(0);
    watcher.expect(ModalWindows::enterText(QStringLiteral("Heard")));
    w.find<QPushButton>("addHitToList")->click();
    QVERIFY(watcher.waitForSeen(1));
    channels::ChannelStore store;
    const auto heard = store.findList(QStringLiteral("Heard"));
    QVERIFY2(heard.ok(), qPrintable(heard.error()));
    const QList<channels::Channel> stored = store.channels(heard.value().id).value();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().frequencyHz, kBravo);
    QCOMPARE(stored.first().mode, QStringLiteral("FMN"));

    w.find<QPushButton>("writeHits")->click();
    const QString said = w.find<QLabel>("hitLogStatus")->text();
    const QString path = said.mid(said.indexOf(QStringLiteral(" to ")) + 4);
    QVERIFY2(path.startsWith(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)),
             qPrintable(said));
    QFile csv(path);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll().count('\n'), 3);  // the header and the two hits
    QCOMPARE(watcher.unexpectedCount(), 0);
  }

  // Lock out while stopped on a list's channel: stored in the channel
  // lists, so a later run of the program never tunes it again.
  void lockoutIsKeptAcrossRestart() {
    ModalWindows watcher;
    MakeList(QStringLiteral("Local"),
             {{kAlpha, "Alpha"}, {150'050'000, "Quiet"}, {kBravo, "Bravo"}});
    for (int run = 0; run < 2; ++run) {
      VirtualWindow w(kStations);
      QVERIFY2(w.open(), qPrintable(w.startError()));
      ChooseSource(w.form.get(), kList, QStringLiteral("Local"));
      SignalScanner& scanner = w.session.signalScanner();
      w.find<QPushButton>("SignalScanButton")->click();
      QTRY_COMPARE_WITH_TIMEOUT(scanner.state(), SignalScanner::State::Listening, 10000);
      if (run == 0) {
        QCOMPARE(scanner.current().name, QStringLiteral("Alpha"));
        w.find<QPushButton>("LockoutButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(scanner.hitCount(), 2, 10000);
      }
      QCOMPARE(scanner.current().name, QStringLiteral("Bravo"));
      w.find<QPushButton>("SignalScanButton")->click();
      QCOMPARE(scanner.state(), SignalScanner::State::Idle);
      if (run == 1) QVERIFY(!w.tuned().contains(kAlpha));
    }
    channels::ChannelStore store;
    const QList<channels::Channel> local =
        store.channels(store.findList(QStringLiteral("Local")).value().id).value();
    QCOMPARE(local.size(), 3);
    for (const channels::Channel& channel : local) {
      QCOMPARE(channel.lockout, channel.name == QLatin1String("Alpha"));
    }
    QCOMPARE(watcher.unexpectedCount(), 0);
  }

  // What cannot be scanned gets one message with its reason, and nothing
  // reaches the radio.
  void refusedScansSendNothing_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("upper");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("reason");
    const QString none;
    QTest::newRow("stop below start") << kRange << none << "150.1"
                                      << "150"
                                      << "12.5"
                                      << "stops below where it starts";
    QTest::newRow("zero step") << kRange << none << "150"
                               << "150.1"
                               << "0"
                               << "more than 0";
    QTest::newRow("negative step") << kRange << none << "150"
                                   << "150.1"
                                   << "-12.5"
                                   << "more than 0";
    QTest::newRow("a step the radio cannot take") << kRange << none << "150"
                                                  << "150.1"
                                                  << "0.015"
                                                  << "steps of 10 Hz";
    QTest::newRow("a step of part of a hertz") << kRange << none << "150"
                                               << "150.1"
                                               << "12.5005"
                                               << "no whole number of hertz";
    QTest::newRow("a step that is no number") << kRange << none << "150"
                                              << "150.1"
                                              << "12,5"
                                              << "not a number of kHz";
    QTest::newRow("empty list") << kList << "Empty" << none << none << none
                                << "The list \"Empty\" has no channels";
    QTest::newRow("every channel locked out")
        << kList << "Locked" << none << none << none
        << "Every channel of the list \"Locked\" is locked out";
  }
  void refusedScansSendNothing() {
    QFETCH(int, source);
    QFETCH(QString, list);
    QFETCH(QString, lower);
    QFETCH(QString, upper);
    QFETCH(QString, step);
    QFETCH(QString, reason);
    MakeList(QStringLiteral("Empty"), {});
    MakeList(QStringLiteral("Locked"), {{kAlpha, "Alpha"}, {kBravo, "Bravo"}}, true);
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    ChooseSource(form, source, list);
    if (source == kRange) {
      rig.c->LowerLimitEdit->setText(lower);
      rig.c->UpperLimitEdit->setText(upper);
      Find<QLineEdit>(form, "ScanStepEdit")->setText(step);
    }
    Find<QPushButton>(form, "SignalScanButton")->click();
    QVERIFY(watcher.waitForSeen(1));
    QCOMPARE(watcher.texts().size(), 1);
    QVERIFY2(watcher.texts().first().contains(reason), qPrintable(watcher.texts().first()));
    QCOMPARE(rig.session.signalScanner().state(), SignalScanner::State::Idle);
    QCOMPARE(rig.wire(), QByteArray());
  }
};

CORVALO_TEST_MAIN_IMPL(SignalScanPanelTest, QApplication)
#include "tst_signal_scan.moc"
