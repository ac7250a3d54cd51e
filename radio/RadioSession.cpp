// The radio session's lifecycle, its link thread and the tuning; levels,
// switches and presets are in RadioSessionLevels.cpp.

#include "radio/RadioSession.h"

#include <QMetaObject>
#include <algorithm>

#include "radio/BandSurvey.h"
#include "radio/FrequencyText.h"
#include "radio/LinkWorker.h"
#include "radio/PortAddress.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"
#include "radio/ScanHitLog.h"
#include "radio/ScanSearch.h"
#include "radio/SignalScanner.h"
#include "radio/TuneCommand.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

namespace {

constexpr char kNotValid[] = "Not a valid frequency.";
constexpr int kModeTextLength = 3;
constexpr double kDefaultStep = 0.0005;
constexpr int kLevelAtOpen = 128;

// The automatic step table, applied in order; a later matching row wins.
struct StepBand {
  double from;
  double to;
  bool toIncluded;
  double step;
};
constexpr StepBand kStepBands[] = {
    {25.0, 87.5, false, 0.05},    {87.5, 108.0, false, 0.1},    {108.0, 136.0, false, 0.0125},
    {136.0, 225.0, false, 0.005}, {225.0, 400.0, false, 0.1},   {400.0, 869.01, false, 0.0125},
    {824.0, 849.0, false, 0.03},  {870.03, 889.98, true, 0.03},
};
constexpr double kUnlistedStep = 0.0125;

}  // namespace

RadioSession::RadioSession(SettingsStore& store, QObject* parent)
    : QObject(parent), store_(store), scan_(std::make_unique<ScanSearch>(*this)) {
  // Until the first open, the tuning is what a link never opened holds: the
  // default frequency and mode.
  tuning_.frequencyText = tunedFrequency_ = requestedFrequency_ = settings_.frequency;
  tuning_.mode = tunedMode_ = requestedMode_ = settings_.mode;
  qRegisterMetaType<LinkResult>();
  qRegisterMetaType<RadioSession::Tuning>();
  makeScanners();
  startThread();
  retryTimer_.setSingleShot(true);
  connect(&retryTimer_, &QTimer::timeout, this, [this] {
    emit retryScheduled(0);
    if (portState_ == PortState::Released || portState_ == PortState::Failed) {
      savePcrLevels();
      queueOpen(LinkRequest::Kind::Open, Origin::Link, false);
    }
  });
}

RadioSession::~RadioSession() {
  if (!shutDown_) {
    // Whatever was asked is still sent; the port closes without power-off.
    push(LinkRequest(LinkRequest::Kind::Close), Origin::Operator);
    shutDown_ = true;
  }
  QMetaObject::invokeMethod(
      worker_,
      [worker = worker_] {
        worker->runQueued();
        delete worker;
        QThread::currentThread()->quit();
      },
      Qt::QueuedConnection);
  thread_.wait();
}

void RadioSession::startThread() {
  thread_.setObjectName(QStringLiteral("radio link"));
  worker_ = new LinkWorker(queue_);
  worker_->moveToThread(&thread_);
  worker_->link().moveToThread(&thread_);
  connect(worker_, &LinkWorker::finished, this, &RadioSession::onFinished);
  connect(worker_, &LinkWorker::message, this,
          [this](const QString& text, int origin) { emit message(text, Origin(origin)); });
  connect(worker_, &LinkWorker::busyChanged, this, &RadioSession::busyChanged);
  connect(worker_, &LinkWorker::linkStateChanged, this, &RadioSession::linkStateChanged);
  connect(worker_, &LinkWorker::beep, this, &RadioSession::beep);
  connect(worker_, &LinkWorker::portLost, this, [this](int) {
    // The device vanished: shown as released, so that the next command
    // takes it back.
    setPortState(PortState::Released);
  });
  connect(worker_, &LinkWorker::polled, this, &RadioSession::takeReading);
  thread_.start();
}

