// corvalo-virtual-radio: a radio on a pseudo-terminal. It prints the device
// path to give the program as its port, then decodes every command the
// program sends, keeps the radio's state and prints one line per command.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTime>
#include <csignal>
#include <cstdio>

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
  parser.addOptions(
      {protocolOption, jsonOption, modelReplyOption, silentModelOption, addressOption});
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
    out.event(e);
  };
  const auto setConnected = [&](bool now) {
    if (now == connected) return;
    connected = now;
    if (now) {
      lastBaud = port.currentBaud();
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
    const int timeout = radio.hasPartialCommand()
                            ? int(qMax<qint64>(0, kIdleFlushMs - sinceLastByte.elapsed()))
                            : -1;
    const PtyPort::Wait w = port.wait(timeout);
    if (w == PtyPort::Wait::Interrupted) continue;
    if (w == PtyPort::Wait::Error) {
      std::fprintf(stderr, "corvalo-virtual-radio: the pseudo-terminal failed\n");
      break;
    }
    if (w == PtyPort::Wait::NoPeer) {
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
