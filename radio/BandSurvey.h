#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <vector>

#include "radio/ScanPlan.h"

class RadioSession;
struct LinkResult;

// A band survey: sweeps a range once or again and again, reading the level
// at every step, and keeps the last sweep's levels beside the highest seen at
// each step over all sweeps (peak hold). One step at a time goes to the
// link's thread, so cancelling takes effect at once and nothing waits.
class BandSurvey : public QObject {
  Q_OBJECT

 public:
  struct Point {
    qint64 frequencyHz = 0;
    std::optional<int> raw;   // the last sweep's level; unset: not read (yet)
    std::optional<int> peak;  // the highest level over every sweep
    std::optional<bool> squelchOpen;
  };

  explicit BandSurvey(RadioSession& session, QObject* parent = nullptr);
  ~BandSurvey() override;

  // Starts sweeping; returns why it cannot (a bad range, no port, a radio
  // that tells no level), or an empty text. settleMs -1: the radio's own.
  QString start(const scanning::RangeSpec& range, bool repeat, int settleMs = -1);
  void cancel();
  bool running() const { return running_; }
  bool repeating() const { return repeat_; }

  const scanning::RangeSpec& range() const { return range_; }
  const std::vector<Point>& points() const { return points_; }
  int sweeps() const { return sweeps_; }  // sweeps completed
  // The top of the radio's raw scale, and the level in dB relative to S9
  // where the radio's calibration is known.
  int rawMax() const { return rawMax_; }
  std::optional<double> dbOverS9(int raw) const;

  // Writes frequency (MHz), last level, peak level (and dB where known),
  // one row a step; an empty text when done, else why not.
  QString writeCsv(const QString& path) const;

 signals:
  void started();
  // A step has been read: its place in points().
  void pointRead(qsizetype index);
  void sweepFinished(int sweeps);
  // Ended: cancelled, finished (not repeating), or the port went away
  // (message says so).
  void finished();
  void message(const QString& text);

 private:
  void step();
  void onStep(const LinkResult& result, quint64 run);

  RadioSession& session_;
  scanning::RangeSpec range_;
  scanning::ScanPlan plan_;
  std::vector<Point> points_;
  bool running_ = false;
  bool repeat_ = false;
  int settleMs_ = -1;
  qsizetype next_ = 0;
  int sweeps_ = 0;
  int rawMax_ = 255;
  int protocol_ = -1;
  quint64 run_ = 0;
};
