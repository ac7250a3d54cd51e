#pragma once

#include <QByteArray>
#include <QString>

// AR3000 and AR3000A: ASCII commands ended by CR LF.
namespace encoders {

// The mode letter: AM A, FMN N, FMW W, LSB L, USB U, CW C (case-sensitive);
// 0 for a mode the radio has no letter for.
char Ar3000ModeLetter(const QString& mode);

// The frequency text with its leading blanks, the mode letter, CR LF. The
// text goes as typed when it is plain digits with an optional decimal part,
// else in its shown form. The caller has checked the mode.
QByteArray Ar3000Tuning(const QString& frequencyText, double mhz, const QString& mode);

// AR3000A only: "E" (mute) or "G", CR LF; "R" (attenuator on) or "T", CR LF.
QByteArray Ar3000AMute(bool mute);
QByteArray Ar3000AAttenuator(bool on);

}  // namespace encoders
