// The cost of one reading per protocol: the query goes through the serial
// transport to the running virtual radio over a pseudo-terminal, and the
// time from the query having left to the reading being delivered is
// measured. Twice: with the radio's own turnaround and the answer's time on
// the wire at 9600 baud (what a real radio costs at least), and with no
// turnaround at 115200 baud (about the cost of the exchange itself: two
// processes, the pseudo-terminal, the parser). Prints figures; asserts
// nothing.
//
// Then the price of polling: a radio session on the virtual PCR1000 and on
// the virtual CI-V radio, asking 10 readings a second for a minute, with the
// CPU time this process spent on it.
//
//   readings [READINGS_PER_PROTOCOL [POLLING_SECONDS]]   (default 300 60)

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "SettingsFile.h"
#include "TestMain.h"
#include "VirtualRadioProcess.h"
#include "radio/Protocols.h"
#include "radio/RadioSession.h"
#include "radio/ReadingExchange.h"
#include "radio/Transport.h"
#include "radio/TuneCommand.h"

using namespace readings;

namespace {

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t at = static_cast<size_t>(std::max(0.0, std::ceil(p * double(v.size())) - 1));
  return v[std::min(at, v.size() - 1)];
}

struct Figures {
  std::vector<double> ms;
  int missed = 0;
};

Figures Measure(int protocol, const QString& stations, bool ownTurnaround, int count) {
  const int baud = ownTurnaround ? 9600 : 115200;
  Figures f;
  QStringList arguments{"--protocol", QString::number(protocol), "--stations", stations};
  if (!ownTurnaround)
    arguments << "--reply-delay"
              << "0";
  VirtualRadioProcess radio(arguments);
  if (!radio.started()) {
    std::fprintf(stderr, "virtual radio: %s\n", qPrintable(radio.startError()));
    return f;
  }
  const std::unique_ptr<Transport> line = makeTransport(radio.devicePath());
  if (!line->open(baud)) return f;
  LinkFacts link;
  link.protocol = protocol;
  link.address = protocol == 1 ? 0x80 : 0x58;
  link.tunedHz = 162550000;
  link.baudRate = baud;
  if (protocol == 6) line->write("H101\r\n");
  if (protocol == 1) line->write(QByteArray::fromHex("FEFE80E07F02FD"));
  encoders::TuneParameters tuning;
  tuning.protocol = protocol;
  tuning.civAddress = link.address;
  const encoders::TuneCommand tune = encoders::EncodeTuning(tuning, "162.55", "FMN");
  line->write(tune.bytes + tune.modeFrame);
  const std::optional<Query> query = makeQuery(link, Quantity::Signal);
  Clock::time_point next = Clock::now() + std::chrono::milliseconds(100);
  for (int i = 0; i < count; ++i) {
    const Exchange e = exchange(*line, *query, next, replyDeadline(*query, baud) * 4);
    if (e.reading) {
      f.ms.push_back(std::chrono::duration<double, std::milli>(e.finished - e.written).count());
    } else {
      ++f.missed;
    }
    // Take in the radio's log between readings: a full pipe would stop it.
    radio.waitFor([](const QJsonObject&) { return false; }, 1);
    next = e.finished + std::chrono::milliseconds(20);
  }
  line->close();
  radio.stop();
  return f;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for ms milliseconds, sleeping while nothing happens.
void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// A session polling the virtual radio at 10 readings a second for `seconds`:
// the readings it took and the CPU time it cost (every thread of this
// process: the GUI thread's session and the link's thread).
void Polling(int protocol, const QString& stations, int seconds) {
  VirtualRadioProcess radio({"--protocol", QString::number(protocol), "--stations", stations});
  if (!radio.started()) {
    std::fprintf(stderr, "virtual radio: %s\n", qPrintable(radio.startError()));
    return;
  }
  SettingsStore store(QStringLiteral("Polling%1").arg(protocol));
  testsupport::WriteSettings(store, {{"Connection/Com Port", radio.devicePath()},
                                     {"Connection/Protocol", QString::number(protocol)},
                                     {"Connection/Address", "88"},
                                     {"Connection/Com Port Rate", protocol == 6 ? "9600" : "19200"},
                                     {"Connection/Readings Per Second", "10"}});
  int fresh = 0;
  {
    RadioSession session(store);
    QObject::connect(&session, &RadioSession::readingChanged, [&] {
      if (session.reading().valid) ++fresh;
    });
    session.open();
    // The power-up and first tuning are not part of the figure.
    RunFor(1500);
    fresh = 0;
    const double cpuBefore = CpuSeconds();
    QElapsedTimer clock;
    clock.start();
    // Keep the radio's log drained while the session polls.
    QTimer drain;
    QObject::connect(&drain, &QTimer::timeout,
                     [&] { radio.waitFor([](const QJsonObject&) { return false; }, 0); });
    drain.start(200);
    RunFor(seconds * 1000);
    const double cpu = CpuSeconds() - cpuBefore;
    const double wall = double(clock.elapsed()) / 1000;
    std::printf("  %-14s %8d %9.1f %12.2f %9.2f %%\n", protocols::byNumber(protocol)->listText,
                fresh, double(fresh) / wall, cpu, 100 * cpu / wall);
    std::fflush(stdout);
    session.shutdown();
  }
  radio.stop();
}

}  // namespace

int main(int argc, char** argv) {
  testsupport::IsolatedEnvironment environment;
  QCoreApplication app(argc, argv);
  const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 300;
  QTemporaryDir dir;
  const QString stations = dir.filePath(QStringLiteral("stations.csv"));
  QFile file(stations);
  if (!file.open(QIODevice::WriteOnly)) return 1;
  file.write("162.55, FMN, 20, on\n");
  file.close();

  std::printf(
      "One reading (signal query) per protocol through the virtual radio on a\n"
      "pseudo-terminal: query left -> reading delivered, %d readings each.\n"
      "A: the radio's own turnaround and wire time at 9600 baud; B: no turnaround,\n"
      "115200 baud.\n",
      count);
  std::printf("  %-14s %11s %9s %7s   %11s %9s %7s\n", "protocol", "A median ms", "p99 ms",
              "missed", "B median ms", "p99 ms", "missed");
  for (const ProtocolReadings& p : all()) {
    const Figures own = Measure(p.protocol, stations, true, count);
    const Figures bare = Measure(p.protocol, stations, false, count);
    std::printf("  %-14s %11.2f %9.2f %7d   %11.2f %9.2f %7d\n",
                protocols::byNumber(p.protocol)->listText, Percentile(own.ms, 0.5),
                Percentile(own.ms, 0.99), own.missed, Percentile(bare.ms, 0.5),
                Percentile(bare.ms, 0.99), bare.missed);
    std::fflush(stdout);
  }

  const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 60;
  std::printf(
      "\nPolling at 10 readings a second for %d s through the virtual radio: the\n"
      "readings delivered and the CPU time of this process (all threads).\n",
      seconds);
  std::printf("  %-14s %8s %9s %12s %11s\n", "protocol", "readings", "per s", "CPU s", "of a core");
  Polling(6, stations, seconds);
  Polling(0, stations, seconds);
  return 0;
}
