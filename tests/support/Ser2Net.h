#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real ser2net on loopback for the network-port tests and benchmarks. It
// shares one serial device (a pseudo-terminal) on two free ports: one as an
// RFC 2217 server (Telnet with the COM-PORT-OPTION), one as a raw TCP
// port. It runs in the foreground with a configuration written for it,
// never the system's, and ends with the object.
class Ser2Net {
 public:
  // gatherReplies: ser2net's default of holding what the device sends for
  // two character times (at least 1 ms) to send it in fewer packets
  // ("chardelay"); false sends it on at once.
  explicit Ser2Net(const QString& devicePath, bool gatherReplies = true);
  ~Ser2Net();
  Ser2Net(const Ser2Net&) = delete;
  Ser2Net& operator=(const Ser2Net&) = delete;

  // Starts it and waits until both ports listen. False when it cannot be
  // started (not installed, refused its configuration); why() then says so.
  bool start();
  // Ends it (the connections close as when the far machine's server stops).
  void stop();
  QString why() const { return why_; }

  QString rfc2217Address() const;
  QString tcpAddress() const;
  quint16 rfc2217Port() const { return rfc2217Port_; }
  quint16 tcpPort() const { return tcpPort_; }

  // A loopback port nothing listens on (for a refused connection).
  static quint16 freePort();

 private:
  bool listening(quint16 port) const;

  QString devicePath_;
  bool gatherReplies_;
  QTemporaryDir dir_;
  QProcess process_;
  quint16 rfc2217Port_ = 0;
  quint16 tcpPort_ = 0;
  QString why_;
};
