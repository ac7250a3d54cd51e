// Replies of the radios that answer in text: the PCR1000's four-character
// tokens, the AR8000/AR2700's "LM" lines, the AR3000A's one-character lines
// and the BC-895XLT's lines. Each answer ends with CR, LF or both.

#include <algorithm>
#include <cstdlib>

#include "radio/ReplyParsers.h"

namespace readings {

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A whole number from hexadecimal digits (1 to maxDigits); -1 otherwise.
int HexNumber(QByteArrayView text, int maxDigits) {
  if (text.isEmpty() || text.size() > maxDigits) return -1;
  int value = 0;
  for (const char c : text) {
    const int d = HexDigit(c);
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

// A whole number from decimal digits (1 to maxDigits); -1 otherwise.
qint64 DecimalNumber(QByteArrayView text, int maxDigits) {
  if (text.isEmpty() || text.size() > maxDigits) return -1;
  qint64 value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The front of the bytes cut into a line. Line ends between answers are
// dropped first; a line counts once its end has arrived, and one without an
// end within kMaxReplyLine bytes is garbage.
struct LineCut {
  Parsed verdict;  // what to say when there is no whole line yet
  bool whole = false;
  QByteArrayView line;  // without its end
  qsizetype taken = 0;  // with its end
};

LineCut NextLine(QByteArrayView bytes) {
  LineCut cut;
  const qsizetype n = bytes.size();
  qsizetype ends = 0;
  while (ends < n && IsLineEnd(bytes[ends])) ++ends;
  if (ends > 0) {
    cut.verdict = Skip(ends, Skipped::LineEnd);
    return cut;
  }
  for (qsizetype i = 0; i < n && i <= kMaxReplyLine; ++i) {
    if (IsLineEnd(bytes[i])) {
      cut.whole = true;
      cut.line = bytes.first(i);
      cut.taken = i + 1;
      return cut;
    }
  }
  if (n > kMaxReplyLine) cut.verdict = Skip(kMaxReplyLine + 1, Skipped::Garbage);
  return cut;
}

}  // namespace

// PCR1000: "I1xx" the signal level 00..FF, "I0xx" the squelch status (bit 1:
// the audio is open; 04 shut, 07 open), "G000"/"G001" the command taken or
// refused, "H10x" the power state; each followed by CR LF.
Parsed parsePcrReply(const Query& query, QByteArrayView bytes) {
  const qsizetype n = bytes.size();
  if (n == 0) return {};
  qsizetype ends = 0;
  while (ends < n && IsLineEnd(bytes[ends])) ++ends;
  if (ends > 0) return Skip(ends, Skipped::LineEnd);
  const char lead = bytes[0];
  if (lead != 'G' && lead != 'H' && lead != 'I' && lead != 'N') return Skip(1, Skipped::Garbage);
  if (n < 5) return {};
  // A token of four characters and its line end, or not a token at all.
  if (!IsLineEnd(bytes[4])) return Skip(1, Skipped::Garbage);
  const QByteArrayView token = bytes.first(4);
  if (token == "G000") return Skip(5, Skipped::Acknowledgement);
  if (token == "G001") return Skip(5, Skipped::Refusal);
  if (lead != 'I') return Skip(5, Skipped::OtherReply);
  const int value = HexNumber(token.sliced(2), 2);
  if (value < 0) return Skip(1, Skipped::Garbage);
  const char which = token[1];
  Reading r;
  if (which == '1' && query.quantity == Quantity::Signal) {
    r.raw = value;
  } else if (which == '0' && query.quantity == Quantity::Squelch) {
    r.squelchOpen = (value & 0x02) != 0;
  } else {
    return Skip(5, Skipped::OtherReply);
  }
  return Answer(5, r);
}

// AR8000/AR2700: "LM" and the level in hexadecimal (one bit of it, on the
// AR8000, the squelch), or "LM%" while the squelch is shut; "?" for a
// command the radio did not take.
Parsed parseAorReply(const Query& query, QByteArrayView bytes) {
  const LineCut cut = NextLine(bytes);
  if (!cut.whole) return cut.verdict;
  const QByteArrayView line = cut.line;
  const qsizetype taken = cut.taken;
  if (line == "?") return Skip(taken, Skipped::Refusal);
  if (!line.startsWith("LM")) return Skip(taken, Skipped::OtherReply);
  QByteArrayView level = line.sliced(2);
  if (level.startsWith(' ')) level = level.sliced(1);
  Reading r;
  if (level == "%") {
    r.squelchOpen = false;
    return Answer(taken, r);
  }
  const int value = HexNumber(level, 3);
  if (value < 0) return Skip(taken, Skipped::Garbage);
  const ProtocolReadings* radio = forProtocol(query.protocol);
  const int rawMax = radio ? radio->rawMax : 255;
  r.raw = std::min(value & ~query.squelchBit, rawMax);
  r.squelchOpen = query.squelchBit == 0 || (value & query.squelchBit) != 0;
  return Answer(taken, r);
}

// AR3000A: one character a reading, "%" while the squelch is shut, "A" (S1)
// to "P" (S9+20) while a signal opens it.
Parsed parseAr3000AReply(const Query&, QByteArrayView bytes) {
  const LineCut cut = NextLine(bytes);
  if (!cut.whole) return cut.verdict;
  const QByteArrayView line = cut.line;
  const qsizetype taken = cut.taken;
  if (line.size() != 1) return Skip(taken, Skipped::OtherReply);
  const char c = line[0];
  Reading r;
  if (c == '%') {
    r.raw = c;
    r.squelchOpen = false;
  } else if (c >= 'A' && c <= 'P') {
    r.raw = c;
    r.squelchOpen = true;
  } else {
    return Skip(taken, Skipped::OtherReply);
  }
  return Answer(taken, r);
}

// BC-895XLT: "SG" gives "S" + the level in decimal + " F" + the frequency in
// units of 100 Hz (8 digits): "S182 F08594375"; "SQ" gives "+" (open) or "-"
// (shut); "OK" takes a command, "NG", "ERR" and "ORER" refuse one.
Parsed parseBc895Reply(const Query& query, QByteArrayView bytes) {
  const LineCut cut = NextLine(bytes);
  if (!cut.whole) return cut.verdict;
  const QByteArrayView line = cut.line;
  const qsizetype taken = cut.taken;
  if (line == "OK") return Skip(taken, Skipped::Acknowledgement);
  if (line == "NG" || line == "ERR" || line == "ORER") return Skip(taken, Skipped::Refusal);
  Reading r;
  if (line == "+" || line == "-") {
    if (query.quantity != Quantity::Squelch) return Skip(taken, Skipped::OtherReply);
    r.squelchOpen = line == "+";
    return Answer(taken, r);
  }
  if (!line.startsWith('S') || query.quantity != Quantity::Signal) {
    return Skip(taken, Skipped::OtherReply);
  }
  const qsizetype blank = line.indexOf(' ');
  const QByteArrayView levelText = line.sliced(1, (blank < 0 ? line.size() : blank) - 1);
  const qint64 level = DecimalNumber(levelText, 3);
  if (level < 0 || level > 255) return Skip(taken, Skipped::Garbage);
  r.raw = static_cast<int>(level);
  if (blank >= 0) {
    const QByteArrayView rest = line.sliced(blank + 1);
    const qint64 units = rest.startsWith('F') ? DecimalNumber(rest.sliced(1), 8) : -1;
    if (units < 0 || rest.size() != 9) return Skip(taken, Skipped::Garbage);
    r.frequencyHz = units * 100;
    // A reply taken on another frequency is from before a retune. The radio
    // may round a tuning to its own channel raster; half its finest step
    // (5 kHz) tells a rounding from another channel.
    if (query.tunedHz && std::abs(*r.frequencyHz - *query.tunedHz) >= 2500) {
      return Skip(taken, Skipped::OtherReply);
    }
  }
  return Answer(taken, r);
}

Parsed parseReply(const Query& query, QByteArrayView bytes) {
  switch (query.family) {
    case ReplyFamily::Civ:
      return parseCivReply(query, bytes);
    case ReplyFamily::Aor:
      return parseAorReply(query, bytes);
    case ReplyFamily::Ar3000A:
      return parseAr3000AReply(query, bytes);
    case ReplyFamily::Bc895:
      return parseBc895Reply(query, bytes);
    case ReplyFamily::Pcr:
      return parsePcrReply(query, bytes);
  }
  return Skip(bytes.size(), Skipped::Garbage);
}

}  // namespace readings
