// Replies of the Icom CI-V and OS456/OS535 radios: byte frames
//   FE FE <to> <from> <command> [data...] FD
// on a bus that every device hears, the program's own frames included. An
// answer to the program goes to the controller address E0 from the radio's
// address, and repeats the command and sub-command of the query.

#include "radio/CivCommands.h"
#include "radio/ReplyParsers.h"

namespace readings {

namespace {

constexpr unsigned char kPreamble = 0xFE;
constexpr unsigned char kEndOfFrame = 0xFD;
constexpr unsigned char kAck = 0xFB;
constexpr unsigned char kNg = 0xFA;
// OS456/OS535 status block: bit 4 of its first byte is the squelch.
constexpr unsigned char kOsSquelchOpen = 0x10;
constexpr int kOsControl = 0x7F;
constexpr int kOsStatus = 0x05;

unsigned char At(QByteArrayView bytes, qsizetype i) { return static_cast<unsigned char>(bytes[i]); }

// Two packed-decimal digits; -1 when a nibble is not a decimal digit.
int FromBcd(unsigned char b) {
  if ((b >> 4) > 9 || (b & 0x0F) > 9) return -1;
  return (b >> 4) * 10 + (b & 0x0F);
}

// What a whole frame (preamble to FD) is to the query.
Parsed Classify(const Query& query, QByteArrayView frame) {
  const qsizetype n = frame.size();
  // FE FE to from command FD is the shortest frame there is.
  if (n < 6) return Skip(n, Skipped::Garbage);
  const unsigned char to = At(frame, 2);
  const unsigned char from = At(frame, 3);
  if (to != encoders::kControllerAddress) return Skip(n, Skipped::Foreign);
  // A radio asked at the broadcast address 00 answers from its own.
  if (query.address != 0x00 && from != query.address) return Skip(n, Skipped::Foreign);
  const unsigned char command = At(frame, 4);
  if (command == kAck) return Skip(n, Skipped::Acknowledgement);
  if (command == kNg) return Skip(n, Skipped::Refusal);
  const QByteArrayView data = frame.sliced(5, n - 6);
  if (command != query.civCommand || data.isEmpty() || At(data, 0) != query.civSubCommand) {
    return Skip(n, Skipped::OtherReply);
  }
  Reading r;
  if (query.civCommand == kOsControl && query.civSubCommand == kOsStatus) {
    // The OS456 sends two status bytes, the OS535 three.
    if (data.size() != 3 && data.size() != 4) return Skip(n, Skipped::Garbage);
    r.squelchOpen = (At(data, 1) & kOsSquelchOpen) != 0;
  } else if (query.quantity == Quantity::Signal) {
    // 0000..0255 as two packed-decimal bytes, hundreds first.
    if (data.size() != 3) return Skip(n, Skipped::Garbage);
    const int hundreds = FromBcd(At(data, 1));
    const int rest = FromBcd(At(data, 2));
    if (hundreds < 0 || rest < 0 || hundreds * 100 + rest > 255) return Skip(n, Skipped::Garbage);
    r.raw = hundreds * 100 + rest;
  } else {
    // 00 shut, 01 open.
    if (data.size() != 2 || At(data, 1) > 1) return Skip(n, Skipped::Garbage);
    r.squelchOpen = At(data, 1) == 1;
  }
  return Answer(n, r);
}

}  // namespace

Parsed parseCivReply(const Query& query, QByteArrayView bytes) {
  const qsizetype n = bytes.size();
  if (n == 0) return {};
  // The bus's copy of the query, whole or still arriving.
  const QByteArrayView echo(query.bytes);
  if (n >= echo.size() ? bytes.first(echo.size()) == echo : echo.first(n) == bytes) {
    if (n < echo.size()) return {};
    return Skip(echo.size(), Skipped::Echo);
  }
  if (At(bytes, 0) != kPreamble) {
    // Up to the next preamble: collision jam (FC), line noise, a lost start.
    qsizetype i = 1;
    while (i < n && At(bytes, i) != kPreamble) ++i;
    return Skip(i, Skipped::Garbage);
  }
  if (n < 2) return {};
  if (At(bytes, 1) != kPreamble) return Skip(1, Skipped::Garbage);
  if (n < 3) return {};
  // A third FE: a radio waking up sends extra preambles.
  if (At(bytes, 2) == kPreamble) return Skip(1, Skipped::Garbage);
  // The end of the frame comes after the two addresses. A new preamble pair
  // before it means this frame was cut short.
  for (qsizetype i = 4; i < n && i < kMaxReplyFrame; ++i) {
    const unsigned char b = At(bytes, i);
    if (b == kEndOfFrame) return Classify(query, bytes.first(i + 1));
    if (b == kPreamble) {
      if (i + 1 == n) return {};
      if (At(bytes, i + 1) == kPreamble) return Skip(i, Skipped::Garbage);
    }
  }
  if (n >= kMaxReplyFrame) return Skip(1, Skipped::Garbage);
  return {};
}

}  // namespace readings
