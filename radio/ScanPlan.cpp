#include "radio/ScanPlan.h"

#include <algorithm>
#include <cstdlib>

#include "radio/FrequencyText.h"

namespace scanning {

QString RangeRefusal(const RangeSpec& range, const TuningLimits& limits) {
  if (range.stepHz <= 0) return QStringLiteral("The step must be more than 0.");
  if (range.stopHz < range.startHz) {
    return QStringLiteral("The range stops below where it starts.");
  }
  const qint64 resolution = std::max<qint64>(limits.resolutionHz, 1);
  if (range.stepHz % resolution != 0) {
    return QStringLiteral("The radio tunes in steps of %1 Hz: a step of %2 Hz cannot be taken.")
        .arg(resolution)
        .arg(range.stepHz);
  }
  if (range.startHz < limits.lowestHz || range.stopHz > limits.highestHz) {
    return QStringLiteral("The range %1 to %2 MHz leaves the coverage (%3 to %4 MHz).")
        .arg(freqtext::MhzText(range.startHz), freqtext::MhzText(range.stopHz),
             freqtext::MhzText(limits.lowestHz), freqtext::MhzText(limits.highestHz));
  }
  return {};
}

ScanPlan ScanPlan::range(const RangeSpec& range) {
  ScanPlan plan;
  plan.range_ = range;
  return plan;
}

ScanPlan ScanPlan::channels(std::vector<ScanChannel> channels) {
  ScanPlan plan;
  plan.channels_ = std::move(channels);
  return plan;
}

qsizetype ScanPlan::size() const {
  if (!range_) return qsizetype(channels_.size());
  if (range_->stepHz <= 0 || range_->stopHz < range_->startHz) return 0;
  return qsizetype((range_->stopHz - range_->startHz) / range_->stepHz + 1);
}

ScanChannel ScanPlan::at(qsizetype index) const {
  if (!range_) return channels_.at(size_t(index));
  ScanChannel channel;
  channel.frequencyHz = range_->startHz + index * range_->stepHz;
  channel.mode = range_->mode;
  return channel;
}

qsizetype ScanPlan::nearest(qint64 frequencyHz) const {
  const qsizetype count = size();
  if (count == 0) return -1;
  if (range_) {
    const qint64 offset =
        std::clamp(frequencyHz - range_->startHz, qint64(0), (count - 1) * range_->stepHz);
    return qsizetype((offset + range_->stepHz / 2) / range_->stepHz);
  }
  qsizetype best = 0;
  for (qsizetype i = 1; i < count; ++i) {
    if (std::llabs(channels_[size_t(i)].frequencyHz - frequencyHz) <
        std::llabs(channels_[size_t(best)].frequencyHz - frequencyHz)) {
      best = i;
    }
  }
  return best;
}

}  // namespace scanning
