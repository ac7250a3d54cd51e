// The radio session's levels and switches, preset recall and the reading of
// the carrier-detect line. A level has two values: the one shown (the
// slider's place) and the one the radio keeps (the PCR1000 keeps only levels
// above 0, so that its un-mute restores the last audible volume).

#include <QMetaObject>
#include <algorithm>

#include "radio/FrequencyText.h"
#include "radio/LinkWorker.h"
#include "radio/PortAddress.h"
#include "radio/RadioSession.h"
#include "radio/Readings.h"
#include "settings/Presets.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

namespace {

using protocols::LevelCommand;

LinkRequest::Which WhichOf(RadioSession::Level level) {
  switch (level) {
    case RadioSession::Level::Squelch:
      return LinkRequest::kSquelch;
    case RadioSession::Level::IfShift:
      return LinkRequest::kIfShift;
    default:
      return LinkRequest::kVolume;
  }
}

LinkRequest::Which WhichOf(RadioSession::Switch which) {
  switch (which) {
    case RadioSession::Switch::Agc:
      return LinkRequest::kAgc;
    case RadioSession::Switch::NoiseBlanker:
      return LinkRequest::kNoiseBlanker;
    default:
      return LinkRequest::kAttenuator;
  }
}

}  // namespace

int RadioSession::level(Level which) const {
  switch (which) {
    case Level::Squelch:
      return squelchShown_;
    case Level::IfShift:
      return ifShiftShown_;
    default:
      return volumeShown_;
  }
}

int RadioSession::keptLevel(Level which) const {
  switch (which) {
    case Level::Squelch:
      return squelchKept_;
    case Level::IfShift:
      return ifShiftKept_;
    default:
      return volumeKept_;
  }
}

void RadioSession::sendLevel(LinkRequest::Which which, int level, Origin origin) {
  const protocols::Capabilities& caps = capabilities();
  LevelCommand command = LevelCommand::None;
  int* kept = nullptr;
  switch (which) {
    case LinkRequest::kVolume:
      command = caps.volume;
      kept = &volumeKept_;
      break;
    case LinkRequest::kSquelch:
      command = caps.squelch;
      kept = &squelchKept_;
      break;
    default:
      command = caps.ifShift ? LevelCommand::Pcr : LevelCommand::None;
      kept = &ifShiftKept_;
      break;
  }
  // Nothing is sent, and nothing kept, for a radio without the command or
  // while no port is open.
  if (command == LevelCommand::None || !portUsable()) return;
  if (command == LevelCommand::Civ) {
    *kept = std::clamp(level, 0, protocols::kLevelMax);
  } else if (level > 0) {
    *kept = std::min(level, protocols::kLevelMax);
  }
  LinkRequest request;
  request.kind = LinkRequest::Kind::Level;
  request.which = which;
  request.value = level;
  push(request, origin);
}

void RadioSession::setLevel(Level which, int level, Origin origin) {
  getPort(origin);
  ++levelChanges_;
  switch (which) {
    case Level::Volume:
      volumeShown_ = level;
      // Moving off the bottom shows the sound as on again; nothing is sent
      // for it.
      if (level > 0) muteButtonDown_ = false;
      break;
    case Level::Squelch:
      squelchShown_ = level;
      break;
    case Level::IfShift:
      ifShiftShown_ = level;
      break;
  }
  sendLevel(WhichOf(which), level, origin);
  emit levelsChanged();
  if (which == Level::Volume) emit switchesChanged();
}

void RadioSession::centreIfShift(Origin origin) {
  constexpr int kMax = protocols::kLevelMax;
  setLevel(Level::IfShift, kMax - (kMax - kMax / 2), origin);
}

bool RadioSession::switchOn(Switch which) const {
  switch (which) {
    case Switch::Agc:
      return agc_;
    case Switch::NoiseBlanker:
      return noiseBlanker_;
    default:
      return attenuator_;
  }
}

void RadioSession::setSwitch(Switch which, bool on, Origin origin) {
  getPort(origin);
  const protocols::Capabilities& caps = capabilities();
  bool send = portUsable();
  switch (which) {
    case Switch::Agc:
      agc_ = on;
      send = send && caps.agc;
      break;
    case Switch::NoiseBlanker:
      noiseBlanker_ = on;
      send = send && caps.noiseBlanker;
      break;
    case Switch::Attenuator:
      // The switch state is kept for every protocol, whether or not it has a
      // command for it; the link keeps its own copy for the same reason.
      attenuator_ = on;
      send = true;
      break;
  }
  if (send) {
    LinkRequest request;
    request.kind = LinkRequest::Kind::Switch;
    request.which = WhichOf(which);
    request.on = on;
    push(request, origin);
  }
  emit switchesChanged();
}

void RadioSession::toggleMute(Origin origin) {
  getPort(origin);
  ++levelChanges_;
  LinkRequest request;
  request.kind = LinkRequest::Kind::Mute;
  // Whether to mute follows the volume, not the button. The mute runs even
  // with no port open (the AR8000 beeps all the same).
  if (volumeShown_ > 0) {
    volumeShown_ = 0;
    request.on = true;
  } else {
    volumeShown_ = volumeKept_;
    request.on = false;
    request.value = volumeKept_;
  }
  push(request, origin);
  emit levelsChanged();
}

void RadioSession::setMuted(bool on, Origin origin) {
  if (on == muted()) {
    getPort(origin);
    return;
  }
  muteButtonDown_ = on;
  toggleMute(origin);
  emit switchesChanged();
}

void RadioSession::setMuteButtonDown(bool down) {
  if (down == muteButtonDown_) return;
  muteButtonDown_ = down;
  emit switchesChanged();
}

