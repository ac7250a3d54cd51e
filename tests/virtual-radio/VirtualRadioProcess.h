#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// The real corvalo-virtual-radio program, run with --json: its device path,
// and the events it prints, collected as they arrive.
class VirtualRadioProcess {
 public:
  explicit VirtualRadioProcess(const QStringList& arguments);
  ~VirtualRadioProcess();

  bool started() const { return !devicePath_.isEmpty(); }
  QString devicePath() const { return devicePath_; }
  QString startError() const { return error_; }

  // Collects events until one satisfies `until` (true) or limitMs passed.
  bool waitFor(const std::function<bool(const QJsonObject&)>& until, int limitMs = 5000);
  bool waitForEvent(const QString& kind, int limitMs = 5000);
  const std::vector<QJsonObject>& events() const { return events_; }
  // Stops the program (SIGTERM) and returns its closing "state" event; empty
  // when the program did not end cleanly. Later calls return the same.
  QJsonObject stop();

  // The events a test compares, one compact text each ("tune 162550000 FMN
  // 15K", "volume 100", "unknown FE FE ..."); port observations and the
  // radio's own start-up line are left out.
  QStringList commandSummary() const;
  // Events flagged by the radio (undecodable bytes, warnings), as text.
  QStringList flagged() const;

 private:
  void readLines();

  QProcess process_;
  QString devicePath_;
  QString error_;
  std::vector<QJsonObject> events_;
  bool stopped_ = false;
  QJsonObject finalState_;
};
