#include "radio/LinkWorker.h"

#include <chrono>

#include "radio/Capabilities.h"
#include "radio/RadioLink.h"

namespace {

// The pause after a released port was taken back, before the command that
// took it back is sent.
constexpr int kReopenSettleMs = 10;
// The session's origin of what nobody asked for.
constexpr int kLinkOrigin = 3;

}  // namespace

LinkWorker::LinkWorker(LinkQueue& queue, QObject* parent)
    : QObject(parent), queue_(queue), link_(std::make_unique<RadioLink>()) {
  link_->setParent(nullptr);
  // The link's messages, with the transport's reason where it gave one
  // (the host that refused, the server that went away).
  connect(link_.get(), &RadioLink::message, this, [this](const QString& text) {
    const QString reason = link_->portError();
    emit message(reason.isEmpty() ? text : text + QLatin1Char('\n') + reason, origin_);
  });
  connect(link_.get(), &RadioLink::busyChanged, this, &LinkWorker::busyChanged);
  connect(link_.get(), &RadioLink::linkStateChanged, this, &LinkWorker::linkStateChanged);
  connect(link_.get(), &RadioLink::portLost, this, [this] {
    emit portLost(origin_);
    const QString reason = link_->portError();
    if (!reason.isEmpty()) emit message(reason, kLinkOrigin);
  });
  connect(link_.get(), &RadioLink::beep, this, &LinkWorker::beep);
  pollTimer_.setParent(this);
  lineTimer_.setParent(this);
  connect(&pollTimer_, &QTimer::timeout, this, &LinkWorker::poll);
  connect(&lineTimer_, &QTimer::timeout, this, [this] {
    if (!queue_.empty()) return;
    origin_ = kLinkOrigin;
    link_->CheckPort();
  });
}

LinkWorker::~LinkWorker() = default;

void LinkWorker::setCarrierLineOverride(std::function<bool()> line) {
  link_->CarrierLineOverride = std::move(line);
}

LinkWorker::Tuned LinkWorker::drain() {
  runQueued();
  return {link_->CurrentFrequency, link_->CurrentMode};
}

void LinkWorker::runQueued() {
  while (std::optional<LinkRequest> request = queue_.take()) {
    origin_ = request->origin;
    if (request->retunes()) tuning_ = request->id;
    emit finished(run(*request));
  }
}

void LinkWorker::setPolling(int periodMs) {
  pollMs_ = periodMs;
  missed_ = 0;
  if (periodMs <= 0) {
    pollTimer_.stop();
    return;
  }
  pollTimer_.start(periodMs);
}

void LinkWorker::setLineChecks(bool on) {
  if (on) {
    lineTimer_.start(kLineCheckMs);
  } else {
    lineTimer_.stop();
  }
}

void LinkWorker::read(LinkResult& result, int what) {
  std::optional<readings::Quantity> only;
  if (what == LinkRequest::kReadSquelch) only = readings::Quantity::Squelch;
  if (what == LinkRequest::kReadLevel) only = readings::Quantity::Signal;
  const readings::ReadingResult taken = link_->TakeReading(only);
  if (taken.reading) {
    result.answered = true;
    result.raw = taken.reading->raw;
    result.squelchOpen = taken.reading->squelchOpen;
  }
  result.carrier = link_->CarrierDetect();
  result.tuning = tuning_;
  result.atMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count();
  result.portOpen = link_->portOpen();
}

void LinkWorker::poll() {
  // A queued request goes first; the next poll comes after it.
  if (!queue_.empty() || !link_->portOpen()) return;
  origin_ = kLinkOrigin;
  LinkResult result;
  result.kind = LinkRequest::Kind::Read;
  read(result);
  if (result.answered) {
    if (missed_ >= kMissedBeforeProbing) pollTimer_.start(pollMs_);
    missed_ = 0;
  } else if (++missed_ == kMissedBeforeProbing) {
    // A radio that does not answer is asked now and then only.
    pollTimer_.start(kProbeMs);
  }
  emit polled(result, missed_ >= kMissedBeforeProbing);
}

LinkResult LinkWorker::run(const LinkRequest& request) {
  RadioLink& link = *link_;
  LinkResult result;
  result.id = request.id;
  result.kind = request.kind;
  const protocols::Capabilities& caps = protocols::capabilities(link.Protocol);
  using Kind = LinkRequest::Kind;
  switch (request.kind) {
    case Kind::Open:
    case Kind::Retake: {
      LinkSettings settings = request.settings;
      if (request.keepTuning) {
        settings.frequency = link.CurrentFrequency;
        settings.mode = link.CurrentMode;
      }
      link.OpenRadioLink(settings);
      if (request.kind == Kind::Retake) RadioLink::BusyWait(kReopenSettleMs);
      result.volume = link.VolumeLevel;
      result.squelch = link.SquelchLevel;
      result.ifShift = link.IfShiftLevel;
      result.frequency = link.CurrentFrequency;
      result.mode = link.CurrentMode;
      break;
    }
    case Kind::Release:
      link.ReleasePort();
      break;
    case Kind::Close:
      result.frequency = link.CurrentFrequency;
      result.mode = link.CurrentMode;
      link.PowerOffAndClose(request.on);
      break;
    case Kind::Tune:
      result.sent = link.TuneRadio(request.text, request.mode);
      result.refusal = link.lastRefusal();
      result.frequency = link.CurrentFrequency;
      result.mode = link.CurrentMode;
      result.filterIndex = link.FilterIndex;
      break;
    case Kind::Filter:
      link.SendPcrFilter(request.value);
      result.refusal = link.lastRefusal();
      result.filterIndex = link.FilterIndex;
      break;
    case Kind::Level: {
      using protocols::LevelCommand;
      const int level = request.value;
      if (request.which == LinkRequest::kVolume) {
        if (caps.volume == LevelCommand::Pcr) link.SendPcrVolume(level);
        if (caps.volume == LevelCommand::Civ) link.SendCivVolume(level);
      } else if (request.which == LinkRequest::kSquelch) {
        if (caps.squelch == LevelCommand::Pcr) link.SendPcrSquelch(level);
        if (caps.squelch == LevelCommand::Civ) link.SendCivSquelch(level);
      } else if (request.which == LinkRequest::kIfShift && caps.ifShift) {
        link.SendPcrIfShift(level);
      }
      break;
    }
    case Kind::Switch:
      if (request.which == LinkRequest::kAgc && caps.agc) link.SendPcrAgc(request.on);
      if (request.which == LinkRequest::kNoiseBlanker && caps.noiseBlanker) {
        link.SendPcrNoiseBlanker(request.on);
      }
      if (request.which == LinkRequest::kAttenuator) {
        if (request.on) {
          link.SwitchAttenuatorOn();
        } else {
          link.SwitchAttenuatorOff();
        }
      }
      break;
    case Kind::Mute:
      if (request.on) {
        link.MuteRadio();
      } else {
        // The session keeps the level the un-mute restores.
        link.VolumeLevel = request.value;
        link.UnmuteRadio();
      }
      break;
    case Kind::ReadCarrier:
      result.carrier = link.CarrierDetect();
      break;
    case Kind::Sync:
      break;
    case Kind::Read:
      read(result, request.read);
      break;
    case Kind::ScanStep:
      result.sent = link.ScanTune(request.text, request.mode, request.value, request.settleMs);
      result.refusal = link.lastRefusal();
      result.frequency = link.CurrentFrequency;
      result.mode = link.CurrentMode;
      result.filterIndex = link.FilterIndex;
      if (result.sent) read(result, request.read);
      break;
  }
  result.portOpen = link.portOpen();
  return result;
}
