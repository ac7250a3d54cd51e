#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <deque>

#include "radio/NetSocket.h"
#include "radio/PortAddress.h"
#include "radio/Transport.h"

// A serial port on another machine, shared by a serial server (ser2net and
// the like), under the radio link. What every kind of network port has in
// common lives here: the connection, its faults, pacing and reads. The
// kinds differ in what travels beside the radio's bytes: nothing over a raw
// TCP port (TcpTransport), Telnet and the COM-PORT-OPTION over RFC 2217
// (Rfc2217Transport).
//
// Pacing: write() returns once the bytes are handed to the socket, with
// Nagle's algorithm off, so a wait that follows is measured from the
// hand-over, as for a local port. Before the next write is handed over,
// every byte of the one before must have been put on the network, so two
// commands never travel in one segment and the server never writes them to
// the radio back to back. What the network and the far side then add (the
// trip, the server's own queue, its UART) is outside the program's reach.
//
// Faults: a host that cannot be found or reached, a refused connection, a
// server that does not answer, closes the connection, or stops taking data
// (bytes handed over stay unacknowledged for kStallLimitMs) make the call
// that meets them return false with errorString() saying what happened.
// Nothing waits longer than these limits. A failed line sends nothing more;
// close() and open() take it again.
class NetworkTransport : public Transport {
 public:
  using Clock = NetSocket::Clock;
  // The limit for connecting and agreeing on the line at open.
  static constexpr int kOpenLimitMs = 2500;
  // How long bytes handed to the socket may stay untaken by the far side.
  static constexpr int kStallLimitMs = 2500;
  // How long an answer to a setting is waited for; a server that never
  // answers (some answer nothing to some requests) costs this much once.
  static constexpr int kAnswerLimitMs = 1000;

  ~NetworkTransport() override;

  bool open(int baudRate) override;
  void close() override;
  bool isOpen() const override { return open_; }
  bool write(const QByteArray& bytes) override;
  // Waits until the far side has acknowledged every byte and, by the rate,
  // its UART has had the time to send them.
  bool drain() override;
  void purgeOutput() override {}
  void purgeInput() override;
  QByteArray read(int maxBytes, int limitMs, bool* failed) override;
  // A raw TCP port cannot change the server's rate: after draining, false.
  bool setBaudRate(int rate) override;
  int baudRate() const override { return open_ ? rate_ : 0; }
  bool carrierDetect() override { return false; }
  bool checkLine() override;
  QString errorString() const override { return error_; }

 protected:
  explicit NetworkTransport(const PortAddress& address);

  // Agrees on the line once connected; rate_ then holds the rate in force.
  // False after fail() when the server is not what the address says.
  virtual bool startLine(int baudRate, Clock::time_point deadline);
  // What goes on the socket for these data bytes.
  virtual QByteArray encode(const QByteArray& bytes) { return bytes; }
  // Takes in bytes from the socket; the radio's bytes go to keep().
  virtual void takeIn(const QByteArray& raw) { keep(raw.constData(), raw.size()); }

  // Keeps bytes from the radio for read().
  void keep(const char* data, qsizetype size);
  // Hands bytes to the socket in one piece (dataBytes of them the radio's,
  // for the far side's UART time). False after fail().
  bool handOver(const QByteArray& wire, qsizetype dataBytes);
  // Takes in what arrives until the deadline (a deadline already passed
  // only looks). False after fail().
  bool pump(Clock::time_point deadline);
  // Takes in what arrives until done() or the deadline. False after fail().
  template <typename Done>
  bool pumpUntil(Clock::time_point deadline, Done done) {
    while (!done()) {
      if (Clock::now() >= deadline) return true;
      if (!pump(deadline)) return false;
    }
    return true;
  }
  // Ends the line with a message for the operator; returns false.
  bool fail(const QString& message);
  bool usable() const { return open_ && !failed_; }
  QString peer() const { return address_.peer(); }

  int rate_ = 0;
  QByteArray received_;

 private:
  bool checkStall();
  bool waitUntilSent();

  PortAddress address_;
  NetSocket socket_;
  bool open_ = false;
  bool failed_ = false;
  QString error_;
  // Hand-over bookkeeping for the stall check: the running byte count at
  // the end of each write still unacknowledged, and when it was handed over.
  struct HandOver {
    qint64 end;
    Clock::time_point at;
  };
  std::deque<HandOver> pending_;
  qint64 handedOver_ = 0;
  // When the far side's UART will have sent the radio's bytes, by the rate.
  Clock::time_point wireFreeAt_{};
};

// A raw TCP port ("tcp://host:port"): the radio's bytes and nothing else
// travel; the server's configuration sets the rate, which cannot change.
class TcpTransport final : public NetworkTransport {
 public:
  // How long the open gives the server to open its serial device (a serial
  // server opens it when the connection comes in). Bytes sent sooner wait in
  // the server's queue and would reach the radio back to back with the next
  // ones; nothing on a raw port says when the device is ready.
  static constexpr int kServerReadyMs = 100;

  explicit TcpTransport(const PortAddress& address) : NetworkTransport(address) {}

 protected:
  bool startLine(int baudRate, Clock::time_point deadline) override;
};
