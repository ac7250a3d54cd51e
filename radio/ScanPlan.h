#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

// What a signal scan or a band survey goes through: a frequency range (start,
// stop, step, one mode for all), or a list of channels each with its own mode
// and filter (a channel list, a tag across lists, the thirty presets). A range
// is computed step by step, so a wide range at a fine step costs no memory.
// Pure: no port, no settings.
namespace scanning {

// One place the scan stops at to listen.
struct ScanChannel {
  qint64 frequencyHz = 0;
  QString mode;          // a mode code ("FMN"); empty: the mode of the last tuning
  int filterIndex = -1;  // the IF filter list's entry; -1 leaves the filter as it is
  QString name;          // what the hit log and the status area show
  qint64 channelId = 0;  // the channel list's row (a lockout is stored there); 0: none
  bool operator==(const ScanChannel&) const = default;
};

struct RangeSpec {
  qint64 startHz = 0;
  qint64 stopHz = 0;
  qint64 stepHz = 0;
  QString mode;  // empty: the mode of the last tuning
};

// What the configured radio can tune, for the checks of a plan.
struct TuningLimits {
  qint64 lowestHz = 0;  // the coverage
  qint64 highestHz = 0;
  qint64 resolutionHz = 10;  // every frequency and step is a multiple of it
};

// Why a range cannot be scanned (stop below start, a step of zero or less,
// a step the radio cannot take, outside the coverage), or an empty text.
QString RangeRefusal(const RangeSpec& range, const TuningLimits& limits);

class ScanPlan {
 public:
  ScanPlan() = default;
  static ScanPlan range(const RangeSpec& range);
  static ScanPlan channels(std::vector<ScanChannel> channels);

  bool isRange() const { return range_.has_value(); }
  const std::optional<RangeSpec>& rangeSpec() const { return range_; }
  qsizetype size() const;
  bool empty() const { return size() == 0; }
  // The channel at a place 0..size()-1.
  ScanChannel at(qsizetype index) const;
  // The place of the channel nearest to a frequency (the survey's click to
  // tune, the start of a range scan from the tuned frequency); -1 when empty.
  qsizetype nearest(qint64 frequencyHz) const;

 private:
  std::optional<RangeSpec> range_;
  std::vector<ScanChannel> channels_;
};

}  // namespace scanning
