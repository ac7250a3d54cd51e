#pragma once

#include <QString>

#include "channels/Channel.h"

// What the Channels window needs from the program that runs it. The window
// talks to the radio only through this: it reads the tuning to store it,
// asks what the radio can tune, and hands a channel over to be tuned.
class ChannelsHost {
 public:
  struct Tuning {
    qint64 frequencyHz = 0;  // 0: nothing tuned yet
    QString mode;            // one of the fifteen mode codes
    int filter = channels::kNoFilter;
  };

  virtual ~ChannelsHost() = default;

  // The radio's tuning now, for "Add Current Tuning".
  virtual Tuning currentTuning() const = 0;
  // What the configured radio offers: its modes, whether it has filters,
  // its coverage. Asked again when ChannelsWindow::capabilitiesChanged() is
  // called.
  virtual channels::Capabilities capabilities() const = 0;
  // Why the configured radio cannot tune the channel (outside its
  // coverage, a mode it lacks), or an empty text. The window shows such a
  // channel as refused and never hands it to tune().
  virtual QString refusal(const channels::Channel& channel) const = 0;
  // Tunes frequency, mode and filter together. Returns an empty text when
  // the request was taken, otherwise the reason it was refused (nothing of
  // it applied).
  virtual QString tune(const channels::Channel& channel) = 0;
};
