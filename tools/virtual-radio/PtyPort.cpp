#include "PtyPort.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/epoll.h>
#else
#include <ctime>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

struct RateCode {
  speed_t code;
  int rate;
};

constexpr RateCode kRates[] = {
    {B300, 300},     {B600, 600},       {B1200, 1200},     {B2400, 2400},
    {B4800, 4800},   {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
};

}  // namespace

PtyPort::~PtyPort() {
  if (epoll_ >= 0) ::close(epoll_);
  if (fd_ >= 0) ::close(fd_);
}

bool PtyPort::open(QString* error) {
  fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) {
    *error = QStringLiteral("cannot create a pseudo-terminal: %1")
                 .arg(QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  const char* name = ::ptsname(fd_);
  if (!name) {
    *error = QStringLiteral("cannot name the pseudo-terminal");
    return false;
  }
  path_ = QString::fromLocal8Bit(name);
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);

  // Raw 8N1 at 9600 on the follower side, so that nothing is echoed or
  // translated before the program configures the port itself. Closing it
  // again leaves the pair waiting for the program to open it.
  const int follower = ::open(name, O_RDWR | O_NOCTTY);
  if (follower < 0) {
    *error = QStringLiteral("cannot open %1: %2")
                 .arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  struct termios t {};
  if (::tcgetattr(follower, &t) == 0) {
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    ::tcsetattr(follower, TCSANOW, &t);
  }
  ::close(follower);

#ifdef __linux__
  // While no program holds the follower open the controller side reports a
  // hang-up on every poll; edge-triggered, it is reported once and the next
  // wait sleeps until bytes arrive.
  epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
  struct epoll_event ev {};
  ev.events = EPOLLIN | EPOLLET;
  ev.data.fd = fd_;
  if (epoll_ < 0 || ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd_, &ev) != 0) {
    *error = QStringLiteral("cannot wait on the pseudo-terminal: %1")
                 .arg(QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
#endif
  return true;
}

PtyPort::Wait PtyPort::wait(int timeoutMs) const {
#ifdef __linux__
  struct epoll_event ev {};
  const int r = ::epoll_wait(epoll_, &ev, 1, timeoutMs);
  if (r < 0) return errno == EINTR ? Wait::Interrupted : Wait::Error;
  if (r == 0) return Wait::Timeout;
  if (ev.events & EPOLLIN) return Wait::Data;
  if (ev.events & EPOLLHUP) return Wait::NoPeer;
  return Wait::Error;
#else
  struct pollfd p {};
  p.fd = fd_;
  p.events = POLLIN;
  const int r = ::poll(&p, 1, timeoutMs);
  if (r < 0) return errno == EINTR ? Wait::Interrupted : Wait::Error;
  if (r == 0) return Wait::Timeout;
  if (p.revents & POLLIN) return Wait::Data;
  if (p.revents & POLLHUP) {
    // The hang-up stays reported until a program opens the follower: pause
    // rather than ask again at once.
    struct timespec pause {
      0, 50 * 1000000L
    };
    ::nanosleep(&pause, nullptr);
    return Wait::NoPeer;
  }
  return Wait::Error;
#endif
}

QByteArray PtyPort::readAvailable(bool* peerGone) {
  QByteArray bytes;
  *peerGone = false;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n > 0) {
      bytes.append(buf, static_cast<qsizetype>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // EIO (Linux) or end of file: the program closed the follower.
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) *peerGone = true;
    break;
  }
  return bytes;
}

void PtyPort::write(const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(fd_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n > 0) {
      done += n;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      struct pollfd p {};
      p.fd = fd_;
      p.events = POLLOUT;
      if (::poll(&p, 1, 20) <= 0) return;  // nobody reads: the rest is lost, as on a wire
    } else {
      return;
    }
  }
}

int PtyPort::currentBaud() const {
  struct termios t {};
  if (::tcgetattr(fd_, &t) != 0) return 0;
  const speed_t code = ::cfgetospeed(&t);
  for (const RateCode& r : kRates) {
    if (r.code == code) return r.rate;
  }
  return -1;
}
