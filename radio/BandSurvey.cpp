#include "radio/BandSurvey.h"

#include <QSaveFile>
#include <algorithm>

#include "radio/LinkRequest.h"
#include "radio/RadioSession.h"
#include "radio/Readings.h"
#include "radio/ScanSearch.h"
#include "radio/SignalScanner.h"

namespace {

// The most steps one survey holds (a range at a fine step is refused rather
// than kept in memory step by step).
constexpr qsizetype kMostSteps = 200000;

}  // namespace

BandSurvey::BandSurvey(RadioSession& session, QObject* parent)
    : QObject(parent), session_(session) {}

BandSurvey::~BandSurvey() = default;

QString BandSurvey::start(const scanning::RangeSpec& range, bool repeat, int settleMs) {
  cancel();
  const QString refusal = scanning::RangeRefusal(range, session_.tuningLimits());
  if (!refusal.isEmpty()) return refusal;
  const scanning::ScanPlan plan = scanning::ScanPlan::range(range);
  if (plan.size() > kMostSteps) {
    return QStringLiteral(
               "A survey takes at most %1 steps: choose a larger step or a narrower "
               "range.")
        .arg(kMostSteps);
  }
  if (!session_.hasPort())
    return QStringLiteral("No port is configured: there is nothing to read.");
  if (!session_.canReadSignal()) {
    return QStringLiteral("This radio does not tell its signal level: a survey needs it.");
  }
  session_.getPort(RadioSession::Origin::Operator);
  if (!session_.portUsable()) return QStringLiteral("The port is not open.");

  session_.scan().stopSearch();
  session_.scan().setTimerOn(false);
  session_.signalScanner().stop();

  range_ = range;
  plan_ = plan;
  repeat_ = repeat;
  settleMs_ = settleMs;
  protocol_ = session_.protocol();
  const readings::ProtocolReadings* radio = readings::forProtocol(protocol_);
  rawMax_ = radio ? radio->rawMax : 255;
  points_.assign(size_t(plan_.size()), Point());
  for (qsizetype i = 0; i < plan_.size(); ++i)
    points_[size_t(i)].frequencyHz = plan_.at(i).frequencyHz;
  sweeps_ = 0;
  next_ = 0;
  ++run_;
  running_ = true;
  session_.holdPolling(true);
  emit started();
  step();
  return {};
}

void BandSurvey::cancel() {
  if (!running_) return;
  ++run_;  // the step on its way is dropped
  running_ = false;
  session_.holdPolling(false);
  emit finished();
}

std::optional<double> BandSurvey::dbOverS9(int raw) const {
  const readings::ProtocolReadings* radio = readings::forProtocol(protocol_);
  if (!radio) return std::nullopt;
  return readings::dbRelativeToS9(*radio, raw);
}

void BandSurvey::step() {
  const quint64 run = run_;
  const int settle = settleMs_ >= 0 ? settleMs_ : session_.settleMs();
  session_.scanStep(plan_.at(next_), settle, RadioSession::StepRead::Level,
                    [this, run](const LinkResult& result) { onStep(result, run); });
}

void BandSurvey::onStep(const LinkResult& result, quint64 run) {
  if (run != run_ || !running_) return;
  if (!result.portOpen) {
    cancel();
    emit message(QStringLiteral("The radio's port went away: the survey has stopped."));
    return;
  }
  Point& point = points_[size_t(next_)];
  point.raw = result.answered ? result.raw : std::nullopt;
  point.squelchOpen = result.squelchOpen;
  if (point.raw && (!point.peak || *point.raw > *point.peak)) point.peak = point.raw;
  emit pointRead(next_);
  if (++next_ < plan_.size()) {
    step();
    return;
  }
  ++sweeps_;
  emit sweepFinished(sweeps_);
  if (!repeat_) {
    running_ = false;
    session_.holdPolling(false);
    emit finished();
    return;
  }
  next_ = 0;
  step();
}

QString BandSurvey::writeCsv(const QString& path) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    return QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
  }
  QByteArray text = "frequency_mhz,level_raw,peak_raw,level_db_over_s9,peak_db_over_s9\n";
  auto number = [](const std::optional<int>& v) {
    return v ? QByteArray::number(*v) : QByteArray();
  };
  auto db = [this](const std::optional<int>& v) {
    const std::optional<double> d = v ? dbOverS9(*v) : std::nullopt;
    return d ? QByteArray::number(*d, 'f', 1) : QByteArray();
  };
  for (const Point& p : points_) {
    text += QByteArray::number(double(p.frequencyHz) / 1e6, 'f', 5) + ',' + number(p.raw) + ',' +
            number(p.peak) + ',' + db(p.raw) + ',' + db(p.peak) + '\n';
  }
  if (file.write(text) != text.size() || !file.commit()) {
    return QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
  }
  return {};
}
