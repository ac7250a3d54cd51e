#include "radio/SignalScanner.h"

#include <algorithm>

#include "radio/BandSurvey.h"
#include "radio/FrequencyText.h"
#include "radio/LinkRequest.h"
#include "radio/RadioSession.h"
#include "radio/ScanSearch.h"

namespace {

constexpr char kNoReading[] = "no reading from the radio";
constexpr char kAnswersAgain[] = "The radio answers again: the scan goes on.";
constexpr char kPortGone[] = "The radio's port went away: the scan has stopped.";

}  // namespace

SignalScanner::SignalScanner(RadioSession& session, QObject* parent)
    : QObject(parent), session_(session) {
  qRegisterMetaType<SignalScanner::Hit>();
  listenTimer_.setSingleShot(true);
  listenTimer_.setTimerType(Qt::PreciseTimer);
  connect(&listenTimer_, &QTimer::timeout, this, &SignalScanner::listenRead);
  pausedTimer_.setSingleShot(true);
  connect(&pausedTimer_, &QTimer::timeout, this, [this] {
    if (state_ == State::Paused) stepTo(position_);
  });
  connect(&priorityTimer_, &QTimer::timeout, this, [this] {
    priorityDue_ = true;
    // While listening elsewhere the priority channel is looked at now; while
    // scanning, at the next step.
    if (state_ == State::Listening && !returning_ && !onPriority_) {
      listenTimer_.stop();
      stepNext();
    }
  });
}

SignalScanner::~SignalScanner() = default;

int SignalScanner::settle() const {
  return settings_.settleMs >= 0 ? settings_.settleMs : session_.settleMs();
}

QString SignalScanner::start(scanning::ScanPlan plan, const Settings& settings) {
  stop();
  if (plan.isRange()) {
    const QString refusal = scanning::RangeRefusal(*plan.rangeSpec(), session_.tuningLimits());
    if (!refusal.isEmpty()) return refusal;
  }
  if (plan.empty()) return QStringLiteral("There is nothing to scan.");
  if (settings.priority) {
    // Kept from an earlier coverage (or edited by hand): refused, never sent.
    const scanning::TuningLimits limits = session_.tuningLimits();
    const qint64 hz = settings.priority->frequencyHz;
    if (hz < limits.lowestHz || hz > limits.highestHz) {
      return QStringLiteral("The priority channel %1 MHz lies outside the coverage (%2 to %3 MHz).")
          .arg(freqtext::ShownHz(hz).trimmed(), freqtext::ShownHz(limits.lowestHz).trimmed(),
               freqtext::ShownHz(limits.highestHz).trimmed());
    }
  }
  if (!session_.hasPort()) {
    return QStringLiteral("No port is configured: there is nothing to scan.");
  }
  if (!session_.canReadSquelch() && session_.canReadSignal() && !settings.thresholdRaw) {
    return QStringLiteral(
        "This radio tells its level only: set a threshold for what counts as a signal.");
  }
  // The operator's own command: a released port is taken back.
  session_.getPort(RadioSession::Origin::Operator);
  if (!session_.portUsable()) return QStringLiteral("The port is not open.");

  // One scan at a time.
  session_.scan().stopSearch();
  session_.scan().setTimerOn(false);
  session_.survey().cancel();

  plan_ = std::move(plan);
  settings_ = settings;
  ++run_;
  skipped_.clear();
  passes_ = 0;
  missed_ = 0;
  rate_ = 0;
  firstSerial_ = hitSerial_;
  onPriority_ = priorityDue_ = returning_ = false;
  stepsThisPass_ = 0;
  passClock_.start();
  session_.holdPolling(true);
  if (settings_.priority && settings_.priorityEveryMs > 0) {
    priorityTimer_.start(settings_.priorityEveryMs);
  }
  setState(State::Scanning);
  stepTo(std::clamp<qsizetype>(settings_.startAt, 0, plan_.size() - 1));
  return {};
}

