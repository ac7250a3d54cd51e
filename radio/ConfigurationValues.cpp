#include "radio/ConfigurationValues.h"

#include <algorithm>
#include <array>

#include "radio/FrequencyText.h"
#include "radio/Protocols.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

namespace {

QString supportsName(size_t mode) {
  return QLatin1String(sn::kSupportsPrefix) + QLatin1String(protocols::kModeCodes[mode]);
}

QString coverageText(double mhz) {
  return freqtext::FormatFixed(mhz, freqtext::kDecimals, freqtext::kStoredWidth);
}

}  // namespace

ConfigurationValues ReadConfiguration(SettingsStore& store) {
  SettingsSession session(store);
  ConfigurationValues v;
  v.protocol = store.ReadNumber(sn::kConnection, sn::kProtocol, sn::kDefaultProtocol);
  v.rate = store.ReadNumber(sn::kConnection, sn::kComPortRate, sn::kDefaultComPortRate);
  v.address = store.ReadText(sn::kConnection, sn::kAddress, {});
  v.ic735 = store.ReadFlag(sn::kConnection, sn::kIc735, false);
  v.portName =
      store.ReadText(sn::kConnection, sn::kComPort, sn::kDefaultComPort).left(kPortNameLength);
  v.readingsPerSecond = std::clamp(
      store.ReadNumber(sn::kConnection, sn::kReadingsPerSecond, sn::kDefaultReadingsPerSecond), 0,
      kMostReadingsPerSecond);
  v.settleMs =
      std::clamp(store.ReadNumber(sn::kConnection, sn::kSettleTime, sn::kDefaultSettleTime), -1,
                 kLongestSettleMs);

  v.showIcon = store.ReadFlag(sn::kGeneral, sn::kShowIcon, true);
  v.alwaysOnTop = store.ReadFlag(sn::kGeneral, sn::kAlwaysOnTop, false);
  v.powerOff = store.ReadFlag(sn::kGeneral, sn::kPowerOff, false);
  v.showHints = store.ReadFlag(sn::kGeneral, sn::kShowHints, true);
  v.releasePortAfterStartup = store.ReadFlag(sn::kGeneral, sn::kReleasePortAfterStartup, false);

  const unsigned defaultModes = ConfigurationValues().supportedModes;
  v.supportedModes = 0;
  for (size_t mode = 0; mode < protocols::kModeCodes.size(); ++mode) {
    if (store.ReadFlag(sn::kCoverage, supportsName(mode), (defaultModes >> mode) & 1u)) {
      v.supportedModes |= 1u << mode;
    }
  }
  ReadCoverage(store, &v.lowestMhz, &v.highestMhz);
  v.pcrAmFilter =
      store.ReadNumber(sn::kConnection, sn::kPcr1000DefaultAmFilter, sn::kDefaultPcr1000AmFilter);

  v.features = ReadFeatures(store);
  return v;
}

unsigned ReadFeatures(SettingsStore& store) {
  unsigned features = 0;
  for (size_t bit = 0; bit < kFeatureNames.size(); ++bit) {
    if (store.ReadFlag(sn::kFeatures, kFeatureNames[bit], false)) features |= 1u << bit;
  }
  return features;
}

void WriteConfiguration(SettingsStore& store, const ConfigurationValues& v) {
  SettingsSession session(store);
  store.WriteNumber(sn::kConnection, sn::kProtocol, v.protocol);
  store.WriteNumber(sn::kConnection, sn::kComPortRate, v.rate);
  store.WriteText(sn::kConnection, sn::kAddress, v.address);
  store.WriteFlag(sn::kConnection, sn::kIc735, v.ic735);
  store.WriteText(sn::kConnection, sn::kComPort, v.portName);
  store.WriteNumber(sn::kConnection, sn::kReadingsPerSecond, v.readingsPerSecond);
  store.WriteNumber(sn::kConnection, sn::kSettleTime, v.settleMs);

  store.WriteFlag(sn::kGeneral, sn::kShowIcon, v.showIcon);
  store.WriteFlag(sn::kGeneral, sn::kAlwaysOnTop, v.alwaysOnTop);
  store.WriteFlag(sn::kGeneral, sn::kPowerOff, v.powerOff);
  store.WriteFlag(sn::kGeneral, sn::kShowHints, v.showHints);
  store.WriteFlag(sn::kGeneral, sn::kReleasePortAfterStartup, v.releasePortAfterStartup);

  for (size_t mode = 0; mode < protocols::kModeCodes.size(); ++mode) {
    store.WriteFlag(sn::kCoverage, supportsName(mode), (v.supportedModes >> mode) & 1u);
  }
  store.WriteNumber(sn::kConnection, sn::kPcr1000DefaultAmFilter, v.pcrAmFilter);
  store.WriteText(sn::kCoverage, sn::kLowestFrequency, coverageText(v.lowestMhz));
  store.WriteText(sn::kCoverage, sn::kHighestFrequency, coverageText(v.highestMhz));

  for (size_t bit = 0; bit < kFeatureNames.size(); ++bit) {
    store.WriteFlag(sn::kFeatures, kFeatureNames[bit], (v.features >> bit) & 1u);
  }
}

QString SaveConfiguration(SettingsStore& store, const ConfigurationValues& values) {
  try {
    WriteConfiguration(store, values);
  } catch (const SettingsError& error) {
    // Opening a store that cannot be written mostly meets the same problem:
    // it is told once, with the failure first.
    QStringList messages = store.takeMessages();
    messages.removeAll(error.message());
    messages.prepend(error.message());
    return messages.join(QLatin1Char('\n'));
  }
  return {};
}
