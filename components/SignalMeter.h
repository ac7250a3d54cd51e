#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <optional>

// A compact signal meter: a bar from S0 to S9+60 (or over the radio's raw
// scale where no calibration is known), a peak-hold tick that falls back
// after a while, and a squelch lamp that lights while the squelch is open.
// "No reading" greys it out rather than leaving a stale value standing. The
// tooltip gives the raw value and the level in dB relative to S9.
class SignalMeter : public QWidget {
  Q_OBJECT

 public:
  explicit SignalMeter(QWidget* parent = nullptr);

  // A reading: the raw value on a scale 0..rawMax, the calibrated level
  // where one is known, the squelch where the radio tells it, and the text
  // ("S7 (-12 dB)") the tooltip and the tray show.
  void setReading(int raw, int rawMax, std::optional<double> dbOverS9,
                  std::optional<bool> squelchOpen, const QString& text);
  // No reading: none yet, or the radio stopped answering.
  void clearReading();

  bool hasReading() const { return valid_; }
  // Where the bar and the peak stand, 0..1 of the scale.
  double level() const { return level_; }
  double peak() const { return peak_; }
  std::optional<bool> squelchOpen() const { return squelch_; }

  QSize sizeHint() const override;

  static constexpr int kPeakHoldMs = 1500;
  // The calibrated scale: S0 (-54 dB) to S9+60.
  static constexpr double kBottomDb = -54.0;
  static constexpr double kTopDb = 60.0;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool valid_ = false;
  bool calibrated_ = false;
  double level_ = 0;
  double peak_ = 0;
  std::optional<bool> squelch_;
  QElapsedTimer peakAge_;
};
