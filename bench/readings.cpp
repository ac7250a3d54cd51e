// The cost of one reading per protocol: the query goes through the serial
// transport to the running virtual radio over a pseudo-terminal, and the
// time from the query having left to the reading being delivered is
// measured. Twice: with the radio's own turnaround and the answer's time on
// the wire at 9600 baud (what a real radio costs at least), and with no
// turnaround at 115200 baud (about the cost of the exchange itself: two
// processes, the pseudo-terminal, the parser). Prints figures; asserts
// nothing.
//
//   readings [READINGS_PER_PROTOCOL]   (default 300)

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "TestMain.h"
#include "VirtualRadioProcess.h"
#include "radio/Protocols.h"
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
  return 0;
}
