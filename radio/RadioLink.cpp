#include "radio/RadioLink.h"

#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "radio/AorCommands.h"
#include "radio/Bc895Commands.h"
#include "radio/CivCommands.h"
#include "radio/Encoding.h"
#include "radio/FrequencyText.h"
#include "radio/PcrCommands.h"
#include "radio/PortAddress.h"
#include "radio/Protocols.h"
#include "radio/Transport.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace names = settings_names;

namespace {

constexpr char kInternet[] = "Internet";
constexpr char kCannotOpen[] = "Cannot Open Port Not.";
constexpr char kModemDetected[] =
    "MODEM Detected. Check the Com. Port Setting under TOOLS|CONFIGURATION.";

// The link's own defaults, set at every open before the settings are read.
constexpr double kDefaultLowest = 0.1;
constexpr double kDefaultHighest = 1300.0;
constexpr int kLevelMax = 255;
constexpr int kLevelAtOpen = 128;
constexpr int kDefaultBc895Delay = 25;
constexpr int kPcrFastRate = 38400;
constexpr int kLongestCommandDelay = 250;  // ms

// The OS456/OS535 pause between power-up and audio-on, and the pause of more
// than 100 ms before every audio-on or audio-off frame.
constexpr int kOsPowerUpWaitMs = 300;
constexpr int kOsAudioWaitMs = 101;

// Emits busyChanged(true) now and busyChanged(false) however the scope ends.
class BusyScope {
 public:
  explicit BusyScope(RadioLink* link) : link_(link) { emit link_->busyChanged(true); }
  ~BusyScope() { end(); }
  void end() {
    if (!busy_) return;
    busy_ = false;
    emit link_->busyChanged(false);
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  RadioLink* link_;
  bool busy_ = true;
};

// Uses the settings store where a caller already holds it open (the close of
// the link, a dialog), else opens it for this group of reads or writes.
class SessionIfClosed {
 public:
  SessionIfClosed() {
    if (!Settings.isOpen()) session_.emplace();
  }

 private:
  std::optional<SettingsSession> session_;
};

double ReadMhz(const char* name, const char* defaultText, double fallback) {
  double value = 0;
  const QString text = Settings.ReadText(QLatin1String(names::kCoverage), QLatin1String(name),
                                         QLatin1String(defaultText));
  return freqtext::ParseNumber(text, &value) ? value : fallback;
}

int HexDigit(QChar c) {
  const char ch = c.toLatin1();
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

}  // namespace

RadioLink::RadioLink(QObject* parent) : QObject(parent) {}

RadioLink::~RadioLink() = default;

bool RadioLink::portOpen() const { return transport_ && transport_->isOpen(); }

// ---------------------------------------------------------------------------
// Port names

QString RadioLink::DevicePath(const QString& portName) {
  if (portName == QLatin1String(kInternet) || portName.trimmed().isEmpty()) return {};
  // A network address ("rfc2217://host:port") is the transport's to read.
  if (looksLikeNetworkAddress(portName)) return portName;
  static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]{0,5})$"),
                                          QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch com = comName.match(portName);
#ifdef Q_OS_WIN
  if (com.hasMatch()) return QStringLiteral("COM") + com.captured(1);
  return portName;
#else
  if (com.hasMatch()) return QStringLiteral("/dev/ttyS%1").arg(com.captured(1).toInt() - 1);
  if (portName.startsWith(QLatin1Char('/'))) return portName;
  return QStringLiteral("/dev/") + portName;
#endif
}

// ---------------------------------------------------------------------------
// Lifecycle

void RadioLink::LoadCivAddress() {
  const QString text =
      Settings
          .ReadText(QLatin1String(names::kConnection), QLatin1String(names::kAddress), QString())
          .trimmed();
  int value = -1;
  if (text.size() == 1) {
    value = HexDigit(text[0]);
  } else if (text.size() == 2) {
    const int high = HexDigit(text[0]);
    const int low = HexDigit(text[1]);
    if (high >= 0 && low >= 0) value = high * 16 + low;
  }
  // Anything else addresses every radio on the bus (00, the broadcast address).
  CivAddress = value >= 0 ? static_cast<quint8>(value) : 0;
}

