#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>
#include <span>

// What each radio can tell about what it hears (signal level, squelch state),
// as data per protocol: the query bytes, the reply family that reads the
// answer, the strength calibration, how long the radio needs to settle after
// a retune and how long its answer may take. Pure: no port, no waits.
//
// Keyed by the stored protocol number (protocols::Number); a protocol
// without an entry has no reading at all.
namespace readings {

// The two things a radio can be asked.
enum class Quantity { Signal, Squelch };

// One parser per reply family, as the encoders go by command family.
enum class ReplyFamily {
  Civ,      // Icom CI-V and OS456/OS535 byte frames
  Aor,      // AR8000/AR2700 "LM" lines
  Ar3000A,  // AR3000A one-character lines
  Bc895,    // BC-895XLT "S... F..." and "+"/"-" lines
  Pcr,      // PCR1000 "I1xx"/"I0xx" tokens
};

// What one reply said. A reply may carry the level, the squelch state or
// both; what it does not carry stays unset.
struct Reading {
  std::optional<int> raw;             // signal on the radio's own scale (0..rawMax)
  std::optional<bool> squelchOpen;    // true: the squelch lets audio through
  std::optional<qint64> frequencyHz;  // the tuning the radio reported with it
  bool operator==(const Reading&) const = default;
};

// One point of a strength calibration: a raw value and the level it stands
// for in dB relative to S9 (S9 = 0, S1 = -48, S9+20 = 20), Hamlib's
// convention. Points go by rising raw value.
struct CalibrationPoint {
  int raw;
  int db;
};

// How one query goes on the wire. CI-V style radios: a frame to the radio's
// address with a command and a sub-command; text radios: the command line
// as sent, terminator included.
struct QuerySpec {
  int civCommand = -1;  // -1: not a frame
  int civSubCommand = -1;
  const char* text = nullptr;  // nullptr: not a line
  // The reply to this query carries the squelch state as well.
  bool alsoSquelch = false;
  bool exists() const { return civCommand >= 0 || text != nullptr; }
};

// Everything one protocol can tell, and how.
struct ProtocolReadings {
  int protocol;
  ReplyFamily family;
  QuerySpec signal;   // the level query; absent where the radio has none
  QuerySpec squelch;  // the squelch query; absent where the signal reply tells it
  int rawMax;         // top of the raw scale
  std::span<const CalibrationPoint> calibration;  // empty: no calibration is known
  // The calibration comes from one model of a family, or from a straight line
  // through known marks: S-units are approximate.
  bool calibrationEstimated;
  // AR8000 style: the bit of the level value that says the squelch is open
  // (0: a level always means open).
  int squelchBit;
  // How long after a retune the radio's reading is worth taking: counted from
  // the moment the tuning command has left (the link's own waits after
  // tuning count towards it).
  int settleMs;
  // How long the radio takes to start its answer once the query has arrived,
  // with a margin; the wire time of query and answer comes on top.
  int turnaroundMs;
  // The longest answer (echo excluded), for the wire time.
  int replyBytes;
  // The gap kept between two frames or lines of one reading (the pause the
  // link keeps between consecutive commands of this radio).
  int queryGapMs;
};

// The protocols that can tell anything, and nullptr for one that cannot
// (AR3000, and numbers that name no protocol).
std::span<const ProtocolReadings> all();
const ProtocolReadings* forProtocol(int protocol);

// The settle time of a protocol; radios without an entry get the default
// (the carrier-detect line is read after it).
inline constexpr int kDefaultSettleMs = 50;
int settleMs(int protocol);

// What a query needs to know of the link.
struct LinkFacts {
  int protocol = 0;
  quint8 address = 0;  // CI-V and OS456/OS535: the radio's address
  bool ic735 = false;  // CI-V: the IC-735 variant, which has no meter query
  // The frequency the link tuned last, for replies that carry one: a reply
  // with another frequency is one the radio gave before a retune.
  std::optional<qint64> tunedHz;
  int baudRate = 9600;  // the line's rate, for the wire time of an answer
  // PCR1000: the command delay (ms); its quarter goes before every command.
  int commandDelayMs = 2;
};

// True when the radio can be asked this (the IC-735 variant and address
// bytes FD and FE, which no frame can carry, cannot).
bool canRead(const LinkFacts& link, Quantity quantity);
// True when one reply to the signal query also tells the squelch state.
bool signalTellsSquelch(int protocol);

// One query ready to go: its bytes, and what its parser needs to tell its
// answer from everything else on the line.
struct Query {
  int protocol = -1;
  ReplyFamily family = ReplyFamily::Pcr;
  Quantity quantity = Quantity::Signal;
  QByteArray bytes;  // what goes on the wire (a CI-V bus echoes it back)
  quint8 address = 0;
  int civCommand = -1;
  int civSubCommand = -1;
  bool alsoSquelch = false;
  int squelchBit = 0;
  std::optional<qint64> tunedHz;
};

// The query for one quantity; nullopt when canRead() says no.
std::optional<Query> makeQuery(const LinkFacts& link, Quantity quantity);

// How long to wait for the answer to a query, from its write to the last
// byte of the answer: the radio's turnaround plus the time query, echo and
// answer need on the wire at the line's rate.
std::chrono::milliseconds replyDeadline(const Query& query, int baudRate);
// The gap between the queries of one reading: the protocol's frame gap, and
// for the PCR1000 its command delay's quarter, as before every command.
std::chrono::milliseconds queryGap(const LinkFacts& link);

// ---- Calibrated strength ----

// dB relative to S9 for a raw value: straight lines between the points,
// clamped to the first and last (as Hamlib's str_cal); nullopt where no
// calibration is known.
std::optional<double> dbRelativeToS9(const ProtocolReadings& radio, int raw);
// S-units for a level in dB relative to S9: 6 dB a unit below S9 (S0 at -54
// and below), and the dB above S9 apart: "S7", "S9", "S9+20".
struct SUnits {
  int units = 0;   // 0..9
  int overS9 = 0;  // dB above S9, rounded; 0 at and below S9
};
SUnits sUnits(double dbRelativeToS9);
QString sUnitsText(double dbRelativeToS9);
// What a meter shows for a raw value: the S-units and dB where a calibration
// is known ("S7 (-12 dB)", with "~" before an estimated one), else the raw
// value on its scale ("raw 73/255").
QString describe(const ProtocolReadings& radio, int raw);

}  // namespace readings
