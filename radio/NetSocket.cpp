#include "radio/NetSocket.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#ifdef Q_OS_LINUX
#include <linux/sockios.h>
#endif
#endif

namespace {

using Clock = NetSocket::Clock;

// The kernel's send queue for the socket: room for many commands (they are
// tens of bytes), small enough that a peer that stops taking data fills it
// within a few seconds of traffic instead of hiding behind megabytes.
constexpr int kSendQueueBytes = 16 * 1024;
// An idle connection is probed after this long, so a server that vanished
// while nothing was sent is found without waiting for the next command.
constexpr int kKeepAliveIdleS = 5;
constexpr int kKeepAliveIntervalS = 1;
constexpr int kKeepAliveProbes = 3;

#ifdef Q_OS_WIN
using SocketLength = int;
int lastError() { return WSAGetLastError(); }
bool interrupted(int code) { return code == WSAEINTR; }
bool wouldBlock(int code) { return code == WSAEWOULDBLOCK; }
bool inProgress(int code) { return code == WSAEWOULDBLOCK || code == WSAEINPROGRESS; }
constexpr int kRefused = WSAECONNREFUSED;
constexpr int kTimedOut = WSAETIMEDOUT;
bool unreachable(int code) { return code == WSAENETUNREACH || code == WSAEHOSTUNREACH; }
bool dropped(int code) { return code == WSAECONNRESET || code == WSAECONNABORTED; }
void closeSocket(qintptr fd) { ::closesocket(static_cast<SOCKET>(fd)); }
constexpr int kSendFlags = 0;
void startSockets() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  });
}
#else
using SocketLength = socklen_t;
int lastError() { return errno; }
bool interrupted(int code) { return code == EINTR; }
bool wouldBlock(int code) { return code == EAGAIN || code == EWOULDBLOCK; }
bool inProgress(int code) { return code == EINPROGRESS; }
constexpr int kRefused = ECONNREFUSED;
constexpr int kTimedOut = ETIMEDOUT;
bool unreachable(int code) {
  return code == ENETUNREACH || code == EHOSTUNREACH || code == EHOSTDOWN;
}
bool dropped(int code) { return code == ECONNRESET || code == EPIPE || code == ECONNABORTED; }
void closeSocket(qintptr fd) { ::close(static_cast<int>(fd)); }
#ifdef MSG_NOSIGNAL
// A send into a connection the peer reset must fail, not kill the program.
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif
void startSockets() {}
#endif

QString systemText(int code) {
  return QString::fromStdString(std::system_category().message(code));
}

QString seconds(Clock::duration d) {
  return QString::number(std::chrono::duration<double>(d).count(), 'f', 1);
}

// Waits for one socket event for at most `left` (zero: only looks). Returns
// the poll result; *revents receives the events seen.
int pollOnce(qintptr fd, short events, Clock::duration left, short* revents) {
#ifdef Q_OS_WIN
  WSAPOLLFD p{static_cast<SOCKET>(fd), events, 0};
  const int ms = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
  const int r = WSAPoll(&p, 1, std::max(ms, 0));
#elif defined(Q_OS_LINUX)
  // To the microsecond, like the serial port's read: a millisecond poll
  // would end a timed read up to 1 ms late.
  struct pollfd p {
    static_cast<int>(fd), events, 0
  };
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  const struct timespec limit {
    static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)
  };
  const int r = ::ppoll(&p, 1, &limit, nullptr);
#else
  struct pollfd p {
    static_cast<int>(fd), events, 0
  };
  const int ms = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
  const int r = ::poll(&p, 1, ms);
#endif
  *revents = r > 0 ? p.revents : 0;
  return r;
}

// A name lookup that may outlive the wait for it: the helper thread owns a
// share of it and frees the result when nobody waits any more.
struct Lookup {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  int status = 0;
  addrinfo* result = nullptr;
  ~Lookup() {
    if (result) freeaddrinfo(result);
  }
};

QString lookupError(int status) {
#ifdef Q_OS_WIN
  return systemText(status);
#else
  if (status == EAI_SYSTEM) return systemText(errno);
  return QString::fromLocal8Bit(gai_strerror(status));
#endif
}

void setOption(qintptr fd, int level, int name, int value) {
#ifdef Q_OS_WIN
  setsockopt(static_cast<SOCKET>(fd), level, name, reinterpret_cast<const char*>(&value),
             sizeof value);
#else
  setsockopt(static_cast<int>(fd), level, name, &value, sizeof value);
#endif
}

