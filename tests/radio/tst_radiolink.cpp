// The radio link through a real pseudo-terminal: what reaches the wire, the
// waits between the pieces, the settings the link reads and writes, and the
// ports it must not use.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <chrono>
#include <optional>
#include <thread>

#include "PseudoTerminal.h"
#include "TestMain.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace names = settings_names;
using Clock = std::chrono::steady_clock;

namespace {

// Two kinds of timing check, both lower bounds:
// - exact: a byte cannot reach the wire before the waits that precede its
//   write have passed since the call started (arrivalSince);
// - between two pieces on the wire (gapMs): the pseudo-terminal hands data to
//   its reader through a kernel work queue, which on a loaded machine can
//   deliver the first piece some milliseconds late and so shorten the gap
//   seen; these checks allow for that much.
constexpr double kDeliverySlackMs = 10.0;

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds from start to the arrival of the byte at this index.
double arrivalSince(const PseudoTerminal& pty, qsizetype byteIndex, Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(pty.arrivalOf(byteIndex) - start).count();
}

}  // namespace

class RadioLinkTest : public QObject {
  Q_OBJECT

 private slots:
  void init();

  void devicePath_data();
  void devicePath();
  void civAddress_data();
  void civAddress();

  void internetSendsNothing();
  void unusablePortsAreNotOpened_data();
  void unusablePortsAreNotOpened();
  void vanishedPortIsReleased();

  void os456PowerUpAndPowerOff();
  void pcr1000PowerUp_data();
  void pcr1000PowerUp();
  void corruptPcrSettingsAreHeldInRange();
  void bc895Handshake_data();
  void bc895Handshake();
  void powerOffOnClose_data();
  void powerOffOnClose();
  void releaseAndReopenRepeatsPowerUp();

  void tuningOverTheWire_data();
  void tuningOverTheWire();
  void modeFrameOnlyWhenTheModeChanged();
  void refusedTuningChangesNothing();
  void pcrFilterResendsTheTuning();
  void levelsAndMute();
  void attenuatorAndMuteByProtocol();

 private:
  // Each test's own profile, and its values written and read through it.
  SettingsStore& settings() { return *settings_; }
  void store(const char* section, const char* name, const QString& value) {
    SettingsSession session(settings());
    settings().WriteText(QLatin1String(section), QLatin1String(name), value);
  }
  QString stored(const char* section, const char* name) {
    SettingsSession session(settings());
    return settings().ReadText(QLatin1String(section), QLatin1String(name),
                               QStringLiteral("<none>"));
  }
  void configure(const QString& port, int protocol) {
    store(names::kConnection, names::kComPort, port);
    store(names::kConnection, names::kProtocol, QString::number(protocol));
  }
  std::optional<SettingsStore> settings_;
  int profile_ = 0;
};

void RadioLinkTest::init() { settings_.emplace(QStringLiteral("case%1").arg(++profile_)); }

// ---------------------------------------------------------------------------
// Names and addresses

void RadioLinkTest::devicePath_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("path");
  QTest::newRow("COM1 is the first serial port") << "COM1"
                                                 << "/dev/ttyS0";
  QTest::newRow("COM9") << "COM9"
                        << "/dev/ttyS8";
  QTest::newRow("COM10 is not cut to COM1") << "COM10"
                                            << "/dev/ttyS9";
  QTest::newRow("com3 in lower case") << "com3"
                                      << "/dev/ttyS2";
  QTest::newRow("COM0 is a device name") << "COM0"
                                         << "/dev/COM0";
  QTest::newRow("a device name") << "ttyUSB0"
                                 << "/dev/ttyUSB0";
  QTest::newRow("an absolute path as it stands") << "/dev/serial/by-id/usb-radio-if00-port0"
                                                 << "/dev/serial/by-id/usb-radio-if00-port0";
  QTest::newRow("Internet is no port") << "Internet"
                                       << "";
  QTest::newRow("internet in lower case is a device") << "internet"
                                                      << "/dev/internet";
  QTest::newRow("an empty name is no port") << ""
                                            << "";
}

void RadioLinkTest::devicePath() {
  QFETCH(QString, name);
  QFETCH(QString, path);
  QCOMPARE(RadioLink::DevicePath(name), path);
}

void RadioLinkTest::civAddress_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("address");
  QTest::newRow("4A") << "4A" << 0x4A;
  QTest::newRow("4a") << "4a" << 0x4A;
  QTest::newRow("E") << "E" << 0x0E;
  QTest::newRow("10") << "10" << 0x10;
  QTest::newRow("fe") << "fe" << 0xFE;
  QTest::newRow("blanks around") << " 7F " << 0x7F;
  QTest::newRow("empty is broadcast") << "" << 0x00;
  QTest::newRow("three digits is broadcast") << "123" << 0x00;
  QTest::newRow("not hexadecimal is broadcast") << "G1" << 0x00;
  QTest::newRow("0x prefix is broadcast") << "0x4A" << 0x00;
}