quint64 RadioSession::push(LinkRequest request, Origin origin, Completion done) {
  request.origin = static_cast<int>(origin);
  const std::vector<LinkRequest> dropped = queue_.push(request);
  for (const LinkRequest& old : dropped) {
    const auto it = pending_.find(old.id);
    if (it == pending_.end()) continue;
    Completion replaced = std::move(it->second);
    pending_.erase(it);
    LinkResult result;
    result.id = old.id;
    result.kind = old.kind;
    result.superseded = true;
    result.portOpen = portUsable();
    // Told after this call returns, as a result from the link would be.
    QMetaObject::invokeMethod(
        this, [replaced = std::move(replaced), result] { replaced(result); }, Qt::QueuedConnection);
  }
  if (done) pending_.emplace(request.id, std::move(done));
  if (request.retunes()) lastTuning_ = request.id;
  QMetaObject::invokeMethod(worker_, &LinkWorker::runQueued, Qt::QueuedConnection);
  return request.id;
}

void RadioSession::onFinished(const LinkResult& result) {
  using Kind = LinkRequest::Kind;
  if ((result.kind == Kind::Open || result.kind == Kind::Retake) && result.id == openRequest_) {
    if (portState_ == PortState::Opening) {
      setPortState(result.portOpen ? PortState::Open : PortState::Failed);
    }
    // The open reset what the link holds as tuned to the stored tuning.
    tunedFrequency_ = result.frequency;
    tunedMode_ = result.mode;
    // The link's levels after the open, unless the operator has moved one
    // since the open was asked for; an open of the whole link (not a port
    // taken back) also puts the sliders there.
    if (result.portOpen && levelChanges_ == levelsAtOpen_) {
      volumeKept_ = result.volume;
      squelchKept_ = result.squelch;
      ifShiftKept_ = result.ifShift;
      if (openShowsLevels_) {
        volumeShown_ = volumeKept_;
        squelchShown_ = squelchKept_;
        ifShiftShown_ = ifShiftKept_;
        emit levelsChanged();
      }
    }
  }
  if (result.kind == Kind::Read && result.id != 0) takeReading(result, !result.answered);
  if (result.kind == Kind::ScanStep) takeScanResult(result);
  if (result.kind == Kind::Tune && result.sent) {
    tunedFrequency_ = result.frequency;
    tunedMode_ = result.mode;
  }
  const auto it = pending_.find(result.id);
  if (it == pending_.end()) return;
  Completion done = std::move(it->second);
  pending_.erase(it);
  done(result);
}

void RadioSession::setCarrierLineOverride(std::function<bool()> line) {
  QMetaObject::invokeMethod(
      worker_, [worker = worker_, line = std::move(line)] { worker->setCarrierLineOverride(line); },
      Qt::BlockingQueuedConnection);
}

// ---------------------------------------------------------------------------
// Lifecycle and port

bool RadioSession::hasPort() const { return settings_.portName != QLatin1String(kNoPortName); }

bool RadioSession::portUsable() const {
  return portState_ == PortState::Open || portState_ == PortState::Opening;
}

const protocols::Capabilities& RadioSession::capabilities() const {
  return protocols::capabilities(settings_.protocol);
}

QString RadioSession::caption() const {
  return protocols::caption(settings_.portName, settings_.protocol);
}

QStringList RadioSession::modeList() const {
  // Asked at every scan step: the settings file is read once, not each time.
  if (modes_) return *modes_;
  QStringList modes;
  SettingsSession session(store_);
  for (const char* code : protocols::kModeCodes) {
    const QString mode = QString::fromLatin1(code);
    if (store_.ReadFlag(sn::kCoverage, QString::fromLatin1(sn::kSupportsPrefix) + mode, true)) {
      modes << mode;
    }
  }
  modes_ = modes;
  return modes;
}

void RadioSession::setPortState(PortState state) {
  if (state == portState_) return;
  portState_ = state;
  updatePolling();
  if (state == PortState::Open || state == PortState::None) {
    retryDelayMs_ = 0;
    retryTimer_.stop();
  } else if ((state == PortState::Failed || state == PortState::Released) && !releasedByOperator_ &&
             looksLikeNetworkAddress(settings_.portName)) {
    scheduleRetry();
  }
  if (state != PortState::Open && reading_.valid) {
    reading_ = Reading();
    emit readingChanged();
  }
  emit portStateChanged(state);
}