void RadioLink::loadPcrSettings() {
  Pcr1000DefaultAmFilter = Settings.ReadNumber(QLatin1String(names::kConnection),
                                               QLatin1String(names::kPcr1000DefaultAmFilter),
                                               names::kDefaultPcr1000AmFilter);
  // Only the four AM filters 3K..50K are a default AM filter; another stored
  // value reads as the default 6K.
  if (Pcr1000DefaultAmFilter < 0 || Pcr1000DefaultAmFilter > 3) {
    Pcr1000DefaultAmFilter = names::kDefaultPcr1000AmFilter;
  }
  const QLatin1String section(names::kPcr1000);
  VolumeLevel = Settings.ReadNumber(section, QLatin1String(names::kPcr1000Volume),
                                    names::kDefaultPcr1000Volume);
  SquelchLevel = Settings.ReadNumber(section, QLatin1String(names::kPcr1000Squelch),
                                     names::kDefaultPcr1000Squelch);
  IfShiftLevel = Settings.ReadNumber(section, QLatin1String(names::kPcr1000IfShift),
                                     names::kDefaultPcr1000IfShift);
  CommandDelay = Settings.ReadNumber(section, QLatin1String(names::kPcr1000CommandDelay),
                                     names::kDefaultPcr1000CommandDelay);
  // A hand-edited store may hold anything: levels outside the scale would
  // put the sliders off their track, and a huge delay would freeze the
  // window for hours (the power-up waits 16 delays).
  VolumeLevel = std::clamp(VolumeLevel, 0, kLevelMax);
  SquelchLevel = std::clamp(SquelchLevel, 0, kLevelMax);
  IfShiftLevel = std::clamp(IfShiftLevel, 0, kLevelMax);
  CommandDelay = std::clamp(CommandDelay, 0, kLongestCommandDelay);
}

void RadioLink::OpenRadioLink() {
  BusyScope busy(this);
  LowestFrequency = kDefaultLowest;
  HighestFrequency = kDefaultHighest;
  VolumeMax = SquelchMax = IfShiftMax = kLevelMax;
  Bc895Delay = kDefaultBc895Delay;

  int rate = names::kDefaultComPortRate;
  {
    SettingsSession session;
    LowestFrequency =
        ReadMhz(names::kLowestFrequency, names::kDefaultLowestFrequency, kDefaultLowest);
    HighestFrequency =
        ReadMhz(names::kHighestFrequency, names::kDefaultHighestFrequency, kDefaultHighest);
    const QLatin1String general(names::kGeneral);
    const QLatin1String connection(names::kConnection);
    CurrentFrequency = Settings.ReadText(general, QLatin1String(names::kFrequency),
                                         QLatin1String(names::kDefaultFrequency));
    CurrentMode =
        Settings.ReadText(general, QLatin1String(names::kMode), QLatin1String(names::kDefaultMode));
    Protocol =
        Settings.ReadNumber(connection, QLatin1String(names::kProtocol), names::kDefaultProtocol);
    rate = Settings.ReadNumber(connection, QLatin1String(names::kComPortRate),
                               names::kDefaultComPortRate);
    LoadCivAddress();
    Ic735 = Settings.ReadFlag(connection, QLatin1String(names::kIc735), false);
    PortName = Settings.ReadText(connection, QLatin1String(names::kComPort),
                                 QLatin1String(names::kDefaultComPort));
  }

  closePort();
  transport_.reset();  // no reason of an earlier port's stays behind
  if (PortName == QLatin1String(kInternet)) return;  // no port, nothing sent

  transport_ = makeTransport(DevicePath(PortName));
  if (!transport_->open(rate)) {
    busy.end();  // the normal cursor is back before the message shows
    emit linkStateChanged(false);
    emit message(QString::fromLatin1(kCannotOpen));
    return;
  }
  BaudRate = transport_->baudRate();  // a rate the driver refused is not in force
  BytesWritten = 0;
  VolumeLevel = SquelchLevel = IfShiftLevel = kLevelAtOpen;
  if (transport_->isModem()) emit message(QString::fromLatin1(kModemDetected));
  SetPortTimeouts();
  PowerUp();
  // A port lost during the power-up has been reported already.
  if (portOpen()) emit linkStateChanged(true);
}

void RadioLink::CloseRadioLink() {
  struct PortCloser {
    RadioLink* link;
    ~PortCloser() { link->closePort(); }
  } closer{this};
  SettingsSession session;
  const QLatin1String general(names::kGeneral);
  Settings.WriteText(general, QLatin1String(names::kFrequency), CurrentFrequency);
  Settings.WriteText(general, QLatin1String(names::kMode), CurrentMode);
  if (Protocol == protocols::kPcr1000) SavePcrLevels();
  if (Settings.ReadFlag(general, QLatin1String(names::kPowerOff), false)) PowerOff();
}

void RadioLink::ReleasePort() {
  closePort();
  emit linkStateChanged(false);
}

void RadioLink::SavePcrLevels() {
  SessionIfClosed session;
  const QLatin1String section(names::kPcr1000);
  Settings.WriteNumber(section, QLatin1String(names::kPcr1000Volume), VolumeLevel);
  Settings.WriteNumber(section, QLatin1String(names::kPcr1000Squelch), SquelchLevel);
  Settings.WriteNumber(section, QLatin1String(names::kPcr1000IfShift), IfShiftLevel);
}

