#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

// Level against frequency for a band survey: the last sweep as a filled
// trace, the highest level seen at each step as a line above it (peak hold),
// the threshold as a dashed line, the channels of a list as markers, and
// where the sweep stands now. The wheel zooms about the pointer, a drag
// zooms to the span dragged over, and a click asks for the step under the
// pointer to be tuned. Levels are on the radio's raw scale (0..rawMax).
class SurveyPlot : public QWidget {
  Q_OBJECT

 public:
  struct Marker {
    qint64 frequencyHz = 0;
    QString name;
  };

  explicit SurveyPlot(QWidget* parent = nullptr);

  // A new sweep plan: `count` steps from startHz, stepHz apart; every level
  // is cleared and the zoom reset.
  void reset(qint64 startHz, qint64 stepHz, qsizetype count, int rawMax);
  // A step's level in the last sweep and its peak (unset: not read).
  void setPoint(qsizetype index, std::optional<int> level, std::optional<int> peak);
  // The step being read now; -1: none (the sweep ended).
  void setSweepPosition(qsizetype index);
  void setThreshold(std::optional<int> raw);
  void setMarkers(QList<Marker> markers);
  // How a raw level is described in the pointer's tooltip ("S7 (-12 dB)").
  void setLevelText(std::function<QString(int)> text);

  // The frequencies shown from the left edge to the right edge.
  qint64 viewFromHz() const { return viewFrom_; }
  qint64 viewToHz() const { return viewTo_; }
  void zoomTo(qint64 fromHz, qint64 toHz);
  void resetZoom();

  // Where a frequency and a level are drawn (for the tests that look at the
  // picture), and the area the trace is drawn in.
  int xOf(qint64 hz) const;
  int yOf(double raw) const;
  QRect plotArea() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The colours of the trace, the peak hold and the markers.
  static QColor levelColor();
  static QColor peakColor();
  static QColor markerColor();

 signals:
  // The operator clicked the plot: the nearest step's frequency.
  void frequencyClicked(qint64 hz);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The frequency at a horizontal place, and the nearest step to it.
  double hzAt(int x) const;
  qsizetype stepAt(int x) const;
  void drawGrid(QPainter& p, const QRect& area) const;
  // A trace through the steps that were read, broken where one was not.
  void drawTrace(QPainter& p, const std::vector<std::optional<int>>& values, const QColor& color,
                 bool filled) const;
  void showTip(const QPoint& at);

  qint64 startHz_ = 0;
  qint64 stepHz_ = 1;
  int rawMax_ = 255;
  std::vector<std::optional<int>> levels_;
  std::vector<std::optional<int>> peaks_;
  qsizetype position_ = -1;
  std::optional<int> threshold_;
  QList<Marker> markers_;
  std::function<QString(int)> levelText_;
  qint64 viewFrom_ = 0;
  qint64 viewTo_ = 1;
  std::optional<QPoint> pressedAt_;
  QPoint dragTo_;
};