void SignalScanner::stop() {
  if (state_ == State::Idle) return;
  ++run_;  // what is still on its way is dropped
  listenTimer_.stop();
  pausedTimer_.stop();
  priorityTimer_.stop();
  if (hit_) endHit();
  session_.holdPolling(false);
  setState(State::Idle);
}

void SignalScanner::skip() {
  if (state_ == State::Idle) return;
  leave(true);
}

void SignalScanner::lockout() {
  if (state_ == State::Idle) return;
  const scanning::ScanChannel channel = current();
  if (channel.channelId != 0) emit lockoutRequested(channel);
  leave(true);
}

void SignalScanner::resume() {
  if (state_ == State::Listening) leave(false);
}

void SignalScanner::leave(bool skip) {
  if (skip && !onPriority_) skipped_.insert(position_);
  if (state_ != State::Listening) return;  // a step is on its way: it goes on from there
  listenTimer_.stop();
  endHit();
  setState(State::Scanning);
  stepNext();
}

scanning::ScanChannel SignalScanner::current() const {
  if (onPriority_ && settings_.priority) return *settings_.priority;
  if (plan_.empty()) return {};
  return plan_.at(position_);
}

void SignalScanner::setState(State state) {
  if (state == state_) return;
  state_ = state;
  emit stateChanged(state);
}

qsizetype SignalScanner::nextPlace(qsizetype from) const {
  const qsizetype count = plan_.size();
  if (skipped_.size() >= count) return -1;
  for (qsizetype i = 1; i <= count; ++i) {
    const qsizetype place = (from + i) % count;
    if (!skipped_.contains(place)) return place;
  }
  return -1;
}

void SignalScanner::step(const scanning::ScanChannel& channel, int read) {
  const quint64 run = run_;
  session_.scanStep(channel, settle(), static_cast<RadioSession::StepRead>(read),
                    [this, run](const LinkResult& result) { onStep(result, run); });
}

void SignalScanner::stepTo(qsizetype position) {
  position_ = position;
  onPriority_ = false;
  emit channelChanged(position_, plan_.at(position_));
  // While scanning the squelch alone decides, unless a threshold asks for
  // the level too; the level is read once stopped.
  step(plan_.at(position_), int(settings_.thresholdRaw ? RadioSession::StepRead::Both
                                                       : RadioSession::StepRead::Squelch));
}

void SignalScanner::stepNext() {
  if (priorityDue_ && settings_.priority) {
    priorityDue_ = false;
    onPriority_ = true;
    emit channelChanged(position_, *settings_.priority);
    step(*settings_.priority, int(RadioSession::StepRead::Both));
    return;
  }
  if (state_ == State::Listening && hit_) {
    // Back from a priority check to the hit listened to.
    returning_ = true;
    onPriority_ = false;
    emit channelChanged(position_, plan_.at(position_));
    step(plan_.at(position_), int(RadioSession::StepRead::Both));
    return;
  }
  const qsizetype next = nextPlace(position_);
  if (next < 0) {
    stop();
    emit message(
        QStringLiteral("Every channel of this scan is passed over: the scan has stopped."));
    return;
  }
  ++stepsThisPass_;
  if (next <= position_) {
    ++passes_;
    const qint64 ms = passClock_.restart();
    if (ms > 0) rate_ = double(stepsThisPass_) * 1000.0 / double(ms);
    stepsThisPass_ = 0;
    emit passCompleted(passes_);
  }
  stepTo(next);
}

bool SignalScanner::portGone(const LinkResult& result) {
  if (result.portOpen) return false;
  stop();
  emit message(QString::fromLatin1(kPortGone));
  return true;
}

bool SignalScanner::heard(const LinkResult& result) const {
  if (result.carrier) return true;  // the carrier-detect line, where wired
  if (!result.answered) return false;
  if (settings_.thresholdRaw) {
    const bool strong = result.raw && *result.raw >= *settings_.thresholdRaw;
    return strong && result.squelchOpen.value_or(true);
  }
  return result.squelchOpen.value_or(false);
}

