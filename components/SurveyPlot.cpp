#include "components/SurveyPlot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

// Room for the level labels on the left and the frequency labels below.
constexpr int kLeftMargin = 34;
constexpr int kBottomMargin = 18;
constexpr int kTopMargin = 8;
constexpr int kRightMargin = 10;
// A press that moves less than this is a click, not a drag.
constexpr int kDragSlop = 4;
// The narrowest view, in steps; a notch of the wheel zooms by this factor.
constexpr double kFewestSteps = 4;
constexpr double kWheelFactor = 0.8;
constexpr int kLevelDivisions = 4;
constexpr int kFrequencyTicks = 6;

// A tick spacing of 1, 2 or 5 times a power of ten near span / ticks.
qint64 TickSpacing(double spanHz, int ticks) {
  const double rough = std::max(spanHz / ticks, 1.0);
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= rough) return qint64(factor * power);
  }
  return qint64(10 * power);
}

// As many decimals of MHz as a tick spacing needs.
int MhzDecimals(qint64 tickHz) {
  return std::clamp(int(std::ceil(6.0 - std::log10(double(tickHz)))), 0, 6);
}

QString Mhz(double hz, int decimals) { return QString::number(hz / 1e6, 'f', decimals); }

}  // namespace

SurveyPlot::SurveyPlot(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SurveyPlot"));
  setMouseTracking(true);
  setAutoFillBackground(false);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setCursor(Qt::CrossCursor);
}

QColor SurveyPlot::levelColor() { return QColor(30, 110, 215); }
QColor SurveyPlot::peakColor() { return QColor(235, 125, 20); }
QColor SurveyPlot::markerColor() { return QColor(60, 150, 60); }

QSize SurveyPlot::sizeHint() const { return {640, 260}; }
QSize SurveyPlot::minimumSizeHint() const { return {240, 120}; }

void SurveyPlot::reset(qint64 startHz, qint64 stepHz, qsizetype count, int rawMax) {
  startHz_ = startHz;
  stepHz_ = std::max<qint64>(stepHz, 1);
  rawMax_ = std::max(rawMax, 1);
  levels_.assign(size_t(std::max<qsizetype>(count, 0)), std::nullopt);
  peaks_ = levels_;
  position_ = -1;
  resetZoom();
}

void SurveyPlot::setPoint(qsizetype index, std::optional<int> level, std::optional<int> peak) {
  if (index < 0 || size_t(index) >= levels_.size()) return;
  levels_[size_t(index)] = level;
  peaks_[size_t(index)] = peak;
  update();
}

void SurveyPlot::setSweepPosition(qsizetype index) {
  position_ = index;
  update();
}

void SurveyPlot::setThreshold(std::optional<int> raw) {
  threshold_ = raw;
  update();
}

void SurveyPlot::setMarkers(QList<Marker> markers) {
  markers_ = std::move(markers);
  update();
}

void SurveyPlot::setLevelText(std::function<QString(int)> text) { levelText_ = std::move(text); }

void SurveyPlot::resetZoom() {
  const qint64 last = startHz_ + qint64(std::max<size_t>(levels_.size(), 1) - 1) * stepHz_;
  viewFrom_ = startHz_ - stepHz_ / 2;
  viewTo_ = last + stepHz_ - stepHz_ / 2;
  update();
}

void SurveyPlot::zoomTo(qint64 fromHz, qint64 toHz) {
  const qint64 fullFrom = startHz_ - stepHz_ / 2;
  const qint64 fullTo =
      startHz_ + qint64(std::max<size_t>(levels_.size(), 1) - 1) * stepHz_ + stepHz_ / 2;
  if (toHz < fromHz) std::swap(fromHz, toHz);
  const qint64 narrowest = std::min(qint64(kFewestSteps * double(stepHz_)), fullTo - fullFrom);
  if (toHz - fromHz < narrowest) {
    const qint64 middle = fromHz + (toHz - fromHz) / 2;
    fromHz = middle - narrowest / 2;
    toHz = fromHz + narrowest;
  }
  // Shifted back inside the plan rather than cut, so the span is kept.
  if (fromHz < fullFrom) {
    toHz += fullFrom - fromHz;
    fromHz = fullFrom;
  }
  if (toHz > fullTo) {
    fromHz = std::max(fullFrom, fromHz - (toHz - fullTo));
    toHz = fullTo;
  }
  viewFrom_ = fromHz;
  viewTo_ = std::max(toHz, fromHz + 1);
  update();
}

