#include "radio/AorCommands.h"

#include <array>

#include "radio/Encoding.h"

namespace encoders {

namespace {

struct ModeDigit {
  const char* mode;
  char digit;
};
constexpr std::array<ModeDigit, 6> kModeDigits = {
    {{"FMW", '0'}, {"FMN", '1'}, {"AM", '2'}, {"USB", '3'}, {"LSB", '4'}, {"CW", '5'}}};

}  // namespace

QByteArray Ar8000Tuning(const QString& frequencyText, double mhz, const QString& mode) {
  const QString text = IsPlainDecimal(frequencyText) ? frequencyText : ShownForm(mhz);
  QByteArray out = "RF" + text.trimmed().toLatin1() + kCrLf;
  out += QByteArray("ST0.1") + kCrLf;
  if (mode.compare(QLatin1String("AUT"), Qt::CaseInsensitive) == 0) {
    out += "AU1";
  } else {
    out += "MD";
    for (const ModeDigit& m : kModeDigits) {
      if (mode.compare(QLatin1String(m.mode), Qt::CaseInsensitive) == 0) {
        out += m.digit;
        break;
      }
    }
  }
  out += kCrLf;
  return out;
}

QByteArray Ar8000Attenuator(bool on) { return QByteArray(on ? " AT1" : " AT0") + kCrLf; }

QByteArray Ar8000Mute(bool mute) { return QByteArray(mute ? "MC1" : "MC0") + kCrLf; }

QByteArray Ar8000Exit() { return QByteArray("EX") + kCrLf; }

}  // namespace encoders
