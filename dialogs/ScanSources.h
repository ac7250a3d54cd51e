#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "radio/ScanPlan.h"

class SettingsStore;

namespace channels {
class ChannelStore;
struct Channel;
}  // namespace channels

// The channels a signal scan goes through when the operator picks a channel
// list, a tag across lists or the thirty presets, or why there are none to
// scan (an empty list, a list whose every channel is locked out, a store that
// cannot be read). No widgets: the main window shows the refusal.
namespace scansources {

struct Channels {
  std::vector<scanning::ScanChannel> channels;
  QString refusal;  // set when channels is empty
};

// A channel of a list as a scan stops at it: its own mode, filter and name,
// and its row, so that a lockout is stored there.
scanning::ScanChannel FromChannel(const channels::Channel& channel);

// The channels of the list that are not locked out.
Channels FromList(channels::ChannelStore& store, qint64 listId, const QString& listName);
// The channels of every list with the tag that are not locked out.
Channels FromTag(channels::ChannelStore& store, const QString& tag);
// The thirty presets, groups A to C, each with its own mode and filter; a
// preset that repeats one before it (as presets never stored do) is left out.
// The settings store must be open.
Channels FromPresets(SettingsStore& store);

// A range as the operator types it: start and stop in MHz, the step in kHz;
// nullopt and why when a text is no number. Whether the radio can take the
// range is scanning::RangeRefusal's to say. The mode is left to the tuning.
std::optional<scanning::RangeSpec> ReadRange(const QString& fromMhz, const QString& toMhz,
                                             const QString& stepKhz, QString* refusal);

// A new file's name in the application data folder ("survey-20250101-120000.png").
QString ExportPath(const QString& stem, const QString& suffix);

// Leaves out the channels outside the radio's coverage (a list is about
// frequencies, not about one radio); refuses when none is left.
void KeepTunable(Channels& source, const scanning::TuningLimits& limits);

}  // namespace scansources