QRect SurveyPlot::plotArea() const {
  return rect().adjusted(kLeftMargin, kTopMargin, -kRightMargin, -kBottomMargin);
}

int SurveyPlot::xOf(qint64 hz) const {
  const QRect area = plotArea();
  const double at = double(hz - viewFrom_) / double(viewTo_ - viewFrom_);
  return area.left() + int(std::lround(at * (area.width() - 1)));
}

int SurveyPlot::yOf(double raw) const {
  const QRect area = plotArea();
  const double at = std::clamp(raw / rawMax_, 0.0, 1.0);
  return area.bottom() - int(std::lround(at * (area.height() - 1)));
}

double SurveyPlot::hzAt(int x) const {
  const QRect area = plotArea();
  const double at = double(x - area.left()) / std::max(area.width() - 1, 1);
  return double(viewFrom_) + at * double(viewTo_ - viewFrom_);
}

qsizetype SurveyPlot::stepAt(int x) const {
  if (levels_.empty()) return -1;
  const double step = std::round((hzAt(x) - double(startHz_)) / double(stepHz_));
  return qsizetype(std::clamp(step, 0.0, double(levels_.size() - 1)));
}

void SurveyPlot::drawGrid(QPainter& p, const QRect& area) const {
  const QPalette& pal = palette();
  const QColor text = pal.color(QPalette::Text);
  for (int i = 0; i <= kLevelDivisions; ++i) {
    const int raw = rawMax_ * i / kLevelDivisions;
    const int y = yOf(raw);
    p.setPen(QPen(pal.color(QPalette::Mid), 0, Qt::DotLine));
    p.drawLine(area.left(), y, area.right(), y);
    p.setPen(text);
    p.drawText(QRect(0, y - 8, kLeftMargin - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(raw));
  }
  const qint64 tick = TickSpacing(double(viewTo_ - viewFrom_), kFrequencyTicks);
  const int decimals = MhzDecimals(tick);
  const qint64 first = qint64(std::ceil(double(viewFrom_) / double(tick))) * tick;
  for (qint64 hz = first; hz <= viewTo_; hz += tick) {
    const int x = xOf(hz);
    p.setPen(QPen(pal.color(QPalette::Mid), 0, Qt::DotLine));
    p.drawLine(x, area.top(), x, area.bottom());
    p.setPen(text);
    p.drawText(QRect(x - 40, area.bottom() + 2, 80, kBottomMargin - 2),
               Qt::AlignHCenter | Qt::AlignTop, Mhz(double(hz), decimals));
  }
}

void SurveyPlot::drawTrace(QPainter& p, const std::vector<std::optional<int>>& values,
                           const QColor& color, bool filled) const {
  if (values.empty()) return;
  const QRect area = plotArea();
  // Only the steps in view, and at most one place a pixel column: the
  // highest level of the steps that fall into it, so that a narrow station
  // never drops out of a wide view.
  const auto first =
      qsizetype(std::max(0.0, std::floor(double(viewFrom_ - startHz_) / double(stepHz_)) - 1));
  const auto last = qsizetype(std::min(
      double(values.size() - 1), std::ceil(double(viewTo_ - startHz_) / double(stepHz_)) + 1));
  QList<QPolygonF> runs;
  QPolygonF run;
  auto endRun = [&runs, &run] {
    if (!run.isEmpty()) runs << run;
    run.clear();
  };
  for (qsizetype i = first; i <= last; ++i) {
    const std::optional<int>& value = values[size_t(i)];
    if (!value) {
      endRun();
      continue;
    }
    const QPointF point(xOf(startHz_ + i * stepHz_), yOf(*value));
    if (!run.isEmpty() && int(run.last().x()) == int(point.x())) {
      run.last().setY(std::min(run.last().y(), point.y()));
    } else {
      run << point;
    }
  }
  endRun();
  p.save();
  p.setClipRect(area);
  for (const QPolygonF& line : runs) {
    if (filled) {
      QPolygonF shape = line;
      shape << QPointF(line.last().x(), area.bottom()) << QPointF(line.first().x(), area.bottom());
      QColor fill = color;
      fill.setAlpha(80);
      p.setPen(Qt::NoPen);
      p.setBrush(fill);
      p.drawPolygon(shape);
    }
    p.setPen(QPen(color, 1.5));
    p.setBrush(Qt::NoBrush);
    if (line.size() == 1) {
      p.drawLine(line.first(), QPointF(line.first().x(), area.bottom()));
    } else {
      p.drawPolyline(line);
    }
  }
  p.restore();
}

void SurveyPlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const QRect area = plotArea();
  p.fillRect(rect(), pal.color(QPalette::Window));
  p.fillRect(area, pal.color(QPalette::Base));
  drawGrid(p, area);

  p.save();
  p.setClipRect(area);
  const QColor markerColor = SurveyPlot::markerColor();
  for (const Marker& marker : markers_) {
    const int x = xOf(marker.frequencyHz);
    p.setPen(QPen(markerColor, 0, Qt::DashLine));
    p.drawLine(x, area.top(), x, area.bottom());
    p.setPen(Qt::NoPen);
    p.setBrush(markerColor);
    p.drawPolygon(QPolygon(
        {QPoint(x - 4, area.top()), QPoint(x + 4, area.top()), QPoint(x, area.top() + 6)}));
  }
  if (position_ >= 0) {
    const int x = xOf(startHz_ + position_ * stepHz_);
    p.setPen(QPen(pal.color(QPalette::Dark), 0));
    p.drawLine(x, area.top(), x, area.bottom());
  }
  p.restore();

  drawTrace(p, levels_, levelColor(), true);
  p.setRenderHint(QPainter::Antialiasing);
  drawTrace(p, peaks_, peakColor(), false);
  p.setRenderHint(QPainter::Antialiasing, false);

  if (threshold_) {
    const int y = yOf(*threshold_);
    p.setPen(QPen(QColor(200, 30, 30), 1, Qt::DashLine));
    p.drawLine(area.left(), y, area.right(), y);
  }
  if (pressedAt_ && std::abs(dragTo_.x() - pressedAt_->x()) > kDragSlop) {
    const int left = std::min(pressedAt_->x(), dragTo_.x());
    const int right = std::max(pressedAt_->x(), dragTo_.x());
    QColor band = pal.color(QPalette::Highlight);
    band.setAlpha(60);
    p.fillRect(QRect(left, area.top(), right - left, area.height()), band);
  }
  p.setPen(pal.color(QPalette::Mid));
  p.setBrush(Qt::NoBrush);
  p.drawRect(area.adjusted(0, 0, -1, -1));
}

