#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <chrono>

// One TCP connection to a serial server, used from a single thread. Every
// call that can wait takes a deadline on the monotonic clock, so nothing
// waits longer than its caller allows: not the name lookup, not the
// connection attempt, not a send to a peer that stopped taking data.
//
// The socket is set up for a radio link: Nagle's algorithm off
// (TCP_NODELAY), so a command leaves the moment it is handed over and is
// never held back to be joined with the next one; a small send queue, so a
// peer that stops taking data shows within a few commands; and the kernel
// gives up on data left unacknowledged for longer than the stall limit.
class NetSocket {
 public:
  using Clock = std::chrono::steady_clock;

  NetSocket() = default;
  ~NetSocket();
  NetSocket(const NetSocket&) = delete;
  NetSocket& operator=(const NetSocket&) = delete;

  // Looks the host up and connects to it. False when the host is unknown,
  // refuses, cannot be reached, or does not answer by the deadline; error()
  // then says which. stallLimitMs: how long sent data may stay
  // unacknowledged before the kernel ends the connection.
  bool connectTo(const QString& host, quint16 port, Clock::time_point deadline, int stallLimitMs);
  void close();
  bool isOpen() const { return fd_ != kNoSocket; }

  // Hands the bytes to the kernel, normally in one send() call; waits for
  // room only while the send queue is full, until the deadline. False when
  // the connection failed or no room came (the peer stopped taking data).
  bool send(const char* data, qsizetype size, Clock::time_point deadline);
  // Waits until bytes arrive or the deadline passes and appends what
  // arrived (nothing at the deadline). False when the peer closed the
  // connection or it failed.
  bool receive(QByteArray* into, Clock::time_point deadline);

  // Bytes handed over that the peer has not acknowledged yet, sent or not;
  // -1 where the platform cannot tell.
  qint64 unacknowledged() const;
  // Bytes handed over that have not been put on the network yet; 0 where
  // the platform cannot tell.
  qint64 unsent() const;

  // Why the last call failed, for the operator.
  QString error() const { return error_; }
  // "host:port" of the peer, for messages.
  QString peer() const { return peer_; }

 private:
  static constexpr qintptr kNoSocket = -1;
  bool fail(const QString& message);
  bool failWithSystemError(int code);
  bool waitFor(short events, Clock::time_point deadline, bool* ready);
  bool connectAddress(const void* address, int length, int family, Clock::time_point deadline,
                      int stallLimitMs, int* code);

  qintptr fd_ = kNoSocket;
  QString peer_;
  QString error_;
};
