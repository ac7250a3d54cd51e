#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class RadioSession;

// The scan and the search of the scan panel, as a state machine driven by a
// timer and by the results of the link's thread:
// - the search steps the radio 50 kHz upward in the mode of the last tuning,
//   pass after pass, holding while the carrier-detect line is raised, from
//   the choice of "Search" until the choice of "Manual";
// - the scan ticks once a second while its timer is on; while the choice is
//   "Scan" and no signal holds it (or Skip was pressed) each tick steps the
//   radio 12.5 kHz upward in FMN.
// Both stay between the panel's limits when those are numbers within the
// coverage with the lower below the upper (else the whole coverage) and wrap
// round to the lower limit; both start from the frequency the tuning row
// shows. Every tick and pass is counted; the count of the last second and
// the signal mark are reported.
class ScanSearch : public QObject {
  Q_OBJECT

 public:
  // The panel's three exclusive choices.
  enum class Choice { None = -1, Search = 0, Scan = 1, Manual = 2 };

  explicit ScanSearch(RadioSession& session, QObject* parent = nullptr);
  ~ScanSearch() override;

  Choice choice() const { return choice_; }
  // The operator's choice: stops the scan timer; "Search" starts the search
  // (one running search goes on), "Manual" stops it at once.
  void choose(Choice choice);
  bool searching() const { return searching_; }
  // Ends a running search as "Manual" would (the window closes, a dialog
  // takes over).
  void stopSearch();

  bool timerOn() const { return timer_.isActive(); }
  void setTimerOn(bool on);
  // The next scan tick steps even while a signal is present.
  void skip() { skip_ = true; }

  // The panel's limit texts.
  void setLimits(const QString& lower, const QString& upper);

  // One tick of the scan timer: counts the pass, reads the carrier-detect
  // line and, while "Scan" is chosen and no signal holds it, steps the radio.
  // The timer calls it every kTickMs while it runs.
  void tick();

  static constexpr int kTickMs = 1000;
  static constexpr double kScanStepMhz = 0.0125;
  static constexpr double kSearchStepMhz = 0.05;

 signals:
  void choiceChanged(ScanSearch::Choice choice);
  void timerChanged(bool on);
  // Ticks and passes counted in the last second.
  void passesCounted(int passes);
  // The signal mark: true while a signal holds the scan or the search.
  void signalChanged(bool present);

 private:
  void searchPass();
  void countPass();
  // The frequency one step above the shown one, wrapped to the band; empty
  // when the shown text is no number.
  QString nextFrequency(double step) const;
  void scheduleSearchPass(int delayMs);

  RadioSession& session_;
  QTimer timer_;
  Choice choice_ = Choice::None;
  bool searching_ = false;
  quint64 searchRun_ = 0;  // a pass of an ended search does nothing
  bool skip_ = false;
  int passCount_ = 0;
  qint64 passTickStart_ = 0;
  QString lower_;
  QString upper_;
};
