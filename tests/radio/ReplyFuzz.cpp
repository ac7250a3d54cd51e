#include "ReplyFuzz.h"

#include <random>
#include <vector>

#include "radio/Protocols.h"
#include "radio/ReplyParsers.h"

using namespace readings;

namespace {

using Rng = std::mt19937_64;

int Pick(Rng& rng, int n) { return static_cast<int>(rng() % static_cast<quint64>(n)); }

QByteArray Hex2(int v) { return QByteArray::number(v, 16).toUpper().rightJustified(2, '0'); }
char Bcd(int v) { return char(((v / 10) << 4) | (v % 10)); }

constexpr qint64 kTunedHz = 162550000;

// Answers to a query of the family, whole non-answers around them, and the
// bytes that matter to its parser.
struct Family {
  std::vector<QByteArray> answers;
  std::vector<QByteArray> others;
  QByteArray alphabet;
};

Family Make(const Query& q, Rng& rng) {
  Family f;
  const bool signal = q.quantity == Quantity::Signal;
  const int v = Pick(rng, 256);
  switch (q.family) {
    case ReplyFamily::Civ: {
      const char a = char(q.address);
      const QByteArray head = QByteArray("\xFE\xFE\xE0") + a;
      const QByteArray level = head + "\x15\x02" + Bcd(v / 100) + Bcd(v % 100) + '\xFD';
      const QByteArray shut = head + QByteArray("\x15\x01\x00\xFD", 4);
      const QByteArray status = head + "\x7F\x05" + char(v) + char(0x02) + '\xFD';
      const bool os = q.civCommand == 0x7F;
      f.answers = {signal ? level : os ? status : shut};
      f.others = {q.bytes,
                  head + "\xFB\xFD",
                  head + "\xFA\xFD",
                  QByteArray("\xFE\xFE\xE0\x5A\x15\x02\x01\x00\xFD"),
                  QByteArray("\xFE\xFE\x5A\xE0\x15\x02\xFD"),
                  QByteArray("\xFE\xFE\x00\x5A\x00\x00\x00\x55\x62\x01\xFD", 11),
                  signal ? (os ? status : shut) : level};
      f.alphabet = QByteArray("\xFE\xFE\xFD\xFB\xFA\xFC\xE0\x15\x02\x01\x7F\x05\x00\x99", 14) + a;
      break;
    }
    case ReplyFamily::Pcr:
      f.answers = {signal ? "I1" + Hex2(v) + "\r\n" : "I0" + Hex2(v) + "\r\n"};
      f.others = {"G000\r\n", "G001\r\n", "H101\r\n", "I2" + Hex2(v) + "\r\n",
                  signal ? "I007\r\n" : "I1FF\r\n"};
      f.alphabet = "IGHN0123456789ABCDEFaf?\r\n";
      break;
    case ReplyFamily::Aor:
      f.answers = {v % 5 == 0 ? QByteArray("LM%\r\n") : "LM" + Hex2(v) + "\r\n"};
      f.others = {"?\r\n", "RF162.55\r\n", "MD1\r\n", "\r\n"};
      f.alphabet = "LM% 0123456789ABCDEF?\r\n";
      break;
    case ReplyFamily::Ar3000A:
      f.answers = {QByteArray(1, v % 17 == 0 ? '%' : char('A' + v % 16)) + "\r\n"};
      f.others = {"AB\r\n", "Q\r\n", "162.55000N\r\n"};
      f.alphabet = "%ABCDEHPQZ0N.\r\n";
      break;
    case ReplyFamily::Bc895:
      f.answers = {signal ? "S" + QByteArray::number(v).rightJustified(3, '0') + " F01625500\r"
                          : QByteArray(v % 2 ? "+\r" : "-\r")};
      f.others = {"OK\r",
                  "NG\r",
                  "ERR\r",
                  "ORER\r",
                  "MD07\r",
                  "S018 F08594375\r",
                  signal ? QByteArray("+\r") : QByteArray("S018 F01625500\r")};
      f.alphabet = "SF OKNGER+-0123456789\r\n";
      break;
  }
  return f;
}

struct Run {
  std::vector<std::pair<qsizetype, Reading>> readings;
  qsizetype consumed = 0;
  QString fault;
};

// Feeds the bytes in pieces (0: whole, else random sizes up to maxPiece)
// and parses as the exchange does, going on after each reading.
Run Drive(const Query& q, const QByteArray& bytes, int maxPiece, Rng& rng) {
  Run run;
  QByteArray pending;
  qsizetype next = 0;
  while (next < bytes.size()) {
    const qsizetype take = maxPiece == 0 ? bytes.size() : 1 + Pick(rng, maxPiece);
    pending += bytes.mid(next, take);
    next += take;
    for (;;) {
      const Parsed p = parseReply(q, pending);
      if (p.verdict == Verdict::NeedMore) break;
      if (p.length < 1 || p.length > pending.size()) {
        run.fault =
            QStringLiteral("a verdict took %1 of %2 bytes").arg(p.length).arg(pending.size());
        return run;
      }
      if (p.verdict == Verdict::Reading) run.readings.push_back({run.consumed, p.reading});
      run.consumed += p.length;
      pending.remove(0, p.length);
    }
  }
  return run;
}

QString CheckRange(const Query& q, const Reading& r) {
  const ProtocolReadings& radio = *forProtocol(q.protocol);
  if (!r.raw && !r.squelchOpen) return QStringLiteral("an empty reading");
  if (r.raw && (*r.raw < 0 || *r.raw > radio.rawMax)) {
    return QStringLiteral("raw %1 off the scale").arg(*r.raw);
  }
  if (q.family == ReplyFamily::Ar3000A && r.raw && *r.raw != '%' && *r.raw < 'A') {
    return QStringLiteral("raw %1 is no AR3000A letter").arg(*r.raw);
  }
  if (r.frequencyHz && std::abs(*r.frequencyHz - kTunedHz) >= 2500) {
    return QStringLiteral("a reading from %1 Hz").arg(*r.frequencyHz);
  }
  if (q.quantity == Quantity::Squelch && !r.squelchOpen) return QStringLiteral("no squelch state");
  return {};
}

void Mutate(QByteArray& b, const QByteArray& alphabet, Rng& rng) {
  const int times = Pick(rng, 4);
  for (int i = 0; i < times && !b.isEmpty(); ++i) {
    const int at = Pick(rng, int(b.size()));
    switch (Pick(rng, 5)) {
      case 0:
        b[at] = char(b[at] ^ char(1 + Pick(rng, 255)));
        break;
      case 1:
        b.insert(at, alphabet[Pick(rng, int(alphabet.size()))]);
        break;
      case 2:
        b.remove(at, 1);
        break;
      case 3:
        b.truncate(at);
        break;
      default:
        b.insert(at, b.mid(Pick(rng, int(b.size())), 1 + Pick(rng, 8)));
        break;
    }
  }
}

}  // namespace

