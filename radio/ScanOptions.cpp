#include "radio/ScanOptions.h"

#include <cmath>
#include <optional>

#include "radio/FrequencyText.h"
#include "radio/LinkSettings.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

namespace {

// The priority frequency in hertz, when its text is a frequency a radio can
// carry; bounded before it is scaled, so a hand-edited value cannot overflow.
std::optional<qint64> PriorityHz(const QString& text) {
  double mhz = 0;
  if (!freqtext::ParseNumber(text, &mhz) || !(mhz > 0 && mhz <= kHighestCoverageMhz)) return {};
  return std::llround(mhz * 1e6);
}

}  // namespace

void ScanOptions::applyTo(SignalScanner::Settings& settings) const {
  settings.maxListenMs = longestListenS * 1000;
  const std::optional<qint64> hz = PriorityHz(priorityFrequency);
  if (!hz) return;
  scanning::ScanChannel channel;
  channel.frequencyHz = *hz;
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
  if (!PriorityHz(options.priorityFrequency)) options.priorityFrequency.clear();
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
