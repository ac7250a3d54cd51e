#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "radio/Capabilities.h"
#include "radio/LinkRequest.h"
#include "radio/LinkSettings.h"
#include "radio/ScanPlan.h"

class BandSurvey;
class LinkWorker;
class ScanHitLog;
class ScanSearch;
class SettingsStore;
class SignalScanner;

// The radio session: the one object the main window, the tray, the remote
// server and the tests talk to. It owns the radio link (on a thread of its
// own), the tuning, the levels and switches, stepping, preset recall and the
// scan and search. Intent goes in (tune, set a level, step, scan); state
// comes out as signals. Nothing here shows a dialog: a refused request is
// returned with its reason, and the caller decides how to tell.
//
// Threads: the session lives on the GUI thread and never waits for the
// radio. Every request is queued for the link's thread, which runs it with
// the link's exact bytes and waits; a request superseded while still queued
// (a newer tuning, a newer value of the same level) replaces the queued one.
// The session's state is what was asked for last, so the window shows it at
// once; what the radio was actually tuned to comes back with each result.
class RadioSession : public QObject {
  Q_OBJECT

 public:
  // Who asked: the operator's messages are shown in boxes, a remote
  // program's are not, and a scan step leaves the tray hint alone. Link:
  // nobody asked (the port failed while idle, a retry on its own).
  enum class Origin { Operator = 0, Remote = 1, Scan = 2, Link = 3 };

  enum class Outcome {
    Accepted,  // queued for the radio
    Refused,   // nothing sent: `reason` says why
    NoPort,    // no port is open: nothing sent
  };
  struct Result {
    Outcome outcome = Outcome::Accepted;
    QString reason;
    bool accepted() const { return outcome == Outcome::Accepted; }
  };
  // Called on the GUI thread when a queued request has run (or was replaced
  // by a newer one before it could).
  using Completion = std::function<void(const LinkResult&)>;

  // What the tuning row shows.
  struct Tuning {
    QString frequencyText;  // the frequency field
    QString mode;           // the mode list's choice
    int filterIndex = 0;    // the filter list's choice
  };

  enum class Level { Volume, Squelch, IfShift };
  enum class Switch { Agc, NoiseBlanker, Attenuator };

  // Where the port stands, as the operator sees it.
  enum class PortState {
    None,     // "Internet": no port by design
    Opening,  // an open is queued or running
    Open,
    Failed,    // the open failed
    Released,  // the operator released it, or it vanished: the next command retakes it
  };

  // The session reads and writes the settings of `store`'s profile, which
  // must outlive it.
  explicit RadioSession(SettingsStore& store, QObject* parent = nullptr);
  // Runs what is still queued (with the power-off of shutdown()) and ends
  // the link's thread.
  ~RadioSession() override;

  // ---- Lifecycle ----
  // Reads the link settings of the profile and opens the link (power-up).
  void open();
  // The configuration changed: the radio running now is closed as at program
  // end (its own power-off sequence when configured), then the link opens
  // with the new settings.
  void reopen();
  // Saves the tuning (and the PCR1000 levels), powers the radio off when
  // "Power Off" was set as the link last opened (whether or not the save
  // worked), closes the port and waits until the link's thread has sent all
  // of it. Nothing may be asked of the session afterwards.
  void shutdown();
  // The operator lets go of the port, or takes it back.
  void releasePort();
  void retakePort();
  // Takes back a released port before a command (the operator's commands
  // all do this first).
  void getPort(Origin origin = Origin::Operator);
  PortState portState() const { return portState_; }
  bool portReleased() const { return portState_ == PortState::Released; }
  // A port is open, or being opened, so a command will reach it.
  bool portUsable() const;