void SurveyPlot::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / double(QWheelEvent::DefaultDeltasPerStep);
  if (notches == 0 || levels_.empty()) return;
  const double factor = std::pow(kWheelFactor, notches);
  const double pivot = hzAt(int(event->position().x()));
  const double from = pivot - (pivot - double(viewFrom_)) * factor;
  const double to = pivot + (double(viewTo_) - pivot) * factor;
  zoomTo(std::llround(from), std::llround(to));
  event->accept();
}

void SurveyPlot::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressedAt_ = event->position().toPoint();
  dragTo_ = *pressedAt_;
}

void SurveyPlot::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (pressedAt_) {
    dragTo_ = at;
    update();
    return;
  }
  showTip(at);
}

void SurveyPlot::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressedAt_) return;
  const QPoint from = *pressedAt_;
  const QPoint to = event->position().toPoint();
  pressedAt_.reset();
  if (std::abs(to.x() - from.x()) > kDragSlop) {
    zoomTo(std::llround(hzAt(from.x())), std::llround(hzAt(to.x())));
    return;
  }
  update();
  const qsizetype step = stepAt(to.x());
  if (step >= 0 && plotArea().contains(to)) emit frequencyClicked(startHz_ + step * stepHz_);
}

void SurveyPlot::showTip(const QPoint& at) {
  const qsizetype step = stepAt(at.x());
  if (step < 0 || !plotArea().contains(at)) {
    QToolTip::hideText();
    return;
  }
  auto describe = [this](const std::optional<int>& raw) {
    if (!raw) return QStringLiteral("not read");
    return levelText_ ? levelText_(*raw) : QString::number(*raw);
  };
  QString tip = QStringLiteral("%1 MHz: %2, peak %3")
                    .arg(Mhz(double(startHz_ + step * stepHz_), 5), describe(levels_[size_t(step)]),
                         describe(peaks_[size_t(step)]));
  for (const Marker& marker : markers_) {
    if (std::llabs(marker.frequencyHz - (startHz_ + step * stepHz_)) <= stepHz_ / 2) {
      tip +=
          QLatin1Char('\n') + (marker.name.isEmpty() ? QStringLiteral("(channel)") : marker.name);
    }
  }
  QToolTip::showText(mapToGlobal(at), tip, this);
}
