#include "dialogs/ChannelTables.h"

#include <cstddef>

namespace channels {

std::optional<double> TvSoundCarrier(int channel) {
  if (channel >= kFirstTvChannel && channel < kFirstUhfChannel) {
    return kTvVhfSound[static_cast<std::size_t>(channel - kFirstTvChannel)];
  }
  if (channel >= kFirstUhfChannel && channel <= kLastTvChannel) {
    return kUhfFirstSound + kUhfSpacing * (channel - kFirstUhfChannel);
  }
  return std::nullopt;
}

std::optional<double> CbChannelFrequency(int channel) {
  if (channel < 1 || channel > static_cast<int>(kCbChannels.size())) return std::nullopt;
  return kCbChannels[static_cast<std::size_t>(channel - 1)];
}

std::optional<double> WeatherChannelFrequency(int channel) {
  if (channel < 1 || channel > static_cast<int>(kWeatherChannels.size())) return std::nullopt;
  return kWeatherChannels[static_cast<std::size_t>(channel - 1)];
}

QString GeneralNumberText(double mhz) { return QString::number(mhz, 'g', 15); }

}  // namespace channels