void RadioLinkTest::civAddress() {
  QFETCH(QString, text);
  QFETCH(int, address);
  store(names::kConnection, names::kAddress, text);
  RadioLink link;
  link.CivAddress = 0x99;
  {
    SettingsSession session(settings());
    link.LoadCivAddress(settings());
  }
  QCOMPARE(int(link.CivAddress), address);
}

// ---------------------------------------------------------------------------
// Ports that are not used

void RadioLinkTest::internetSendsNothing() {
  configure(QStringLiteral("Internet"), protocols::kAr8000);
  store(names::kCoverage, names::kLowestFrequency, QStringLiteral("0.5"));
  store(names::kCoverage, names::kHighestFrequency, QStringLiteral("1900.0"));
  store(names::kGeneral, names::kFrequency, QStringLiteral("145.5"));
  store(names::kGeneral, names::kPowerOff, QStringLiteral("1"));
  RadioLink link;
  QSignalSpy messages(&link, &RadioLink::message);
  QSignalSpy states(&link, &RadioLink::linkStateChanged);
  QSignalSpy beeps(&link, &RadioLink::beep);
  link.OpenRadioLink(settings());
  QVERIFY(!link.portOpen());
  QCOMPARE(link.PortName, QStringLiteral("Internet"));
  QCOMPARE(link.LowestFrequency, 0.5);
  QCOMPARE(link.HighestFrequency, 1900.0);
  QCOMPARE(link.CurrentFrequency, QStringLiteral("145.5"));

  QVERIFY(!link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
  QVERIFY(link.lastRefusal().isEmpty());
  QCOMPARE(link.CurrentFrequency, QStringLiteral("145.5"));
  QVERIFY(link.LastMode.isEmpty());
  const int volume = link.VolumeLevel;
  link.SendCivVolume(7);
  link.SendPcrVolume(9);
  QCOMPARE(link.VolumeLevel, volume);
  link.MuteRadio();  // the AR8000 mute beeps even without a port
  QCOMPARE(beeps.count(), 1);
  link.SwitchAttenuatorOn();  // the flag follows the switch
  QVERIFY(link.AttenuatorOn);
  link.CloseRadioLink(settings());
  QCOMPARE(messages.count(), 0);
  QCOMPARE(states.count(), 0);
  QCOMPARE(link.BytesWritten, 0);
}

void RadioLinkTest::unusablePortsAreNotOpened_data() {
  QTest::addColumn<QString>("kind");
  QTest::newRow("missing path") << "missing";
  QTest::newRow("regular file") << "file";
  QTest::newRow("folder") << "folder";
  QTest::newRow("character device that is no terminal") << "null";
}

void RadioLinkTest::unusablePortsAreNotOpened() {
  QFETCH(QString, kind);
  QTemporaryDir dir;
  QString port;
  if (kind == QLatin1String("missing")) port = dir.filePath(QStringLiteral("no-such-tty"));
  if (kind == QLatin1String("folder")) port = dir.path();
  if (kind == QLatin1String("null")) port = QStringLiteral("/dev/null");
  if (kind == QLatin1String("file")) {
    port = dir.filePath(QStringLiteral("plain-file"));
    QFile f(port);
    QVERIFY(f.open(QIODevice::WriteOnly));
  }
  configure(port, protocols::kBc895Xlt);
  RadioLink link;
  QSignalSpy messages(&link, &RadioLink::message);
  QSignalSpy states(&link, &RadioLink::linkStateChanged);
  QList<bool> busyWhenMessaged;
  bool busy = false;
  connect(&link, &RadioLink::busyChanged, this, [&](bool b) { busy = b; });
  connect(&link, &RadioLink::message, this, [&] { busyWhenMessaged << busy; });
  link.OpenRadioLink(settings());
  QVERIFY(!link.portOpen());
  QVERIFY(!busy);
  QCOMPARE(busyWhenMessaged, QList<bool>{false});  // the hourglass is gone first
  QCOMPARE(messages.count(), 1);
  QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("Cannot Open Port Not."));
  QCOMPARE(states.count(), 1);
  QCOMPARE(states.at(0).at(0).toBool(), false);
  QCOMPARE(link.PortName, port);  // the configured text, not cut short
  QVERIFY(!link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
  link.MuteRadio();
  link.CloseRadioLink(settings());
  QCOMPARE(messages.count(), 1);
  if (kind == QLatin1String("file")) QCOMPARE(QFileInfo(port).size(), 0);
}

void RadioLinkTest::vanishedPortIsReleased() {
  // A pair of our own, so that the far end can be taken away.
  int controller = -1;
  int follower = -1;
  char name[256] = {};
  QVERIFY(openpty(&controller, &follower, name, nullptr, nullptr) == 0);
  ::close(follower);
  configure(QString::fromLocal8Bit(name), protocols::kAr3000);
  RadioLink link;
  QSignalSpy lost(&link, &RadioLink::portLost);
  QSignalSpy states(&link, &RadioLink::linkStateChanged);
  link.OpenRadioLink(settings());
  QVERIFY(link.portOpen());
  ::close(controller);  // the adapter is pulled out

  QVERIFY(link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
  QCOMPARE(lost.count(), 1);
  QVERIFY(!link.portOpen());
  QCOMPARE(states.last().at(0).toBool(), false);
  // Later commands write nothing and report nothing more.
  QVERIFY(!link.TuneRadio(QStringLiteral("7.1"), QStringLiteral("AM")));
  link.SwitchAttenuatorOn();
  QCOMPARE(lost.count(), 1);
  QCOMPARE(link.CurrentFrequency, QStringLiteral("162.55"));
}

// ---------------------------------------------------------------------------
// Power sequences

void RadioLinkTest::os456PowerUpAndPowerOff() {
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocols::kOs456);
  store(names::kConnection, names::kAddress, QStringLiteral("7F"));
  store(names::kConnection, names::kComPortRate, QStringLiteral("4800"));
  store(names::kGeneral, names::kPowerOff, QStringLiteral("1"));
  RadioLink link;
  QSignalSpy states(&link, &RadioLink::linkStateChanged);
  const auto start = Clock::now();
  link.OpenRadioLink(settings());
  QVERIFY(msSince(start) >= 401);
  QVERIFY(link.portOpen());
  QCOMPARE(link.BaudRate, 4800);
  QCOMPARE(states.count(), 1);
  QCOMPARE(states.at(0).at(0).toBool(), true);
  QCOMPARE(pty.settle(30).toHex(' '), hex("FE FE 7F E0 7F 02 FD FE FE 7F E0 7F 0A FD").toHex(' '));
  QVERIFY(arrivalSince(pty, 7, start) >= 401);
  QVERIFY(pty.gapMs(0, 7) >= 401 - kDeliverySlackMs);

  pty.clear();
  link.CurrentFrequency = QStringLiteral("  446.00625");
  link.CurrentMode = QStringLiteral("FMN");
  link.CloseRadioLink(settings());
  QVERIFY(!link.portOpen());
  QCOMPARE(pty.settle(30).toHex(' '), hex("FE FE 7F E0 7F 01 FD").toHex(' '));
  QCOMPARE(stored(names::kGeneral, names::kFrequency), QStringLiteral("  446.00625"));
  QCOMPARE(stored(names::kGeneral, names::kMode), QStringLiteral("FMN"));
}

void RadioLinkTest::pcr1000PowerUp_data() {
  QTest::addColumn<int>("delay");  // -1: nothing stored
  QTest::addColumn<bool>("levelsStored");
  QTest::newRow("delay 10 with stored levels") << 10 << true;
  QTest::newRow("defaults") << -1 << false;
}

void RadioLinkTest::pcr1000PowerUp() {
  QFETCH(int, delay);
  QFETCH(bool, levelsStored);
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocols::kPcr1000);
  if (delay >= 0) {
    store(names::kPcr1000, names::kPcr1000CommandDelay, QString::number(delay));
  }
  if (levelsStored) {
    store(names::kPcr1000, names::kPcr1000Volume, QStringLiteral("200"));
    store(names::kPcr1000, names::kPcr1000Squelch, QStringLiteral("16"));
    store(names::kPcr1000, names::kPcr1000IfShift, QStringLiteral("90"));
  }
  store(names::kConnection, names::kPcr1000DefaultAmFilter, QStringLiteral("9"));
  const int d = delay >= 0 ? delay : 2;
  RadioLink link;
  const auto start = Clock::now();
  link.OpenRadioLink(settings());
  const double took = msSince(start);
  QVERIFY(link.portOpen());
  const QByteArray levels =
      levelsStored ? QByteArray("J40C8\r\nJ4110\r\n") : QByteArray("J4064\r\nJ414B\r\n");
  QCOMPARE(pty.settle(30), QByteArray("H100\r\nH101\r\nG300\r\nG105\r\n") + levels);
  QCOMPARE(link.BaudRate, 38400);
  QCOMPARE(link.CommandDelay, d);
  QCOMPARE(link.IfShiftLevel, levelsStored ? 90 : 127);
  QCOMPARE(link.Pcr1000DefaultAmFilter, 1);  // 9 is no AM filter
  // Waits 2D, 3D, 3D, D, 3D, 4D and D/4 before each level command.
  QVERIFY(took >= 16 * d + 2 * (d / 4));
  // Each line no earlier than the waits before it: H100 at 2D, H101 at 5D,
  // G300 at 8D, G105 at 9D, volume at 16D + D/4, squelch at 16D + 2 D/4.
  QVERIFY(arrivalSince(pty, 0, start) >= 2 * d);
  QVERIFY(arrivalSince(pty, 6, start) >= 5 * d);
  QVERIFY(arrivalSince(pty, 12, start) >= 8 * d);
  QVERIFY(arrivalSince(pty, 18, start) >= 9 * d);
  QVERIFY(arrivalSince(pty, 24, start) >= 16 * d + d / 4);
  QVERIFY(arrivalSince(pty, 31, start) >= 16 * d + 2 * (d / 4));
  const double slack = kDeliverySlackMs;
  QVERIFY(pty.gapMs(0, 6) >= 3 * d - slack);
  QVERIFY(pty.gapMs(6, 12) >= 3 * d - slack);
  QVERIFY(pty.gapMs(18, 24) >= 7 * d + d / 4 - slack);
}

