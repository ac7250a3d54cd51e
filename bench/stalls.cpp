// How long the GUI thread's event loop stalls while the radio is driven: a
// 1 ms timer on the GUI thread records when it fires, and the longest gap
// between two firings (less the timer's own millisecond) is the longest time
// the window could not repaint or take a key. Measured with the real main
// window and radio session on a pseudo-terminal during a BC-895XLT power-up
// (a silent radio: 1.4 s of paced waits), an AR8000 tuning (87 ms of waits)
// and a search of 100 steps. Prints figures; asserts nothing.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "PseudoTerminal.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "app/main.h"
#include "radio/RadioSession.h"
#include "radio/ScanSearch.h"

namespace {

// Records the longest gap between the firings of a 1 ms timer.
class StallProbe {
 public:
  StallProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      if (last_ >= 0) longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
  }
  void start() {
    longest_ = 0;
    last_ = -1;
    clock_.start();
    timer_.start();
  }
  // The longest stall in milliseconds: the longest gap less the interval.
  double stop() {
    timer_.stop();
    return std::max(0.0, longest_ / 1e6 - 1.0);
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = -1;
  qint64 longest_ = 0;
};

// Runs the event loop until done() holds or limitMs passed.
bool RunUntil(const std::function<bool()>& done, int limitMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < limitMs) {
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(1);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return done();
}

void Report(const char* what, double stallMs, qint64 elapsedMs) {
  std::printf("  %-44s %12.2f %12lld\n", what, stallMs, static_cast<long long>(elapsedMs));
}

void WriteRig(SettingsStore& store, const PseudoTerminal& pty, int protocol) {
  testsupport::WriteSettings(store, {{"Connection/Com Port", pty.devicePath()},
                                     {"Connection/Protocol", QString::number(protocol)},
                                     {"General/Frequency", "145.5"},
                                     {"General/Mode", "FMN"}});
}

void PowerUp(StallProbe& probe) {
  PseudoTerminal pty;
  SettingsStore store(QStringLiteral("StallBc895"));
  WriteRig(store, pty, 5);
  RadioSession session(store);
  QElapsedTimer clock;
  probe.start();
  clock.start();
  auto form = std::make_unique<TMainForm>(session, store);
  form->show();
  // The power-up ends with "KEY01" and a CR; the start-up tuning follows.
  RunUntil([&pty] { return pty.received().contains("RF01455000\r"); }, 5000);
  Report("BC-895XLT power-up (silent radio) and tuning", probe.stop(), clock.elapsed());
  form.reset();
}

void Ar8000Tuning(StallProbe& probe) {
  PseudoTerminal pty;
  SettingsStore store(QStringLiteral("StallAr8000"));
  WriteRig(store, pty, 2);
  RadioSession session(store);
  auto form = std::make_unique<TMainForm>(session, store);
  form->show();
  RunUntil([&pty] { return pty.received().contains("MD1\r\n"); }, 5000);
  pty.settle(100);
  pty.clear();
  auto* edit = form->findChild<QLineEdit*>(QStringLiteral("FrequencyEdit"));
  QElapsedTimer clock;
  probe.start();
  clock.start();
  for (int i = 0; i < 10; ++i) {
    edit->setText(QString::number(146.0 + i * 0.0125, 'f', 4));
    QMetaObject::invokeMethod(form.get(), [&form] {
      auto* enter = form->findChild<QPushButton*>(QStringLiteral("EnterButton"));
      enter->click();
    });
    const int want = i + 1;
    RunUntil([&pty, want] { return pty.received().count("ST0.1") >= want; }, 5000);
  }
  pty.settle(120);
  Report("AR8000: ten tunings typed one after the other", probe.stop(), clock.elapsed());
  form.reset();
}

void Search(StallProbe& probe) {
  PseudoTerminal pty;
  SettingsStore store(QStringLiteral("StallSearch"));
  WriteRig(store, pty, 6);
  RadioSession session(store);
  auto form = std::make_unique<TMainForm>(session, store);
  form->show();
  RunUntil([&session] { return session.portState() == RadioSession::PortState::Open; }, 5000);
  pty.settle(100);
  pty.clear();
  session.scan().setLimits(QStringLiteral("100"), QStringLiteral("200"));
  QElapsedTimer clock;
  probe.start();
  clock.start();
  session.scan().choose(ScanSearch::Choice::Search);
  RunUntil([&pty] { return pty.received().count("K0") >= 100; }, 20000);
  session.scan().choose(ScanSearch::Choice::Manual);
  Report("PCR1000: a search of 100 steps", probe.stop(), clock.elapsed());
  form.reset();
}

}  // namespace

int main(int argc, char** argv) {
  testsupport::IsolatedEnvironment environment;
  QApplication app(argc, argv);
  StallProbe probe;
  std::printf("Longest stall of the GUI thread's event loop\n");
  std::printf("  %-44s %12s %12s\n", "while", "stall ms", "took ms");
  PowerUp(probe);
  Ar8000Tuning(probe);
  Search(probe);
  return 0;
}
