#include "radio/Ar3000Commands.h"

#include <array>

#include "radio/Encoding.h"

namespace encoders {

namespace {

struct ModeLetter {
  const char* mode;
  char letter;
};
constexpr std::array<ModeLetter, 6> kModeLetters = {
    {{"AM", 'A'}, {"FMN", 'N'}, {"FMW", 'W'}, {"LSB", 'L'}, {"USB", 'U'}, {"CW", 'C'}}};

}  // namespace

char Ar3000ModeLetter(const QString& mode) {
  for (const ModeLetter& m : kModeLetters) {
    if (mode == QLatin1String(m.mode)) return m.letter;
  }
  return 0;
}

QByteArray Ar3000Tuning(const QString& frequencyText, double mhz, const QString& mode) {
  const QString text = IsPlainDecimal(frequencyText) ? frequencyText : ShownForm(mhz);
  return text.toLatin1() + Ar3000ModeLetter(mode) + kCrLf;
}

QByteArray Ar3000AMute(bool mute) { return QByteArray(mute ? "E" : "G") + kCrLf; }

QByteArray Ar3000AAttenuator(bool on) { return QByteArray(on ? "R" : "T") + kCrLf; }

}  // namespace encoders