void RadioLink::closePort() {
  if (transport_) transport_->close();
  readMsPerByte_ = readConstantMs_ = 0;
}

// ---------------------------------------------------------------------------
// Transport

void RadioLink::WritePort(const QByteArray& bytes) {
  if (!portOpen() || bytes.isEmpty()) return;
  CivFrame = bytes;
  if (transport_->write(bytes)) {
    BytesWritten = bytes.size();
    return;
  }
  // The device is gone (a USB adapter pulled out) or its output never drains:
  // treat it as released by the operator; the next command retakes it.
  BytesWritten = 0;
  closePort();
  emit portLost();
  emit linkStateChanged(false);
}

void RadioLink::SendLineEnd() { WritePort(encoders::kCrLf); }

void RadioLink::SendCr() { WritePort(encoders::kCr); }

void RadioLink::BusyWait(int ms) {
  if (ms <= 0) return;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
  // sleep_until never returns early on the monotonic clock; the loop guards
  // against an interrupted sleep all the same.
  while (Clock::now() < deadline) std::this_thread::sleep_until(deadline);
}

void RadioLink::PurgeOutput() {
  if (portOpen()) transport_->purgeOutput();
}

void RadioLink::SetPortTimeouts() {
  if (!portOpen()) return;
  readMsPerByte_ = 5;
  readConstantMs_ = 50;
}

int RadioLink::ReadPortTimeoutMs(int maxBytes) const {
  return readMsPerByte_ * maxBytes + readConstantMs_;
}

QString RadioLink::portError() const { return transport_ ? transport_->errorString() : QString(); }

bool RadioLink::CheckPort() {
  if (!portOpen()) return false;
  if (transport_->checkLine()) return true;
  closePort();
  emit portLost();
  emit linkStateChanged(false);
  return false;
}

QByteArray RadioLink::ReadPort(int maxBytes, int limitMs) {
  BytesWritten = 0;
  if (!portOpen()) return {};
  bool failed = false;
  const QByteArray reply = transport_->read(maxBytes, limitMs, &failed);
  BytesWritten = reply.size();
  if (failed) {
    closePort();
    emit portLost();
    emit linkStateChanged(false);
  }
  return reply;
}

void RadioLink::SetBaudRate(int rate) {
  if (!portOpen()) return;
  transport_->setBaudRate(rate);
  BaudRate = transport_->baudRate();
}

// ---------------------------------------------------------------------------
// Power sequences

void RadioLink::PowerUp() {
  if (!portOpen()) return;
  switch (Protocol) {
    case protocols::kOs456:
      WritePort(encoders::OsControlFrame(CivAddress, encoders::kOsPowerUp));
      // 300 ms, then more than 100 ms before the audio-on frame.
      BusyWait(kOsPowerUpWaitMs + kOsAudioWaitMs);
      WritePort(encoders::OsControlFrame(CivAddress, encoders::kOsAudioOn));
      break;
    case protocols::kBc895Xlt: {
      PurgeOutput();
      WritePort(encoders::Bc895Query());
      const QByteArray reply =
          ReadPort(encoders::kBc895ReplyBytes, ReadPortTimeoutMs(encoders::kBc895ReplyBytes));
      if (!reply.isEmpty()) WritePort(encoders::Bc895ReplyAnswer(reply));
      BusyWait(2 * Bc895Delay);
      WritePort(encoders::Bc895Key01());
      BusyWait(2 * Bc895Delay);
      break;
    }
    case protocols::kPcr1000: {
      {
        SessionIfClosed session;
        loadPcrSettings();
      }
      const int d = CommandDelay;
      BusyWait(2 * d);
      WritePort(encoders::PcrLine("H100"));
      BusyWait(3 * d);
      WritePort(encoders::PcrLine("H101"));
      BusyWait(3 * d);
      WritePort(encoders::PcrLine("G300"));
      BusyWait(d);
      WritePort(encoders::PcrLine("G105"));
      BusyWait(3 * d);
      // "G105" moves the radio to 38400 baud; SetBaudRate lets it leave at
      // the old rate first.
      SetBaudRate(kPcrFastRate);
      BusyWait(4 * d);
      SendPcrVolume(VolumeLevel);
      SendPcrSquelch(SquelchLevel);
      break;
    }
    default:
      break;  // CI-V, AR8000, AR2700, AR3000, AR3000A: nothing is sent
  }
}

void RadioLink::PowerOff() {
  switch (Protocol) {
    case protocols::kOs456:
      WritePort(encoders::OsControlFrame(CivAddress, encoders::kOsPowerDown));
      break;
    case protocols::kAr8000:
    case protocols::kAr2700:
      WritePort(encoders::Ar8000Exit());
      break;
    case protocols::kPcr1000:
      WritePort(encoders::PcrLine("H100"));
      break;
    default:
      break;
  }
}
