// Radios on another machine: port addresses, and the radio link through a
// real ser2net on loopback that shares a real pseudo-terminal, by RFC 2217
// and by raw TCP. What reaches the pseudo-terminal is checked byte for byte;
// its termios shows what RFC 2217 set. Faults give a failure with a message.
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest/QtTest>
#include <atomic>
#include <optional>
#include <thread>

#include "PseudoTerminal.h"
#include "Ser2Net.h"
#include "TestMain.h"
#include "radio/PortAddress.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"
#include "radio/Transport.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace names = settings_names;
using Clock = std::chrono::steady_clock;

namespace {

// As in the link's own tests: a gap seen at the pseudo-terminal may come out
// short by the delivery delay of its first piece on a loaded machine.
constexpr double kDeliverySlackMs = 10.0;

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

// The rate the pseudo-terminal's termios holds, as the server set it.
int termiosRate(const QString& device) {
  const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios t{};
  const bool read = fd >= 0 && tcgetattr(fd, &t) == 0;
  if (fd >= 0) ::close(fd);
  if (!read) return -1;
  switch (cfgetospeed(&t)) {
    case B4800:
      return 4800;
    case B9600:
      return 9600;
    case B38400:
      return 38400;
    default:
      return 0;
  }
}

// A loopback listener of the test's own (for the stand-ins below); its
// receive queue as small as asked (0: the system's).
int listenOnLoopback(int receiveQueue, quint16* port) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  if (receiveQueue > 0) {
    setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &receiveQueue, sizeof receiveQueue);
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&a), size) != 0 || ::listen(listener, 4) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
    ::close(listener);
    return -1;
  }
  *port = ntohs(a.sin_port);
  return listener;
}

QString address(const Ser2Net& server, const QString& scheme) {
  return scheme == QLatin1String("rfc2217") ? server.rfc2217Address() : server.tcpAddress();
}

}  // namespace

#define START_SER2NET(server)                                                                 \
  do {                                                                                        \
    if (!(server).start()) QSKIP(qPrintable("ser2net cannot be started: " + (server).why())); \
  } while (false)

class NetworkPortsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { settings_.emplace(QStringLiteral("case%1").arg(++profile_)); }

  void addresses_data();
  void addresses();
  void addressParserFuzz();

  void powerUpAndTuning_data();
  void powerUpAndTuning();
  void byte0xFFBothWays_data();
  void byte0xFFBothWays();
  void serverStopsAndComesBack_data();
  void serverStopsAndComesBack();
  void failuresAtOpen_data();
  void failuresAtOpen();
  void stalledNetwork();
  void carrierDetectAndUnansweredSettings();

 private:
  // Each test's own profile, and its values written and read through it.
  SettingsStore& settings() { return *settings_; }
  void store(const char* section, const char* name, const QString& value) {
    SettingsSession session(settings());
    settings().WriteText(QLatin1String(section), QLatin1String(name), value);
  }
  void configure(const QString& port, int protocol) {
    store(names::kConnection, names::kComPort, port);
    store(names::kConnection, names::kProtocol, QString::number(protocol));
  }
  std::optional<SettingsStore> settings_;
  int profile_ = 0;
};

// ---------------------------------------------------------------------------
// Addresses

