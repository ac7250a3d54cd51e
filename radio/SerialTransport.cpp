#include "radio/SerialTransport.h"

#include <QSerialPort>
#include <algorithm>
#include <chrono>
#include <ctime>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// How long a write may take before the port counts as failed: the time the
// bytes need on the wire at a slow rate, with a wide margin. A working port
// never comes near it; a port whose output never drains must not hang the
// program.
Clock::duration writeLimit(qsizetype bytes) { return std::chrono::milliseconds(2000 + bytes * 10); }

// Milliseconds left until deadline, rounded up so that a wait never ends
// early; 0 once it has passed.
int msUntil(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

}  // namespace

SerialTransport::SerialTransport(const QString& devicePath) : devicePath_(devicePath) {}

SerialTransport::~SerialTransport() { close(); }

bool SerialTransport::open(int baudRate) {
  close();
  const QString& devicePath = devicePath_;
  if (devicePath.isEmpty()) return false;
#ifndef Q_OS_WIN
  // Only a character device can be a serial port; QSerialPort would open a
  // regular file and happily write into it.
  struct stat info {};
  if (::stat(devicePath.toLocal8Bit().constData(), &info) != 0 || !S_ISCHR(info.st_mode)) {
    return false;
  }
#endif
  auto port = std::make_unique<QSerialPort>();
  port->setPortName(devicePath);
  // Opening fails for a character device that is not a terminal (its
  // configuration cannot be read).
  if (!port->open(QIODevice::ReadWrite)) return false;
  port->setDataBits(QSerialPort::Data8);
  port->setParity(QSerialPort::NoParity);
  port->setStopBits(QSerialPort::OneStop);
  // A rate the driver refuses leaves the port at the rate it had; the radio
  // then does not answer, as with any wrong rate setting.
  port->setBaudRate(baudRate);
  port->clearError();
  port_ = std::move(port);
  return true;
}

void SerialTransport::close() {
  if (!port_) return;
  if (port_->isOpen()) port_->close();
  port_.reset();
}

bool SerialTransport::isOpen() const { return port_ && port_->isOpen(); }

bool SerialTransport::write(const QByteArray& bytes) {
  if (!isOpen()) return false;
  if (port_->error() == QSerialPort::ResourceError) return false;
  if (bytes.isEmpty()) return true;
  const auto deadline = Clock::now() + writeLimit(bytes.size());
#ifdef Q_OS_WIN
  if (port_->write(bytes) != bytes.size()) return false;
  while (port_->bytesToWrite() > 0) {
    if (!port_->flush() && port_->error() != QSerialPort::NoError) return false;
    if (port_->bytesToWrite() == 0) break;
    const int left = msUntil(deadline);
    if (left == 0) return false;
    port_->waitForBytesWritten(left);
    if (port_->error() == QSerialPort::ResourceError) return false;
  }
#else
  // The bytes go straight to the descriptor: one write() normally takes them
  // all. A full driver queue (EAGAIN on the non-blocking descriptor) is waited
  // for; any other failure means the device is gone.
  const int fd = static_cast<int>(port_->handle());
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
    if (n > 0) {
      data += n;
      left -= n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    const int ms = msUntil(deadline);
    if (ms == 0) return false;
    struct pollfd p {
      fd, POLLOUT, 0
    };
    const int r = ::poll(&p, 1, ms);
    if (r < 0 && errno != EINTR) return false;
    if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) return false;
  }
#endif
  return drain();
}

bool SerialTransport::drain() {
  if (!isOpen()) return false;
#ifdef Q_OS_WIN
  return FlushFileBuffers(reinterpret_cast<HANDLE>(port_->handle())) != 0;
#else
  const int fd = static_cast<int>(port_->handle());
  for (;;) {
    if (::tcdrain(fd) == 0) return true;
    if (errno != EINTR) return false;
  }
#endif
}

void SerialTransport::purgeOutput() {
  if (isOpen()) port_->clear(QSerialPort::Output);
}

void SerialTransport::purgeInput() {
  if (isOpen()) port_->clear(QSerialPort::Input);
}

QByteArray SerialTransport::read(int maxBytes, int limitMs, bool* failed) {
  *failed = false;
  QByteArray out;
  if (!isOpen() || maxBytes <= 0) return out;
  const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  // What the port object already took in while window events ran.
  out = port_->read(maxBytes);
#ifdef Q_OS_WIN
  while (out.size() < maxBytes) {
    const int ms = msUntil(deadline);
    if (ms == 0) break;
    if (port_->bytesAvailable() == 0 && !port_->waitForReadyRead(ms)) {
      if (port_->error() == QSerialPort::ResourceError) {
        *failed = true;
        break;
      }
      port_->clearError();
      continue;
    }
    out += port_->read(maxBytes - out.size());
  }
#else
  const int fd = static_cast<int>(port_->handle());
  while (out.size() < maxBytes) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) break;
    struct pollfd p {
      fd, POLLIN, 0
    };
#ifdef Q_OS_LINUX
    // To the microsecond: a millisecond poll would end the read up to 1 ms
    // late. The kernel lets a poll time-out run late by 0.1 % of its length
    // (1.3 ms on the 1325 ms read), so the wait goes in short slices.
    const auto slice = std::min<Clock::duration>(left, std::chrono::milliseconds(25));
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(slice).count();
    const struct timespec limit {
      static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)
    };
    const int r = ::ppoll(&p, 1, &limit, nullptr);
#else
    const int r = ::poll(&p, 1, msUntil(deadline));
#endif
    if (r < 0) {
      if (errno == EINTR) continue;
      *failed = true;
      break;
    }
    if (r == 0) continue;  // the deadline is checked at the top
    if (p.revents & POLLIN) {
      char buf[256];
      const qsizetype want = std::min<qsizetype>(qsizetype(sizeof buf), maxBytes - out.size());
      const ssize_t n = ::read(fd, buf, static_cast<size_t>(want));
      if (n > 0) {
        out.append(buf, static_cast<qsizetype>(n));
        continue;
      }
      if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
      *failed = true;  // end of file or an error: the device is gone
      break;
    }
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
      *failed = true;
      break;
    }
  }
#endif
  return out;
}

bool SerialTransport::setBaudRate(int rate) {
  if (!isOpen()) return false;
  // The new rate applies at once to whatever is still queued: let it leave
  // at the rate it was written for.
  const bool drained = drain();
  const bool set = port_->setBaudRate(rate);
  if (!set) port_->clearError();
  return drained && set;
}

int SerialTransport::baudRate() const { return isOpen() ? port_->baudRate() : 0; }

bool SerialTransport::isModem() const {
#ifdef Q_OS_WIN
  if (!isOpen()) return false;
  COMMPROP properties{};
  if (!GetCommProperties(reinterpret_cast<HANDLE>(port_->handle()), &properties)) return false;
  return properties.dwProvSubType == PST_MODEM;
#else
  return false;
#endif
}