void RadioLinkTest::corruptPcrSettingsAreHeldInRange() {
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocols::kPcr1000);
  store(names::kPcr1000, names::kPcr1000CommandDelay, QStringLiteral("-7"));
  store(names::kPcr1000, names::kPcr1000Volume, QStringLiteral("999"));
  store(names::kPcr1000, names::kPcr1000Squelch, QStringLiteral("-3"));
  store(names::kPcr1000, names::kPcr1000IfShift, QStringLiteral("70000"));
  RadioLink link;
  link.OpenRadioLink(settings());
  QCOMPARE(pty.settle(30), QByteArray("H100\r\nH101\r\nG300\r\nG105\r\nJ40FF\r\nJ4100\r\n"));
  QCOMPARE(link.CommandDelay, 0);
  QCOMPARE(link.VolumeLevel, 255);
  QCOMPARE(link.SquelchLevel, 0);
  QCOMPARE(link.IfShiftLevel, 255);
}

void RadioLinkTest::bc895Handshake_data() {
  QTest::addColumn<QByteArray>("reply");  // empty: the radio stays silent
  QTest::addColumn<QByteArray>("answer");
  QTest::newRow("MD07 gets KEY13") << QByteArray("MD07 BC895XLT\r") << QByteArray("KEY13\r");
  QTest::newRow("another reply gets a lone CR") << QByteArray("ERR\r") << QByteArray("\r");
  QTest::newRow("silence gets nothing") << QByteArray() << QByteArray();
}