void RadioSession::restoreAttenuator() {
  bool on = false;
  {
    SettingsSession session(store_);
    on = store_.ReadFlag(sn::kGeneral, sn::kAttenuate, false);
  }
  attenuator_ = on;
  if (on) {
    setSwitch(Switch::Attenuator, true);
  } else {
    emit switchesChanged();
  }
}

RadioSession::Result RadioSession::recallPreset(int group, int n, Origin origin) {
  getPort(origin);
  presets::Preset preset;
  {
    SettingsSession session(store_);
    preset = presets::ReadPreset(store_, presets::GroupPrefixForIndex(group), n);
  }
  // A stored text that is not a number is shown as it stands, and the
  // tuning refuses it.
  double value = 0;
  if (freqtext::ParseNumber(preset.frequency, &value)) {
    preset.frequency = freqtext::FormatFixed(value, freqtext::kDecimals, freqtext::kShownWidth);
  }
  Tuning row = tuning_;
  row.frequencyText = preset.frequency;
  // A mode the mode list does not offer leaves the list's choice as it is.
  if (modeList().contains(preset.mode)) row.mode = preset.mode;
  row.filterIndex = preset.filter;
  const Result result = tuneRow(row, origin);
  // The attenuator follows the preset even when the frequency was refused.
  setSwitch(Switch::Attenuator, preset.attenuate, origin);
  return result;
}

void RadioSession::readCarrier(Completion done) {
  LinkRequest request;
  request.kind = LinkRequest::Kind::ReadCarrier;
  push(request, Origin::Scan, std::move(done));
}

void RadioSession::whenSent(Completion done) {
  push(LinkRequest(LinkRequest::Kind::Sync), Origin::Remote, std::move(done));
}

// ---------------------------------------------------------------------------
// Readings

bool RadioSession::canReadSignal() const {
  readings::LinkFacts facts;
  facts.protocol = settings_.protocol;
  facts.address = settings_.civAddress;
  facts.ic735 = settings_.ic735;
  return readings::forProtocol(settings_.protocol) != nullptr &&
         readings::canRead(facts, readings::Quantity::Signal);
}

bool RadioSession::canReadSquelch() const {
  readings::LinkFacts facts;
  facts.protocol = settings_.protocol;
  facts.address = settings_.civAddress;
  facts.ic735 = settings_.ic735;
  return canReadSignal() && (readings::signalTellsSquelch(settings_.protocol) ||
                             readings::canRead(facts, readings::Quantity::Squelch));
}

void RadioSession::updatePolling() {
  int periodMs = 0;
  if (portState_ == PortState::Open && readingRate_ > 0 && canReadSignal() && !pollingHeld_) {
    // No faster than one reading's own time on the line allows.
    readings::LinkFacts facts;
    facts.protocol = settings_.protocol;
    facts.address = settings_.civAddress;
    facts.ic735 = settings_.ic735;
    facts.baudRate = settings_.baudRate;
    facts.commandDelayMs = settings_.pcrCommandDelay;
    int readingMs = 0;
    for (readings::Quantity quantity : {readings::Quantity::Signal, readings::Quantity::Squelch}) {
      if (quantity == readings::Quantity::Squelch &&
          readings::signalTellsSquelch(settings_.protocol)) {
        continue;
      }
      if (const std::optional<readings::Query> query = readings::makeQuery(facts, quantity)) {
        readingMs += static_cast<int>(readings::replyDeadline(*query, facts.baudRate).count() +
                                      readings::queryGap(facts).count());
      }
    }
    periodMs = std::max(1000 / readingRate_, readingMs);
  }
  const bool lineChecks =
      portState_ == PortState::Open && looksLikeNetworkAddress(settings_.portName);
  if (lineChecks != lineChecks_) {
    lineChecks_ = lineChecks;
    QMetaObject::invokeMethod(
        worker_, [worker = worker_, lineChecks] { worker->setLineChecks(lineChecks); });
  }
  if (periodMs == pollPeriodMs_) return;
  pollPeriodMs_ = periodMs;
  QMetaObject::invokeMethod(worker_,
                            [worker = worker_, periodMs] { worker->setPolling(periodMs); });
}

void RadioSession::takeReading(const LinkResult& result, bool silent) {
  // A reading taken before the last retune belongs to another frequency.
  if (result.tuning != lastTuning_) return;
  if (silent || !result.portOpen) {
    if (!reading_.valid) return;
    reading_ = Reading();
    emit readingChanged();
    return;
  }
  if (!result.answered) return;  // one silent poll keeps the last reading
  reading_ = readingOf(result);
  emit readingChanged();
}

RadioSession::Reading RadioSession::readingOf(const LinkResult& result) const {
  Reading reading;
  if (!result.answered) return reading;
  reading.valid = true;
  reading.raw = result.raw;
  reading.squelchOpen = result.squelchOpen;
  // The carrier-detect line tells the squelch where the radio does not, and
  // counts where it is wired.
  if (result.carrier) reading.squelchOpen = true;
  if (const readings::ProtocolReadings* radio = readings::forProtocol(settings_.protocol)) {
    reading.rawMax = radio->rawMax;
    if (reading.raw) {
      reading.dbOverS9 = readings::dbRelativeToS9(*radio, *reading.raw);
      reading.text = readings::describe(*radio, *reading.raw);
    }
  }
  reading.atMs = result.atMs;
  return reading;
}

QString RadioSession::levelText(int raw) const {
  const readings::ProtocolReadings* radio = readings::forProtocol(settings_.protocol);
  return radio ? readings::describe(*radio, raw) : QString::number(raw);
}

void RadioSession::readNow(Completion done) {
  push(LinkRequest(LinkRequest::Kind::Read), Origin::Remote, std::move(done));
}
