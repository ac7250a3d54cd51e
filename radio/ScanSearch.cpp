#include "radio/ScanSearch.h"

#include <chrono>

#include "radio/FrequencyText.h"
#include "radio/RadioSession.h"

namespace {

constexpr char kScanMode[] = "FMN";
constexpr int kPassCountMs = 1000;  // the count shown is that of one second
// A search pass that sent nothing (a signal holds it, no port is open, the
// shown text is no number) waits as long as a tuning takes before the next
// pass, so that it does not spin the processor.
constexpr int kIdlePassMs = 51;
// Half the last shown decimal: a frequency this close to a limit counts as on
// it, whatever the binary rounding of the sum.
constexpr double kHalfLastDigit = 0.000005;

qint64 TickCount() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ScanSearch::ScanSearch(RadioSession& session, QObject* parent)
    : QObject(parent), session_(session) {
  // A coarse timer may fire up to 5 % early: the tick comes a whole second
  // after the last one, never sooner.
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &ScanSearch::tick);
}

ScanSearch::~ScanSearch() = default;

void ScanSearch::setLimits(const QString& lower, const QString& upper) {
  lower_ = lower;
  upper_ = upper;
}

void ScanSearch::setTimerOn(bool on) {
  if (on == timer_.isActive()) return;
  if (on) {
    timer_.start();
  } else {
    timer_.stop();
  }
  emit timerChanged(on);
}

void ScanSearch::choose(Choice choice) {
  const bool changed = choice != choice_;
  choice_ = choice;
  if (changed) emit choiceChanged(choice);
  setTimerOn(false);
  if (choice == Choice::Manual) {
    if (searching_) {
      searching_ = false;
      ++searchRun_;
    }
    return;
  }
  // A search that is running goes on: choosing "Search" again starts no
  // second one beside it.
  if (choice != Choice::Search || searching_) return;
  searching_ = true;
  ++searchRun_;
  searchPass();
}

void ScanSearch::stopSearch() {
  if (searching_) choose(Choice::Manual);
}

void ScanSearch::countPass() {
  ++passCount_;
  const qint64 now = TickCount();
  if (now >= passTickStart_ + kPassCountMs) {
    emit passesCounted(passCount_);
    passTickStart_ = now;
    passCount_ = 1;
  }
}

QString ScanSearch::nextFrequency(double step) const {
  double value = 0;
  if (!freqtext::ParseNumber(session_.tuning().frequencyText, &value)) return {};
  double lower = session_.lowestMhz();
  double upper = session_.highestMhz();
  double panelLower = 0;
  double panelUpper = 0;
  if (freqtext::ParseNumber(lower_, &panelLower) && freqtext::ParseNumber(upper_, &panelUpper) &&
      panelLower >= lower && panelUpper <= upper && panelLower < panelUpper) {
    lower = panelLower;
    upper = panelUpper;
  }
  double next = value + step;
  if (next > upper + kHalfLastDigit || next < lower - kHalfLastDigit) next = lower;
  return freqtext::FormatFixed(next, freqtext::kDecimals, freqtext::kShownWidth);
}

void ScanSearch::tick() {
  countPass();
  session_.readCarrier([this](const LinkResult& reading) {
    if (reading.carrier && !skip_) {
      emit signalChanged(true);
      return;
    }
    emit signalChanged(false);
    if (choice_ != Choice::Scan) return;
    const QString next = nextFrequency(kScanStepMhz);
    if (next.isEmpty()) return;
    // Sends nothing while the port is closed; the scan goes on all the same.
    session_.tuneUnchecked(next, QString::fromLatin1(kScanMode), {});
    skip_ = false;
  });
}

void ScanSearch::scheduleSearchPass(int delayMs) {
  const quint64 run = searchRun_;
  QTimer::singleShot(delayMs, this, [this, run] {
    if (searching_ && run == searchRun_) searchPass();
  });
}

void ScanSearch::searchPass() {
  countPass();
  const quint64 run = searchRun_;
  session_.readCarrier([this, run](const LinkResult& reading) {
    if (!searching_ || run != searchRun_) return;
    if (reading.carrier) {
      emit signalChanged(true);
      scheduleSearchPass(kIdlePassMs);
      return;
    }
    emit signalChanged(false);
    const QString next = nextFrequency(kSearchStepMhz);
    if (next.isEmpty()) {
      scheduleSearchPass(kIdlePassMs);
      return;
    }
    session_.tuneUnchecked(next, session_.tuneModeText(), [this, run](const LinkResult& tuned) {
      if (!searching_ || run != searchRun_) return;
      scheduleSearchPass(tuned.sent ? 0 : kIdlePassMs);
    });
  });
}
