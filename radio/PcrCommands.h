#pragma once

#include <QByteArray>
#include <QString>

// Icom PCR1000: ASCII commands ended by CR LF.
namespace encoders {

// The two-digit mode field: LSB 00, USB 01, AM 02, CW 03, FMN 05, FMW 06
// (case-sensitive); empty for a mode the tuning command cannot carry.
QByteArray PcrModeField(const QString& mode);

struct PcrTuning {
  QByteArray bytes;     // "K0" + 16 digits + CR LF
  int filterIndex = 0;  // the filter list entry the command selects
  QString frequency;    // the frequency with five decimals, no blanks
};

// The "K0" command: frequency in hertz rounded to 10 Hz (10 digits), mode
// field, filter field, "00". The filter follows from the mode (CW, LSB, USB
// 3K; FMN 15K; FMW 230K; AM 15K, except in the aviation band 108-138 MHz and
// the CB band 26.965-27.405 MHz, bounds included, where it is the default AM
// filter 0..3), unless filterIndex (0..4) names one. The caller has checked
// the frequency and the mode.
PcrTuning PcrTuningCommand(double mhz, const QString& mode, int defaultAmFilter,
                           int filterIndex = -1);

// A level command: prefix ("J40" volume, "J41" squelch, "J43" IF shift) and
// the level (0..255) in two upper-case hexadecimal digits, CR LF.
QByteArray PcrLevelCommand(const char* prefix, int level);
// A switch command: prefix ("J45" AGC, "J46" noise blanker, "J47"
// attenuator) and "01" or "00", CR LF.
QByteArray PcrSwitchCommand(const char* prefix, bool on);

inline constexpr char kPcrVolume[] = "J40";
inline constexpr char kPcrSquelch[] = "J41";
inline constexpr char kPcrIfShift[] = "J43";
inline constexpr char kPcrAgc[] = "J45";
inline constexpr char kPcrNoiseBlanker[] = "J46";
inline constexpr char kPcrAttenuator[] = "J47";

// A start-up or power-off line ("H100", "H101", "G300", "G105") and CR LF.
QByteArray PcrLine(const char* command);

}  // namespace encoders
