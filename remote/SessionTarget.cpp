#include "remote/SessionTarget.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "radio/FrequencyText.h"
#include "radio/RadioSession.h"
#include "radio/Readings.h"
#include "settings/SettingsStore.h"

namespace {

using protocols::kIfShiftCentre;
using protocols::kIfShiftHzPerStep;
constexpr int kMaxIfShiftHz = 127 * kIfShiftHzPerStep;

int CodeOf(const LinkResult& result) { return result.portOpen ? rigctl::kOk : rigctl::kIoError; }

}  // namespace

SessionTarget::SessionTarget(RadioSession& session, QObject* parent)
    : QObject(parent), session_(session) {}

rigctl::RadioInfo SessionTarget::radioInfo() {
  const protocols::Capabilities& caps = session_.capabilities();
  rigctl::RadioInfo info;
  info.lowestHz = session_.lowestMhz() * 1e6;
  info.highestHz = session_.highestMhz() * 1e6;
  info.modes = session_.modeList();
  info.volume = caps.hasVolume();
  info.squelch = caps.hasSquelch();
  info.ifShift = caps.ifShift;
  info.maxIfShiftHz = caps.ifShift ? kMaxIfShiftHz : 0;
  info.noiseBlanker = caps.noiseBlanker;
  if (caps.filters) info.passbandsHz = protocols::filterWidthsHz();
  info.attenuatorDb = caps.hasAttenuator() ? protocols::kAttenuatorDb : 0;
  info.mute = caps.hasMute();
  info.rawStrength = session_.canReadSignal();
  if (const readings::ProtocolReadings* radio = readings::forProtocol(session_.protocol())) {
    info.strength = info.rawStrength && !radio->calibration.empty();
  }
  return info;
}

void SessionTarget::withReading(bool needLevel, ReadingReply done) {
  const RadioSession::Reading& latest = session_.reading();
  const qint64 now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
  const int period = session_.readingRate() > 0 ? 1000 / session_.readingRate() : 0;
  // A scan reads only the squelch on its way: a level is then asked for.
  if (latest.valid && period > 0 && now - latest.atMs <= period && (latest.raw || !needLevel)) {
    done(&latest, false);
    return;
  }
  session_.readNow([this, done](const LinkResult& read) {
    // What the radio said when asked, even when a scan has moved on since.
    const RadioSession::Reading reading = session_.readingOf(read);
    done(reading.valid ? &reading : nullptr, read.carrier);
  });
}

void SessionTarget::readMeter(rigctl::Meter which, rigctl::MeterReply done) {
  if (!session_.portUsable()) {
    done(rigctl::kIoError, 0);
    return;
  }
  withReading(true, [which, done](const RadioSession::Reading* reading, bool) {
    if (reading == nullptr || !reading->raw) {
      done(rigctl::kIoError, 0);
      return;
    }
    if (which == rigctl::Meter::RawStrength) {
      done(rigctl::kOk, *reading->raw);
    } else if (reading->dbOverS9) {
      done(rigctl::kOk, static_cast<int>(std::lround(*reading->dbOverS9)));
    } else {
      done(rigctl::kNotAvailable, 0);
    }
  });
}

bool SessionTarget::refused(const rigctl::Reply& done) const {
  if (!refusing_ || !refusing_()) return false;
  done(rigctl::kRejected);
  return true;
}

void SessionTarget::tune(const QString& text, const QString& mode, rigctl::Reply done) {
  if (refused(done)) return;
  RadioSession::Result result;
  try {
    result = session_.tune(text, mode, RadioSession::Origin::Remote,
                           [done](const LinkResult& sent) { done(CodeOf(sent)); });
  } catch (const SettingsError&) {
    done(rigctl::kInternal);
    return;
  }
  // With no port the session answers through the completion itself, as it
  // does for an accepted request; only a refusal is answered here.
  if (result.outcome == RadioSession::Outcome::Refused) done(rigctl::kInvalid);
}

void SessionTarget::answerWhenSent(rigctl::Reply done) {
  session_.whenSent([done](const LinkResult& sent) { done(CodeOf(sent)); });
}

void SessionTarget::setFrequency(double hertz, rigctl::Reply done) {
  QString text = QString::number(hertz / 1e6, 'f', 6);
  if (text.size() > freqtext::kShownWidth)
    text = QString::number(hertz / 1e6, 'f', freqtext::kDecimals);
  if (text.size() > freqtext::kShownWidth) {
    done(rigctl::kInvalid);
    return;
  }
  tune(text, session_.tuning().mode, std::move(done));
}

double SessionTarget::frequency() {
  double megahertz = 0;
  if (!freqtext::ParseNumber(session_.tunedFrequency(), &megahertz)) return 0;
  return megahertz * 1e6;
}