  // ---- Configuration read at the last open ----
  const LinkSettings& settings() const { return settings_; }
  int protocol() const { return settings_.protocol; }
  QString portName() const { return settings_.portName; }
  bool hasPort() const;  // false for "Internet"
  const protocols::Capabilities& capabilities() const;
  double lowestMhz() const { return settings_.lowestMhz; }
  double highestMhz() const { return settings_.highestMhz; }
  // "Corvalo [" + port + the protocol's suffix + "]".
  QString caption() const;
  // The modes the profile offers ("Coverage"/"Supports ..."), in list order;
  // read from the store once per opening, as the rest of the connection.
  QStringList modeList() const;
  // The stand-in for the carrier-detect line (tests on a pseudo-terminal).
  void setCarrierLineOverride(std::function<bool()> line);

  // ---- Tuning ----
  const Tuning& tuning() const { return tuning_; }
  // The filter index the tuning shares (the PCR1000's tuning chooses it;
  // the presets dialog proposes one with a mode).
  int filterIndex() const { return filterIndex_; }
  void setFilterIndex(int index) { filterIndex_ = index; }
  // The mode text of the last tuning request (the search keeps tuning in it).
  QString tuneModeText() const { return tuneModeText_; }
  // What the radio was last tuned to (saved at close, reported to remote
  // programs).
  QString tunedFrequency() const { return tunedFrequency_; }
  QString tunedMode() const { return tunedMode_; }
  // The operator's tuning: checked against the coverage ("Not a valid
  // frequency."), the port taken back if released, checked against what the
  // protocol can carry, then queued.
  Result tune(const QString& frequencyText, const QString& mode, Origin origin,
              Completion done = {});
  // The operator edits the frequency field: the row shows the text and
  // nothing is tuned (a scan or search steps on from what the row shows).
  void editFrequencyText(const QString& text) { tuning_.frequencyText = text; }
  // Puts a tuning into the tuning row (shown even when it is refused), then
  // tunes it as tune() does.
  Result tuneRow(const Tuning& row, Origin origin, Completion done = {});
  // A tuning with a filter of its own (a channel of a list): the tuning as
  // tune() does it, then, where the radio selects filters and the row's
  // differs from what the tuning chose, the filter; the row shows both. A
  // refused one changes nothing.
  Result tuneChannel(const Tuning& row, Origin origin);
  // The filter list: the PCR1000 resends its tuning with the filter.
  void setFilter(int index, Origin origin, Completion done = {});
  // One step up or down from a frequency text; stepText receives the
  // stepped text. False (nothing tuned) when the text is no number.
  bool step(bool up, const QString& fromText, const QString& mode, Origin origin, Result* result,
            QString* stepText = nullptr);
  double stepSize() const { return stepSize_; }
  void setStepSize(double megahertz) { stepSize_ = megahertz; }
  // The step the band plan gives a frequency text; the step is left as it
  // was when the text is no number.
  void autoStepSize(const QString& frequencyText);
  // Recalls preset n (1..10) of group 0..2 (A..C): the tuning row shows it,
  // the radio is tuned (a refusal is returned), and the attenuator follows
  // the preset even then.
  Result recallPreset(int group, int n, Origin origin);

  // ---- Levels and switches ----
  // The level shown (0..255): the slider's place.
  int level(Level which) const;
  // The level the radio keeps (the un-mute restores the volume one).
  int keptLevel(Level which) const;
  void setLevel(Level which, int level, Origin origin = Origin::Operator);
  void centreIfShift(Origin origin = Origin::Operator);
  bool switchOn(Switch which) const;
  void setSwitch(Switch which, bool on, Origin origin = Origin::Operator);
  // Mute follows the volume, not the button: a volume above 0 is muted,
  // a volume of 0 is restored.
  void toggleMute(Origin origin = Origin::Operator);
  // Muted means the volume is at 0.
  bool muted() const { return volumeShown_ == 0; }
  void setMuted(bool muted, Origin origin);
  // The mute button is down.
  bool muteButtonDown() const { return muteButtonDown_; }
  void setMuteButtonDown(bool down);
  // Restores "General"/"Attenuate": when set, the attenuator is switched on.
  void restoreAttenuator();

