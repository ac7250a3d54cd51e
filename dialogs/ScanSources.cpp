#include "dialogs/ScanSources.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

#include "channels/Channel.h"
#include "channels/ChannelStore.h"
#include "radio/FrequencyText.h"
#include "settings/Presets.h"

namespace scansources {

namespace {

// The channels to scan, or why none: an empty source and one whose every
// channel is locked out say so differently.
Channels Scannable(const channels::Result<QList<channels::Channel>>& scannable,
                   const channels::Result<QList<channels::Channel>>& all, const QString& what) {
  Channels result;
  if (!scannable.ok()) {
    result.refusal = scannable.error();
    return result;
  }
  for (const channels::Channel& channel : scannable.value()) {
    result.channels.push_back(FromChannel(channel));
  }
  if (!result.channels.empty()) return result;
  if (all.ok() && !all.value().isEmpty()) {
    result.refusal =
        QStringLiteral("Every channel of %1 is locked out: there is nothing to scan.").arg(what);
  } else {
    result.refusal = QStringLiteral("%1 has no channels: there is nothing to scan.").arg(what);
    result.refusal[0] = result.refusal[0].toUpper();
  }
  return result;
}

}  // namespace

scanning::ScanChannel FromChannel(const channels::Channel& channel) {
  scanning::ScanChannel scan;
  scan.frequencyHz = channel.frequencyHz;
  scan.mode = channel.mode;
  scan.filterIndex = channel.filter;
  scan.name = channel.name;
  scan.channelId = channel.id;
  return scan;
}

Channels FromList(channels::ChannelStore& store, qint64 listId, const QString& listName) {
  return Scannable(store.scanChannels({listId, QString()}), store.channels(listId),
                   QStringLiteral("the list \"%1\"").arg(listName));
}

Channels FromTag(channels::ChannelStore& store, const QString& tag) {
  return Scannable(store.scanChannels({0, tag}), store.channelsWithTag(tag),
                   QStringLiteral("the tag \"%1\"").arg(tag));
}

Channels FromPresets(SettingsStore& store) {
  Channels result;
  for (int group = 0; group < presets::kGroupCount; ++group) {
    const QString prefix = presets::GroupPrefixForIndex(group);
    for (int n = 1; n <= presets::kPresetCount; ++n) {
      const presets::Preset preset = presets::ReadPreset(store, prefix, n);
      scanning::ScanChannel channel;
      // Bounded before it is scaled: a hand-edited preset cannot overflow.
      if (!channels::ParseMhz(preset.frequency, &channel.frequencyHz)) continue;
      channel.mode = preset.mode;
      channel.filterIndex = preset.filter;
      const QString label = QStringLiteral("Preset %1%2").arg(QChar(u'A' + group)).arg(n);
      channel.name =
          preset.description.isEmpty() ? label : label + QStringLiteral(": ") + preset.description;
      const bool repeated =
          std::any_of(result.channels.cbegin(), result.channels.cend(), [&](const auto& seen) {
            return seen.frequencyHz == channel.frequencyHz && seen.mode == channel.mode &&
                   seen.filterIndex == channel.filterIndex;
          });
      if (!repeated) result.channels.push_back(channel);
    }
  }
  if (result.channels.empty()) {
    result.refusal = QStringLiteral("No preset holds a frequency: there is nothing to scan.");
  }
  return result;
}

std::optional<scanning::RangeSpec> ReadRange(const QString& fromMhz, const QString& toMhz,
                                             const QString& stepKhz, QString* refusal) {
  scanning::RangeSpec range;
  double khz = 0;
  if (!channels::ParseMhz(fromMhz.trimmed(), &range.startHz)) {
    *refusal = QStringLiteral("The start of the range is not a valid frequency in MHz.");
  } else if (!channels::ParseMhz(toMhz.trimmed(), &range.stopHz)) {
    *refusal = QStringLiteral("The stop of the range is not a valid frequency in MHz.");
  } else if (!freqtext::ParseNumber(stepKhz.trimmed(), &khz) || std::abs(khz) > 1e7) {
    *refusal = QStringLiteral("The step is not a number of kHz.");
  } else if (std::abs(khz * 1000 - std::round(khz * 1000)) > 1e-6) {
    *refusal =
        QStringLiteral("A step of %1 kHz is no whole number of hertz: the radio cannot take it.")
            .arg(stepKhz.trimmed());
  } else {
    range.stepHz = std::llround(khz * 1000);
    return range;
  }
  return std::nullopt;
}

QString ExportPath(const QString& stem, const QString& suffix) {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(folder);
  return QDir(folder).filePath(
      QStringLiteral("%1-%2.%3")
          .arg(stem, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")),
               suffix));
}

void KeepTunable(Channels& source, const scanning::TuningLimits& limits) {
  if (source.channels.empty()) return;
  std::erase_if(source.channels, [&limits](const scanning::ScanChannel& channel) {
    return channel.frequencyHz < limits.lowestHz || channel.frequencyHz > limits.highestHz;
  });
  if (source.channels.empty()) {
    source.refusal = QStringLiteral("No channel of this scan lies within the coverage.");
  }
}

}  // namespace scansources
