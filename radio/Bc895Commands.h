#pragma once

#include <QByteArray>

// BC-895XLT: ASCII commands ended by CR.
namespace encoders {

// "RF" + whole megahertz as 4 digits + the first 4 decimals (the fifth,
// tens of hertz, dropped) + CR: the frequency in units of 100 Hz. The
// caller has checked that the protocol carries the frequency (10 MHz on).
QByteArray Bc895Tuning(double mhz);

// "MU" + "N" (mute) or "A", CR.
QByteArray Bc895Mute(bool mute);

// The power-up exchange: the query "MD" CR; after a non-empty reply, "KEY13"
// CR when the reply starts with MD06..MD10 (case-sensitive), a lone CR
// otherwise; then "KEY01" CR.
QByteArray Bc895Query();
QByteArray Bc895ReplyAnswer(const QByteArray& reply);
QByteArray Bc895Key01();

// The longest reply read and the read's time limit: 5 ms a byte and 50 ms.
inline constexpr int kBc895ReplyBytes = 255;
inline constexpr int kBc895ReadLimitMs = 5 * kBc895ReplyBytes + 50;

}  // namespace encoders
