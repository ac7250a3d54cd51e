#include "radio/Readings.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "radio/CivCommands.h"
#include "radio/Protocols.h"

namespace readings {

namespace {

// Icom CI-V meter reading (command 15): 02 the S-meter, 01 the squelch.
constexpr int kCivReadMeter = 0x15;
constexpr int kCivSquelchState = 0x01;
constexpr int kCivSMeter = 0x02;
// OS456/OS535: command 7F sub-command 05 reads the status block.
constexpr int kOsControl = 0x7F;
constexpr int kOsStatus = 0x05;

// Strength calibrations, raw value to dB relative to S9.
//
// Icom's published meter scale for its CI-V receivers: 0 is S0, 120 is S9,
// 241 is S9+60. Models differ around it, and the CI-V protocol does not say
// which model is attached: estimated.
constexpr std::array<CalibrationPoint, 3> kCivCalibration = {{{0, -54}, {120, 0}, {241, 60}}};
// PCR1000: the level byte runs 00..FF with S9 near the middle; a straight
// line through S9 at 127, 60 dB either side: estimated.
constexpr std::array<CalibrationPoint, 3> kPcrCalibration = {{{0, -60}, {127, 0}, {255, 60}}};
// BC-895XLT: its level hardly leaves 12..32 (about S4 to S9+4); estimated.
constexpr std::array<CalibrationPoint, 4> kBc895Calibration = {
    {{0, -54}, {12, -20}, {32, 4}, {255, 60}}};
// AR3000A: one character a reading, "%" below S1 (the squelch is shut), then
// "A" (S1) to "P" (S9+20), from the radio's manual.
constexpr std::array<CalibrationPoint, 3> kAr3000ACalibration = {
    {{'%', -60}, {'A', -48}, {'P', 20}}};

constexpr QuerySpec kNone{};
constexpr QuerySpec Frame(int command, int sub, bool alsoSquelch = false) {
  return QuerySpec{command, sub, nullptr, alsoSquelch};
}
constexpr QuerySpec Line(const char* text, bool alsoSquelch = false) {
  return QuerySpec{-1, -1, text, alsoSquelch};
}

// Settle times: what each radio needs after a retune before its level means
// the new frequency (synthesizer lock and the meter's rise), from the radios'
// own scan rates, since none of them says it outright: Icom's CI-V receivers
// scan tens of channels a second on their own, so 25 ms; the OptoScan
// interface documents 20 ms for a complete retune. A profile's "Settle
// Time" overrides them.
const std::array<ProtocolReadings, 7> kTable = {{
    {protocols::kIcomCiv, ReplyFamily::Civ, Frame(kCivReadMeter, kCivSMeter),
     Frame(kCivReadMeter, kCivSquelchState), 255, kCivCalibration, true, 0, 25, 30, 15, 15},
    // The OptoScan answers the S-meter query of CI-V; its squelch is a bit of
    // the status block. No calibration is known for the two boards.
    {protocols::kOs456,
     ReplyFamily::Civ,
     Frame(kCivReadMeter, kCivSMeter),
     Frame(kOsControl, kOsStatus),
     255,
     {},
     false,
     0,
     20,
     30,
     16,
     15},
    // "LM": the level in hexadecimal, "%" while the squelch is shut.
    {protocols::kAr8000,
     ReplyFamily::Aor,
     Line("LM\r", true),
     kNone,
     0x7F,
     {},
     false,
     0x80,
     50,
     50,
     8,
     0},
    {protocols::kAr2700,
     ReplyFamily::Aor,
     Line("LM\r", true),
     kNone,
     0x3F,
     {},
     false,
     0,
     50,
     50,
     8,
     0},
    {protocols::kBc895Xlt, ReplyFamily::Bc895, Line("SG\r"), Line("SQ\r"), 255, kBc895Calibration,
     true, 0, 30, 50, 18, 0},
    {protocols::kPcr1000, ReplyFamily::Pcr, Line("I1?\r\n"), Line("I0?\r\n"), 255, kPcrCalibration,
     true, 0, 20, 30, 12, 0},
    {protocols::kAr3000A, ReplyFamily::Ar3000A, Line("Y\r\n", true), kNone, 'P',
     kAr3000ACalibration, false, 0, 30, 50, 3, 0},
}};

}  // namespace

std::span<const ProtocolReadings> all() { return kTable; }

const ProtocolReadings* forProtocol(int protocol) {
  for (const ProtocolReadings& p : kTable) {
    if (p.protocol == protocol) return &p;
  }
  return nullptr;
}

int settleMs(int protocol) {
  const ProtocolReadings* p = forProtocol(protocol);
  return p ? p->settleMs : kDefaultSettleMs;
}

bool signalTellsSquelch(int protocol) {
  const ProtocolReadings* p = forProtocol(protocol);
  return p && p->signal.alsoSquelch;
}

bool canRead(const LinkFacts& link, Quantity quantity) {
  const ProtocolReadings* p = forProtocol(link.protocol);
  if (!p) return false;
  if (p->family == ReplyFamily::Civ) {
    // The IC-735 has no meter command; FD would end a frame at its address
    // byte and FE would read as a preamble.
    if (link.protocol == protocols::kIcomCiv && link.ic735) return false;
    if (link.address == 0xFD || link.address == 0xFE) return false;
  }
  const QuerySpec& spec = quantity == Quantity::Signal ? p->signal : p->squelch;
  if (spec.exists()) return true;
  return quantity == Quantity::Squelch && p->signal.alsoSquelch;
}

std::optional<Query> makeQuery(const LinkFacts& link, Quantity quantity) {
  if (!canRead(link, quantity)) return std::nullopt;
  const ProtocolReadings& p = *forProtocol(link.protocol);
  // Where the signal reply tells the squelch, the squelch is asked that way.
  const QuerySpec& spec =
      quantity == Quantity::Squelch && p.squelch.exists() ? p.squelch : p.signal;
  Query q;
  q.protocol = link.protocol;
  q.family = p.family;
  q.quantity = quantity;
  q.address = link.address;
  q.civCommand = spec.civCommand;
  q.civSubCommand = spec.civSubCommand;
  q.alsoSquelch = spec.alsoSquelch;
  q.squelchBit = p.squelchBit;
  q.tunedHz = link.tunedHz;
  if (spec.civCommand >= 0) {
    QByteArray body;
    body.append(static_cast<char>(spec.civCommand));
    body.append(static_cast<char>(spec.civSubCommand));
    q.bytes = encoders::CivFrame(link.address, body);
  } else {
    q.bytes = QByteArray(spec.text);
  }
  return q;
}

std::chrono::milliseconds replyDeadline(const Query& query, int baudRate) {
  const ProtocolReadings* p = forProtocol(query.protocol);
  if (!p) return std::chrono::milliseconds(0);
  // The query, its echo on a CI-V bus, and the answer: 10 bits a byte.
  qint64 bytes = query.bytes.size() + p->replyBytes;
  if (p->family == ReplyFamily::Civ) bytes += query.bytes.size();
  const qint64 rate = std::max(baudRate, 300);
  const qint64 wireMs = (bytes * 10 * 1000 + rate - 1) / rate;
  return std::chrono::milliseconds(p->turnaroundMs + wireMs);
}

std::chrono::milliseconds queryGap(const LinkFacts& link) {
  const ProtocolReadings* p = forProtocol(link.protocol);
  int ms = p ? p->queryGapMs : 0;
  if (link.protocol == protocols::kPcr1000) ms += std::max(link.commandDelayMs, 0) / 4;
  return std::chrono::milliseconds(ms);
}

std::optional<double> dbRelativeToS9(const ProtocolReadings& radio, int raw) {
  const std::span<const CalibrationPoint> points = radio.calibration;
  if (points.empty()) return std::nullopt;
  if (raw <= points.front().raw) return points.front().db;
  if (raw >= points.back().raw) return points.back().db;
  for (size_t i = 1; i < points.size(); ++i) {
    const CalibrationPoint& lo = points[i - 1];
    const CalibrationPoint& hi = points[i];
    if (raw > hi.raw) continue;
    if (hi.raw == lo.raw) return hi.db;
    return lo.db + double(hi.db - lo.db) * (raw - lo.raw) / double(hi.raw - lo.raw);
  }
  return points.back().db;
}

SUnits sUnits(double db) {
  SUnits s;
  if (db > 0) {
    s.units = 9;
    s.overS9 = static_cast<int>(std::lround(db));
    return s;
  }
  // 6 dB a unit; a level counts as a unit once it reaches it.
  s.units = std::clamp(9 + static_cast<int>(std::floor(db / 6.0 + 1e-9)), 0, 9);
  return s;
}

QString sUnitsText(double db) {
  const SUnits s = sUnits(db);
  if (s.overS9 > 0) return QStringLiteral("S9+%1").arg(s.overS9);
  return QStringLiteral("S%1").arg(s.units);
}

QString describe(const ProtocolReadings& radio, int raw) {
  const std::optional<double> db = dbRelativeToS9(radio, raw);
  if (!db) return QStringLiteral("raw %1/%2").arg(raw).arg(radio.rawMax);
  return QStringLiteral("%1%2 (%3 dB)")
      .arg(radio.calibrationEstimated ? QStringLiteral("~") : QString(), sUnitsText(*db))
      .arg(std::lround(*db));
}

}  // namespace readings
