#include "radio/RadioLink.h"

#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

#include "radio/AorCommands.h"
#include "radio/Bc895Commands.h"
#include "radio/CivCommands.h"
#include "radio/Encoding.h"
#include "radio/FrequencyText.h"
#include "radio/LinkSettings.h"
#include "radio/PcrCommands.h"
#include "radio/PortAddress.h"
#include "radio/Protocols.h"
#include "radio/Transport.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace names = settings_names;

namespace {

constexpr char kCannotOpen[] = "Cannot Open Port Not.";
constexpr char kModemDetected[] =
    "MODEM Detected. Check the Com. Port Setting under TOOLS|CONFIGURATION.";

constexpr int kLevelMax = 255;
constexpr int kLevelAtOpen = 128;
constexpr int kDefaultBc895Delay = 25;
constexpr int kPcrFastRate = 38400;

// The OS456/OS535 pause between power-up and audio-on.
constexpr int kOsPowerUpWaitMs = 300;

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
  explicit SessionIfClosed(SettingsStore& store) {
    if (!store.isOpen()) session_.emplace(store);
  }

 private:
  std::optional<SettingsSession> session_;
};

}  // namespace

RadioLink::RadioLink(QObject* parent) : QObject(parent) {}

RadioLink::~RadioLink() = default;

bool RadioLink::portOpen() const { return transport_ && transport_->isOpen(); }

// ---------------------------------------------------------------------------
// Port names

QString RadioLink::DevicePath(const QString& portName) {
  if (portName == QLatin1String(kNoPortName) || portName.trimmed().isEmpty()) return {};
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

void RadioLink::LoadCivAddress(SettingsStore& store) {
  CivAddress = ParseCivAddress(
      store.ReadText(QLatin1String(names::kConnection), QLatin1String(names::kAddress), {}));
}

void RadioLink::loadPcrSettings() {
  Pcr1000DefaultAmFilter = pcrSettings_.pcrDefaultAmFilter;
  VolumeLevel = pcrSettings_.pcrVolume;
  SquelchLevel = pcrSettings_.pcrSquelch;
  IfShiftLevel = pcrSettings_.pcrIfShift;
  CommandDelay = pcrSettings_.pcrCommandDelay;
}

void RadioLink::OpenRadioLink(SettingsStore& store) {
  LinkSettings settings;
  {
    SettingsSession session(store);
    settings = ReadLinkSettings(store);
  }
  OpenRadioLink(settings);
}

void RadioLink::OpenRadioLink(const LinkSettings& settings) {
  BusyScope busy(this);
  VolumeMax = SquelchMax = IfShiftMax = kLevelMax;
  Bc895Delay = kDefaultBc895Delay;
  LowestFrequency = settings.lowestMhz;
  HighestFrequency = settings.highestMhz;
  CurrentFrequency = settings.frequency;
  CurrentMode = settings.mode;
  Protocol = settings.protocol;
  CivAddress = settings.civAddress;
  Ic735 = settings.ic735;
  PortName = settings.portName;
  pcrSettings_ = settings;

  closePort();
  transport_.reset();  // no reason of an earlier port's stays behind
  if (PortName == QLatin1String(kNoPortName)) return;  // no port, nothing sent

  transport_ = makeTransport(DevicePath(PortName));
  if (!transport_->open(settings.baudRate)) {
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

void RadioLink::CloseRadioLink(SettingsStore& store) {
  struct PortCloser {
    RadioLink* link;
    ~PortCloser() { link->closePort(); }
  } closer{this};
  SettingsSession session(store);
  const QLatin1String general(names::kGeneral);
  store.WriteText(general, QLatin1String(names::kFrequency), CurrentFrequency);
  store.WriteText(general, QLatin1String(names::kMode), CurrentMode);
  if (Protocol == protocols::kPcr1000) SavePcrLevels(store);
  if (store.ReadFlag(general, QLatin1String(names::kPowerOff), false)) PowerOff();
}

void RadioLink::PowerOffAndClose(bool powerOff) {
  if (powerOff) PowerOff();
  closePort();
}

void RadioLink::ReleasePort() {
  closePort();
  emit linkStateChanged(false);
}

void RadioLink::SavePcrLevels(SettingsStore& store) {
  SessionIfClosed session(store);
  const QLatin1String section(names::kPcr1000);
  store.WriteNumber(section, QLatin1String(names::kPcr1000Volume), VolumeLevel);
  store.WriteNumber(section, QLatin1String(names::kPcr1000Squelch), SquelchLevel);
  store.WriteNumber(section, QLatin1String(names::kPcr1000IfShift), IfShiftLevel);
}

void RadioLink::closePort() {
  if (transport_) transport_->close();
  readMsPerByte_ = readConstantMs_ = 0;
}

// ---------------------------------------------------------------------------
// Transport

void RadioLink::WritePort(const QByteArray& bytes) {
  if (!portOpen() || bytes.isEmpty()) return;
  if (transport_->write(bytes)) {
    BytesWritten = bytes.size();
    lastWrite_ = readings::Clock::now();
    return;
  }
  // The device is gone (a USB adapter pulled out) or its output never drains:
  // treat it as released by the operator; the next command retakes it.
  BytesWritten = 0;
  closePort();
  emit portLost();
  emit linkStateChanged(false);
}

void RadioLink::BusyWait(int ms) {
  if (ms <= 0) return;
  WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
}

void RadioLink::WaitUntil(std::chrono::steady_clock::time_point deadline) {
  using Clock = std::chrono::steady_clock;
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

readings::LinkFacts RadioLink::ReadingFacts() const {
  readings::LinkFacts facts;
  facts.protocol = Protocol;
  facts.address = CivAddress;
  facts.ic735 = Ic735;
  facts.baudRate = BaudRate;
  facts.commandDelayMs = CommandDelay;
  double mhz = 0;
  if (freqtext::ParseNumber(CurrentFrequency, &mhz)) facts.tunedHz = std::llround(mhz * 1e6);
  return facts;
}

readings::ReadingResult RadioLink::TakeReading(std::optional<readings::Quantity> only) {
  readings::ReadingResult result;
  if (!portOpen()) return result;
  const readings::LinkFacts facts = ReadingFacts();
  readings::Pacing pacing;
  pacing.notBefore = lastWrite_ + readings::queryGap(facts);
  result = only && readings::canRead(facts, *only)
               ? readings::takeReading(*transport_, facts, *only, pacing)
               : readings::takeReading(*transport_, facts, pacing);
  if (result.queries > 0) lastWrite_ = result.finished;
  if (result.lineFailed) {
    closePort();
    emit portLost();
    emit linkStateChanged(false);
  }
  return result;
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
      BusyWait(kOsPowerUpWaitMs + encoders::kOsAudioWaitMs);
      WritePort(encoders::OsControlFrame(CivAddress, encoders::kOsAudioOn));
      break;
    case protocols::kBc895Xlt: {
      PurgeOutput();
      // The radio acknowledges every command with "OK": those of an earlier
      // session still waiting on the line would stand before the model reply
      // and hide it.
      transport_->purgeInput();
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
      loadPcrSettings();
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