  // ---- Readings: what the radio hears ----
  // What the meter shows: the latest reading taken on the tuning in force.
  struct Reading {
    bool valid = false;               // false: no reading (none yet, or the radio is silent)
    std::optional<int> raw;           // the level on the radio's own scale
    int rawMax = 255;                 // top of that scale
    std::optional<double> dbOverS9;   // calibrated, where a calibration is known
    std::optional<bool> squelchOpen;  // from the radio, else the carrier-detect line
    QString text;                     // "S7 (-12 dB)", "raw 73/255"
    qint64 atMs = 0;                  // monotonic time it was taken
  };
  // True when the radio in use can tell its signal level.
  bool canReadSignal() const;
  // True when it can tell its squelch state (the carrier-detect line aside).
  bool canReadSquelch() const;
  const Reading& reading() const { return reading_; }
  // Readings a second while the link is idle (0: none), as configured.
  int readingRate() const { return readingRate_; }
  static constexpr int kFirstRetryMs = 1000;
  static constexpr int kLongestRetryMs = 30000;
  // Asks the radio now (a remote program wants a fresh value); done gets
  // the result, and the reading is taken up as a poll's would be.
  void readNow(Completion done);
  // What a result of the link says the radio heard, calibrated (valid
  // false when the radio did not answer). It belongs to the tuning the
  // result names, which a scan may already have left.
  Reading readingOf(const LinkResult& result) const;
  // A raw level as the configured radio's meter reads it ("S7", "S9+20"),
  // the bare number where the radio has no scale.
  QString levelText(int raw) const;

  // ---- Scan and search ----
  ScanSearch& scan() { return *scan_; }
  // Calls done once everything asked so far has run (its result tells
  // whether a port was open).
  void whenSent(Completion done);
  // Reads the carrier-detect line; done gets LinkResult::carrier.
  void readCarrier(Completion done);
  // Tunes without the coverage check and without taking the port back (the
  // scan and search step); done gets whether it was sent.
  void tuneUnchecked(const QString& frequencyText, const QString& mode, Completion done);

  // ---- Signal scan, hit log and band survey ----
  SignalScanner& signalScanner() { return *signalScanner_; }
  ScanHitLog& hitLog() { return *hitLog_; }
  BandSurvey& survey() { return *survey_; }
  // What a scan plan's checks need of the radio in use.
  scanning::TuningLimits tuningLimits() const;
  // How long after a retune a scan reads: the profile's "Settle Time" when
  // set, else the radio's own.
  int settleMs() const;
  // What one scan step reads.
  enum class StepRead {
    Squelch,  // the squelch state (and the level where one reply tells both)
    Level,    // the level (and the squelch where one reply tells both)
    Both,     // the level and the squelch state
  };
  // One scan step on the link's thread: tunes the channel (the frequency
  // command alone where the protocol has one and mode and filter stay as
  // they are; else the full tuning), waits settleMs from the command having
  // left, then reads. done gets the reading, whose tuning is the step's own
  // request: a reading can belong to no other channel. The tuning row
  // follows (origin Scan). Nothing is sent while no port is open.
  void scanStep(const scanning::ScanChannel& channel, int settleMs, StepRead read, Completion done);
  // Reads again on the tuning in force (a scan listening on a hit).
  void scanRead(StepRead read, Completion done);
  // A scan or survey reads on its own: the idle polls wait meanwhile.
  void holdPolling(bool hold);
  // Stops every scan, search and sweep, before another one starts or the
  // configuration changes.
  void stopScans();

