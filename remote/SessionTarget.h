#pragma once

#include <QObject>
#include <functional>
#include <utility>

#include "radio/RadioSession.h"
#include "remote/RemoteTarget.h"

// The radio session as the remote-control server sees it: every change goes
// through the session as the operator's would (the coverage check, the port
// taken back, what the protocol can carry), marked as a remote program's, so
// that nothing it causes opens a dialog in front of the operator. A change
// answers once the radio's link has run it: kOk when a port was open to take
// it, kIoError when none was, kInvalid when it was refused, and kRejected
// while the program cannot take a change (see setRefusing).
class SessionTarget : public QObject, public rigctl::Target {
 public:
  explicit SessionTarget(RadioSession& session, QObject* parent = nullptr);

  // While `refusing` says so, every change is answered kRejected and nothing
  // is asked of the session; reads are answered as ever. The window refuses
  // while a modal dialog waits for the operator or while it closes.
  void setRefusing(std::function<bool()> refusing) { refusing_ = std::move(refusing); }

  rigctl::RadioInfo radioInfo() override;
  void setFrequency(double hertz, rigctl::Reply done) override;
  double frequency() override;
  void setMode(const QString& mode, int passbandHz, rigctl::Reply done) override;
  QString mode() override;
  int passband() override;
  void setLevel(rigctl::Level level, int value, rigctl::Reply done) override;
  int level(rigctl::Level level) override;
  void setSwitch(rigctl::Switch which, bool on, rigctl::Reply done) override;
  bool switchState(rigctl::Switch which) override;
  void carrierDetect(rigctl::CarrierReply done) override;
  bool powerOn() override;
  void readMeter(rigctl::Meter which, rigctl::MeterReply done) override;

 private:
  // Tunes through the session and answers when the link has run it.
  void tune(const QString& text, const QString& mode, rigctl::Reply done);
  // Answers once what was queued so far has run.
  void answerWhenSent(rigctl::Reply done);
  // The session's latest reading when it is no older than one poll period
  // (and has a level, when needLevel), else a fresh one: done gets it (or nothing when the radio is
  // silent) and the carrier-detect line read beside a fresh one.
  using ReadingReply = std::function<void(const RadioSession::Reading* reading, bool carrier)>;
  void withReading(bool needLevel, ReadingReply done);
  // True (after answering kRejected) when no change may run now.
  bool refused(const rigctl::Reply& done) const;

  RadioSession& session_;
  std::function<bool()> refusing_;
};