void NetworkPortsTest::addresses_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("kind");  // -1: refused
  QTest::addColumn<QString>("host");
  QTest::addColumn<int>("port");
  QTest::addColumn<QString>("message");  // a part of the refusal
  using K = PortAddress::Kind;
  QTest::newRow("Internet") << "Internet" << int(K::NoPort) << "" << 0 << "";
  QTest::newRow("COM1") << "COM1" << int(K::Local) << "" << 0 << "";
  QTest::newRow("device name") << "ttyUSB0" << int(K::Local) << "" << 0 << "";
  QTest::newRow("by-path device with colons")
      << "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0" << int(K::Local) << "" << 0 << "";
  QTest::newRow("rfc2217") << "rfc2217://shack.local:4001" << int(K::Rfc2217) << "shack.local"
                           << 4001 << "";
  QTest::newRow("tcp with IPv4") << "tcp://192.168.1.20:2000" << int(K::Tcp) << "192.168.1.20"
                                 << 2000 << "";
  QTest::newRow("scheme in capitals") << "RFC2217://pi:1" << int(K::Rfc2217) << "pi" << 1 << "";
  QTest::newRow("IPv6 in brackets") << "tcp://[::1]:65535" << int(K::Tcp) << "::1" << 65535 << "";
  QTest::newRow("empty") << "" << -1 << "" << 0 << "empty";
  QTest::newRow("missing port") << "rfc2217://pi" << -1 << "" << 0 << "no port number";
  QTest::newRow("empty port") << "tcp://pi:" << -1 << "" << 0 << "no port number";
  QTest::newRow("port 0") << "tcp://pi:0" << -1 << "" << 0 << "from 1 to 65535";
  QTest::newRow("port 65536") << "tcp://pi:65536" << -1 << "" << 0 << "from 1 to 65535";
  QTest::newRow("huge port") << "tcp://pi:99999999999999999999" << -1 << "" << 0 << "from 1 to";
  QTest::newRow("port not a number") << "tcp://pi:ab" << -1 << "" << 0 << "not a port number";
  QTest::newRow("blank inside") << "tcp://my pi:4001" << -1 << "" << 0 << "blank";
  QTest::newRow("blank after") << "COM1 " << -1 << "" << 0 << "blank";
  QTest::newRow("unknown scheme") << "telnet://pi:23" << -1 << "" << 0 << "\"telnet://\"";
  QTest::newRow("empty host") << "rfc2217://:4001" << -1 << "" << 0 << "names no host";
  QTest::newRow("bad host") << "tcp://pi!:4001" << -1 << "" << 0 << "not a host name";
  QTest::newRow("text after the port") << "tcp://pi:4001/x" << -1 << "" << 0 << "after the port";
  QTest::newRow("IPv6 without brackets") << "tcp://::1:4001" << -1 << "" << 0 << "in brackets";
  QTest::newRow("scheme without slashes") << "rfc2217:pi:4001" << -1 << "" << 0 << "rfc2217://";
  QTest::newRow("host:port without scheme") << "pi:4001" << -1 << "" << 0 << "tcp://host:port";
}

void NetworkPortsTest::addresses() {
  QFETCH(QString, text);
  QFETCH(int, kind);
  QFETCH(QString, host);
  QFETCH(int, port);
  QFETCH(QString, message);
  QString error;
  const std::optional<PortAddress> a = parsePortAddress(text, &error);
  if (kind < 0) {
    QVERIFY(!a);
    QVERIFY2(error.contains(message), qPrintable(error));
    // The link passes a network address through to a transport that fails
    // with the same message, and never opens it as a device.
    if (looksLikeNetworkAddress(text)) {
      QCOMPARE(RadioLink::DevicePath(text), text);
      const auto transport = makeTransport(RadioLink::DevicePath(text));
      QVERIFY(!transport->open(9600));
      QCOMPARE(transport->errorString(), error);
    }
    return;
  }
  QVERIFY2(a, qPrintable(error));
  QVERIFY(error.isEmpty());
  QCOMPARE(int(a->kind), kind);
  QCOMPARE(a->host, host);
  QCOMPARE(int(a->port), port);
  if (a->isNetwork()) QCOMPARE(RadioLink::DevicePath(text), text);
}

void NetworkPortsTest::addressParserFuzz() {
  // Random texts from the characters addresses are made of: no crash, a
  // refusal always says why, and an accepted network address is sound.
  QRandomGenerator random(17);
  const QString alphabet = QStringLiteral("rfc2217tcp:/[]. 0123456789abAB-_!");
  const QStringList starts = {"", "rfc2217://", "tcp://", "tcp://[", "RFC2217://host:"};
  for (int i = 0; i < 20000; ++i) {
    QString text = starts[random.bounded(starts.size())];
    const int length = random.bounded(14);
    for (int k = 0; k < length; ++k) text += alphabet[random.bounded(alphabet.size())];
    QString error;
    const std::optional<PortAddress> a = parsePortAddress(text, &error);
    QVERIFY2(a.has_value() == error.isEmpty(), qPrintable(text));
    if (!a || !a->isNetwork()) continue;
    QVERIFY2(!a->host.isEmpty() && a->port >= 1 && !text.contains(QLatin1Char(' ')),
             qPrintable(text));
    const QString scheme = a->kind == PortAddress::Kind::Tcp ? "tcp://" : "rfc2217://";
    const std::optional<PortAddress> again = parsePortAddress(scheme + a->peer());
    QVERIFY2(again && again->host == a->host && again->port == a->port, qPrintable(text));
  }
}

// ---------------------------------------------------------------------------
// The link through ser2net

