#include "radio/PcrCommands.h"

#include <algorithm>
#include <array>

#include "radio/Encoding.h"

namespace encoders {

namespace {

struct ModeField {
  const char* mode;
  const char* field;
};
constexpr std::array<ModeField, 6> kModeFields = {
    {{"LSB", "00"}, {"USB", "01"}, {"AM", "02"}, {"CW", "03"}, {"FMN", "05"}, {"FMW", "06"}}};

// Where AM uses the default AM filter: the aviation band and the CB band.
bool InAmWindow(double mhz) {
  return (mhz >= 108.0 && mhz <= 138.0) || (mhz >= 26.965 && mhz <= 27.405);
}

}  // namespace

QByteArray PcrModeField(const QString& mode) {
  for (const ModeField& m : kModeFields) {
    if (mode == QLatin1String(m.mode)) return m.field;
  }
  return {};
}

PcrTuning PcrTuningCommand(double mhz, const QString& mode, int defaultAmFilter, int filterIndex) {
  const TenHertz f = RoundToTenHertz(mhz);
  PcrTuning out;
  if (mode == QLatin1String("FMN")) {
    out.filterIndex = 2;
  } else if (mode == QLatin1String("FMW")) {
    out.filterIndex = 4;
  } else if (mode == QLatin1String("AM")) {
    // A stored default outside the four AM filters reads as 6K.
    const int amFilter = (defaultAmFilter >= 0 && defaultAmFilter <= 3) ? defaultAmFilter : 1;
    out.filterIndex = InAmWindow(RoundedMhz(mhz)) ? amFilter : 2;
  } else {
    out.filterIndex = 0;  // CW, LSB, USB
  }
  if (filterIndex >= 0 && filterIndex <= 4) out.filterIndex = filterIndex;

  out.bytes = "K0";
  out.bytes += QByteArray::number(f.wholeMhz).rightJustified(4, '0');
  out.bytes += f.decimals.toLatin1() + '0';
  out.bytes += PcrModeField(mode);
  out.bytes += '0' + QByteArray::number(out.filterIndex);
  out.bytes += "00";
  out.bytes += kCrLf;
  out.frequency = QString::number(f.wholeMhz) + QLatin1Char('.') + f.decimals;
  return out;
}

QByteArray PcrLevelCommand(const char* prefix, int level) {
  return QByteArray(prefix) + Hex2(std::clamp(level, 0, 255)) + kCrLf;
}

QByteArray PcrSwitchCommand(const char* prefix, bool on) {
  return QByteArray(prefix) + (on ? "01" : "00") + kCrLf;
}

QByteArray PcrLine(const char* command) { return QByteArray(command) + kCrLf; }

}  // namespace encoders
