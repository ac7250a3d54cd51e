// The signal scan's rate per protocol: a range of 1,000 channels at 12.5 kHz
// with 20 stations, scanned through the virtual radio on a pseudo-terminal
// with each radio's default settle time. Prints the channels tuned a second
// (the time listening on hits left out), and the stops that were missed
// (a station passed over) or misplaced (a stop where no station is).
// Asserts nothing.
//
//   scan [PASSES]   (default 1)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "SettingsFile.h"
#include "TestMain.h"
#include "VirtualRadioProcess.h"
#include "radio/Protocols.h"
#include "radio/RadioSession.h"
#include "radio/SignalScanner.h"

namespace {

constexpr qint64 kStart = 150'000'000;
constexpr qint64 kStep = 12'500;
constexpr int kChannels = 1000;
constexpr int kStations = 20;
constexpr int kListenMs = 30;  // how long the scan stays on an always-on station

struct Case {
  int protocol;
  int baud;          // "Com Port Rate"
  const char* line;  // the rate the line runs at while scanning
};

// 20 stations spread over the range, never on neighbouring channels, from
// -30 to 0 dB over S9 (strong enough to open the squelch, weak enough that
// the neighbouring channels stay shut).
QList<qint64> WriteBand(const QString& path) {
  QList<qint64> stations;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return stations;
  for (int i = 0; i < kStations; ++i) {
    const qint64 channel = 17 + i * 49 + (i * 7) % 13;
    const qint64 hz = kStart + channel * kStep;
    stations << hz;
    file.write(QByteArray::number(double(hz) / 1e6, 'f', 4) + ", FMN, " +
               QByteArray::number(-30 + (i * 3) % 31) + ", on\n");
  }
  return stations;
}

void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void Measure(const Case& c, const QString& band, const QList<qint64>& stations, int passes) {
  VirtualRadioProcess radio(
      {"--protocol", QString::number(c.protocol), "--address", "80", "--stations", band});
  if (!radio.started()) {
    std::fprintf(stderr, "virtual radio: %s\n", qPrintable(radio.startError()));
    return;
  }
  SettingsStore store(QStringLiteral("ScanRate%1").arg(c.protocol));
  testsupport::WriteSettings(store, {{"Connection/Com Port", radio.devicePath()},
                                     {"Connection/Protocol", QString::number(c.protocol)},
                                     {"Connection/Address", "80"},
                                     {"Connection/Com Port Rate", QString::number(c.baud)},
                                     {"Connection/Readings Per Second", "0"},
                                     {"General/Frequency", "150"}});
  RadioSession session(store);
  session.open();
  RunFor(2000);  // the power-up
  SignalScanner& scanner = session.signalScanner();
  QSet<qint64> expected(stations.cbegin(), stations.cend());
  int misplaced = 0;
  qint64 listenedMs = 0;
  QSet<qint64> stoppedOn;
  QObject::connect(&scanner, &SignalScanner::hitEnded, [&](const SignalScanner::Hit& hit) {
    if (!expected.contains(hit.channel.frequencyHz)) ++misplaced;
    stoppedOn.insert(hit.channel.frequencyHz);
    listenedMs += hit.durationMs;
  });
  SignalScanner::Settings settings;
  settings.maxListenMs = kListenMs;
  QElapsedTimer clock;
  clock.start();
  const QString refusal = scanner.start(
      scanning::ScanPlan::range({kStart, kStart + (kChannels - 1) * kStep, kStep, "FMN"}),
      settings);
  if (!refusal.isEmpty()) {
    std::fprintf(stderr, "%s\n", qPrintable(refusal));
    return;
  }
  QEventLoop loop;
  QObject::connect(&scanner, &SignalScanner::passCompleted, &loop, [&](int done) {
    if (done >= passes) loop.quit();
  });
  QTimer::singleShot(600000, &loop, &QEventLoop::quit);
  loop.exec();
  const qint64 elapsed = clock.elapsed();
  scanner.stop();
  const double scanning = double(elapsed - listenedMs) / 1000.0;
  const int missed = int((expected - stoppedOn).size());
  std::printf("  %-14s %7s %8d ms %12.1f %8d %10d\n", protocols::byNumber(c.protocol)->listText,
              c.line, session.settleMs(), double(passes * kChannels) / scanning, missed, misplaced);
  std::fflush(stdout);
  session.shutdown();
  radio.stop();
}

}  // namespace

int main(int argc, char** argv) {
  testsupport::IsolatedEnvironment environment;
  QCoreApplication app(argc, argv);
  const int passes = argc > 1 ? std::max(1, atoi(argv[1])) : 1;
  QTemporaryDir dir;
  const QString band = dir.filePath(QStringLiteral("band.csv"));
  const QList<qint64> stations = WriteBand(band);
  std::printf(
      "Signal scan of %d channels (12.5 kHz steps, %d stations, %d pass(es)) through the\n"
      "virtual radio on a pseudo-terminal, each radio's default settle time; the time on\n"
      "hits (%d ms each) left out of the rate.\n",
      kChannels, kStations, passes, kListenMs);
  std::printf("  %-14s %7s %11s %12s %8s %10s\n", "protocol", "line", "settle", "channels/s",
              "missed", "misplaced");
  // The PCR1000's power-up moves its line from 9600 to 38400 baud.
  for (const Case& c : {Case{6, 9600, "38400"}, Case{0, 19200, "19200"}, Case{1, 9600, "9600"},
                        Case{2, 9600, "9600"}, Case{5, 9600, "9600"}, Case{9, 9600, "9600"}}) {
    Measure(c, band, stations, passes);
  }
  return 0;
}
