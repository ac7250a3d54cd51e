// The radio session through a real pseudo-terminal: requests from the GUI
// thread reach the wire from the link's own thread with the link's bytes,
// a slider dragged during a slow sequence sends only its last value, and the
// event loop of the calling thread keeps running while the radio is paced.
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QtTest>

#include "PseudoTerminal.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "VirtualRadioProcess.h"
#include "radio/RadioSession.h"
#include "radio/ScanSearch.h"

using namespace testsupport;

namespace {

// A profile whose port is the pseudo-terminal.
void WriteRig(SettingsStore& store, const PseudoTerminal& pty, int protocol,
              QMap<QString, QString> extra = {}) {
  extra.insert(QStringLiteral("Connection/Com Port"), pty.devicePath());
  extra.insert(QStringLiteral("Connection/Protocol"), QString::number(protocol));
  extra.insert(QStringLiteral("Connection/Address"), QStringLiteral("80"));
  // The bytes on the wire are the commands alone: the radio is not asked
  // what it hears.
  if (!extra.contains(QStringLiteral("Connection/Readings Per Second"))) {
    extra.insert(QStringLiteral("Connection/Readings Per Second"), QStringLiteral("0"));
  }
  WriteSettings(store, extra);
}

}  // namespace

class SessionTest : public QObject {
  Q_OBJECT

 private slots:
  void tuningReachesTheWireInOrder() {
    PseudoTerminal pty;
    SettingsStore store(QStringLiteral("Order"));
    WriteRig(store, pty, 6);
    RadioSession session(store);
    session.open();
    QTRY_COMPARE(session.portState(), RadioSession::PortState::Open);
    pty.settle();
    pty.clear();
    QCOMPARE(
        session.tune(QStringLiteral("145.5"), QStringLiteral("FMN"), RadioSession::Origin::Operator)
            .outcome,
        RadioSession::Outcome::Accepted);
    QCOMPARE(session.tuning().frequencyText, QStringLiteral("  145.50000"));
    QCOMPARE(
        session.tune(QStringLiteral("1e9"), QStringLiteral("FMN"), RadioSession::Origin::Operator)
            .reason,
        QStringLiteral("Not a valid frequency."));
    QCOMPARE(pty.settle(), QByteArray("K00145500000050200\r\n"));
    QTRY_COMPARE(session.tunedFrequency(), QStringLiteral("145.50000"));
  }

  // The operator drags the volume slider through 100 places while the
  // PCR1000 powers up slowly: the radio gets the last place only.
  void aDraggedSliderSendsItsLastValue() {
    PseudoTerminal pty;
    SettingsStore store(QStringLiteral("Drag"));
    WriteRig(store, pty, 6, {{"PCR1000/PCR1000 Command Delay", "40"}});
    RadioSession session(store);
    session.open();
    for (int level = 1; level <= 100; ++level) session.setLevel(RadioSession::Level::Volume, level);
    const QByteArray wire = pty.settle(400);
    QVERIFY2(wire.endsWith("J4164\r\nJ4164\r\n") == false, wire.constData());
    // The power-up's own volume (100 = 64) and squelch (75 = 4B), then the
    // last dragged volume (100 = 64) once.
    QCOMPARE(wire.count("J40"), 2);
    QVERIFY(wire.endsWith("J4064\r\nJ414B\r\nJ4064\r\n"));
  }

  // The calling thread's event loop runs on while the BC-895XLT's 1.4 s
  // power-up (a silent radio) is paced on the link's thread.
  void theEventLoopRunsDuringAPowerUp() {
    PseudoTerminal pty;
    SettingsStore store(QStringLiteral("Loop"));
    WriteRig(store, pty, 5);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();
    RadioSession session(store);
    QElapsedTimer clock;
    clock.start();
    session.open();
    QTRY_COMPARE_WITH_TIMEOUT(session.portState(), RadioSession::PortState::Open, 5000);
    const qint64 elapsed = clock.elapsed();
    QVERIFY(elapsed >= 1325);
    // A timer that fired all along: far more ticks than a blocked loop
    // would give (one).
    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
    QVERIFY(pty.received().startsWith("MD\r"));
  }

