// The scan that stops on signals, against the virtual radio's simulated band
// on a pseudo-terminal: a range stops exactly on each station and on no
// empty channel in every radio family that can tell what it hears; hang and
// resume with a station that keys up and drops; skip and lockout; a radio
// that stops answering; a port that goes; plans that cannot be scanned.

#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <algorithm>
#include <optional>

#include "PseudoTerminal.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "VirtualRadioProcess.h"
#include "radio/BandSurvey.h"
#include "radio/RadioSession.h"
#include "radio/ScanHitLog.h"
#include "radio/SignalScanner.h"
#include "remote/RemoteServer.h"
#include "remote/SessionTarget.h"

using namespace testsupport;
using scanning::ScanChannel;
using scanning::ScanPlan;

namespace {

constexpr qint64 kStep = 12500;
constexpr qint64 kStart = 150'000'000;

// A band file of always-on stations (MHz, dB over S9) in FMN, and anything
// else given as it stands.
QString WriteBand(QTemporaryDir& dir, const QStringList& lines) {
  const QString path = dir.filePath(QStringLiteral("band.csv"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  for (const QString& line : lines) file.write(line.toUtf8() + '\n');
  return path;
}

// A session on the virtual radio of this protocol, opened and settled.
struct VirtualRig {
  VirtualRig(int protocol, const QString& band, QStringList extraArguments = {},
             QMap<QString, QString> settings = {})
      // The radio settles at once: on a loaded machine the virtual radio may
      // take in a retune late, and would then hear the old channel after the
      // scan waited long enough. The settle wait has a test of its own.
      : radio(QStringList{"--protocol", QString::number(protocol), "--address", "80", "--stations",
                          band, "--settle", "0"} +
              extraArguments) {
    if (!radio.started()) return;
    static int serial = 0;
    settings.insert(QStringLiteral("Connection/Com Port"), radio.devicePath());
    settings.insert(QStringLiteral("Connection/Protocol"), QString::number(protocol));
    settings.insert(QStringLiteral("Connection/Address"), QStringLiteral("80"));
    settings.insert(QStringLiteral("Connection/Readings Per Second"), QStringLiteral("0"));
    settings.insert(QStringLiteral("General/Frequency"), QStringLiteral("150"));
    store.emplace(QStringLiteral("Scan%1").arg(++serial));
    WriteSettings(*store, settings);
    session = std::make_unique<RadioSession>(*store);
    session->open();
  }
  bool open() {
    return radio.started() &&
           QTest::qWaitFor([this] { return session->portState() == RadioSession::PortState::Open; },
                           10000);
  }
  VirtualRadioProcess radio;
  std::optional<SettingsStore> store;
  std::unique_ptr<RadioSession> session;
};

ScanPlan Range(qint64 channels, const QString& mode = QStringLiteral("FMN")) {
  return ScanPlan::range({kStart, kStart + (channels - 1) * kStep, kStep, mode});
}

// Runs until `until` or the limit; the radio's log is taken in meanwhile.
bool RunUntil(VirtualRig& rig, const std::function<bool()>& until, int limitMs = 30000) {
  return QTest::qWaitFor(
      [&] {
        rig.radio.waitFor([](const QJsonObject&) { return false; }, 0);
        return until();
      },
      limitMs);
}

QList<qint64> HitFrequencies(const QList<SignalScanner::Hit>& hits) {
  QList<qint64> hz;
  for (const SignalScanner::Hit& hit : hits) hz << hit.channel.frequencyHz;
  return hz;
}

}  // namespace

class SignalScannerTest : public QObject {
  Q_OBJECT

 private slots:
  // One pass over 40 channels with three stations: a stop on each, in order,
  // and none elsewhere; the hit log has a row for each.
  void stopsExactlyOnEachStation_data() {
    QTest::addColumn<int>("protocol");
    QTest::newRow("Icom PCR1000") << 6;
    QTest::newRow("Icom CI-V") << 0;
    QTest::newRow("OS456/OS535") << 1;
    QTest::newRow("AR8000") << 2;
    QTest::newRow("BC-895XLT") << 5;
    QTest::newRow("AR3000A") << 9;
  }
  void stopsExactlyOnEachStation() {
    QFETCH(int, protocol);
    QTemporaryDir dir;
    const QList<qint64> stations = {kStart + 3 * kStep, kStart + 4 * kStep + 0,
                                    kStart + 31 * kStep};
    // Two neighbours and one alone, from weak to as strong as keeps the
    // neighbouring channels shut.
    const QString band = WriteBand(
        dir, {QStringLiteral("150.0375, FMN, -25, on"), QStringLiteral("150.05, FMN, -10, on"),
              QStringLiteral("150.3875, FMN, 0, on")});
    VirtualRig rig(protocol, band);
    QVERIFY2(rig.open(), qPrintable(rig.radio.startError()));
    SignalScanner& scanner = rig.session->signalScanner();
    SignalScanner::Settings settings;
    settings.maxListenMs = 150;  // always-on stations: move on after a while
    QList<SignalScanner::Hit> hits;
    connect(&scanner, &SignalScanner::hitEnded, this,
            [&hits](const SignalScanner::Hit& hit) { hits << hit; });
    QCOMPARE(scanner.start(Range(40), settings), QString());
    QVERIFY(RunUntil(rig, [&] { return scanner.passes() >= 1; }));
    scanner.stop();
    QCOMPARE(HitFrequencies(hits), stations);
    for (const SignalScanner::Hit& hit : hits) {
      QVERIFY(hit.durationMs >= settings.maxListenMs);
      QCOMPARE(hit.channel.mode, QStringLiteral("FMN"));
    }
    QCOMPARE(rig.session->hitLog().rowCount(), int(stations.size()));
    QCOMPARE(rig.session->hitLog().hitAt(0).channel.frequencyHz, stations.last());
    QCOMPARE(rig.radio.flagged(), QStringList());
  }

  // A station that keys up and drops: the scan stays while it is heard and
  // for the hang time after, then goes on; it stops again when it returns.
  void hangsWhileHeardAndResumesAfter() {
    QTemporaryDir dir;
    const QString band = WriteBand(dir, {QStringLiteral("150.025, FMN, -10, 0.6/0.6")});
    VirtualRig rig(6, band);
    QVERIFY(rig.open());
    SignalScanner& scanner = rig.session->signalScanner();
    SignalScanner::Settings settings;
    settings.hangMs = 300;
    QList<SignalScanner::Hit> hits;
    connect(&scanner, &SignalScanner::hitEnded, this,
            [&hits](const SignalScanner::Hit& hit) { hits << hit; });
    QCOMPARE(scanner.start(Range(8), settings), QString());
    QVERIFY(RunUntil(rig, [&] { return hits.size() >= 2; }));
    scanner.stop();
    for (const SignalScanner::Hit& hit : hits) {
      QCOMPARE(hit.channel.frequencyHz, kStart + 2 * kStep);
      // Held at least for the hang time after the signal went.
      QVERIFY2(hit.durationMs >= settings.hangMs, qPrintable(QString::number(hit.durationMs)));
      QVERIFY(hit.peakRaw.has_value());
    }
    QVERIFY(scanner.passes() >= 1);  // it went on between the two
  }

  // Skip passes over the channel for the rest of this scan; lockout does the
  // same and asks for a channel list's channel to be stored as locked out.
  void skipAndLockout() {
    QTemporaryDir dir;
    const QString band = WriteBand(
        dir, {QStringLiteral("150.0125, FMN, -10, on"), QStringLiteral("150.05, FMN, -10, on")});
    VirtualRig rig(6, band);
    QVERIFY(rig.open());
    std::vector<ScanChannel> channels;
    for (int i = 0; i < 6; ++i) {
      channels.push_back({kStart + i * kStep, QStringLiteral("FMN"), -1,
                          QStringLiteral("ch%1").arg(i), qint64(100 + i)});
    }
    SignalScanner& scanner = rig.session->signalScanner();
    QSignalSpy lockouts(&scanner, &SignalScanner::lockoutRequested);
    QList<qint64> heard;
    connect(&scanner, &SignalScanner::hitStarted, this, [&](const SignalScanner::Hit& hit) {
      heard << hit.channel.channelId;
      if (hit.channel.channelId == 101) scanner.skip();
      if (hit.channel.channelId == 104) scanner.lockout();
    });
    QCOMPARE(scanner.start(ScanPlan::channels(channels), {}), QString());
    QVERIFY(RunUntil(rig, [&] { return scanner.passes() >= 3; }));
    QCOMPARE(heard, QList<qint64>({101, 104}));  // each heard once, then passed over
    QCOMPARE(lockouts.count(), 1);
    QCOMPARE(lockouts.first().first().value<ScanChannel>().channelId, 104);
    // Nothing left to stop on: it keeps scanning the four others.
    QCOMPARE(scanner.state(), SignalScanner::State::Scanning);
  }

  // The priority channel is looked at every so often: a signal there takes
  // over from the hit listened to; a quiet one hands back to it.
  void priorityChannel_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("takesOver");
    QTest::newRow("heard") << "on" << true;
    QTest::newRow("quiet") << "off" << false;
  }
  void priorityChannel() {
    QFETCH(QString, pattern);
    QFETCH(bool, takesOver);
    QTemporaryDir dir;
    const QString band = WriteBand(dir, {QStringLiteral("150.025, FMN, -10, on"),
                                         QStringLiteral("151.0, FMN, -10, ") + pattern});
    VirtualRig rig(6, band);
    QVERIFY(rig.open());
    SignalScanner& scanner = rig.session->signalScanner();
    SignalScanner::Settings settings;
    settings.priority = ScanChannel{151'000'000, QStringLiteral("FMN"), -1, "Priority", 0};
    settings.priorityEveryMs = 200;
    QList<qint64> started, ended;
    int priorityLooks = 0;
    connect(&scanner, &SignalScanner::hitStarted, this,
            [&](const SignalScanner::Hit& hit) { started << hit.channel.frequencyHz; });
    connect(&scanner, &SignalScanner::hitEnded, this,
            [&](const SignalScanner::Hit& hit) { ended << hit.channel.frequencyHz; });
    connect(&scanner, &SignalScanner::channelChanged, this,
            [&](qsizetype, const ScanChannel& channel) {
              if (channel.frequencyHz == 151'000'000 && !started.isEmpty()) ++priorityLooks;
            });
    QCOMPARE(scanner.start(Range(4), settings), QString());
    // The always-on station holds the scan (no hang ends, no longest listen).
    // heard: the priority hit holds the scan from then on; quiet: the scan
    // stays on the hit between the looks.
    QVERIFY(RunUntil(
        rig, [&] { return takesOver ? started.contains(151'000'000) : priorityLooks >= 3; }));
    scanner.stop();
    if (takesOver) {
      QVERIFY(started.contains(151'000'000));
      QCOMPARE(started.first(), kStart + 2 * kStep);
    } else {
      QCOMPARE(started, QList<qint64>({kStart + 2 * kStep}));
      QCOMPARE(ended, QList<qint64>({kStart + 2 * kStep}));  // ended by the stop alone
    }
  }

  // Another program asking the strength and the squelch during a scan gets
  // answers from the channel the scan is on.
  void remoteReadsDuringAScan() {
    QTemporaryDir dir;
    const QString band = WriteBand(dir, {QStringLiteral("150.025, FMN, -10, on")});
    VirtualRig rig(6, band);
    QVERIFY(rig.open());
    SessionTarget target(*rig.session);
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    SignalScanner& scanner = rig.session->signalScanner();
    SignalScanner::Settings settings;
    settings.maxListenMs = 100;
    QCOMPARE(scanner.start(Range(8), settings), QString());
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(client.waitForConnected(5000));
    for (int i = 0; i < 10; ++i) {
      client.write("l STRENGTH\n\\get_dcd\n");
      QByteArray answer;
      QVERIFY(RunUntil(rig, [&] {
        answer += client.readAll();
        return answer.count('\n') >= 2;
      }));
      const QList<QByteArray> lines = answer.trimmed().split('\n');
      bool isNumber = false;
      lines.at(0).toInt(&isNumber);
      QVERIFY2(isNumber, answer.constData());
      QVERIFY2(lines.at(1) == "0" || lines.at(1) == "1", answer.constData());
    }
    QVERIFY(scanner.running());
  }

  // A radio that stops answering pauses the scan with a message, and it
  // goes on once the radio answers again; a port that goes ends it.
  void silentRadioPausesAndVanishedPortStops() {
    PseudoTerminal pty;
    SettingsStore store(QStringLiteral("ScanSilent"));
    WriteSettings(store, {{"Connection/Com Port", pty.devicePath()},
                          {"Connection/Protocol", "6"},
                          {"Connection/Readings Per Second", "0"}});
    RadioSession session(store);
    session.open();
    QTRY_COMPARE(session.portState(), RadioSession::PortState::Open);
    SignalScanner& scanner = session.signalScanner();
    QSignalSpy messages(&scanner, &SignalScanner::message);
    QCOMPARE(scanner.start(Range(4), {}), QString());
    QTRY_COMPARE_WITH_TIMEOUT(scanner.state(), SignalScanner::State::Paused, 10000);
    QCOMPARE(messages.first().first().toString(), QStringLiteral("no reading from the radio"));

    // The radio answers again: every squelch query gets "shut".
    QTimer answer;
    qsizetype answered = 0;
    connect(&answer, &QTimer::timeout, this, [&] {
      const QByteArray seen = pty.received();
      for (qsizetype at = seen.indexOf("I0?", answered); at >= 0;
           at = seen.indexOf("I0?", at + 1)) {
        pty.write("I004\r\n");
        answered = at + 1;
      }
    });
    answer.start(2);
    QTRY_COMPARE_WITH_TIMEOUT(scanner.state(), SignalScanner::State::Scanning, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(scanner.passes() >= 1, 10000);
    answer.stop();

    messages.clear();
    session.releasePort();  // the port goes as far as the scan can tell
    QTRY_COMPARE_WITH_TIMEOUT(scanner.state(), SignalScanner::State::Idle, 10000);
    QVERIFY(!messages.isEmpty());
  }

  // A survey's levels follow the band: highest on the station, falling off
  // either side within the filter's width, noise elsewhere; peaks hold over
  // sweeps, and a cancel ends it at once.
  void surveyFollowsTheBand() {
    QTemporaryDir dir;
    const QString band = WriteBand(dir, {QStringLiteral("150.05, FMN, 0, on")});
    VirtualRig rig(6, band);
    QVERIFY(rig.open());
    BandSurvey& survey = rig.session->survey();
    QCOMPARE(survey.start({kStart, kStart + 100'000, 2500, "FMN"}, true), QString());
    QVERIFY(RunUntil(rig, [&] { return survey.sweeps() >= 2; }));
    survey.cancel();
    QSignalSpy after(&survey, &BandSurvey::pointRead);
    const std::vector<BandSurvey::Point>& points = survey.points();
    QCOMPARE(points.size(), size_t(41));
    const auto level = [&](qint64 hz) { return *points[size_t((hz - kStart) / 2500)].raw; };
    const qint64 station = kStart + 50'000;
    for (const BandSurvey::Point& p : points) {
      QVERIFY(p.raw && p.peak && *p.peak >= *p.raw);
      if (p.frequencyHz != station) QVERIFY(*p.raw < level(station));
    }
    QVERIFY(level(station - 2500) > level(station - 5000));
    QVERIFY(level(station + 2500) > level(station + 5000));
    QVERIFY(level(station) - level(kStart) > 100);  // S9 against the noise
    QTest::qWait(200);
    QCOMPARE(after.count(), 0);
    QVERIFY(!survey.running());
  }

  // A scan step: the tuning command (CI-V: its frequency frame alone while
  // the mode stays), then the squelch query no sooner than the settle time
  // after it.
  void stepReadsOnceSettled_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("tuning");
    QTest::addColumn<QByteArray>("query");
    QTest::newRow("PCR1000") << 6 << QByteArray("K00150012500050200\r\n") << QByteArray("I0?\r\n");
    QTest::newRow("CI-V") << 0 << QByteArray::fromHex("FEFE80E0050025015001FD")
                          << QByteArray::fromHex("FEFE80E01501FD");
  }
  void stepReadsOnceSettled() {
    QFETCH(int, protocol);
    QFETCH(QByteArray, tuning);
    QFETCH(QByteArray, query);
    PseudoTerminal pty;
    SettingsStore store(QStringLiteral("ScanSettle%1").arg(protocol));
    WriteSettings(store, {{"Connection/Com Port", pty.devicePath()},
                          {"Connection/Protocol", QString::number(protocol)},
                          {"Connection/Address", "80"},
                          {"Connection/Readings Per Second", "0"},
                          {"Connection/Settle Time", "40"},
                          {"General/Frequency", "150"},
                          {"General/Mode", "FMN"}});
    RadioSession session(store);
    session.open();
    QTRY_COMPARE(session.portState(), RadioSession::PortState::Open);
    QCOMPARE(session.settleMs(), 40);
    bool done = false;
    session.tune(QStringLiteral("150"), QStringLiteral("FMN"), RadioSession::Origin::Operator,
                 [&](const LinkResult&) { done = true; });
    QTRY_VERIFY(done);
    pty.settle(100);
    pty.clear();
    done = false;
    session.scanStep({150'012'500, QStringLiteral("FMN"), -1, {}, 0}, session.settleMs(),
                     RadioSession::StepRead::Squelch, [&](const LinkResult&) { done = true; });
    QTRY_VERIFY_WITH_TIMEOUT(done, 5000);
    QCOMPARE(pty.received(), tuning + query);
    QVERIFY(pty.gapMs(tuning.size() - 1, tuning.size()) >= 40);
  }

  // What cannot be scanned is refused with its reason and sends nothing.
  void badPlansAreRefused_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("stop");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<qint64>("priority");  // 0: none
    QTest::addColumn<QString>("reason");
    const qint64 far = 2'000'000'000;
    QTest::newRow("stop below start")
        << 6 << kStart << kStart - kStep << kStep << qint64(0) << "stops below";
    QTest::newRow("zero step") << 6 << kStart << kStart + kStep << qint64(0) << qint64(0)
                               << "more than 0";
    QTest::newRow("negative step")
        << 6 << kStart << kStart + kStep << -kStep << qint64(0) << "more than 0";
    QTest::newRow("a step the radio cannot take")
        << 5 << kStart << kStart + kStep << qint64(50) << qint64(0) << "100 Hz";
    QTest::newRow("outside the coverage")
        << 6 << far << far + 100'000 << kStep << qint64(0) << "coverage";
    QTest::newRow("priority channel outside the coverage")
        << 6 << kStart << kStart + kStep << kStep << far << "coverage";
  }
  void badPlansAreRefused() {
    QFETCH(int, protocol);
    QFETCH(qint64, start);
    QFETCH(qint64, stop);
    QFETCH(qint64, step);
    QFETCH(qint64, priority);
    QFETCH(QString, reason);
    SignalScanner::Settings settings;
    if (priority != 0) settings.priority = ScanChannel{priority, "FMN", -1, "Priority", 0};
    PseudoTerminal pty;
    SettingsStore store(QStringLiteral("ScanBad"));
    WriteSettings(store, {{"Connection/Com Port", pty.devicePath()},
                          {"Connection/Protocol", QString::number(protocol)},
                          {"Connection/Readings Per Second", "0"}});
    RadioSession session(store);
    session.open();
    QTRY_COMPARE(session.portState(), RadioSession::PortState::Open);
    pty.settle(200);
    pty.clear();
    const QString refusal =
        session.signalScanner().start(ScanPlan::range({start, stop, step, "FMN"}), settings);
    QVERIFY2(refusal.contains(reason), qPrintable(refusal));
    if (priority == 0) {
      QCOMPARE(session.survey().start({start, stop, step, "FMN"}, false).isEmpty(), false);
    }
    QCOMPARE(session.signalScanner().start(ScanPlan::channels({}), {}),
             QStringLiteral("There is nothing to scan."));
    QCOMPARE(session.signalScanner().state(), SignalScanner::State::Idle);
    QCOMPARE(pty.settle(100), QByteArray());
  }
};

CORVALO_TEST_GUILESS_MAIN(SignalScannerTest)
#include "tst_signal_scanner.moc"