FuzzReport FuzzReplies(int protocol, quint64 seed, qint64 inputs) {
  FuzzReport report;
  Rng rng(seed);
  for (qint64 n = 0; n < inputs; ++n) {
    LinkFacts link;
    link.protocol = protocol;
    link.address = protocol == protocols::kOs456 ? 0x80 : 0x58;
    link.tunedHz = kTunedHz;
    const Quantity quantity = n % 2 ? Quantity::Squelch : Quantity::Signal;
    const Query q = *makeQuery(link, quantity);
    const Family f = Make(q, rng);
    QByteArray input;
    bool onlyOthers = false;
    switch (n % 3) {
      case 0:  // random bytes, mostly of the family's alphabet
        for (int i = Pick(rng, 65); i > 0; --i) {
          input += Pick(rng, 4) ? f.alphabet[Pick(rng, int(f.alphabet.size()))] : char(rng());
        }
        break;
      case 1:  // whole pieces, mutated
        for (int i = 1 + Pick(rng, 5); i > 0; --i) {
          const auto& from = Pick(rng, 3) ? f.others : f.answers;
          input += from[Pick(rng, int(from.size()))];
        }
        Mutate(input, f.alphabet, rng);
        break;
      default:  // whole non-answers only
        onlyOthers = true;
        for (int i = 1 + Pick(rng, 6); i > 0; --i)
          input += f.others[Pick(rng, int(f.others.size()))];
        break;
    }
    ++report.inputs;
    report.bytes += input.size();
    const Run whole = Drive(q, input, 0, rng);
    const Run single = Drive(q, input, 1, rng);
    const Run pieces = Drive(q, input, 8, rng);
    QString fault = whole.fault.isEmpty() ? single.fault : whole.fault;
    if (fault.isEmpty()) fault = pieces.fault;
    if (fault.isEmpty() &&
        (whole.readings != single.readings || whole.readings != pieces.readings ||
         whole.consumed != single.consumed || whole.consumed != pieces.consumed)) {
      fault = QStringLiteral("the answer depends on how the bytes were cut");
    }
    for (const auto& [at, reading] : whole.readings) {
      if (fault.isEmpty()) fault = CheckRange(q, reading);
    }
    if (fault.isEmpty() && onlyOthers && !whole.readings.empty()) {
      fault = QStringLiteral("a non-answer was taken for a reading");
    }
    report.readings += qint64(whole.readings.size());
    if (!fault.isEmpty()) {
      if (++report.failures == 1) {
        report.firstFailure = QStringLiteral("protocol %1, %2 query: %3; input %4")
                                  .arg(protocol)
                                  .arg(quantity == Quantity::Signal ? "signal" : "squelch")
                                  .arg(fault, QString::fromLatin1(input.toHex(' ')));
      }
    }
  }
  return report;
}