// Sets the socket up for the radio link (see the class comment).
void prepare(qintptr fd, int stallLimitMs) {
  setOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  setOption(fd, SOL_SOCKET, SO_SNDBUF, kSendQueueBytes);
  setOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
#ifdef Q_OS_WIN
  // Seconds a send may go unacknowledged before the connection ends.
  setOption(fd, IPPROTO_TCP, TCP_MAXRT, std::max(1, (stallLimitMs + 999) / 1000));
  u_long on = 1;
  ioctlsocket(static_cast<SOCKET>(fd), FIONBIO, &on);
#else
#ifdef TCP_USER_TIMEOUT
  setOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, stallLimitMs);
#else
  Q_UNUSED(stallLimitMs);
#endif
#ifdef TCP_KEEPIDLE
  setOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepAliveIdleS);
  setOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepAliveIntervalS);
  setOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepAliveProbes);
#endif
#ifdef SO_NOSIGPIPE
  setOption(fd, SOL_SOCKET, SO_NOSIGPIPE, 1);
#endif
  fcntl(static_cast<int>(fd), F_SETFL, fcntl(static_cast<int>(fd), F_GETFL) | O_NONBLOCK);
  fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
#endif
}

}  // namespace

NetSocket::~NetSocket() { close(); }

void NetSocket::close() {
  if (fd_ == kNoSocket) return;
  closeSocket(fd_);
  fd_ = kNoSocket;
}

bool NetSocket::fail(const QString& message) {
  error_ = message;
  return false;
}

bool NetSocket::failWithSystemError(int code) {
  if (code == kTimedOut) {
    return fail(QStringLiteral("The network to %1 stalled: the serial server stopped "
                               "acknowledging what Corvalo sent.")
                    .arg(peer_));
  }
  if (dropped(code)) {
    return fail(QStringLiteral("%1 dropped the connection (%2).").arg(peer_, systemText(code)));
  }
  return fail(QStringLiteral("The connection to %1 failed: %2.").arg(peer_, systemText(code)));
}

bool NetSocket::connectTo(const QString& host, quint16 port, Clock::time_point deadline,
                          int stallLimitMs) {
  close();
  error_.clear();
  startSockets();
  peer_ = (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
          QLatin1Char(':') + QString::number(port);
  const QByteArray name = host.toUtf8();
  const QByteArray service = QByteArray::number(port);
  const auto started = Clock::now();

  // A numeric address is read at once; a name is looked up on a helper
  // thread, so that a slow or dead name server cannot hold the link past
  // its deadline (a lookup still running then finishes on its own).
  auto lookup = std::make_shared<Lookup>();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  if (getaddrinfo(name.constData(), service.constData(), &hints, &lookup->result) != 0) {
    lookup->result = nullptr;
    hints.ai_flags = AI_NUMERICSERV;
    std::thread([lookup, name, service, hints] {
      addrinfo* result = nullptr;
      const int status = getaddrinfo(name.constData(), service.constData(), &hints, &result);
      std::lock_guard lock(lookup->mutex);
      lookup->status = status;
      lookup->result = result;
      lookup->done = true;
      lookup->finished.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->finished.wait_until(lock, deadline, [&] { return lookup->done; })) {
      return fail(QStringLiteral("The host name \"%1\" could not be looked up within %2 s.")
                      .arg(host, seconds(Clock::now() - started)));
    }
    if (lookup->status != 0 || !lookup->result) {
      return fail(QStringLiteral("Cannot find the host \"%1\": %2.")
                      .arg(host, lookupError(lookup->status)));
    }
  }

  // Every address of the host in turn, until one takes the connection.
  int code = 0;
  for (const addrinfo* a = lookup->result; a; a = a->ai_next) {
    if (connectAddress(a->ai_addr, static_cast<int>(a->ai_addrlen), a->ai_family, deadline,
                       stallLimitMs, &code)) {
      return true;
    }
    if (Clock::now() >= deadline) break;
  }
  if (code == kRefused) {
    return fail(QStringLiteral("%1 refused the connection: no serial server listens on that "
                               "port.")
                    .arg(peer_));
  }
  if (unreachable(code)) {
    return fail(QStringLiteral("Cannot reach %1: %2.").arg(peer_, systemText(code)));
  }
  if (code == kTimedOut || code == 0) {
    return fail(QStringLiteral("%1 did not answer within %2 s: the host is off or unreachable, "
                               "or a firewall drops the connection.")
                    .arg(peer_, seconds(Clock::now() - started)));
  }
  return fail(QStringLiteral("Cannot connect to %1: %2.").arg(peer_, systemText(code)));
}

bool NetSocket::connectAddress(const void* address, int length, int family,
                               Clock::time_point deadline, int stallLimitMs, int* code) {
#ifdef Q_OS_WIN
  const SOCKET s = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    *code = lastError();
    return false;
  }
  const qintptr fd = static_cast<qintptr>(s);
#else
  const int s = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
  if (s < 0) {
    *code = lastError();
    return false;
  }
  const qintptr fd = s;
#endif
  prepare(fd, stallLimitMs);
  fd_ = fd;
  int r = 0;
#ifdef Q_OS_WIN
  r = ::connect(s, static_cast<const sockaddr*>(address), length);
#else
  do {
    r = ::connect(s, static_cast<const sockaddr*>(address), static_cast<SocketLength>(length));
  } while (r != 0 && interrupted(lastError()));
#endif
  if (r == 0) return true;
  *code = lastError();
  if (inProgress(*code)) {
    bool ready = false;
    if (waitFor(POLLOUT, deadline, &ready) && ready) {
      int error = 0;
      SocketLength size = sizeof error;
#ifdef Q_OS_WIN
      getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
#else
      getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &size);
#endif
      if (error == 0) return true;
      *code = error;
    } else {
      *code = kTimedOut;
    }
  }
  close();
  return false;
}

