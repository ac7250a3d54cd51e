#pragma once

#include <QByteArray>
#include <QString>

// AR8000 and AR2700: ASCII command lines ended by CR LF.
namespace encoders {

// "RF" + frequency, "ST0.1", then "AU1" for "AUT" or "MD" + the mode digit
// (FMW 0, FMN 1, AM 2, USB 3, LSB 4, CW 5; no digit for other modes), each
// line ended by CR LF; modes compared ignoring letter case. The frequency is
// the text from its first non-blank character, as typed when it is plain
// digits with an optional decimal part, else in its shown form (an exponent
// or a sign would make a line the radio cannot read).
QByteArray Ar8000Tuning(const QString& frequencyText, double mhz, const QString& mode);

// A blank, "AT1" or "AT0", CR LF.
QByteArray Ar8000Attenuator(bool on);
// "MC1" (mute) or "MC0", CR LF.
QByteArray Ar8000Mute(bool mute);
// "EX", CR LF: the power-off command.
QByteArray Ar8000Exit();

}  // namespace encoders