void RadioLinkTest::bc895Handshake() {
  QFETCH(QByteArray, reply);
  QFETCH(QByteArray, answer);
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocols::kBc895Xlt);
  std::thread radio([&] {
    if (pty.waitFor(3, 5000) == "MD\r" && !reply.isEmpty()) pty.write(reply);
  });
  RadioLink link;
  const auto start = Clock::now();
  link.OpenRadioLink(settings());
  const double took = msSince(start);
  radio.join();
  QVERIFY(link.portOpen());
  QCOMPARE(link.BytesWritten, 6);  // the last write, "KEY01" CR
  QCOMPARE(pty.settle(30), QByteArray("MD\r") + answer + QByteArray("KEY01\r"));
  // The read lasts its whole limit unless 255 bytes arrive; 50 ms follow.
  QVERIFY(took >= 1325 + 50 + 50);
  const qsizetype key01 = 3 + answer.size();
  QVERIFY(arrivalSince(pty, 3, start) >= 1325);
  QVERIFY(arrivalSince(pty, key01, start) >= 1325 + 50);
  QVERIFY(pty.gapMs(0, key01) >= 1325 + 50 - kDeliverySlackMs);
  if (!answer.isEmpty()) QVERIFY(pty.gapMs(3, key01) >= 50 - kDeliverySlackMs);
}