void SignalScanner::onStep(const LinkResult& result, quint64 run) {
  if (run != run_ || state_ == State::Idle) return;
  if (portGone(result)) return;
  if (!result.sent) {
    // This radio cannot tune the channel (a mode it lacks, outside what its
    // command carries): passed over, said once.
    if (onPriority_) {
      settings_.priority.reset();
      priorityTimer_.stop();
      onPriority_ = false;
    } else {
      skipped_.insert(position_);
    }
    if (!result.refusal.isEmpty()) emit message(result.refusal);
    stepNext();
    return;
  }
  const bool canTell = session_.canReadSignal() || session_.canReadSquelch();
  if (canTell && !result.answered && !result.carrier) {
    if (++missed_ >= kMissedBeforePause) {
      if (state_ != State::Paused) {
        setState(State::Paused);
        emit message(QString::fromLatin1(kNoReading));
      }
      pausedTimer_.start(kPausedRetryMs);
      return;
    }
    // Asked again on the same channel: one lost answer is no silence.
    if (onPriority_) {
      step(*settings_.priority, int(RadioSession::StepRead::Both));
    } else {
      stepTo(position_);
    }
    return;
  }
  missed_ = 0;
  if (state_ == State::Paused) {
    setState(State::Scanning);
    emit message(QString::fromLatin1(kAnswersAgain));
  }
  if (returning_) {
    // Back on the hit after a priority check that heard nothing.
    returning_ = false;
    hitTuning_ = result.tuning;
    listenTimer_.start(kListenReadMs);
    return;
  }
  if (heard(result)) {
    if (hit_) endHit();  // the priority channel takes over from the hit
    setState(State::Listening);
    // Whoever follows the hit may leave it at once (a skip, a lockout).
    startHit(result);
    if (state_ == State::Listening && hit_) listenTimer_.start(kListenReadMs);
    return;
  }
  if (state_ == State::Listening && hit_ && onPriority_) {
    // The priority channel is quiet: back to the hit.
    stepNext();
    return;
  }
  if (state_ == State::Listening) {
    // The priority channel was heard and is gone, or it was the hit itself.
    endHit();
    setState(State::Scanning);
  }
  onPriority_ = false;
  stepNext();
}

void SignalScanner::startHit(const LinkResult& result) {
  Hit hit;
  hit.serial = ++hitSerial_;
  hit.started = QDateTime::currentDateTime();
  hit.channel = current();
  if (hit.channel.mode.isEmpty()) hit.channel.mode = session_.tuneModeText();
  hit.peakRaw = result.raw;
  hit_ = hit;
  hitTuning_ = result.tuning;
  hitClock_.start();
  lastHeard_.start();
  emit hitStarted(*hit_);
}

void SignalScanner::endHit() {
  if (!hit_) return;
  hit_->durationMs = hitClock_.elapsed();
  hit_->ended = true;
  const Hit ended = *hit_;
  hit_.reset();
  emit hitEnded(ended);
}

void SignalScanner::listenRead() {
  if (state_ != State::Listening) return;
  const quint64 run = run_;
  session_.scanRead(RadioSession::StepRead::Both,
                    [this, run](const LinkResult& result) { onListen(result, run); });
}

void SignalScanner::onListen(const LinkResult& result, quint64 run) {
  if (run != run_ || state_ != State::Listening || !hit_ || returning_) return;
  if (portGone(result)) return;
  // Only a reading taken on the tuning the hit was heard on counts.
  if (result.tuning == hitTuning_) {
    if (result.raw && (!hit_->peakRaw || *result.raw > *hit_->peakRaw)) hit_->peakRaw = result.raw;
    if (heard(result)) lastHeard_.restart();
  }
  hit_->durationMs = hitClock_.elapsed();
  emit hitUpdated(*hit_);
  const bool gone = lastHeard_.elapsed() >= settings_.hangMs;
  const bool longEnough = settings_.maxListenMs > 0 && hitClock_.elapsed() >= settings_.maxListenMs;
  if (gone || longEnough) {
    endHit();
    setState(State::Scanning);
    onPriority_ = false;
    stepNext();
    return;
  }
  listenTimer_.start(kListenReadMs);
}