void SessionTarget::setMode(const QString& mode, int passbandHz, rigctl::Reply done) {
  // The mode changes on the frequency last tuned, not on whatever the
  // operator may be typing into the field just now.
  QString text = session_.tuning().frequencyText;
  double megahertz = 0;
  if (freqtext::ParseNumber(session_.tunedFrequency(), &megahertz)) {
    text = freqtext::FormatFixed(megahertz, freqtext::kDecimals, freqtext::kShownWidth);
  }
  const bool filters = session_.capabilities().filters;
  tune(text, mode, [this, passbandHz, filters, done](int code) {
    if (code != rigctl::kOk || passbandHz <= 0 || !filters) {
      done(code);
      return;
    }
    // The narrowest filter that passes the asked width, else the widest.
    const QList<int> widths = protocols::filterWidthsHz();
    qsizetype index = widths.size() - 1;
    for (qsizetype i = 0; i < widths.size(); ++i) {
      if (widths[i] >= passbandHz) {
        index = i;
        break;
      }
    }
    if (index == session_.filterIndex()) {
      done(code);
      return;
    }
    try {
      session_.setFilter(static_cast<int>(index), RadioSession::Origin::Remote,
                         [done](const LinkResult& sent) { done(CodeOf(sent)); });
    } catch (const SettingsError&) {
      // Told to the client, never in a box in front of the operator.
      done(rigctl::kInternal);
    }
  });
}

QString SessionTarget::mode() { return session_.tunedMode(); }

int SessionTarget::passband() {
  if (!session_.capabilities().filters) return 0;
  return protocols::filterWidthsHz().value(session_.filterIndex(), 0);
}

void SessionTarget::setLevel(rigctl::Level level, int value, rigctl::Reply done) {
  if (refused(done)) return;
  try {
    switch (level) {
      case rigctl::Level::Af:
        session_.setLevel(RadioSession::Level::Volume, value, RadioSession::Origin::Remote);
        break;
      case rigctl::Level::Squelch:
        session_.setLevel(RadioSession::Level::Squelch, value, RadioSession::Origin::Remote);
        break;
      case rigctl::Level::IfShift: {
        const int shift = std::clamp(
            kIfShiftCentre +
                static_cast<int>(std::lround(static_cast<double>(value) / kIfShiftHzPerStep)),
            0, protocols::kLevelMax);
        session_.setLevel(RadioSession::Level::IfShift, shift, RadioSession::Origin::Remote);
        break;
      }
      case rigctl::Level::Attenuator:
        session_.setSwitch(RadioSession::Switch::Attenuator, value > 0,
                           RadioSession::Origin::Remote);
        break;
    }
  } catch (const SettingsError&) {
    done(rigctl::kInternal);
    return;
  }
  answerWhenSent(std::move(done));
}

int SessionTarget::level(rigctl::Level level) {
  switch (level) {
    case rigctl::Level::Af:
      return session_.level(RadioSession::Level::Volume);
    case rigctl::Level::Squelch:
      return session_.level(RadioSession::Level::Squelch);
    case rigctl::Level::IfShift:
      return (session_.level(RadioSession::Level::IfShift) - kIfShiftCentre) * kIfShiftHzPerStep;
    case rigctl::Level::Attenuator:
      return session_.switchOn(RadioSession::Switch::Attenuator) ? protocols::kAttenuatorDb : 0;
  }
  return 0;
}

void SessionTarget::setSwitch(rigctl::Switch which, bool on, rigctl::Reply done) {
  if (refused(done)) return;
  try {
    if (which == rigctl::Switch::NoiseBlanker) {
      session_.setSwitch(RadioSession::Switch::NoiseBlanker, on, RadioSession::Origin::Remote);
    } else {
      session_.setMuted(on, RadioSession::Origin::Remote);
    }
  } catch (const SettingsError&) {
    done(rigctl::kInternal);
    return;
  }
  answerWhenSent(std::move(done));
}

bool SessionTarget::switchState(rigctl::Switch which) {
  if (which == rigctl::Switch::NoiseBlanker) {
    return session_.switchOn(RadioSession::Switch::NoiseBlanker);
  }
  return session_.muted();
}

void SessionTarget::carrierDetect(rigctl::CarrierReply done) {
  if (!session_.portUsable()) {
    done(rigctl::kIoError, false);
    return;
  }
  // The radio's own squelch state where it tells it; the carrier-detect
  // line otherwise.
  if (session_.canReadSquelch()) {
    withReading(false, [done](const RadioSession::Reading* reading, bool carrier) {
      // A radio that does not answer leaves the carrier-detect line.
      if (reading == nullptr || !reading->squelchOpen) {
        done(rigctl::kOk, carrier);
        return;
      }
      done(rigctl::kOk, *reading->squelchOpen);
    });
    return;
  }
  session_.readCarrier([done](const LinkResult& read) {
    if (!read.portOpen) {
      done(rigctl::kIoError, false);
      return;
    }
    done(rigctl::kOk, read.carrier);
  });
}

bool SessionTarget::powerOn() { return session_.portState() == RadioSession::PortState::Open; }