void RadioLinkTest::powerOffOnClose_data() {
  QTest::addColumn<int>("protocol");
  QTest::addColumn<bool>("powerOff");
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("ar8000 EX") << int(protocols::kAr8000) << true << QByteArray("EX\r\n");
  QTest::newRow("ar2700 EX") << int(protocols::kAr2700) << true << QByteArray("EX\r\n");
  QTest::newRow("ar8000 without power off") << int(protocols::kAr8000) << false << QByteArray();
  QTest::newRow("civ sends nothing") << int(protocols::kIcomCiv) << true << QByteArray();
  QTest::newRow("ar3000 sends nothing") << int(protocols::kAr3000) << true << QByteArray();
  QTest::newRow("ar3000a sends nothing") << int(protocols::kAr3000A) << true << QByteArray();
}

void RadioLinkTest::powerOffOnClose() {
  QFETCH(int, protocol);
  QFETCH(bool, powerOff);
  QFETCH(QByteArray, bytes);
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocol);
  store(names::kGeneral, names::kPowerOff, powerOff ? QStringLiteral("1") : QStringLiteral("0"));
  store(names::kConnection, names::kComPortRate, QStringLiteral("-5"));  // no rate at all
  RadioLink link;
  link.OpenRadioLink(settings());
  QVERIFY(link.portOpen());
  QCOMPARE(link.BaudRate, 9600);           // the refused rate is not in force
  QCOMPARE(pty.settle(30), QByteArray());  // these radios have no power-up
  link.CloseRadioLink(settings());
  QVERIFY(!link.portOpen());
  QCOMPARE(pty.settle(30), bytes);
}

void RadioLinkTest::releaseAndReopenRepeatsPowerUp() {
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocols::kPcr1000);
  store(names::kPcr1000, names::kPcr1000CommandDelay, QStringLiteral("0"));
  store(names::kGeneral, names::kPowerOff, QStringLiteral("1"));
  const QByteArray powerUp("H100\r\nH101\r\nG300\r\nG105\r\nJ4064\r\nJ414B\r\n");
  RadioLink link;
  QSignalSpy states(&link, &RadioLink::linkStateChanged);
  link.OpenRadioLink(settings());
  QCOMPARE(pty.settle(30), powerUp);
  link.VolumeLevel = 33;
  link.ReleasePort();  // no power-off, nothing saved
  QVERIFY(!link.portOpen());
  QCOMPARE(states.last().at(0).toBool(), false);
  QCOMPARE(pty.settle(30), powerUp);
  QCOMPARE(stored(names::kPcr1000, names::kPcr1000Volume), QStringLiteral("<none>"));
  link.SavePcrLevels(settings());
  QCOMPARE(stored(names::kPcr1000, names::kPcr1000Volume), QStringLiteral("33"));
  link.OpenRadioLink(settings());
  QCOMPARE(states.last().at(0).toBool(), true);
  QCOMPARE(pty.settle(30), powerUp + "H100\r\nH101\r\nG300\r\nG105\r\nJ4021\r\nJ414B\r\n");
  pty.clear();
  link.SendPcrSquelch(20);
  link.CloseRadioLink(settings());
  QCOMPARE(pty.settle(30), QByteArray("J4114\r\nH100\r\n"));
  QCOMPARE(stored(names::kPcr1000, names::kPcr1000Squelch), QStringLiteral("20"));
}

// ---------------------------------------------------------------------------
// Tuning

