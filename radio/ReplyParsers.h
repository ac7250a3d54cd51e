#pragma once

#include <QByteArrayView>

#include "radio/Readings.h"

// Reply parsers, one per family: each looks at the bytes collected so far
// after a query and says what the front of them is. They keep no state; the
// caller drops what a verdict takes and asks again with what is left.
//
// A verdict rests only on bytes already there: more bytes arriving later
// never change what was said of the front, so the answer does not depend on
// how the line cut the bytes into pieces.
namespace readings {

enum class Verdict {
  NeedMore,  // the front may still become the answer: wait for more bytes
  Reading,   // the front is the answer to the query
  Skip,      // the front is not ours: drop `length` bytes and look again
};

// Why bytes were skipped.
enum class Skipped {
  None,
  Echo,             // the CI-V bus's copy of the query itself
  Acknowledgement,  // CI-V FB, PCR1000 G000, BC-895XLT OK
  Refusal,          // CI-V FA (NG), PCR1000 G001, BC-895XLT NG/ERR/ORER, AOR "?"
  Foreign,          // a CI-V frame from or to another device
  OtherReply,       // a well-formed reply to something else (an earlier query)
  LineEnd,          // CR and LF between lines
  Garbage,          // bytes that make no reply
};

struct Parsed {
  Verdict verdict = Verdict::NeedMore;
  // Reading: the bytes the answer takes; Skip: the bytes to drop (at least 1).
  qsizetype length = 0;
  Skipped skipped = Skipped::None;
  Reading reading;
};

// The verdicts the parsers give: drop `length` bytes for a reason, or take
// them as the answer.
inline Parsed Skip(qsizetype length, Skipped why) {
  Parsed p;
  p.verdict = Verdict::Skip;
  p.length = length;
  p.skipped = why;
  return p;
}
inline Parsed Answer(qsizetype length, const Reading& reading) {
  Parsed p;
  p.verdict = Verdict::Reading;
  p.length = length;
  p.reading = reading;
  return p;
}

// The parser of the query's family.
Parsed parseReply(const Query& query, QByteArrayView bytes);

// One parser per family (parseReply chooses among them).
Parsed parseCivReply(const Query& query, QByteArrayView bytes);
Parsed parsePcrReply(const Query& query, QByteArrayView bytes);
Parsed parseAorReply(const Query& query, QByteArrayView bytes);
Parsed parseAr3000AReply(const Query& query, QByteArrayView bytes);
Parsed parseBc895Reply(const Query& query, QByteArrayView bytes);

// Longest CI-V frame and text line taken as a reply; anything longer is
// garbage by definition.
inline constexpr qsizetype kMaxReplyFrame = 24;
inline constexpr qsizetype kMaxReplyLine = 32;

}  // namespace readings
