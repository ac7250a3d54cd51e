#pragma once

#include <QByteArray>
#include <QString>

// The controller side of a pseudo-terminal pair. The program under test opens
// the follower device (a path such as /dev/pts/7) as if it were a serial port;
// what it writes arrives here, and what is written here reaches it.
//
// A pseudo-terminal has no baud timing. The rate the program sets on its side
// can still be read back from here on Linux, where both sides share one
// terminal configuration; elsewhere it may not be visible.
class PtyPort {
 public:
  PtyPort() = default;
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  // Creates the pair and sets the follower side to raw 8N1 at 9600 baud, the
  // state a freshly opened serial port would be in. False with a message on
  // failure.
  bool open(QString* error);
  QString followerPath() const { return path_; }

  enum class Wait { Data, Timeout, NoPeer, Interrupted, Error };
  // Waits up to timeoutMs (-1: no limit) for bytes from the program. NoPeer
  // means no program holds the follower open; the next wait still blocks
  // until bytes arrive (on Linux by waiting for the next change only, on
  // other systems by pausing briefly before returning).
  Wait wait(int timeoutMs) const;
  // Everything readable now. `peerGone` is set when the follower has been
  // closed by the program.
  QByteArray readAvailable(bool* peerGone);
  void write(const QByteArray& bytes);
  // The rate of the follower side as seen from here; 0 when it cannot be
  // read, -1 for a rate code without a number.
  int currentBaud() const;

 private:
  int fd_ = -1;
  int epoll_ = -1;  // Linux: edge-triggered, so a hung-up side does not wake it again
  QString path_;
};