void NetworkPortsTest::powerUpAndTuning_data() {
  QTest::addColumn<QString>("scheme");
  QTest::addColumn<int>("protocol");
  QTest::addColumn<QByteArray>("powerUp");
  QTest::addColumn<QByteArray>("tuning");  // 162.55 MHz FMN, the first tuning
  QTest::addColumn<int>("modeFrameAt");    // byte of the tuning after a wait; -1: none
  QTest::addColumn<int>("modeWaitMs");
  using namespace protocols;
  struct Row {
    const char* name;
    int protocol;
    QByteArray powerUp, tuning;
    int modeFrameAt, modeWaitMs;
  };
  const QByteArray aor("RF162.55\r\nST0.1\r\nMD1\r\n");
  const Row rows[] = {
      {"civ",
       kIcomCiv,
       {},
       hex("FE FE 80 E0 05 00 00 55 62 01 FD FE FE 80 E0 06 05 02 FD"),
       11,
       15 + 51},
      {"os456", kOs456, hex("FE FE 80 E0 7F 02 FD FE FE 80 E0 7F 0A FD"),
       hex("FE FE 80 E0 05 00 00 55 62 01 FD FE FE 80 E0 06 05 FD"), 11, 51},
      {"ar8000", kAr8000, {}, aor, -1, 0},
      {"ar2700", kAr2700, {}, aor, -1, 0},
      {"bc895xlt", kBc895Xlt, "MD\rKEY13\rKEY01\r", "RF01625500\r", -1, 0},
      {"pcr1000", kPcr1000, "H100\r\nH101\r\nG300\r\nG105\r\nJ4064\r\nJ414B\r\n",
       "K00162550000050200\r\n", -1, 0},
      {"ar3000", kAr3000, {}, "162.55N\r\n", -1, 0},
      {"ar3000a", kAr3000A, {}, "162.55N\r\n", -1, 0},
  };
  for (const char* scheme : {"rfc2217", "tcp"}) {
    for (const Row& r : rows) {
      QTest::addRow("%s %s", scheme, r.name)
          << QString::fromLatin1(scheme) << r.protocol << r.powerUp << r.tuning << r.modeFrameAt
          << r.modeWaitMs;
    }
  }
}