void RadioSession::queueOpen(LinkRequest::Kind kind, Origin origin, bool showLevels) {
  releasedByOperator_ = false;
  {
    SettingsSession session(store_);
    settings_ = ReadLinkSettings(store_);
    modes_.reset();
  }
  LinkRequest request(kind);
  // The first open puts the stored tuning into the link; later ones keep
  // what the link was tuned to (it is saved at the end of the run).
  request.keepTuning = opened_;
  if (!opened_) {
    requestedFrequency_ = settings_.frequency;
    requestedMode_ = settings_.mode;
  }
  opened_ = true;
  openShowsLevels_ = showLevels;
  readingRate_ = std::clamp(settings_.readingsPerSecond, 0, kMostReadingsPerSecond);
  request.settings = settings_;
  levelsAtOpen_ = levelChanges_;
  setPortState(hasPort() ? PortState::Opening : PortState::None);
  openRequest_ = push(request, origin);
  emit configurationChanged();
}

QString RadioSession::listedMode(const QString& mode) const {
  return modeList().contains(mode) ? mode : QString();
}

void RadioSession::open() {
  queueOpen(LinkRequest::Kind::Open, Origin::Operator, true);
  // The tuning restored from the settings, and the levels the open is
  // expected to give (a failed open keeps the ones there were).
  tunedFrequency_ = settings_.frequency;
  tunedMode_ = settings_.mode;
  tuning_.frequencyText = settings_.frequency;
  tuning_.mode = listedMode(settings_.mode);
  if (hasPort()) {
    const bool pcr = settings_.protocol == protocols::kPcr1000;
    volumeShown_ = volumeKept_ = pcr ? settings_.pcrVolume : kLevelAtOpen;
    squelchShown_ = squelchKept_ = pcr ? settings_.pcrSquelch : kLevelAtOpen;
    ifShiftShown_ = ifShiftKept_ = pcr ? settings_.pcrIfShift : kLevelAtOpen;
  }
  emit tuningChanged(tuning_, Origin::Operator);
  emit levelsChanged();
}

void RadioSession::saveTuning(const QString& frequency, const QString& mode) {
  SettingsSession session(store_);
  store_.WriteText(sn::kGeneral, sn::kFrequency, frequency);
  store_.WriteText(sn::kGeneral, sn::kMode, mode);
}

void RadioSession::savePcrLevels() {
  SettingsSession session(store_);
  store_.WriteNumber(sn::kPcr1000, sn::kPcr1000Volume, volumeKept_);
  store_.WriteNumber(sn::kPcr1000, sn::kPcr1000Squelch, squelchKept_);
  store_.WriteNumber(sn::kPcr1000, sn::kPcr1000IfShift, ifShiftKept_);
}

bool RadioSession::readPowerOff() {
  SettingsSession session(store_);
  return store_.ReadFlag(sn::kGeneral, sn::kPowerOff, false);
}

void RadioSession::reopen() {
  stopScans();
  // The radio running now is closed as at the end of the run: its tuning
  // and levels saved, its own power-off sequence when configured. A store
  // that fails is reported by the caller; the new connection opens all the
  // same.
  LinkRequest close(LinkRequest::Kind::Close);
  QString failure;
  try {
    close.on = readPowerOff();
    // The PCR1000 levels are the session's own: saved now, so that the new
    // connection's power-up reads them.
    if (settings_.protocol == protocols::kPcr1000) savePcrLevels();
  } catch (const SettingsError& error) {
    failure = error.message();
  }
  // The tuning is what the link holds when its turn comes.
  push(close, Origin::Operator, [this](const LinkResult& closed) {
    try {
      saveTuning(closed.frequency, closed.mode);
    } catch (const SettingsError& error) {
      emit message(error.message(), Origin::Operator);
    }
  });
  queueOpen(LinkRequest::Kind::Open, Origin::Operator, true);
  // The mode list may have changed: the tuning's mode is chosen again.
  tuning_.mode = listedMode(tunedMode_);
  emit tuningChanged(tuning_, Origin::Operator);
  if (!failure.isEmpty()) throw SettingsError(failure);
}

