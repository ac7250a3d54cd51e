#include "radio/NetworkTransport.h"

#include <algorithm>
#include <thread>

namespace {

using Clock = NetworkTransport::Clock;

// The rate assumed when none was asked for (a stored rate that is no rate):
// what a serial port opens at.
constexpr int kDefaultRate = 9600;
// Bits a byte takes on the far side's wire: start, 8 data bits, stop.
constexpr int kBitsPerByte = 10;
// The most of the radio's bytes kept while nothing reads them; older ones
// are dropped, as a UART drops what overruns it.
constexpr qsizetype kReceiveKeep = 64 * 1024;
// The longest text a server's parting words may be to go into a message.
constexpr qsizetype kLongestExplanation = 200;
// The step of the waits for the network to take what was handed over.
// They happen only while the network holds data back, which a working
// link never does for more than a moment.
constexpr auto kNetworkPoll = std::chrono::microseconds(250);

}  // namespace

NetworkTransport::NetworkTransport(const PortAddress& address) : address_(address) {}

NetworkTransport::~NetworkTransport() { socket_.close(); }

bool NetworkTransport::open(int baudRate) {
  close();
  error_.clear();
  const auto deadline = Clock::now() + std::chrono::milliseconds(kOpenLimitMs);
  if (!socket_.connectTo(address_.host, address_.port, deadline, kStallLimitMs)) {
    error_ = socket_.error();
    return false;
  }
  open_ = true;
  failed_ = false;
  rate_ = baudRate > 0 ? baudRate : kDefaultRate;
  if (!startLine(baudRate, deadline)) {
    // A server that cannot give the port says why before it hangs up
    // (ser2net: "Port's device already in use"): that goes with the message.
    const QByteArray said = received_.trimmed();
    const bool text =
        std::all_of(said.begin(), said.end(), [](char c) { return c >= ' ' && c < 127; });
    if (!said.isEmpty() && said.size() <= kLongestExplanation && text) {
      error_ += QStringLiteral(" It said: \"%1\"").arg(QString::fromLatin1(said));
    }
    close();
    return false;
  }
  return true;
}

bool NetworkTransport::startLine(int, Clock::time_point) { return true; }

void NetworkTransport::close() {
  socket_.close();
  open_ = false;
  failed_ = false;
  rate_ = 0;
  received_.clear();
  pending_.clear();
  handedOver_ = 0;
  wireFreeAt_ = {};
}

bool NetworkTransport::fail(const QString& message) {
  if (!failed_) error_ = message;
  failed_ = true;
  socket_.close();
  return false;
}

void NetworkTransport::keep(const char* data, qsizetype size) {
  received_.append(data, size);
  if (received_.size() > kReceiveKeep) received_.remove(0, received_.size() - kReceiveKeep);
}

bool NetworkTransport::pump(Clock::time_point deadline) {
  if (!usable()) return false;
  QByteArray raw;
  if (!socket_.receive(&raw, deadline)) return fail(socket_.error());
  if (!raw.isEmpty()) takeIn(raw);
  return usable();
}

bool NetworkTransport::checkStall() {
  const qint64 queued = socket_.unacknowledged();
  if (queued <= 0) {
    // All taken (or the platform cannot tell: its kernel ends the
    // connection after the same limit, and the next call sees that).
    pending_.clear();
    return true;
  }
  const qint64 firstQueued = handedOver_ - queued;
  while (!pending_.empty() && pending_.front().end <= firstQueued) pending_.pop_front();
  if (pending_.empty()) return true;
  const auto age = Clock::now() - pending_.front().at;
  if (age < std::chrono::milliseconds(kStallLimitMs)) return true;
  return fail(
      QStringLiteral("The network to %1 stalled: bytes sent %2 s ago have still not "
                     "reached the serial server.")
          .arg(peer(), QString::number(std::chrono::duration<double>(age).count(), 'f', 1)));
}

bool NetworkTransport::waitUntilSent() {
  while (socket_.unsent() > 0) {
    if (!checkStall()) return false;
    std::this_thread::sleep_for(kNetworkPoll);
  }
  return true;
}

bool NetworkTransport::handOver(const QByteArray& wire, qsizetype dataBytes) {
  if (!usable()) return false;
  if (wire.isEmpty()) return true;
  // Nothing goes into a connection that has ended: what the server sent,
  // its hang-up included, is taken in first.
  if (!pump(Clock::now())) return false;
  if (!checkStall() || !waitUntilSent()) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kStallLimitMs);
  if (!socket_.send(wire.constData(), wire.size(), deadline)) return fail(socket_.error());
  const auto now = Clock::now();
  handedOver_ += wire.size();
  pending_.push_back({handedOver_, now});
  if (dataBytes > 0 && rate_ > 0) {
    const auto onWire = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(double(dataBytes) * kBitsPerByte / rate_));
    wireFreeAt_ = std::max(wireFreeAt_, now) + onWire;
  }
  return true;
}

bool NetworkTransport::write(const QByteArray& bytes) {
  if (!usable()) return false;
  if (bytes.isEmpty()) return true;
  return handOver(encode(bytes), bytes.size());
}

bool NetworkTransport::drain() {
  if (!usable()) return false;
  // Acknowledged by the far side's machine first; the stall check ends the
  // wait when that does not come.
  for (;;) {
    if (!pump(Clock::now())) return false;
    const qint64 queued = socket_.unacknowledged();
    if (queued <= 0) break;
    if (!checkStall()) return false;
    std::this_thread::sleep_for(kNetworkPoll);
  }
  // Then the time its UART needs for them at the rate.
  std::this_thread::sleep_until(wireFreeAt_);
  return true;
}

void NetworkTransport::purgeInput() {
  if (!usable()) return;
  pump(Clock::now());
  received_.clear();
}

QByteArray NetworkTransport::read(int maxBytes, int limitMs, bool* failed) {
  *failed = false;
  if (!open_ || maxBytes <= 0) return {};
  if (failed_) {
    *failed = true;
    return {};
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(limitMs, 0));
  for (;;) {
    if (received_.size() >= maxBytes) break;
    if (!pump(deadline) || !checkStall()) {
      *failed = true;
      break;
    }
    if (Clock::now() >= deadline) break;
  }
  const QByteArray out = received_.left(maxBytes);
  received_.remove(0, out.size());
  return out;
}

bool NetworkTransport::setBaudRate(int) {
  drain();
  return false;
}

bool NetworkTransport::checkLine() {
  if (!usable()) return false;
  return pump(Clock::now()) && checkStall();
}

bool TcpTransport::startLine(int, Clock::time_point deadline) {
  // Listening meanwhile finds a server that hangs up at once (one that
  // cannot open its device) while the open can still say so.
  const auto ready = std::min(deadline, Clock::now() + std::chrono::milliseconds(kServerReadyMs));
  return pumpUntil(ready, [] { return false; });
}
