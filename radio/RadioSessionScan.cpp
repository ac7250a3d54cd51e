// The radio session's part in the signal scan and the band survey: the scan
// step that tunes, settles and reads in one request on the link's thread, the
// readings while listening, and the checks a scan plan needs.

#include <QMetaObject>
#include <cmath>

#include "radio/BandSurvey.h"
#include "radio/Capabilities.h"
#include "radio/FrequencyText.h"
#include "radio/LinkWorker.h"
#include "radio/RadioSession.h"
#include "radio/Readings.h"
#include "radio/ScanHitLog.h"
#include "radio/ScanSearch.h"
#include "radio/SignalScanner.h"

namespace {

int ReadsOf(RadioSession::StepRead read) {
  switch (read) {
    case RadioSession::StepRead::Squelch:
      return LinkRequest::kReadSquelch;
    case RadioSession::StepRead::Level:
      return LinkRequest::kReadLevel;
    case RadioSession::StepRead::Both:
      break;
  }
  return LinkRequest::kReadBoth;
}

}  // namespace

void RadioSession::makeScanners() {
  signalScanner_ = std::make_unique<SignalScanner>(*this);
  hitLog_ = std::make_unique<ScanHitLog>();
  hitLog_->follow(*signalScanner_);
  hitLog_->setLevelText([this](int raw) { return levelText(raw); });
  survey_ = std::make_unique<BandSurvey>(*this);
}

scanning::TuningLimits RadioSession::tuningLimits() const {
  scanning::TuningLimits limits;
  limits.lowestHz = std::llround(settings_.lowestMhz * 1e6);
  limits.highestHz = std::llround(settings_.highestMhz * 1e6);
  limits.resolutionHz = protocols::capabilities(settings_.protocol).resolutionHz;
  return limits;
}

int RadioSession::settleMs() const {
  return settings_.settleMs >= 0 ? settings_.settleMs : readings::settleMs(settings_.protocol);
}

void RadioSession::scanStep(const scanning::ScanChannel& channel, int settle, StepRead read,
                            Completion done) {
  const QString mode = channel.mode.isEmpty() ? tuneModeText_ : channel.mode;
  const QString text = freqtext::ShownHz(channel.frequencyHz);
  Tuning shown = tuning_;
  shown.frequencyText = text;
  if (modeList().contains(mode)) shown.mode = mode;
  if (channel.filterIndex >= 0) shown.filterIndex = channel.filterIndex;
  if (!portUsable()) {
    // Nothing can be sent: the caller is told as the link would tell it.
    LinkResult none;
    none.kind = LinkRequest::Kind::ScanStep;
    QMetaObject::invokeMethod(
        this, [done = std::move(done), none] { done(none); }, Qt::QueuedConnection);
    return;
  }
  tuneModeText_ = mode;
  requestedFrequency_ = text;
  requestedMode_ = mode;
  LinkRequest request(LinkRequest::Kind::ScanStep);
  request.text = text;
  request.mode = mode;
  request.value = channel.filterIndex;
  request.settleMs = settle;
  request.read = ReadsOf(read);
  push(request, Origin::Scan, std::move(done));
  setTuning(shown, Origin::Scan);
}

void RadioSession::scanRead(StepRead read, Completion done) {
  LinkRequest request(LinkRequest::Kind::Read);
  request.read = ReadsOf(read);
  push(request, Origin::Scan, std::move(done));
}

void RadioSession::holdPolling(bool hold) {
  if (hold == pollingHeld_) return;
  pollingHeld_ = hold;
  updatePolling();
}

void RadioSession::stopScans() {
  signalScanner_->stop();
  survey_->cancel();
  scan_->stopSearch();
  scan_->setTimerOn(false);
}

void RadioSession::takeScanResult(const LinkResult& result) {
  if (result.sent) {
    tunedFrequency_ = result.frequency;
    tunedMode_ = result.mode;
    if (result.filterIndex >= 0) filterIndex_ = result.filterIndex;
  }
  // What the step read is the latest reading, for the meter and for remote
  // programs asking during a scan.
  takeReading(result, !result.answered);
}
