#include "radio/LinkWorker.h"

#include "radio/Capabilities.h"
#include "radio/RadioLink.h"

namespace {

// The pause after a released port was taken back, before the command that
// took it back is sent.
constexpr int kReopenSettleMs = 10;

}  // namespace

LinkWorker::LinkWorker(LinkQueue& queue, QObject* parent)
    : QObject(parent), queue_(queue), link_(std::make_unique<RadioLink>()) {
  link_->setParent(nullptr);
  connect(link_.get(), &RadioLink::message, this,
          [this](const QString& text) { emit message(text, origin_); });
  connect(link_.get(), &RadioLink::busyChanged, this, &LinkWorker::busyChanged);
  connect(link_.get(), &RadioLink::linkStateChanged, this, &LinkWorker::linkStateChanged);
  connect(link_.get(), &RadioLink::portLost, this, [this] { emit portLost(origin_); });
  connect(link_.get(), &RadioLink::beep, this, &LinkWorker::beep);
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
    emit finished(run(*request));
  }
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
  }
  result.portOpen = link.portOpen();
  return result;
}
