// What the virtual radio sends back: the CI-V bus's echo, acknowledgements
// and refusals of commands, and the answers to the signal and squelch
// queries, from what it hears of its band. Each radio shows its level on its
// own scale, written here from the radios' documented ranges alone.

#include <algorithm>
#include <cmath>

#include "VirtualRadio.h"

namespace {

constexpr int kCiv = 0, kOs456 = 1, kAr8000 = 2, kAr2700 = 3, kBc895 = 5, kPcr1000 = 6,
              kAr3000A = 9;

// Straight lines through the scale marks of each meter.
int Scale(double db, double dbLow, double dbHigh, int rawLow, int rawHigh) {
  const double t = (db - dbLow) / (dbHigh - dbLow);
  return static_cast<int>(std::lround(rawLow + std::clamp(t, 0.0, 1.0) * (rawHigh - rawLow)));
}

// Icom: 0 at S0, 120 at S9, 241 at S9+60.
int CivRaw(double db) { return db <= 0 ? Scale(db, -54, 0, 0, 120) : Scale(db, 0, 60, 120, 241); }
// PCR1000: 00..FF, S9 at mid-scale, 60 dB either side.
int PcrRaw(double db) { return Scale(db, -60, 60, 0, 255); }
// AR8000: 7 bits, AR2700: 6 bits, S0 to S9+60.
int AorRaw(double db, int top) { return Scale(db, -54, 60, 0, top); }
// BC-895XLT: about 12 at S4, 32 at S9+4 and no higher.
int Bc895Raw(double db) {
  return db <= -20 ? Scale(db, -54, -20, 0, 12) : Scale(db, -20, 4, 12, 32);
}
// AR3000A: "A" at S1 to "P" at S9+20.
char Ar3000ALetter(double db) { return char('A' + Scale(db, -48, 20, 0, 15)); }

char Bcd(int value) { return static_cast<char>(((value / 10) << 4) | (value % 10)); }

QByteArray Hex2(int value) {
  return QByteArray::number(value, 16).toUpper().rightJustified(2, '0');
}

}  // namespace

double VirtualRadio::nowS() const { return clock_ ? clock_() : 0.0; }

int VirtualRadio::turnaroundMs() const {
  if (options_.replyDelayMs) return *options_.replyDelayMs;
  switch (options_.protocol) {
    case kCiv:
    case kOs456:
      return 5;
    case kPcr1000:
      return 3;
    default:
      return 10;
  }
}

int VirtualRadio::settleMs() const {
  if (options_.settleMs) return *options_.settleMs;
  // A little quicker than the program's settle times, as a radio that keeps
  // its makers' scan rate would be.
  switch (options_.protocol) {
    case kCiv:
      return 20;
    case kOs456:
    case kPcr1000:
      return 15;
    case kBc895:
    case kAr3000A:
      return 25;
    default:
      return 40;
  }
}

double VirtualRadio::heardDb() const {
  const double at = nowS();
  std::optional<qint64> heardHz = state_.frequencyHz;
  if ((at - retunedAtS_) * 1000 < settleMs()) heardHz = settlingFromHz_;
  if (!heardHz) return band_.noiseDb(0, at);
  double attenuation = 0;
  if (state_.attenuator.value_or(false)) attenuation = state_.attenuatorDb.value_or(20);
  return band_.levelDb(*heardHz, BandwidthHz(state_.mode, state_.filter), at, attenuation);
}

bool VirtualRadio::squelchOpen(double db) const {
  // The PCR1000's and CI-V radios' squelch is set by the program (0..255):
  // 0 keeps it open, 255 asks for S9+6.
  if ((options_.protocol == kPcr1000 || options_.protocol == kCiv) && state_.squelch) {
    if (*state_.squelch == 0) return true;
    return db >= -54.0 + *state_.squelch * 60.0 / 255.0;
  }
  return db >= options_.squelchDb;
}

std::vector<Outgoing> VirtualRadio::takeOutgoing() {
  std::vector<Outgoing> out;
  out.swap(outgoing_);
  return out;
}

QByteArray VirtualRadio::civFrameFromRadio(const QByteArray& query, const QByteArray& body) const {
  // To the controller that asked, from this radio (a radio asked at the
  // broadcast address answers from its own).
  const char controller = query.size() > 3 ? query[3] : char(0xE0);
  const char radio =
      options_.address ? char(*options_.address) : (query.size() > 2 ? query[2] : char(0));
  return QByteArray("\xFE\xFE") + controller + radio + body + char(0xFD);
}

void VirtualRadio::sendBack(RadioEvent& event, const QByteArray& bytes) {
  if (bytes.isEmpty()) return;
  const qint64 wireUs = bytes.size() * 10 * 1000000LL / lineRate_;
  outgoing_.push_back({turnaroundMs() * 1000LL + wireUs, bytes});
  event.answer += bytes;
}