void RadioLinkTest::tuningOverTheWire_data() {
  QTest::addColumn<int>("protocol");
  QTest::addColumn<bool>("ic735");
  QTest::addColumn<int>("amFilter");
  QTest::addColumn<QString>("frequency");
  QTest::addColumn<QString>("mode");
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QByteArray>("modeFrame");  // the first tuning always sends it (0 and 1)
  QTest::addColumn<int>("waitAfter");
  QTest::addColumn<QString>("current");  // CurrentFrequency afterwards
  QTest::addColumn<int>("filterIndex");
  using namespace protocols;
  const QString f = QStringLiteral("162.55");
  const QByteArray none;
  // The worked example of every protocol: 162.55 MHz, FMN, first tuning.
  QTest::newRow("civ") << int(kIcomCiv) << false << 1 << f << "FMN"
                       << hex("FE FE 80 E0 05 00 00 55 62 01 FD") << hex("FE FE 80 E0 06 05 02 FD")
                       << 15 << f << 0;
  QTest::newRow("civ ic735") << int(kIcomCiv) << true << 1 << f << "FMN"
                             << hex("FE FE 80 E0 05 00 00 55 62 01 FD")
                             << hex("FE FE 80 E0 06 05 02 FD") << 15 << f << 0;
  QTest::newRow("os456") << int(kOs456) << false << 1 << f << "FMN"
                         << hex("FE FE 80 E0 05 00 00 55 62 01 FD") << hex("FE FE 80 E0 06 05 FD")
                         << 0 << f << 0;
  QTest::newRow("ar8000") << int(kAr8000) << false << 1 << f << "FMN"
                          << QByteArray("RF162.55\r\nST0.1\r\nMD1\r\n") << none << 36 << f << 0;
  QTest::newRow("ar2700") << int(kAr2700) << false << 1 << f << "FMN"
                          << QByteArray("RF162.55\r\nST0.1\r\nMD1\r\n") << none << 36 << f << 0;
  QTest::newRow("bc895xlt") << int(kBc895Xlt) << false << 1 << f << "FMN"
                            << QByteArray("RF01625500\r") << none << 0 << f << 0;
  QTest::newRow("pcr1000") << int(kPcr1000) << false << 1 << f << "FMN"
                           << QByteArray("K00162550000050200\r\n") << none << 0 << "162.55000" << 2;
  QTest::newRow("ar3000") << int(kAr3000) << false << 1 << f << "FMN" << QByteArray("162.55N\r\n")
                          << none << 0 << f << 0;
  QTest::newRow("ar3000a") << int(kAr3000A) << false << 1 << f << "FMN" << QByteArray("162.55N\r\n")
                           << none << 0 << f << 0;
  // The edge cases, as the radio receives them.
  QTest::newRow("civ 7.1") << int(kIcomCiv) << false << 1 << "7.1"
                           << "USB" << hex("FE FE 80 E0 05 00 00 10 07 00 FD")
                           << hex("FE FE 80 E0 06 01 FD") << 15 << "7.1" << 0;
  QTest::newRow("civ ic735 7.1") << int(kIcomCiv) << true << 1 << "7.1"
                                 << "USB" << hex("FE FE 80 E0 05 00 00 10 07 FD")
                                 << hex("FE FE 80 E0 06 01 FD") << 15 << "7.1" << 0;
  QTest::newRow("civ 0.5") << int(kIcomCiv) << false << 1 << "0.5"
                           << "AM" << hex("FE FE 80 E0 05 00 00 50 00 00 FD")
                           << hex("FE FE 80 E0 06 02 FD") << 15 << "0.5" << 0;
  QTest::newRow("civ ic735 0.5") << int(kIcomCiv) << true << 1 << "0.5"
                                 << "AM" << hex("FE FE 80 E0 05 00 00 50 00 FD")
                                 << hex("FE FE 80 E0 06 02 FD") << 15 << "0.5" << 0;
  QTest::newRow("civ 1300") << int(kIcomCiv) << false << 1 << "1300"
                            << "FMN" << hex("FE FE 80 E0 05 00 00 00 00 13 FD")
                            << hex("FE FE 80 E0 06 05 02 FD") << 15 << "1300" << 0;
  QTest::newRow("ar8000 AUT") << int(kAr8000) << false << 1 << f << "AUT"
                              << QByteArray("RF162.55\r\nST0.1\r\nAU1\r\n") << none << 36 << f << 0;
  QTest::newRow("ar8000 FM1") << int(kAr8000) << false << 1 << f << "FM1"
                              << QByteArray("RF162.55\r\nST0.1\r\nMD\r\n") << none << 36 << f << 0;
  QTest::newRow("ar8000 blanks") << int(kAr8000) << false << 1 << "  162.55000"
                                 << "FMN" << QByteArray("RF162.55000\r\nST0.1\r\nMD1\r\n") << none
                                 << 36 << "  162.55000" << 0;
  QTest::newRow("ar3000 blanks") << int(kAr3000) << false << 1 << "  162.55000"
                                 << "FMN" << QByteArray("  162.55000N\r\n") << none << 0
                                 << "  162.55000" << 0;
  QTest::newRow("bc895xlt 29.0") << int(kBc895Xlt) << false << 1 << "29.0"
                                 << "AM" << QByteArray("RF00290000\r") << none << 0 << "29.0" << 0;
  QTest::newRow("bc895xlt 162.55678")
      << int(kBc895Xlt) << false << 1 << "162.55678"
      << "AM" << QByteArray("RF01625567\r") << none << 0 << "162.55678" << 0;
  QTest::newRow("pcr1000 0.5 AM") << int(kPcr1000) << false << 1 << "0.5"
                                  << "AM" << QByteArray("K00000500000020200\r\n") << none << 0
                                  << "0.50000" << 2;
  QTest::newRow("pcr1000 120 AM") << int(kPcr1000) << false << 1 << "120.0"
                                  << "AM" << QByteArray("K00120000000020100\r\n") << none << 0
                                  << "120.00000" << 1;
  QTest::newRow("pcr1000 26.965 AM")
      << int(kPcr1000) << false << 3 << "26.965"
      << "AM" << QByteArray("K00026965000020300\r\n") << none << 0 << "26.96500" << 3;
  QTest::newRow("pcr1000 27.405 AM")
      << int(kPcr1000) << false << 0 << "27.405"
      << "AM" << QByteArray("K00027405000020000\r\n") << none << 0 << "27.40500" << 0;
  QTest::newRow("pcr1000 27.406 AM")
      << int(kPcr1000) << false << 0 << "27.406"
      << "AM" << QByteArray("K00027406000020200\r\n") << none << 0 << "27.40600" << 2;
}

