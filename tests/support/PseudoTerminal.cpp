#include "PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

PseudoTerminal::PseudoTerminal() {
  char name[256] = {};
  struct termios raw {};
  cfmakeraw(&raw);
  if (openpty(&controller_, &follower_, name, &raw, nullptr) != 0) {
    controller_ = follower_ = -1;
    return;
  }
  path_ = QString::fromLocal8Bit(name);
  fcntl(controller_, F_SETFL, fcntl(controller_, F_GETFL) | O_NONBLOCK);
  lastArrival_ = Clock::now();
  reader_ = std::thread([this] { readLoop(); });
  // The reader stamps what arrives as it reads it: on a loaded machine a
  // reader woken late would take two commands in one read and see no gap
  // between them. Where the system allows it (as root), it runs before
  // ordinary threads; it spends its time waiting in poll().
  sched_param priority{};
  priority.sched_priority = 1;
  pthread_setschedparam(reader_.native_handle(), SCHED_FIFO, &priority);
}

PseudoTerminal::~PseudoTerminal() {
  hangUp();
  if (follower_ >= 0) ::close(follower_);
}

void PseudoTerminal::hangUp() {
  stop_ = true;
  if (reader_.joinable()) reader_.join();
  if (controller_ >= 0) ::close(controller_);
  controller_ = -1;
}

void PseudoTerminal::readLoop() {
  while (!stop_) {
    struct pollfd p {
      controller_, POLLIN, 0
    };
    const int r = ::poll(&p, 1, 20);
    if (r <= 0) continue;
    char buf[4096];
    const ssize_t n = ::read(controller_, buf, sizeof buf);
    const auto now = Clock::now();
    if (n > 0) {
      std::lock_guard lock(mutex_);
      chunks_.push_back({now, QByteArray(buf, static_cast<qsizetype>(n))});
      lastArrival_ = now;
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      // EIO while no follower is open: wait for the next opener.
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
}

QByteArray PseudoTerminal::settle(int quietMs, int limitMs) {
  const auto start = Clock::now();
  const auto end = start + std::chrono::milliseconds(limitMs);
  const auto quiet = std::chrono::milliseconds(quietMs);
  for (;;) {
    const auto now = Clock::now();
    Clock::time_point last;
    {
      std::lock_guard lock(mutex_);
      last = std::max(lastArrival_, start);
    }
    if (now - last >= quiet || now >= end) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return received();
}

QByteArray PseudoTerminal::waitFor(qsizetype count, int limitMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
  while (received().size() < count && Clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return received();
}

QByteArray PseudoTerminal::received() const {
  std::lock_guard lock(mutex_);
  QByteArray all;
  for (const Chunk& c : chunks_) all += c.bytes;
  return all;
}

std::vector<PseudoTerminal::Chunk> PseudoTerminal::chunks() const {
  std::lock_guard lock(mutex_);
  return chunks_;
}

PseudoTerminal::Clock::time_point PseudoTerminal::arrivalOf(qsizetype byteIndex) const {
  std::lock_guard lock(mutex_);
  qsizetype seen = 0;
  for (const Chunk& c : chunks_) {
    seen += c.bytes.size();
    if (byteIndex < seen) return c.at;
  }
  return chunks_.empty() ? Clock::time_point{} : chunks_.back().at;
}

double PseudoTerminal::gapMs(qsizetype fromByte, qsizetype toByte) const {
  return std::chrono::duration<double, std::milli>(arrivalOf(toByte) - arrivalOf(fromByte)).count();
}

void PseudoTerminal::clear() {
  std::lock_guard lock(mutex_);
  chunks_.clear();
}

void PseudoTerminal::write(const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(controller_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return;
    done += n;
  }
}
