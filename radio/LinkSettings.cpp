#include "radio/LinkSettings.h"

#include <algorithm>

#include "radio/FrequencyText.h"
#include "radio/Protocols.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace names = settings_names;

namespace {

constexpr int kLevelMax = 255;
constexpr int kLongestCommandDelay = 250;  // ms

int HexDigit(QChar c) {
  const char ch = c.toLatin1();
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// A coverage limit; a hand-edited store may hold any number, which is held
// to what the configuration dialog accepts.
double ReadMhz(SettingsStore& store, const char* name, const char* defaultText, double fallback) {
  double value = 0;
  const QString text = store.ReadText(QLatin1String(names::kCoverage), QLatin1String(name),
                                      QLatin1String(defaultText));
  if (!freqtext::ParseNumber(text, &value)) return fallback;
  return std::clamp(value, kLowestCoverageMhz, kHighestCoverageMhz);
}

}  // namespace

quint8 ParseCivAddress(const QString& address) {
  const QString text = address.trimmed();
  int value = -1;
  if (text.size() == 1) {
    value = HexDigit(text[0]);
  } else if (text.size() == 2) {
    const int high = HexDigit(text[0]);
    const int low = HexDigit(text[1]);
    if (high >= 0 && low >= 0) value = high * 16 + low;
  }
  return value >= 0 ? static_cast<quint8>(value) : 0;
}

void ReadCoverage(SettingsStore& store, double* lowestMhz, double* highestMhz) {
  const LinkSettings defaults;
  *lowestMhz =
      ReadMhz(store, names::kLowestFrequency, names::kDefaultLowestFrequency, defaults.lowestMhz);
  *highestMhz = ReadMhz(store, names::kHighestFrequency, names::kDefaultHighestFrequency,
                        defaults.highestMhz);
  if (*lowestMhz > *highestMhz) {
    *lowestMhz = defaults.lowestMhz;
    *highestMhz = defaults.highestMhz;
  }
}

LinkSettings ReadLinkSettings(SettingsStore& store) {
  LinkSettings s;
  ReadCoverage(store, &s.lowestMhz, &s.highestMhz);
  const QLatin1String general(names::kGeneral);
  const QLatin1String connection(names::kConnection);
  s.frequency = store.ReadText(general, QLatin1String(names::kFrequency),
                               QLatin1String(names::kDefaultFrequency));
  s.mode = store.ReadText(general, QLatin1String(names::kMode), QLatin1String(names::kDefaultMode));
  s.powerOff = store.ReadFlag(general, QLatin1String(names::kPowerOff), false);
  s.protocol =
      store.ReadNumber(connection, QLatin1String(names::kProtocol), names::kDefaultProtocol);
  s.baudRate =
      store.ReadNumber(connection, QLatin1String(names::kComPortRate), names::kDefaultComPortRate);
  s.civAddress =
      ParseCivAddress(store.ReadText(connection, QLatin1String(names::kAddress), QString()));
  s.ic735 = store.ReadFlag(connection, QLatin1String(names::kIc735), false);
  s.portName = store.ReadText(connection, QLatin1String(names::kComPort),
                              QLatin1String(names::kDefaultComPort));
  s.readingsPerSecond = store.ReadNumber(connection, QLatin1String(names::kReadingsPerSecond),
                                         names::kDefaultReadingsPerSecond);
  s.settleMs = std::clamp(
      store.ReadNumber(connection, QLatin1String(names::kSettleTime), names::kDefaultSettleTime),
      -1, kLongestSettleMs);

  // The PCR1000's own values are read only for that radio.
  if (s.protocol != protocols::kPcr1000) return s;
  s.pcrDefaultAmFilter = store.ReadNumber(connection, QLatin1String(names::kPcr1000DefaultAmFilter),
                                          names::kDefaultPcr1000AmFilter);
  // Only the four AM filters 3K..50K are a default AM filter; another stored
  // value reads as the default 6K.
  if (s.pcrDefaultAmFilter < 0 || s.pcrDefaultAmFilter > 3) {
    s.pcrDefaultAmFilter = names::kDefaultPcr1000AmFilter;
  }
  const QLatin1String pcr(names::kPcr1000);
  // A hand-edited store may hold anything: levels outside the scale would
  // put the sliders off their track, and a huge delay would freeze the
  // radio for hours (the power-up waits 16 delays).
  s.pcrVolume = std::clamp(
      store.ReadNumber(pcr, QLatin1String(names::kPcr1000Volume), names::kDefaultPcr1000Volume), 0,
      kLevelMax);
  s.pcrSquelch = std::clamp(
      store.ReadNumber(pcr, QLatin1String(names::kPcr1000Squelch), names::kDefaultPcr1000Squelch),
      0, kLevelMax);
  s.pcrIfShift = std::clamp(
      store.ReadNumber(pcr, QLatin1String(names::kPcr1000IfShift), names::kDefaultPcr1000IfShift),
      0, kLevelMax);
  s.pcrCommandDelay = std::clamp(store.ReadNumber(pcr, QLatin1String(names::kPcr1000CommandDelay),
                                                  names::kDefaultPcr1000CommandDelay),
                                 0, kLongestCommandDelay);
  return s;
}