 signals:
  void tuningChanged(const RadioSession::Tuning& tuning, RadioSession::Origin origin);
  // A tuning request was taken (sent, or no port to send it to): the
  // frequency in its shown form.
  void tuned(const QString& frequencyText, RadioSession::Origin origin);
  void levelsChanged();
  void switchesChanged();
  void portStateChanged(RadioSession::PortState state);
  // The tray picture: the link opened (true) or closed (false).
  void linkStateChanged(bool open);
  // A sequence that the operator waits for runs (hourglass).
  void busyChanged(bool busy);
  // A message of the link ("Cannot Open Port Not."), with who caused it.
  void message(const QString& text, RadioSession::Origin origin);
  void beep();
  // The configuration in force changed (after open): caption, capabilities.
  void configurationChanged();
  // A new reading, or the reading lost (the radio stopped answering).
  void readingChanged();
  // A network port that failed or was lost is tried again by itself after
  // this many seconds (0: the retry is under way or was called off).
  void retryScheduled(int seconds);

 private:
  struct Pending {
    Completion done;
  };
  void startThread();
  // Queues a request; its completion (if any) runs when it has run.
  quint64 push(LinkRequest request, Origin origin, Completion done = {});
  void onFinished(const LinkResult& result);
  // Reads the link settings and queues an open; showLevels: the sliders go
  // to the levels it gives.
  void queueOpen(LinkRequest::Kind kind, Origin origin, bool showLevels);
  // The mode as the mode list selects it: itself when listed, else none.
  QString listedMode(const QString& mode) const;
  void setPortState(PortState state);
  // Writes the tuning; the kept levels as the PCR1000's.
  void saveTuning(const QString& frequency, const QString& mode);
  void savePcrLevels();
  bool readPowerOff();
  void setTuning(const Tuning& tuning, Origin origin);
  // The coverage check of the tuning row.
  bool withinCoverage(const QString& text) const;
  // Sends a level the protocol has a command for (after getPort).
  void sendLevel(LinkRequest::Which which, int level, Origin origin);

  SettingsStore& store_;
  LinkQueue queue_;
  QThread thread_;
  LinkWorker* worker_ = nullptr;  // lives on thread_
  bool shutDown_ = false;
  std::map<quint64, Completion> pending_;

  LinkSettings settings_;
  mutable std::optional<QStringList> modes_;  // modeList(), until the next opening
  PortState portState_ = PortState::None;
  quint64 openRequest_ = 0;   // the open whose result sets the levels
  quint64 levelsAtOpen_ = 0;  // level changes counted when it was queued
  quint64 levelChanges_ = 0;
  bool openShowsLevels_ = false;
  bool opened_ = false;  // the link was opened before in this run

  Tuning tuning_;
  int filterIndex_ = 0;
  QString tuneModeText_;
  // What the link will hold once every queued tuning has run.
  QString requestedFrequency_;
  QString requestedMode_;
  QString tunedFrequency_;
  QString tunedMode_;
  double stepSize_ = 0.0005;

  // Shown and kept levels (see level() and keptLevel()).
  int volumeShown_ = 128, squelchShown_ = 128, ifShiftShown_ = 128;
  int volumeKept_ = 128, squelchKept_ = 128, ifShiftKept_ = 128;
  bool agc_ = false, noiseBlanker_ = false, attenuator_ = false;
  bool muteButtonDown_ = false;

  // Readings.
  void takeReading(const LinkResult& result, bool silent);
  void updatePolling();
  Reading reading_;
  int readingRate_ = 10;
  int pollPeriodMs_ = 0;  // what the link's thread polls at now
  bool lineChecks_ = false;

  // Retries of a network port, with a delay that doubles up to a limit.
  void scheduleRetry();
  QTimer retryTimer_;
  int retryDelayMs_ = 0;
  bool releasedByOperator_ = false;
  quint64 lastTuning_ = 0;  // the last request pushed that retunes the radio

  // RadioSessionScan.cpp
  void makeScanners();
  void takeScanResult(const LinkResult& result);
  std::unique_ptr<ScanSearch> scan_;
  std::unique_ptr<SignalScanner> signalScanner_;
  std::unique_ptr<ScanHitLog> hitLog_;
  std::unique_ptr<BandSurvey> survey_;
  bool pollingHeld_ = false;
};

Q_DECLARE_METATYPE(RadioSession::Tuning)