void RadioLinkTest::tuningOverTheWire() {
  QFETCH(int, protocol);
  QFETCH(bool, ic735);
  QFETCH(int, amFilter);
  QFETCH(QString, frequency);
  QFETCH(QString, mode);
  QFETCH(QByteArray, command);
  QFETCH(QByteArray, modeFrame);
  QFETCH(int, waitAfter);
  QFETCH(QString, current);
  QFETCH(int, filterIndex);
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  // Opened as CI-V (no power-up), then switched, so that only the tuning runs.
  configure(pty.devicePath(), protocols::kIcomCiv);
  store(names::kConnection, names::kAddress, QStringLiteral("80"));
  RadioLink link;
  link.OpenRadioLink(settings());
  link.Protocol = protocol;
  link.Ic735 = ic735;
  link.Pcr1000DefaultAmFilter = amFilter;
  const auto start = Clock::now();
  QVERIFY(link.TuneRadio(frequency, mode));
  QVERIFY(msSince(start) >= waitAfter + 51);
  QCOMPARE(pty.settle(30).toHex(' '), (command + modeFrame).toHex(' '));
  if (!modeFrame.isEmpty()) {
    QVERIFY(arrivalSince(pty, command.size(), start) >= waitAfter + 51);
    QVERIFY(pty.gapMs(0, command.size()) >= waitAfter + 51 - kDeliverySlackMs);
  }
  QCOMPARE(link.CurrentMode, mode);
  QCOMPARE(link.LastMode, mode);
  QCOMPARE(link.CurrentFrequency, current);
  QCOMPARE(link.FilterIndex, filterIndex);
}

void RadioLinkTest::modeFrameOnlyWhenTheModeChanged() {
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocols::kIcomCiv);
  store(names::kConnection, names::kAddress, QStringLiteral("00"));
  RadioLink link;
  link.OpenRadioLink(settings());
  const QByteArray f = hex("FE FE 00 E0 05 00 00 55 62 01 FD");
  const QByteArray fmn = hex("FE FE 00 E0 06 05 02 FD");
  const QByteArray am = hex("FE FE 00 E0 06 02 FD");
  QVERIFY(link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
  QVERIFY(link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
  QVERIFY(link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("AM")));
  QVERIFY(link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
  QCOMPARE(pty.settle(30).toHex(' '), (f + fmn + f + f + am + f + fmn).toHex(' '));
  // The last mode survives a release and retake of the port.
  link.ReleasePort();
  link.OpenRadioLink(settings());
  pty.clear();
  QVERIFY(link.TuneRadio(QStringLiteral("162.55"), QStringLiteral("FMN")));
  QCOMPARE(pty.settle(30).toHex(' '), f.toHex(' '));
}

void RadioLinkTest::refusedTuningChangesNothing() {
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocols::kIcomCiv);  // no handshake at the open
  RadioLink link;
  link.OpenRadioLink(settings());
  link.Protocol = protocols::kBc895Xlt;
  pty.clear();
  const QString frequency = link.CurrentFrequency;
  QVERIFY(!link.TuneRadio(QStringLiteral("5"), QStringLiteral("AM")));
  QCOMPARE(link.lastRefusal(),
           QStringLiteral(
               "The BC-895XLT cannot tune 5.00000 MHz: its commands cover 10 to 999.9999 MHz."));
  QCOMPARE(link.CurrentFrequency, frequency);
  QVERIFY(link.LastMode.isEmpty());
  QVERIFY(link.TuneRadio(QStringLiteral("29"), QStringLiteral("AM")));
  QVERIFY(link.lastRefusal().isEmpty());
  QCOMPARE(pty.settle(30), QByteArray("RF00290000\r"));
}

void RadioLinkTest::pcrFilterResendsTheTuning() {
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocols::kPcr1000);
  store(names::kPcr1000, names::kPcr1000CommandDelay, QStringLiteral("0"));
  RadioLink link;
  link.OpenRadioLink(settings());
  QVERIFY(link.TuneRadio(QStringLiteral("  162.55000"), QStringLiteral("FMN")));
  pty.settle(30);
  pty.clear();
  link.SendPcrFilter(0);
  QCOMPARE(pty.settle(30), QByteArray("K00162550000050000\r\n"));
  QCOMPARE(link.FilterIndex, 0);
  QCOMPARE(link.CurrentFrequency, QStringLiteral("162.55000"));
  // Another protocol has no filter command.
  link.Protocol = protocols::kAr3000;
  pty.clear();
  link.SendPcrFilter(3);
  QCOMPARE(pty.settle(30), QByteArray());
  QCOMPARE(link.FilterIndex, 0);
}

