#include "radio/ScanOptions.h"

#include <cmath>

#include "radio/FrequencyText.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

void ScanOptions::applyTo(SignalScanner::Settings& settings) const {
  settings.maxListenMs = longestListenS * 1000;
  double mhz = 0;
  if (!freqtext::ParseNumber(priorityFrequency, &mhz) || mhz <= 0) return;
  scanning::ScanChannel channel;
  channel.frequencyHz = std::llround(mhz * 1e6);
  channel.mode = priorityMode;
  channel.name = QStringLiteral("Priority");
  settings.priority = channel;
  settings.priorityEveryMs = priorityEveryS * 1000;
}

ScanOptions ReadScanOptions(SettingsStore& store) {
  SettingsSession session(store);
  ScanOptions options;
  const int listen = store.ReadNumber(sn::kScan, sn::kLongestListen, 0);
  if (listen >= 0 && listen <= ScanOptions::kLongestListenS) options.longestListenS = listen;
  options.priorityFrequency = store.ReadText(sn::kScan, sn::kPriorityFrequency, {}).trimmed();
  double mhz = 0;
  if (!options.priorityFrequency.isEmpty() &&
      (!freqtext::ParseNumber(options.priorityFrequency, &mhz) || mhz <= 0)) {
    options.priorityFrequency.clear();
  }
  options.priorityMode = store.ReadText(sn::kScan, sn::kPriorityMode, options.priorityMode);
  const int every = store.ReadNumber(sn::kScan, sn::kPriorityEvery, sn::kDefaultPriorityEvery);
  if (every >= 1 && every <= ScanOptions::kLongestPriorityEveryS) options.priorityEveryS = every;
  return options;
}

void WriteScanOptions(SettingsStore& store, const ScanOptions& options) {
  SettingsSession session(store);
  store.WriteNumber(sn::kScan, sn::kLongestListen, options.longestListenS);
  store.WriteText(sn::kScan, sn::kPriorityFrequency, options.priorityFrequency);
  store.WriteText(sn::kScan, sn::kPriorityMode, options.priorityMode);
  store.WriteNumber(sn::kScan, sn::kPriorityEvery, options.priorityEveryS);
}