void RadioSession::shutdown() {
  if (shutDown_) return;
  stopScans();
  shutDown_ = true;
  // What the link is tuned to once everything asked has gone out: the end
  // of the run waits for it.
  LinkWorker::Tuned tuned;
  QMetaObject::invokeMethod(
      worker_, [this, &tuned] { tuned = worker_->drain(); }, Qt::BlockingQueuedConnection);
  LinkRequest close(LinkRequest::Kind::Close);
  // "Power Off" as read when the link was opened: the window's settings are
  // saved before this, and a store that could not take them must not keep
  // the radio on.
  close.on = settings_.powerOff;
  try {
    saveTuning(tuned.frequency, tuned.mode);
    if (settings_.protocol == protocols::kPcr1000) savePcrLevels();
  } catch (const SettingsError&) {
    push(close, Origin::Operator);
    throw;
  }
  push(close, Origin::Operator);
}

void RadioSession::scheduleRetry() {
  if (shutDown_) return;
  retryDelayMs_ = retryDelayMs_ == 0 ? kFirstRetryMs : std::min(2 * retryDelayMs_, kLongestRetryMs);
  retryTimer_.start(retryDelayMs_);
  emit retryScheduled(retryDelayMs_ / 1000);
}

void RadioSession::releasePort() {
  // The operator let go of it: nothing takes it back by itself.
  releasedByOperator_ = true;
  retryTimer_.stop();
  emit retryScheduled(0);
  savePcrLevels();
  // Without a port ("Internet") the link holds nothing to let go of.
  if (hasPort()) push(LinkRequest(LinkRequest::Kind::Release), Origin::Operator);
  setPortState(PortState::Released);
}

void RadioSession::retakePort() {
  savePcrLevels();
  queueOpen(LinkRequest::Kind::Open, Origin::Operator, false);
}

void RadioSession::getPort(Origin origin) {
  if (portState_ != PortState::Released) return;
  savePcrLevels();
  queueOpen(LinkRequest::Kind::Retake, origin, false);
}

// ---------------------------------------------------------------------------
// Tuning

void RadioSession::setTuning(const Tuning& tuning, Origin origin) {
  tuning_ = tuning;
  emit tuningChanged(tuning_, origin);
}

bool RadioSession::withinCoverage(const QString& text) const {
  QString checked = text;
  return freqtext::ValidateFrequencyText(checked, freqtext::kStoredWidth, freqtext::kDecimals,
                                         settings_.lowestMhz, settings_.highestMhz);
}

RadioSession::Result RadioSession::tune(const QString& frequencyText, const QString& modeText,
                                        Origin origin, Completion done) {
  if (!withinCoverage(frequencyText)) return {Outcome::Refused, QString::fromLatin1(kNotValid)};
  // A tuning of the operator's own (or another program's) ends a signal scan
  // or a survey: the listener wants to hear this frequency.
  if (origin == Origin::Operator || origin == Origin::Remote) {
    signalScanner_->stop();
    survey_->cancel();
  }
  getPort(origin);

  QString text = frequencyText;
  double value = 0;
  if (text.size() > freqtext::kShownWidth) {
    // A longer text (leading zeros or blanks) goes out in its shown form,
    // which always fits.
    freqtext::ParseNumber(text, &value);
    text = freqtext::ShownMhz(value);
  }
  const QString mode = modeText.left(kModeTextLength);
  tuneModeText_ = mode;

  Result result;
  if (!portUsable()) {
    result.outcome = Outcome::NoPort;
  } else {
    encoders::TuneParameters parameters;
    parameters.protocol = settings_.protocol;
    parameters.civAddress = settings_.civAddress;
    parameters.ic735 = settings_.ic735;
    parameters.pcrDefaultAmFilter = settings_.pcrDefaultAmFilter;
    const encoders::TuneCommand command = encoders::EncodeTuning(parameters, text, mode);
    // The radio cannot take this request: nothing is sent.
    if (!command.refusal.isEmpty()) return {Outcome::Refused, command.refusal};
    requestedFrequency_ = command.frequencyText;
    requestedMode_ = mode;
    if (command.filterIndex >= 0) filterIndex_ = command.filterIndex;
    LinkRequest request;
    request.kind = LinkRequest::Kind::Tune;
    request.text = text;
    request.mode = mode;
    push(request, origin, std::move(done));
  }
  if (result.outcome == Outcome::NoPort && done) {
    LinkResult none;
    none.kind = LinkRequest::Kind::Tune;
    QMetaObject::invokeMethod(
        this, [done = std::move(done), none] { done(none); }, Qt::QueuedConnection);
  }

  Tuning shown = tuning_;
  shown.frequencyText = freqtext::ParseNumber(text, &value) ? freqtext::ShownMhz(value) : text;
  shown.mode = modeText;
  shown.filterIndex = filterIndex_;
  setTuning(shown, origin);
  emit tuned(shown.frequencyText, origin);
  return result;
}