void VirtualRadio::acknowledge(RadioEvent& event, const QByteArray& frame) {
  if (!options_.acknowledge || !event.answer.isEmpty()) return;
  static const QStringList kSilent = {"other-address", "empty",         "model-query",
                                      "signal-query",  "squelch-query", "status-query"};
  if (kSilent.contains(event.kind)) return;
  // A radio switched off hears nothing but its power command.
  if (!state_.powered && event.kind != QLatin1String("power")) return;
  const bool refused = event.kind == QLatin1String("unknown");
  switch (options_.protocol) {
    case kCiv:
    case kOs456:
      if (frame.size() >= 6) {
        sendBack(event, civFrameFromRadio(frame, QByteArray(1, refused ? char(0xFA) : char(0xFB))));
      }
      break;
    case kPcr1000:
      sendBack(event, refused ? QByteArray("G001\r\n") : QByteArray("G000\r\n"));
      break;
    case kBc895:
      sendBack(event, refused ? QByteArray("ERR\r") : QByteArray("OK\r"));
      break;
    case kAr8000:
    case kAr2700:
      if (refused) sendBack(event, QByteArray("?\r\n"));
      break;
    default:
      break;
  }
}

RadioEvent VirtualRadio::answerQuery(Asked asked, const QByteArray& frame) {
  static const char* const kKinds[] = {"signal-query", "squelch-query", "status-query"};
  const double db = heardDb();
  const bool open = squelchOpen(db);
  const QString kind = QString::fromLatin1(kKinds[int(asked)]);
  RadioEvent e = Event(kind, kind.left(kind.indexOf(QLatin1Char('-'))) + QStringLiteral(" query"));
  e.text +=
      QStringLiteral(": hears %1 dB over S9, squelch %2")
          .arg(QString::number(db, 'f', 1), open ? QStringLiteral("open") : QStringLiteral("shut"));
  e.fields.insert(QStringLiteral("db"), std::round(db * 10) / 10);
  e.fields.insert(QStringLiteral("on"), open);
  if (!options_.answerQueries || !state_.powered) {
    e.text += QStringLiteral(", not answered");
    warnIfOff(e);
    return e;
  }
  int raw = -1;
  QByteArray reply;
  switch (options_.protocol) {
    case kCiv:
    case kOs456:
      if (options_.ic735 && asked != Asked::Status) {
        reply = civFrameFromRadio(frame, QByteArray(1, char(0xFA)));
        e.text += QStringLiteral(" (refused: the IC-735 has no meter)");
      } else if (asked == Asked::Signal) {
        raw = CivRaw(db);
        reply = civFrameFromRadio(frame, QByteArray("\x15\x02") + Bcd(raw / 100) + Bcd(raw % 100));
      } else if (asked == Asked::Squelch) {
        reply = civFrameFromRadio(frame, QByteArray("\x15\x01") + char(open ? 1 : 0));
      } else {
        // Status block: remote control on, bit 4 the squelch; then the
        // speaker (bit 1) and audio present (bit 4).
        const bool speaker = !state_.muted.value_or(false);
        const char status = char(0x01 | (open ? 0x10 : 0));
        const char flags = char((speaker ? 0x02 : 0) | (open && speaker ? 0x10 : 0));
        reply = civFrameFromRadio(frame, QByteArray("\x7F\x05") + status + flags);
      }
      break;
    case kPcr1000:
      if (asked == Asked::Signal) {
        raw = PcrRaw(db);
        reply = "I1" + Hex2(raw) + "\r\n";
      } else {
        reply = open ? QByteArray("I007\r\n") : QByteArray("I004\r\n");
      }
      break;
    case kAr8000:
    case kAr2700:
      if (!open) {
        reply = "LM%\r\n";
      } else {
        raw = AorRaw(db, options_.protocol == kAr8000 ? 0x7F : 0x3F);
        reply = "LM" + Hex2(options_.protocol == kAr8000 ? raw | 0x80 : raw) + "\r\n";
      }
      break;
    case kAr3000A:
      reply = QByteArray(1, open ? Ar3000ALetter(db) : '%') + "\r\n";
      if (open) raw = reply[0];
      break;
    case kBc895:
      if (asked == Asked::Signal) {
        raw = Bc895Raw(db);
        const qint64 units = state_.frequencyHz.value_or(0) / 100;
        reply = QStringLiteral("S%1 F%2\r")
                    .arg(raw, 3, 10, QLatin1Char('0'))
                    .arg(units, 8, 10, QLatin1Char('0'))
                    .toLatin1();
      } else {
        reply = open ? QByteArray("+\r") : QByteArray("-\r");
      }
      break;
    default:
      break;
  }
  if (raw >= 0) e.fields.insert(QStringLiteral("level"), raw);
  sendBack(e, reply);
  return e;
}