  // Stored coverage limits are held to what the configuration dialog
  // accepts, and a lowest above the highest reads as the default pair: a
  // frequency far outside never reaches the AR8000, whose command would carry
  // its text at any length; nor does one its command cannot carry.
  void storedCoverageIsHeldToTheDialogsLimits_data() {
    QTest::addColumn<QString>("lowest");
    QTest::addColumn<QString>("highest");
    QTest::addColumn<double>("lowestMhz");
    QTest::addColumn<double>("highestMhz");
    QTest::newRow("huge highest") << "0.5"
                                  << "1e308" << 0.5 << 9999.99999;
    QTest::newRow("negative lowest") << "-20"
                                     << "1300" << 0.0 << 1300.0;
    QTest::newRow("both above the top") << "20000"
                                        << "30000" << 9999.99999 << 9999.99999;
    QTest::newRow("lowest above highest") << "2000"
                                          << "100" << 0.1 << 1300.0;
    QTest::newRow("one frequency") << "145"
                                   << "145.0" << 145.0 << 145.0;
  }
  void storedCoverageIsHeldToTheDialogsLimits() {
    QFETCH(QString, lowest);
    QFETCH(QString, highest);
    QFETCH(double, lowestMhz);
    QFETCH(double, highestMhz);
    PseudoTerminal pty;
    SettingsStore store(QStringLiteral("Coverage") + QString::fromLatin1(QTest::currentDataTag()));
    WriteRig(store, pty, 2,
             {{"Coverage/Lowest Frequency", lowest}, {"Coverage/Highest Frequency", highest}});
    RadioSession session(store);
    session.open();
    QTRY_COMPARE(session.portState(), RadioSession::PortState::Open);
    pty.settle();
    pty.clear();
    QCOMPARE(session.lowestMhz(), lowestMhz);
    QCOMPARE(session.highestMhz(), highestMhz);
    QCOMPARE(
        session.tune(QStringLiteral("1e30"), QStringLiteral("FMN"), RadioSession::Origin::Operator)
            .reason,
        QStringLiteral("Not a valid frequency."));
    session.tuneUnchecked(QStringLiteral("10000.5"), QStringLiteral("FMN"), {});
    session.tuneUnchecked(QStringLiteral("1e30"), QStringLiteral("FMN"), {});
    bool sent = false;
    session.whenSent([&sent](const LinkResult&) { sent = true; });
    QTRY_VERIFY(sent);
    QCOMPARE(pty.settle(), QByteArray());
  }

  void shutdownPowersTheRadioOff() {
    PseudoTerminal pty;
    SettingsStore store(QStringLiteral("Off"));
    WriteRig(store, pty, 6, {{"General/Power Off", "1"}});
    {
      RadioSession session(store);
      session.open();
      session.tune(QStringLiteral("145.5"), QStringLiteral("FMN"), RadioSession::Origin::Operator);
      session.shutdown();
    }
    QVERIFY(pty.settle().endsWith("K00145500000050200\r\nH100\r\n"));
    QCOMPARE(ReadSetting(store, QStringLiteral("General/Frequency")), QStringLiteral("145.50000"));
  }

  void searchStepsUntilACarrierHoldsIt() {
    PseudoTerminal pty;
    SettingsStore store(QStringLiteral("Search"));
    WriteRig(store, pty, 6, {{"General/Frequency", "162.4"}});
    RadioSession session(store);
    std::atomic<bool> carrier{false};
    session.setCarrierLineOverride([&carrier] { return carrier.load(); });
    session.open();
    session.tune(QStringLiteral("162.4"), QStringLiteral("FMN"), RadioSession::Origin::Operator);
    session.scan().setLimits(QStringLiteral("162.4"), QStringLiteral("162.55"));
    QSignalSpy signal(&session.scan(), &ScanSearch::signalChanged);
    session.scan().choose(ScanSearch::Choice::Search);
    QTRY_COMPARE(session.tuning().frequencyText, QStringLiteral("  162.55000"));
    carrier = true;
    QTRY_VERIFY(!signal.isEmpty() && signal.last().first().toBool());
    const QString held = session.tuning().frequencyText;
    QTest::qWait(200);
    QCOMPARE(session.tuning().frequencyText, held);
    session.scan().choose(ScanSearch::Choice::Manual);
    QVERIFY(!session.scan().searching());
  }