RadioSession::Result RadioSession::tuneRow(const Tuning& row, Origin origin, Completion done) {
  setTuning(row, origin);
  return tune(row.frequencyText, row.mode, origin, std::move(done));
}

void RadioSession::tuneUnchecked(const QString& frequencyText, const QString& mode,
                                 Completion done) {
  tuneModeText_ = mode;
  if (portUsable()) {
    LinkRequest request;
    request.kind = LinkRequest::Kind::Tune;
    request.text = frequencyText;
    request.mode = mode;
    push(request, Origin::Scan, std::move(done));
  } else if (done) {
    LinkResult none;
    none.kind = LinkRequest::Kind::Tune;
    QMetaObject::invokeMethod(
        this, [done = std::move(done), none] { done(none); }, Qt::QueuedConnection);
  }
  Tuning shown = tuning_;
  shown.frequencyText = frequencyText;
  setTuning(shown, Origin::Scan);
}

RadioSession::Result RadioSession::tuneChannel(const Tuning& row, Origin origin) {
  // Refused, nothing of it is applied, the tuning row included.
  const Result result = tune(row.frequencyText, row.mode, origin);
  if (result.outcome == Outcome::Refused || row.filterIndex < 0 || !capabilities().filters ||
      row.filterIndex == filterIndex_) {
    return result;
  }
  // Not the filter list's own choice: the row is shown with the filter.
  Tuning shown = tuning_;
  shown.filterIndex = row.filterIndex;
  setTuning(shown, origin);
  setFilter(row.filterIndex, origin);
  return result;
}

void RadioSession::setFilter(int index, Origin origin, Completion done) {
  getPort(origin);
  Tuning shown = tuning_;
  shown.filterIndex = index;
  if (origin == Origin::Operator) {
    // The operator's filter list shows the choice already, and the frequency
    // field keeps whatever the operator may be typing.
    tuning_ = shown;
  } else {
    setTuning(shown, origin);
  }
  if (!capabilities().filters || !portUsable()) {
    if (done) {
      LinkResult none;
      none.kind = LinkRequest::Kind::Filter;
      none.portOpen = portUsable();
      QMetaObject::invokeMethod(
          this, [done = std::move(done), none] { done(none); }, Qt::QueuedConnection);
    }
    return;
  }
  encoders::TuneParameters parameters;
  parameters.protocol = settings_.protocol;
  parameters.pcrDefaultAmFilter = settings_.pcrDefaultAmFilter;
  const encoders::TuneCommand command =
      encoders::EncodePcrFilter(parameters, requestedFrequency_, requestedMode_, index);
  if (command.refusal.isEmpty()) filterIndex_ = command.filterIndex;
  LinkRequest request;
  request.kind = LinkRequest::Kind::Filter;
  request.value = index;
  push(request, origin, std::move(done));
}

bool RadioSession::step(bool up, const QString& fromText, const QString& mode, Origin origin,
                        Result* result, QString* stepText) {
  if (stepSize_ == 0) stepSize_ = kDefaultStep;
  double value = 0;
  if (!freqtext::ParseNumber(fromText, &value)) return false;
  value += up ? stepSize_ : -stepSize_;
  Tuning row = tuning_;
  row.frequencyText = freqtext::ShownMhz(value);
  row.mode = mode;
  if (stepText != nullptr) *stepText = row.frequencyText;
  *result = tuneRow(row, origin);
  return true;
}

void RadioSession::autoStepSize(const QString& frequencyText) {
  double f = 0;
  if (!freqtext::ParseNumber(frequencyText, &f)) return;
  double step = 0;
  for (const StepBand& band : kStepBands) {
    if (f >= band.from && (f < band.to || (band.toIncluded && f == band.to))) step = band.step;
  }
  stepSize_ = step == 0 ? kUnlistedStep : step;
}