// ---------------------------------------------------------------------------
// Levels and switches

void RadioLinkTest::levelsAndMute() {
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocols::kPcr1000);
  store(names::kPcr1000, names::kPcr1000CommandDelay, QStringLiteral("10"));
  RadioLink link;
  link.OpenRadioLink(settings());
  pty.settle(30);
  pty.clear();
  link.SendPcrVolume(77);
  auto start = Clock::now();
  link.MuteRadio();
  QVERIFY(msSince(start) >= 2);  // 10 / 4 before every level command
  QCOMPARE(link.VolumeLevel, 77);
  link.UnmuteRadio();
  link.SendPcrIfShift(127);
  link.SendPcrAgc(true);
  link.SendPcrNoiseBlanker(false);
  QCOMPARE(pty.settle(30), QByteArray("J404D\r\nJ4000\r\nJ404D\r\nJ437F\r\nJ4501\r\nJ4600\r\n"));

  link.Protocol = protocols::kIcomCiv;
  link.CivAddress = 0x58;
  pty.clear();
  link.SendCivVolume(0);
  QCOMPARE(link.VolumeLevel, 0);  // the CI-V sender keeps 0 too
  link.SendCivSquelch(255);
  QCOMPARE(link.SquelchLevel, 255);
  QCOMPARE(pty.settle(30).toHex(' '),
           hex("FE FE 58 E0 14 01 00 00 FD FE FE 58 E0 14 03 02 55 FD").toHex(' '));

  link.Protocol = protocols::kOs456;
  pty.clear();
  start = Clock::now();
  link.MuteRadio();
  QVERIFY(msSince(start) >= 101);
  link.UnmuteRadio();
  QVERIFY(msSince(start) >= 202);
  QCOMPARE(pty.settle(30).toHex(' '), hex("FE FE 58 E0 7F 0B FD FE FE 58 E0 7F 0A FD").toHex(' '));
  QVERIFY(arrivalSince(pty, 0, start) >= 101);
  QVERIFY(arrivalSince(pty, 7, start) >= 202);
  QVERIFY(pty.gapMs(0, 7) >= 101 - kDeliverySlackMs);
}

void RadioLinkTest::attenuatorAndMuteByProtocol() {
  PseudoTerminal pty;
  QVERIFY(pty.isValid());
  configure(pty.devicePath(), protocols::kIcomCiv);
  store(names::kConnection, names::kAddress, QStringLiteral("4A"));
  RadioLink link;
  link.OpenRadioLink(settings());
  QSignalSpy beeps(&link, &RadioLink::beep);
  struct Case {
    int protocol;
    QByteArray on, off, mute, unmute;
  };
  const Case cases[] = {
      {protocols::kIcomCiv, hex("FE FE 4A E0 11 20 FD"), hex("FE FE 4A E0 11 00 FD"), {}, {}},
      {protocols::kAr8000, " AT1\r\n", " AT0\r\n", "MC1\r\n", "MC0\r\n"},
      {protocols::kAr2700, " AT1\r\n", " AT0\r\n", "MC1\r\n", "MC0\r\n"},
      {protocols::kBc895Xlt, {}, {}, "MUN\r", "MUA\r"},
      {protocols::kPcr1000, "J4701\r\n", "J4700\r\n", "J4000\r\n", "J4080\r\n"},
      {protocols::kAr3000, {}, {}, {}, {}},
      {protocols::kAr3000A, "R\r\n", "T\r\n", "E\r\n", "G\r\n"},
      {4, {}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    link.Protocol = c.protocol;
    link.VolumeLevel = 128;
    link.CommandDelay = 0;
    pty.clear();
    link.SwitchAttenuatorOn();
    QVERIFY(link.AttenuatorOn);
    link.SwitchAttenuatorOff();
    QVERIFY(!link.AttenuatorOn);
    link.MuteRadio();
    link.UnmuteRadio();
    QCOMPARE(pty.settle(30).toHex(' '), (c.on + c.off + c.mute + c.unmute).toHex(' '));
  }
  QCOMPARE(beeps.count(), 2);  // AR8000 and AR2700
}

CORVALO_TEST_GUILESS_MAIN(RadioLinkTest)
#include "tst_radiolink.moc"
