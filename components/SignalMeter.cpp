#include "components/SignalMeter.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace {

constexpr int kLampSize = 8;
constexpr int kGap = 4;
constexpr int kBarHeight = 9;
constexpr int kWidth = 120;
constexpr int kHeight = 14;
// Where S9 stands on the calibrated scale.
constexpr double kS9 =
    (0.0 - SignalMeter::kBottomDb) / (SignalMeter::kTopDb - SignalMeter::kBottomDb);

}  // namespace

SignalMeter::SignalMeter(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SignalMeter"));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setToolTip(QStringLiteral("Signal: no reading"));
  peakAge_.start();
}

QSize SignalMeter::sizeHint() const { return {kWidth, kHeight}; }

void SignalMeter::setReading(int raw, int rawMax, std::optional<double> dbOverS9,
                             std::optional<bool> squelchOpen, const QString& text) {
  valid_ = true;
  calibrated_ = dbOverS9.has_value();
  if (calibrated_) {
    level_ = (*dbOverS9 - kBottomDb) / (kTopDb - kBottomDb);
  } else {
    level_ = rawMax > 0 ? static_cast<double>(raw) / rawMax : 0.0;
  }
  level_ = std::clamp(level_, 0.0, 1.0);
  // The peak holds for a while, then falls to the level.
  if (level_ >= peak_ || peakAge_.elapsed() > kPeakHoldMs) {
    peak_ = level_;
    peakAge_.restart();
  }
  squelch_ = squelchOpen;
  QString tip = QStringLiteral("Signal: %1 (raw %2 of %3)").arg(text).arg(raw).arg(rawMax);
  if (dbOverS9) tip += QStringLiteral(", %1 dB relative to S9").arg(*dbOverS9, 0, 'f', 0);
  if (squelchOpen)
    tip += *squelchOpen ? QStringLiteral("; squelch open") : QStringLiteral("; squelch closed");
  setToolTip(tip);
  update();
}

void SignalMeter::clearReading() {
  valid_ = false;
  level_ = peak_ = 0;
  squelch_.reset();
  setToolTip(QStringLiteral("Signal: no reading"));
  update();
}

void SignalMeter::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const int barLeft = kLampSize + kGap;
  const QRect bar(barLeft, (height() - kBarHeight) / 2, width() - barLeft - 1, kBarHeight);

  // The squelch lamp: green while open, dark while closed, hollow when unknown.
  const QRect lamp(0, (height() - kLampSize) / 2, kLampSize, kLampSize);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(pal.color(QPalette::Mid));
  if (valid_ && squelch_) {
    p.setBrush(*squelch_ ? QColor(40, 200, 60) : pal.color(QPalette::Dark));
  } else {
    p.setBrush(Qt::NoBrush);
  }
  p.drawEllipse(lamp);
  p.setRenderHint(QPainter::Antialiasing, false);

  p.setPen(pal.color(QPalette::Mid));
  p.setBrush(pal.color(QPalette::Base));
  p.drawRect(bar);
  if (!valid_) {
    p.setPen(pal.color(QPalette::PlaceholderText));
    p.drawText(bar, Qt::AlignCenter, tr("no reading"));
    return;
  }
  const QRect inner = bar.adjusted(1, 1, 0, 0);
  const int filled = static_cast<int>(level_ * inner.width());
  // Green to S9, red above it on a calibrated scale.
  const int s9 = calibrated_ ? static_cast<int>(kS9 * inner.width()) : inner.width();
  p.fillRect(QRect(inner.left(), inner.top(), std::min(filled, s9), inner.height()),
             QColor(60, 170, 70));
  if (filled > s9) {
    p.fillRect(QRect(inner.left() + s9, inner.top(), filled - s9, inner.height()),
               QColor(210, 60, 50));
  }
  // The peak-hold tick.
  const int peakX = inner.left() + static_cast<int>(peak_ * inner.width());
  p.setPen(pal.color(QPalette::Text));
  p.drawLine(peakX, inner.top(), peakX, inner.bottom());
  // S9 mark on a calibrated scale.
  if (calibrated_) {
    p.setPen(pal.color(QPalette::Mid));
    p.drawLine(inner.left() + s9, bar.bottom() - 2, inner.left() + s9, bar.bottom());
  }
}
