// corvalo-virtual-radio: a radio on a pseudo-terminal. It prints the device
// path to give the program as its port, then decodes every command the
// program sends, keeps the radio's state and prints one line per command.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTime>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>

#include "ProtocolArgument.h"
#include "PtyPort.h"
#include "VirtualRadio.h"
#include "radio/Protocols.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnStopSignal(int) { gStop = 1; }

// How long an unfinished command may wait for its end before it is reported.
constexpr int kIdleFlushMs = 500;

class Output {
 public:
  Output(bool json, bool asText) : json_(json), asText_(asText) { clock_.start(); }

  void event(const RadioEvent& e) {
    const QTime now = QTime::currentTime();
    const double ms = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
    line(json_ ? FormatJson(e, now, ms) : FormatReadable(e, now, asText_).toUtf8());
  }
  void line(const QByteArray& text) {
    // A closed output (the reader went away) ends the program.
    if (std::fwrite(text.constData(), 1, size_t(text.size()), stdout) != size_t(text.size()) ||
        std::fputc('\n', stdout) == EOF || std::fflush(stdout) != 0) {
      std::exit(0);
    }
  }
  bool json() const { return json_; }

 private:
  bool json_;
  bool asText_;
  QElapsedTimer clock_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("corvalo-virtual-radio"));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("A virtual radio on a pseudo-terminal. Prints the device to use as the port "
                     "(first line), then one line per command received, with a millisecond "
                     "timestamp. Bytes that make no command are shown in hex and flagged with "
                     "\"!\". The program's opening of the port shows when its first bytes "
                     "arrive; rate changes show as the pseudo-terminal reports them (on Linux), "
                     "though a pseudo-terminal has no real baud timing. Stop it with Ctrl+C; it "
                     "prints the radio's state as it ends."));
  parser.addHelpOption();
  const QCommandLineOption protocolOption(
      QStringLiteral("protocol"),
      QStringLiteral("The radio to be: a protocol list text (\"Icom PCR1000\", \"AR8000\", "
                     "\"BC-895XLT\", ...) or the stored number. Default: Icom PCR1000."),
      QStringLiteral("protocol"), QStringLiteral("6"));
  const QCommandLineOption jsonOption(QStringLiteral("json"),
                                      QStringLiteral("Print JSON lines instead of text."));
  const QCommandLineOption modelReplyOption(
      QStringLiteral("model-reply"),
      QStringLiteral(
          "BC-895XLT: the answer to the model query \"MD\" (a CR follows). Default MD07."),
      QStringLiteral("text"), QStringLiteral("MD07"));
  const QCommandLineOption silentModelOption(
      QStringLiteral("silent-model"), QStringLiteral("BC-895XLT: never answer the model query."));
  const QCommandLineOption addressOption(
      QStringLiteral("address"),
      QStringLiteral("CI-V and OS456/OS535: the radio's address (1 or 2 hex digits). Frames to "
                     "other addresses are reported as such. Default: answer every address."),
      QStringLiteral("hex"));
  const QCommandLineOption stationsOption(
      QStringLiteral("stations"),
      QStringLiteral("The band to hear: a CSV file of stations, one a line: frequency MHz, mode, "
                     "strength in dB over S9, pattern (\"on\", \"off\", or ON/OFF seconds with "
                     "an optional @PHASE, as 4/11@2). Default: a built-in band plan."),
      QStringLiteral("file"));
  const QCommandLineOption printStationsOption(
      QStringLiteral("print-stations"),
      QStringLiteral(
          "Print the band (the built-in plan or --stations) as a station file and end."));
  const QCommandLineOption seedOption(QStringLiteral("seed"),
                                      QStringLiteral("The noise floor's seed. Default 1."),
                                      QStringLiteral("number"), QStringLiteral("1"));
  const QCommandLineOption squelchOption(
      QStringLiteral("squelch-db"),
      QStringLiteral("The squelch of radios whose squelch the program does not set, in dB over S9. "
                     "Default -40."),
      QStringLiteral("dB"), QStringLiteral("-40"));
  const QCommandLineOption noEchoOption(
      QStringLiteral("no-echo"),
      QStringLiteral("CI-V and OS456/OS535: no bus echo of the program's bytes."));
  const QCommandLineOption noAckOption(
      QStringLiteral("no-ack"), QStringLiteral("Acknowledge no command (no FB, G000, OK, ...)."));
  const QCommandLineOption noReadingsOption(
      QStringLiteral("no-readings"), QStringLiteral("Never answer a signal or squelch query."));
  const QCommandLineOption replyDelayOption(
      QStringLiteral("reply-delay"),
      QStringLiteral("The radio's turnaround before it answers, in ms. Default: the radio's own "
                     "(3 to 10 ms); the answer's time on the wire comes on top."),
      QStringLiteral("ms"));
  const QCommandLineOption settleOption(
      QStringLiteral("settle"),
      QStringLiteral("How long after a retune the radio still hears the old frequency, in ms. "
                     "Default: the radio's own (15 to 40 ms)."),
      QStringLiteral("ms"));
  const QCommandLineOption ic735Option(
      QStringLiteral("ic735"), QStringLiteral("CI-V: be an IC-735, which refuses meter queries."));
  parser.addOptions({protocolOption, jsonOption, modelReplyOption, silentModelOption, addressOption,
                     stationsOption, printStationsOption, seedOption, squelchOption, noEchoOption,
                     noAckOption, noReadingsOption, replyDelayOption, settleOption, ic735Option});
  parser.process(app);

  RadioOptions options;
  options.protocol = ParseProtocolArgument(parser.value(protocolOption));
  if (options.protocol < 0) {
    std::fprintf(stderr, "corvalo-virtual-radio: unknown protocol \"%s\"; known: %s\n",
                 qPrintable(parser.value(protocolOption)), qPrintable(KnownProtocolTexts()));
    return 2;
  }
  if (parser.isSet(addressOption)) {
    bool ok = false;
    const QString text = parser.value(addressOption);
    const uint address = text.toUInt(&ok, 16);
    if (!ok || text.isEmpty() || text.size() > 2) {
      std::fprintf(stderr,
                   "corvalo-virtual-radio: the address must be 1 or 2 hex digits, not \"%s\"\n",
                   qPrintable(text));
      return 2;
    }
    options.address = static_cast<quint8>(address);
  }
  options.modelReply = parser.value(modelReplyOption).toLatin1();
  options.silentModel = parser.isSet(silentModelOption);
  options.echo = !parser.isSet(noEchoOption);
  options.acknowledge = !parser.isSet(noAckOption);
  options.answerQueries = !parser.isSet(noReadingsOption);
  options.ic735 = parser.isSet(ic735Option);
  {
    bool seedOk = false, squelchOk = false, delayOk = true, settleOk = true;
    options.seed = parser.value(seedOption).toUInt(&seedOk);
    options.squelchDb = parser.value(squelchOption).toDouble(&squelchOk);
    if (parser.isSet(replyDelayOption)) {
      options.replyDelayMs = parser.value(replyDelayOption).toInt(&delayOk);
      delayOk = delayOk && *options.replyDelayMs >= 0;
    }
    if (parser.isSet(settleOption)) {
      options.settleMs = parser.value(settleOption).toInt(&settleOk);
      settleOk = settleOk && *options.settleMs >= 0;
    }
    if (!seedOk || !squelchOk || !delayOk || !settleOk) {
      std::fprintf(stderr,
                   "corvalo-virtual-radio: --seed takes a whole number, --squelch-db a number "
                   "of dB, --reply-delay and --settle a number of ms\n");
      return 2;
    }
  }
  if (parser.isSet(stationsOption)) {
    std::vector<Station> stations;
    QString error;
    if (!ReadStations(parser.value(stationsOption), &stations, &error)) {
      std::fprintf(stderr, "corvalo-virtual-radio: %s\n", qPrintable(error));
      return 2;
    }
    options.stations = std::move(stations);
  }
  if (parser.isSet(printStationsOption)) {
    const Band band(options.stations ? *options.stations : DefaultStations(), options.seed);
    std::fputs(band.toCsv().toUtf8().constData(), stdout);
    return 0;
  }

  PtyPort port;
  QString error;
  if (!port.open(&error)) {
    std::fprintf(stderr, "corvalo-virtual-radio: %s\n", qPrintable(error));
    return 1;
  }

  VirtualRadio radio(options);
  Output out(parser.isSet(jsonOption), radio.isTextProtocol());

  // The device comes first, on a line of its own, so scripts can read it.
  if (out.json()) {
    QJsonObject device{{QStringLiteral("event"), QStringLiteral("device")},
                       {QStringLiteral("path"), port.followerPath()}};
    out.line(QJsonDocument(device).toJson(QJsonDocument::Compact));
  } else {
    out.line(QByteArrayLiteral("device ") + port.followerPath().toLocal8Bit());
  }
  {
    const protocols::ProtocolInfo* info = protocols::byNumber(options.protocol);
    RadioEvent e = Event(QStringLiteral("radio"),
                         QStringLiteral("radio %1 (protocol %2) on %3, waiting for the program")
                             .arg(QString::fromLatin1(info->listText))
                             .arg(options.protocol)
                             .arg(port.followerPath()));
    e.fields.insert(QStringLiteral("protocol"), QString::fromLatin1(info->listText));
    e.fields.insert(QStringLiteral("number"), options.protocol);
    e.fields.insert(QStringLiteral("path"), port.followerPath());
    e.fields.insert(QStringLiteral("stations"), int(radio.band().stations().size()));
    e.fields.insert(QStringLiteral("echo"), options.echo && !radio.isTextProtocol());
    e.fields.insert(QStringLiteral("acknowledge"), options.acknowledge);
    e.text += QStringLiteral("; hears %1 stations").arg(radio.band().stations().size());
    if (options.address) {
      e.fields.insert(
          QStringLiteral("address"),
          QStringLiteral("%1").arg(*options.address, 2, 16, QLatin1Char('0')).toUpper());
    }
    out.event(e);
  }

  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGHUP, &stop, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  bool connected = false;
  int lastBaud = port.currentBaud();
  radio.setLineRate(lastBaud);
  // Answers wait for their time; they leave in the order they were made.
  using Clock = std::chrono::steady_clock;
  struct Due {
    Clock::time_point at;
    QByteArray bytes;
  };
  std::deque<Due> due;
  const auto schedule = [&](const std::vector<Outgoing>& pieces) {
    const Clock::time_point now = Clock::now();
    for (const Outgoing& o : pieces) {
      if (o.echo) {
        port.write(o.bytes);
        continue;
      }
      Clock::time_point at = now + std::chrono::microseconds(o.delayUs);
      if (!due.empty()) at = std::max(at, due.back().at);
      due.push_back({at, o.bytes});
    }
  };
  const auto sendDue = [&] {
    const Clock::time_point now = Clock::now();
    while (!due.empty() && due.front().at <= now) {
      port.write(due.front().bytes);
      due.pop_front();
    }
  };
  const auto msToNextDue = [&]() -> int {
    if (due.empty()) return -1;
    const auto left = due.front().at - Clock::now();
    return int(std::max<qint64>(0, std::chrono::ceil<std::chrono::milliseconds>(left).count()));
  };
  QElapsedTimer sinceLastByte;
  sinceLastByte.start();

  const auto emitAll = [&](const std::vector<RadioEvent>& events) {
    for (const RadioEvent& e : events) out.event(e);
  };
  const auto checkRate = [&] {
    const int baud = port.currentBaud();
    if (baud == lastBaud || baud == 0) return;
    RadioEvent e =
        Event(QStringLiteral("port-rate"),
              baud > 0 ? QStringLiteral("port rate %1 -> %2 baud").arg(lastBaud).arg(baud)
                       : QStringLiteral("port rate changed to a rate without a number"));
    e.fields.insert(QStringLiteral("rate"), baud);
    e.fields.insert(QStringLiteral("previous"), lastBaud);
    if (radio.state().radioBaud > 0) {
      e.fields.insert(QStringLiteral("radioRate"), radio.state().radioBaud);
      if (baud != radio.state().radioBaud) {
        e.text += QStringLiteral(" (the radio runs at %1)").arg(radio.state().radioBaud);
      }
    }
    lastBaud = baud;
    radio.setLineRate(baud);
    out.event(e);
  };
  const auto setConnected = [&](bool now) {
    if (now == connected) return;
    connected = now;
    if (now) {
      lastBaud = port.currentBaud();
      radio.setLineRate(lastBaud);
      RadioEvent e = Event(QStringLiteral("port-open"),
                           QStringLiteral("port opened by the program (%1 baud)").arg(lastBaud));
      e.fields.insert(QStringLiteral("rate"), lastBaud);
      out.event(e);
    } else {
      // A rate set after the last bytes shows only now.
      checkRate();
      emitAll(radio.flushIdle());
      out.event(Event(QStringLiteral("port-closed"), QStringLiteral("port closed by the program")));
    }
  };

  // The rate is looked at whenever bytes arrive, before they are decoded, and
  // when the program closes the port: a pseudo-terminal announces no change
  // of its own accord.
  while (!gStop) {
    sendDue();
    int timeout = radio.hasPartialCommand()
                      ? int(qMax<qint64>(0, kIdleFlushMs - sinceLastByte.elapsed()))
                      : -1;
    const int answerIn = msToNextDue();
    if (answerIn >= 0 && (timeout < 0 || answerIn < timeout)) timeout = answerIn;
    const PtyPort::Wait w = port.wait(timeout);
    if (w == PtyPort::Wait::Interrupted) continue;
    if (w == PtyPort::Wait::Error) {
      std::fprintf(stderr, "corvalo-virtual-radio: the pseudo-terminal failed\n");
      break;
    }
    if (w == PtyPort::Wait::NoPeer) {
      // Nobody is left to hear what was still to be said.
      due.clear();
      setConnected(false);
      continue;
    }
    if (w == PtyPort::Wait::Timeout) {
      if (radio.hasPartialCommand() && sinceLastByte.elapsed() >= kIdleFlushMs) {
        emitAll(radio.flushIdle());
      }
      continue;
    }
    // Bytes from the program. The rate is looked at first: a rate set before
    // these bytes were written applies to them.
    setConnected(true);
    checkRate();
    bool peerGone = false;
    const QByteArray bytes = port.readAvailable(&peerGone);
    if (!bytes.isEmpty()) {
      sinceLastByte.restart();
      emitAll(radio.feed(bytes));
      schedule(radio.takeOutgoing());
      const QByteArray reply = radio.takeReply();
      if (!reply.isEmpty()) {
        port.write(reply);
        RadioEvent e = Event(QStringLiteral("reply"), QStringLiteral("reply sent"));
        e.raw = reply;
        e.fields.insert(QStringLiteral("reply"), QString::fromLatin1(reply));
        out.event(e);
      }
    }
    if (peerGone) setConnected(false);
  }

  emitAll(radio.flushIdle());
  RadioEvent last =
      Event(QStringLiteral("state"), QStringLiteral("state: ") + radio.stateSummary());
  last.fields = radio.stateFields();
  out.event(last);
  return 0;
}