void NetworkPortsTest::powerUpAndTuning() {
  QFETCH(QString, scheme);
  QFETCH(int, protocol);
  QFETCH(QByteArray, powerUp);
  QFETCH(QByteArray, tuning);
  QFETCH(int, modeFrameAt);
  QFETCH(int, modeWaitMs);
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  Ser2Net server(pty.devicePath());
  START_SER2NET(server);
  configure(address(server, scheme), protocol);
  store(names::kConnection, names::kAddress, QStringLiteral("80"));
  store(names::kConnection, names::kComPortRate, QStringLiteral("4800"));
  // The radio answers the BC-895XLT's query through the server.
  std::atomic<bool> done{false};
  std::thread radio([&] {
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (!done && Clock::now() < end) {
      if (pty.received().startsWith("MD\r")) {
        pty.write("MD07 BC895XLT\r");
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  RadioLink link;
  QSignalSpy messages(&link, &RadioLink::message);
  link.OpenRadioLink(settings());
  done = true;
  radio.join();
  QVERIFY2(link.portOpen(), qPrintable(link.portError()));
  QCOMPARE(messages.count(), 0);
  QCOMPARE(pty.settle(60).toHex(' '), powerUp.toHex(' '));

  // RFC 2217 sets the rate on the far port at open, and the PCR1000's switch
  // after "G105"; a raw TCP port keeps the server's 9600.
  const bool rfc2217 = scheme == QLatin1String("rfc2217");
  const int rate = !rfc2217 ? 9600 : protocol == protocols::kPcr1000 ? 38400 : 4800;
  QCOMPARE(termiosRate(pty.devicePath()), rate);
  if (rfc2217) QCOMPARE(link.BaudRate, rate);

  pty.clear();
  const auto start = Clock::now();
  QVERIFY(link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
  QCOMPARE(pty.settle(60).toHex(' '), tuning.toHex(' '));
  if (modeFrameAt >= 0) {
    // The wait before the mode frame runs from the hand-over of the
    // frequency frame: it cannot reach the radio sooner.
    const auto handedOver =
        std::chrono::duration<double, std::milli>(pty.arrivalOf(modeFrameAt) - start);
    QVERIFY(handedOver.count() >= modeWaitMs);
    QVERIFY(pty.gapMs(0, modeFrameAt) >= modeWaitMs - kDeliverySlackMs);
  }
  link.CloseRadioLink(settings());
  QVERIFY(!link.portOpen());
}

void NetworkPortsTest::byte0xFFBothWays_data() {
  QTest::addColumn<QString>("scheme");
  QTest::newRow("rfc2217 doubles 0xFF on the way and undoes it") << "rfc2217";
  QTest::newRow("tcp passes 0xFF as it is") << "tcp";
}

void NetworkPortsTest::byte0xFFBothWays() {
  QFETCH(QString, scheme);
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  Ser2Net server(pty.devicePath());
  START_SER2NET(server);
  configure(address(server, scheme), protocols::kIcomCiv);
  store(names::kConnection, names::kAddress, QStringLiteral("FF"));
  RadioLink link;
  link.OpenRadioLink(settings());
  QVERIFY2(link.portOpen(), qPrintable(link.portError()));
  QVERIFY(link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
  link.SendCivSquelch(255);
  QCOMPARE(pty.settle(60).toHex(' '),
           hex("FE FE FF E0 05 00 00 55 62 01 FD FE FE FF E0 06 05 02 FD "
               "FE FE FF E0 14 03 02 55 FD")
               .toHex(' '));
  // A reply with 0xFF in it (an address, a level) arrives as the radio sent it.
  const QByteArray reply = hex("FE FE E0 FF 15 02 FF FF FD");
  pty.write(reply);
  QCOMPARE(link.ReadPort(reply.size(), 3000).toHex(' '), reply.toHex(' '));
}

void NetworkPortsTest::serverStopsAndComesBack_data() {
  QTest::addColumn<QString>("scheme");
  QTest::addColumn<bool>("idle");  // found by the idle check, not by a command
  QTest::newRow("rfc2217, next command") << "rfc2217" << false;
  QTest::newRow("rfc2217, idle check") << "rfc2217" << true;
  QTest::newRow("tcp, next command") << "tcp" << false;
  QTest::newRow("tcp, idle check") << "tcp" << true;
}

void NetworkPortsTest::serverStopsAndComesBack() {
  QFETCH(QString, scheme);
  QFETCH(bool, idle);
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  Ser2Net server(pty.devicePath());
  START_SER2NET(server);
  configure(address(server, scheme), protocols::kPcr1000);
  store(names::kPcr1000, names::kPcr1000CommandDelay, QStringLiteral("0"));
  const QByteArray powerUp("H100\r\nH101\r\nG300\r\nG105\r\nJ4064\r\nJ414B\r\n");
  const QByteArray tuning("K00162550000050200\r\n");
  RadioLink link;
  QSignalSpy lost(&link, &RadioLink::portLost);
  QSignalSpy messages(&link, &RadioLink::message);
  link.OpenRadioLink(settings());
  QVERIFY2(link.portOpen(), qPrintable(link.portError()));
  QVERIFY(link.CheckPort());
  QVERIFY(link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
  QCOMPARE(pty.settle(60), powerUp + tuning);

  server.stop();  // the far machine's server goes away mid-session
  if (idle) {
    QTRY_VERIFY_WITH_TIMEOUT(!link.CheckPort(), 5000);
  } else {
    link.SendPcrVolume(50);
  }
  QCOMPARE(lost.count(), 1);
  QVERIFY(!link.portOpen());
  QVERIFY2(link.portError().contains(QStringLiteral("closed the connection")),
           qPrintable(link.portError()));
  // While it is away, retaking fails with its reason.
  link.OpenRadioLink(settings());
  QVERIFY(!link.portOpen());
  QCOMPARE(messages.count(), 1);
  QVERIFY2(link.portError().contains(QStringLiteral("refused")), qPrintable(link.portError()));

  // Back again: the retake runs the power-up again, and nothing sent or
  // refused before is sent a second time.
  START_SER2NET(server);
  link.OpenRadioLink(settings());
  QVERIFY2(link.portOpen(), qPrintable(link.portError()));
  QCOMPARE(pty.settle(60), powerUp + tuning + powerUp);
  QVERIFY(link.portError().isEmpty());
}

void NetworkPortsTest::failuresAtOpen_data() {
  QTest::addColumn<QString>("port");  // {free}: a free port, {raw}: ser2net's raw TCP port
  QTest::addColumn<QString>("message");
  QTest::newRow("refused, rfc2217") << "rfc2217://127.0.0.1:{free}"
                                    << "refused the connection";
  QTest::newRow("refused, tcp") << "tcp://127.0.0.1:{free}"
                                << "refused the connection";
  QTest::newRow("unknown host") << "tcp://no-such-host.invalid:4001"
                                << "no-such-host.invalid";
  // An address of a network for documentation: no route, or no answer.
  QTest::newRow("unreachable") << "rfc2217://[2001:db8::1]:4001"
                               << "[2001:db8::1]:4001";
  QTest::newRow("rfc2217 address of a raw TCP port") << "rfc2217://127.0.0.1:{raw}"
                                                     << "If it is a raw TCP port, use tcp://";
  QTest::newRow("malformed address") << "tcp://127.0.0.1"
                                     << "no port number";
}

void NetworkPortsTest::failuresAtOpen() {
  QFETCH(QString, port);
  QFETCH(QString, message);
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  Ser2Net server(pty.devicePath());
  if (port.contains(QLatin1String("{raw}"))) START_SER2NET(server);
  port.replace(QLatin1String("{free}"), QString::number(Ser2Net::freePort()));
  port.replace(QLatin1String("{raw}"), QString::number(server.tcpPort()));
  configure(port, protocols::kAr8000);
  RadioLink link;
  QSignalSpy messages(&link, &RadioLink::message);
  QSignalSpy states(&link, &RadioLink::linkStateChanged);
  link.OpenRadioLink(settings());
  QVERIFY(!link.portOpen());
  QCOMPARE(messages.count(), 1);
  QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("Cannot Open Port Not."));
  QCOMPARE(states.count(), 1);
  QVERIFY2(link.portError().contains(message), qPrintable(link.portError()));
  QVERIFY(!link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
}

// ---------------------------------------------------------------------------
// Stand-ins for what ser2net on a pseudo-terminal cannot show

void NetworkPortsTest::stalledNetwork() {
  // A peer that takes the connection and never reads, with a small receive
  // queue: once its window is full, nothing handed over leaves (ser2net
  // always reads, so it cannot stall like this on loopback).
  quint16 port = 0;
  const int listener = listenOnLoopback(2048, &port);
  QVERIFY(listener >= 0);
  const auto transport = makeTransport(QStringLiteral("tcp://127.0.0.1:%1").arg(port));
  QVERIFY2(transport->open(9600), qPrintable(transport->errorString()));
  const QByteArray command(256, 'x');
  int written = 0;
  while (written < 10000 && transport->write(command)) ++written;
  QVERIFY(written < 10000);
  QVERIFY2(transport->errorString().contains(QStringLiteral("stalled")),
           qPrintable(transport->errorString()));
  QVERIFY(!transport->write(command));  // a failed line sends nothing more
  transport->close();
  QVERIFY2(transport->open(9600), qPrintable(transport->errorString()));  // and is taken again
  QVERIFY(transport->errorString().isEmpty());
  ::close(listener);
}

void NetworkPortsTest::carrierDetectAndUnansweredSettings() {
  // A serial server that reports its modem lines but answers none of the
  // settings (a pseudo-terminal has no carrier-detect line to report).
  quint16 port = 0;
  const int listener = listenOnLoopback(0, &port);
  QVERIFY(listener >= 0);
  std::atomic<int> peer{-1};
  std::thread server([&] {
    peer = ::accept(listener, nullptr, nullptr);
    const QByteArray hello = hex("FF FD 2C FF FA 2C 6B 80 FF F0");  // DO COM-PORT, carrier on
    ::send(peer, hello.constData(), size_t(hello.size()), MSG_NOSIGNAL);
  });
  const auto transport = makeTransport(QStringLiteral("rfc2217://127.0.0.1:%1").arg(port));
  QVERIFY2(transport->open(19200), qPrintable(transport->errorString()));
  server.join();
  QCOMPARE(transport->baudRate(), 19200);  // unanswered: taken as asked
  QVERIFY(transport->carrierDetect());
  const QByteArray off = hex("FF FA 2C 6B 08 FF F0");  // carrier off (changed)
  ::send(peer, off.constData(), size_t(off.size()), MSG_NOSIGNAL);
  QTRY_VERIFY_WITH_TIMEOUT(!transport->carrierDetect(), 3000);
  QVERIFY(transport->checkLine());
  ::close(peer);
  ::close(listener);
}

CORVALO_TEST_GUILESS_MAIN(NetworkPortsTest)
#include "tst_networkports.moc"
