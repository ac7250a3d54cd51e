#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <optional>

#include "radio/ScanPlan.h"

class RadioSession;
struct LinkResult;

// The scan that stops on signals: it tunes each channel of a plan in turn,
// waits the radio's settle time, reads the squelch (and the level), and stops
// where it hears something; it listens there until the signal has been gone
// for the hang time (or the longest listen has passed, or Skip), then goes
// on. Every stop is a hit. A state machine driven by the results of the
// link's thread: each step is one request that tunes, settles and reads on
// the link's thread, so a reading always belongs to the channel that request
// tuned, never to the one before it.
class SignalScanner : public QObject {
  Q_OBJECT

 public:
  enum class State {
    Idle,       // not scanning
    Scanning,   // stepping through the plan
    Listening,  // stopped on a signal (a hit)
    Paused,     // the radio stopped answering: asking it again now and then
  };
  Q_ENUM(State)

  struct Settings {
    // After each retune before the reading; -1: the radio's own settle time.
    int settleMs = -1;
    // A level on the radio's raw scale that counts as a signal; where the
    // radio tells its squelch state too, both must say so. Unset: the squelch
    // alone decides (a radio that tells only a level then needs one).
    std::optional<int> thresholdRaw;
    // The signal has been gone this long: the scan goes on.
    int hangMs = 2000;
    // The longest time spent on one hit; 0: no limit.
    int maxListenMs = 0;
    // A channel checked every priorityEveryMs (0: never), while scanning and
    // while listening elsewhere.
    std::optional<scanning::ScanChannel> priority;
    int priorityEveryMs = 0;
    // The first place to tune (a range scan starts from the tuned frequency).
    qsizetype startAt = 0;
  };

  // One stop on a signal.
  struct Hit {
    int serial = 0;  // counts from 1 over the session
    QDateTime started;
    scanning::ScanChannel channel;
    std::optional<int> peakRaw;  // the highest level read while stopped
    qint64 durationMs = 0;       // so far, or in all once ended
    bool ended = false;
  };

  static constexpr int kListenReadMs = 100;  // readings while stopped on a hit
  static constexpr int kMissedBeforePause = 3;
  static constexpr int kPausedRetryMs = 1000;

  explicit SignalScanner(RadioSession& session, QObject* parent = nullptr);
  ~SignalScanner() override;

  // Starts scanning; returns why it cannot (no port, an empty plan, every
  // channel locked out, a radio that can tell nothing and no carrier line),
  // or an empty text. Nothing is sent when it refuses.
  QString start(scanning::ScanPlan plan, const Settings& settings);
  void stop();
  // While listening: leave this hit at once and go on. While scanning: the
  // channel now tuned is passed over for the rest of this scan.
  void skip();
  // The channel stopped on (or tuned now) is passed over for the rest of
  // this scan and lockoutRequested() asks for it to be stored as locked out
  // (a channel of a list; any other is only passed over).
  void lockout();
  // While listening: leave this hit at once and go on, the channel kept.
  void resume();

  State state() const { return state_; }
  bool running() const { return state_ != State::Idle; }
  const scanning::ScanPlan& plan() const { return plan_; }
  const Settings& settings() const { return settings_; }
  // The place and channel tuned now (valid while running).
  qsizetype position() const { return position_; }
  scanning::ScanChannel current() const;
  int passes() const { return passes_; }
  int hitCount() const { return hitSerial_ - firstSerial_; }
  // The hit being listened to, if any.
  const std::optional<Hit>& hit() const { return hit_; }
  // Channels tuned a second, over the last pass (0 until a pass ended).
  double channelsPerSecond() const { return rate_; }

 signals:
  void stateChanged(SignalScanner::State state);
  void channelChanged(qsizetype position, const scanning::ScanChannel& channel);
  void hitStarted(const SignalScanner::Hit& hit);
  void hitUpdated(const SignalScanner::Hit& hit);
  void hitEnded(const SignalScanner::Hit& hit);
  void passCompleted(int passes);
  // The channel stopped on is to be stored as locked out (a channel list's
  // channel: channelId is set).
  void lockoutRequested(const scanning::ScanChannel& channel);
  // Something the operator should know ("no reading from the radio", the
  // scan stopped because the port went away).
  void message(const QString& text);

 private:
  void setState(State state);
  // Tunes a channel and reads; the result goes to onStep.
  void step(const scanning::ScanChannel& channel, int read);
  void stepTo(qsizetype position);
  // Goes on from the channel of position_ (the priority channel when due).
  void stepNext();
  void onStep(const LinkResult& result, quint64 run);
  void listenRead();
  void onListen(const LinkResult& result, quint64 run);
  void startHit(const LinkResult& result);
  void endHit();
  // Leaves the hit (if any) and goes on; skip: the channel is passed over
  // for the rest of this scan.
  void leave(bool skip);
  // True when a reading says a signal is there.
  bool heard(const LinkResult& result) const;
  // Ends the scan when the port is gone; true then.
  bool portGone(const LinkResult& result);
  // The next place after `from` that is not passed over; -1 when none is.
  qsizetype nextPlace(qsizetype from) const;
  int settle() const;

  RadioSession& session_;
  scanning::ScanPlan plan_;
  Settings settings_;
  State state_ = State::Idle;
  quint64 run_ = 0;  // results of an ended scan are dropped
  qsizetype position_ = 0;
  bool onPriority_ = false;   // the priority channel is tuned now
  bool priorityDue_ = false;  // the next step checks the priority channel
  bool returning_ = false;    // retuning to the hit after a priority check
  quint64 hitTuning_ = 0;     // the step whose tuning the hit was heard on
  QSet<qsizetype> skipped_;   // passed over for the rest of this scan
  int passes_ = 0;
  int missed_ = 0;
  int hitSerial_ = 0;
  int firstSerial_ = 0;
  std::optional<Hit> hit_;
  QElapsedTimer hitClock_;
  QElapsedTimer lastHeard_;
  QElapsedTimer passClock_;
  qsizetype stepsThisPass_ = 0;
  double rate_ = 0;
  QTimer listenTimer_;
  QTimer priorityTimer_;
  QTimer pausedTimer_;
};

Q_DECLARE_METATYPE(SignalScanner::Hit)
