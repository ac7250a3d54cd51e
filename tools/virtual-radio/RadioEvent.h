#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QTime>

// One thing the virtual radio saw: a decoded command, bytes it could not
// decode, or an observation about the port (opened, closed, rate changed).
struct RadioEvent {
  // "tune", "mode", "volume", ... ; "unknown" for bytes that could not be
  // decoded (or a command whose payload is malformed); "other-address" for a
  // frame meant for another radio.
  QString kind;
  // What happened, for a person ("tune 162.550000 MHz FMN filter 15K").
  QString text;
  // The same facts for scripts and tests.
  QJsonObject fields;
  // The bytes that made the event (empty for port observations).
  QByteArray raw;
  // What the radio sent back for it: an acknowledgement, or the answer to a
  // query.
  QByteArray answer;
  // A problem with a command that was still understood (a line ended by LF
  // alone, a command sent while the radio is off).
  QString warning;

  bool flagged() const;
};

// An event of this kind with this text.
RadioEvent Event(const QString& kind, const QString& text);
// Bytes that could not be decoded, and why.
RadioEvent Malformed(const QString& reason);

// "FE FE 80 E0 05" (upper-case, blank between bytes).
QString HexBytes(const QByteArray& bytes);
// The bytes as text, control and non-ASCII bytes written as <CR>, <LF>, <00>.
QString PrintableBytes(const QByteArray& bytes);
// A frequency in hertz as megahertz with six decimals: "162.550000 MHz".
QString MegahertzText(qint64 hertz);

// One readable line: "12:00:01.234  tune 162.550000 MHz FMN  [K0...<CR><LF>]".
// `asText` shows the raw bytes as text (ASCII protocols) rather than as hex.
QString FormatReadable(const RadioEvent& event, const QTime& at, bool asText);
// One JSON object on one line (no newline), with "event", "time" (local
// hh:mm:ss.zzz) and "ms" (milliseconds since the virtual radio started).
QByteArray FormatJson(const RadioEvent& event, const QTime& at, double elapsedMs);
