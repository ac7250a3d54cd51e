#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the requests to end the program that arrive as signals (SIGTERM from
// a session that logs out, SIGINT from Ctrl+C in the terminal that started
// it, SIGHUP when that terminal closes) into an orderly end of the event
// loop, so the main window saves its settings and closes the radio link (with
// the power-off command when configured) as when the operator closes it.
// Nothing is done inside the signal handler but writing one byte to a pipe.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 signals:
  void terminationRequested();

 private:
  QSocketNotifier* notifier_ = nullptr;
};
