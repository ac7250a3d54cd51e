#include "channels/Channel.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "radio/FrequencyText.h"
#include "radio/Protocols.h"

namespace channels {

namespace {

const std::array<QString, protocols::kModeCodes.size()>& modeTexts() {
  static const auto texts = [] {
    std::array<QString, protocols::kModeCodes.size()> result;
    for (size_t i = 0; i < result.size(); ++i) {
      result[i] = QString::fromLatin1(protocols::kModeCodes[i]);
    }
    return result;
  }();
  return texts;
}

}  // namespace

int ModeIndex(const QString& code) {
  const auto& texts = modeTexts();
  for (size_t i = 0; i < texts.size(); ++i) {
    if (texts[i] == code) return static_cast<int>(i);
  }
  return -1;
}

const QString& ModeCode(int index) {
  static const QString none;
  const auto& texts = modeTexts();
  if (index < 0 || index >= static_cast<int>(texts.size())) return none;
  return texts[static_cast<size_t>(index)];
}

QString FilterCode(int filter) {
  if (filter < 0 || filter >= kFilterCount) return QString();
  return QString::fromLatin1(protocols::kFilterCodes[static_cast<size_t>(filter)]);
}

int FilterIndexOf(const QString& code) {
  if (code.isEmpty()) return kNoFilter;
  for (int i = 0; i < kFilterCount; ++i) {
    if (code.compare(QLatin1String(protocols::kFilterCodes[static_cast<size_t>(i)]),
                     Qt::CaseInsensitive) == 0) {
      return i;
    }
  }
  return -2;
}

QStringList NormalizeTags(const QStringList& tags) {
  if (tags.isEmpty()) return tags;
  QStringList result;
  for (const QString& tag : tags) {
    const QString trimmed = tag.trimmed();
    if (!trimmed.isEmpty() && !result.contains(trimmed)) result.append(trimmed);
  }
  std::sort(result.begin(), result.end(), [](const QString& a, const QString& b) {
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
  });
  return result;
}

QStringList TagsFromText(const QString& text) {
  if (text.trimmed().isEmpty()) return {};
  return NormalizeTags(text.split(QLatin1Char(',')));
}

QString TagsText(const QStringList& tags) { return tags.join(QLatin1String(", ")); }

QString ValidateChannel(const Channel& channel) {
  if (channel.frequencyHz < kLowestHz || channel.frequencyHz > kHighestHz) {
    return QStringLiteral("frequency out of range (%1 to %2 MHz)")
        .arg(FormatMhz(kLowestHz), FormatMhz(kHighestHz));
  }
  if (ModeIndex(channel.mode) < 0) return QStringLiteral("unknown mode \"%1\"").arg(channel.mode);
  if (channel.filter != kNoFilter && (channel.filter < 0 || channel.filter >= kFilterCount)) {
    return QStringLiteral("filter out of range");
  }
  for (const QString& tag : channel.tags) {
    if (tag.contains(QLatin1Char(',')) || tag.trimmed().isEmpty() || tag != tag.trimmed()) {
      return QStringLiteral("tag \"%1\" is not a tag (no commas, no leading or trailing blanks)")
          .arg(tag);
    }
  }
  return QString();
}

QString CapabilityRefusal(const Channel& channel, const Capabilities& capabilities) {
  if (channel.frequencyHz < capabilities.lowestHz || channel.frequencyHz > capabilities.highestHz) {
    return QStringLiteral("%1 MHz is outside the radio's coverage (%2 to %3 MHz).")
        .arg(FormatMhz(channel.frequencyHz), FormatMhz(capabilities.lowestHz),
             FormatMhz(capabilities.highestHz));
  }
  if (!capabilities.hasMode(channel.mode)) {
    return QStringLiteral("The radio has no %1 mode.").arg(channel.mode);
  }
  return QString();
}

QString FormatMhz(qint64 hz) {
  const bool negative = hz < 0;
  const quint64 magnitude = negative ? 0 - static_cast<quint64>(hz) : static_cast<quint64>(hz);
  QString fraction = QString::number(magnitude % 1000000).rightJustified(6, QLatin1Char('0'));
  if (fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);
  return (negative ? QStringLiteral("-") : QString()) + QString::number(magnitude / 1000000) +
         QLatin1Char('.') + fraction;
}

bool ParseMhz(const QString& text, qint64* hz) {
  double mhz = 0;
  if (!freqtext::ParseNumber(text, &mhz) || !std::isfinite(mhz)) return false;
  // Checked before scaling, so no value can overflow the conversion.
  if (mhz < 0 || mhz > static_cast<double>(kHighestHz) / 1e6 + 1e-7) return false;
  const qint64 value = std::llround(mhz * 1e6);
  if (value < kLowestHz || value > kHighestHz) return false;
  *hz = value;
  return true;
}

}  // namespace channels