  // The radio is asked what it hears while the link is idle: a station
  // opens the squelch, an empty channel does not, a reading taken before a
  // retune is never shown for the new frequency, and a radio that stops
  // answering shows no reading.
  void readingsFollowTheTuning_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("mode");
    QTest::newRow("PCR1000") << 6 << "FMN";
    QTest::newRow("CI-V") << 0 << "FMN";
    QTest::newRow("AR8000") << 2 << "FMN";
    QTest::newRow("BC-895XLT") << 5 << "FMN";
  }
  void readingsFollowTheTuning() {
    QFETCH(int, protocol);
    QFETCH(QString, mode);
    QTemporaryDir dir;
    QFile stations(dir.filePath(QStringLiteral("stations.csv")));
    QVERIFY(stations.open(QIODevice::WriteOnly));
    stations.write("162.55, FMN, 20, on\n");
    stations.close();
    VirtualRadioProcess radio({"--protocol", QString::number(protocol), "--address", "80",
                               "--settle", "0", "--stations", stations.fileName()});
    QVERIFY2(radio.started(), qPrintable(radio.startError()));
    SettingsStore store(QStringLiteral("Hear%1").arg(protocol));
    WriteSettings(store, {{"Connection/Com Port", radio.devicePath()},
                          {"Connection/Protocol", QString::number(protocol)},
                          {"Connection/Address", "80"},
                          {"General/Frequency", "162.55"}});
    RadioSession session(store);
    QVERIFY(session.canReadSignal());
    session.open();
    session.tune(QStringLiteral("162.55"), mode, RadioSession::Origin::Operator);
    QTRY_VERIFY_WITH_TIMEOUT(
        session.reading().valid && session.reading().squelchOpen.value_or(false), 10000);
    QVERIFY(session.reading().raw.has_value());

    // After the retune only readings of the empty channel count.
    int stale = 0;
    connect(&session, &RadioSession::readingChanged, this, [&session, &stale] {
      if (session.reading().valid && session.reading().squelchOpen.value_or(false)) ++stale;
    });
    session.tune(QStringLiteral("150.0"), mode, RadioSession::Origin::Operator);
    QTRY_VERIFY_WITH_TIMEOUT(
        session.reading().valid && !session.reading().squelchOpen.value_or(true), 10000);
    QCOMPARE(stale, 0);
  }

  void aSilentRadioShowsNoReading() {
    VirtualRadioProcess radio({"--protocol", "6", "--no-readings"});
    QVERIFY2(radio.started(), qPrintable(radio.startError()));
    SettingsStore store(QStringLiteral("Silent"));
    WriteSettings(store,
                  {{"Connection/Com Port", radio.devicePath()}, {"Connection/Protocol", "6"}});
    RadioSession session(store);
    session.open();
    QTRY_COMPARE(session.portState(), RadioSession::PortState::Open);
    // Three unanswered polls, then it is only probed now and then.
    QTest::qWait(1500);
    QVERIFY(!session.reading().valid);
    const auto queries = [&radio] {
      int n = 0;
      radio.waitFor([](const QJsonObject&) { return false; }, 10);
      for (const QJsonObject& event : radio.events()) {
        if (event.value(QStringLiteral("event")).toString() == QLatin1String("signal-query")) ++n;
      }
      return n;
    };
    const int before = queries();
    QTest::qWait(2000);
    QVERIFY2(queries() - before <= 1, qPrintable(QString::number(queries() - before)));
  }
};

CORVALO_TEST_GUILESS_MAIN(SessionTest)
#include "tst_session.moc"
