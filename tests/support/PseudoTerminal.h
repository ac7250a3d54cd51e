#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// A real pseudo-terminal pair for serial tests. The code under test opens the
// device path (the follower side); a reader thread keeps the controller side
// drained and timestamps every chunk the moment it arrives, so gaps between
// commands are measured even while the code under test blocks the test's own
// thread in a wait. The test can also answer as the radio would.
// A pseudo-terminal has no baud timing and no modem status lines.
class PseudoTerminal {
 public:
  using Clock = std::chrono::steady_clock;
  struct Chunk {
    Clock::time_point at;
    QByteArray bytes;
  };

  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool isValid() const { return controller_ >= 0; }
  QString devicePath() const { return path_; }

  // Waits until no byte has arrived for quietMs (at most limitMs in all) and
  // returns everything received so far.
  QByteArray settle(int quietMs = 60, int limitMs = 5000);
  // Waits until at least `count` bytes have arrived in all, or limitMs passed.
  QByteArray waitFor(qsizetype count, int limitMs = 5000);
  // Everything received so far, and its arrival times.
  QByteArray received() const;
  std::vector<Chunk> chunks() const;
  // Arrival time of the byte at this index of everything received.
  Clock::time_point arrivalOf(qsizetype byteIndex) const;
  // Milliseconds between the arrival of two byte positions.
  double gapMs(qsizetype fromByte, qsizetype toByte) const;
  // Forgets what was received.
  void clear();

  // Sends bytes towards the code under test (a radio's reply).
  void write(const QByteArray& bytes);

  // Closes the controller side, as a USB adapter pulled out does: the open
  // port fails its next write and the device path cannot be opened again.
  // What was received stays readable.
  void hangUp();

 private:
  void readLoop();

  int controller_ = -1;
  int follower_ = -1;  // held open so the device never hangs up between opens
  QString path_;
  mutable std::mutex mutex_;
  std::vector<Chunk> chunks_;
  Clock::time_point lastArrival_{};
  std::atomic<bool> stop_{false};
  std::thread reader_;
};