bool NetSocket::waitFor(short events, Clock::time_point deadline, bool* ready) {
  *ready = false;
  // The wait goes in short slices: a long kernel time-out may run late by a
  // fraction of its length, and the deadline must hold to the millisecond.
  constexpr auto kSlice = std::chrono::milliseconds(25);
  for (;;) {
    const auto left = std::max(deadline - Clock::now(), Clock::duration::zero());
    short revents = 0;
    const int r = pollOnce(fd_, events, std::min<Clock::duration>(left, kSlice), &revents);
    if (r > 0) {
      *ready = true;
      return true;
    }
    if (r < 0 && !interrupted(lastError())) return failWithSystemError(lastError());
    if (left == Clock::duration::zero()) return true;
  }
}

bool NetSocket::send(const char* data, qsizetype size, Clock::time_point deadline) {
  if (!isOpen()) return fail(QStringLiteral("The connection to %1 is closed.").arg(peer_));
  while (size > 0) {
    const int chunk = static_cast<int>(std::min<qsizetype>(size, INT_MAX));
#ifdef Q_OS_WIN
    const int n = ::send(static_cast<SOCKET>(fd_), data, chunk, kSendFlags);
#else
    const ssize_t n = ::send(static_cast<int>(fd_), data, static_cast<size_t>(chunk), kSendFlags);
#endif
    if (n > 0) {
      data += n;
      size -= n;
      continue;
    }
    const int code = lastError();
    if (n < 0 && interrupted(code)) continue;
    if (n < 0 && wouldBlock(code)) {
      // The send queue is full: the peer has stopped taking data.
      bool ready = false;
      if (!waitFor(POLLOUT, deadline, &ready)) return false;
      if (!ready) {
        return fail(QStringLiteral("The network to %1 stalled: the serial server took no data "
                                   "for several seconds.")
                        .arg(peer_));
      }
      continue;
    }
    return failWithSystemError(code);
  }
  return true;
}

bool NetSocket::receive(QByteArray* into, Clock::time_point deadline) {
  if (!isOpen()) return fail(QStringLiteral("The connection to %1 is closed.").arg(peer_));
  bool ready = false;
  if (!waitFor(POLLIN, deadline, &ready)) return false;
  if (!ready) return true;
  char buffer[4096];
  for (;;) {
#ifdef Q_OS_WIN
    const int n = ::recv(static_cast<SOCKET>(fd_), buffer, sizeof buffer, 0);
#else
    const ssize_t n = ::recv(static_cast<int>(fd_), buffer, sizeof buffer, 0);
#endif
    if (n > 0) {
      into->append(buffer, static_cast<qsizetype>(n));
      if (n < static_cast<qsizetype>(sizeof buffer)) return true;
      continue;  // there may be more waiting
    }
    if (n == 0) return fail(QStringLiteral("%1 closed the connection.").arg(peer_));
    const int code = lastError();
    if (interrupted(code)) continue;
    if (wouldBlock(code)) return true;
    return failWithSystemError(code);
  }
}

qint64 NetSocket::unacknowledged() const {
  if (!isOpen()) return 0;
#if defined(Q_OS_LINUX)
  int queued = 0;
  if (ioctl(static_cast<int>(fd_), SIOCOUTQ, &queued) != 0) return -1;
  return queued;
#elif defined(SO_NWRITE)
  int queued = 0;
  socklen_t size = sizeof queued;
  if (getsockopt(static_cast<int>(fd_), SOL_SOCKET, SO_NWRITE, &queued, &size) != 0) return -1;
  return queued;
#else
  return -1;
#endif
}

qint64 NetSocket::unsent() const {
#if defined(Q_OS_LINUX)
  if (!isOpen()) return 0;
  int queued = 0;
  if (ioctl(static_cast<int>(fd_), SIOCOUTQNSD, &queued) != 0) return 0;
  return queued;
#else
  return 0;
#endif
}
