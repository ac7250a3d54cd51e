#include "Ser2Net.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QStandardPaths>
#include <chrono>
#include <thread>

Ser2Net::Ser2Net(const QString& devicePath, bool gatherReplies)
    : devicePath_(devicePath), gatherReplies_(gatherReplies) {
  process_.setProcessChannelMode(QProcess::MergedChannels);
}

Ser2Net::~Ser2Net() { stop(); }

quint16 Ser2Net::freePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  quint16 port = 0;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(s);
  return port;
}

QString Ser2Net::rfc2217Address() const {
  return QStringLiteral("rfc2217://127.0.0.1:%1").arg(rfc2217Port_);
}

QString Ser2Net::tcpAddress() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(tcpPort_); }

bool Ser2Net::listening(quint16 port) const {
  // Read from the kernel's table rather than by connecting: a probe
  // connection would open the serial device on the server's side.
  QFile table(QStringLiteral("/proc/net/tcp"));
  if (!table.open(QIODevice::ReadOnly)) return false;
  const QByteArray local =
      "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
  for (const QByteArray& line : table.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") return true;  // LISTEN
  }
  return false;
}

bool Ser2Net::start() {
  stop();
  QString program = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
  if (program.isEmpty()) {
    program = QStandardPaths::findExecutable(
        QStringLiteral("ser2net"),
        {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
  }
  if (program.isEmpty()) {
    why_ = QStringLiteral("ser2net is not installed (Debian package ser2net)");
    return false;
  }
  if (!dir_.isValid()) {
    why_ = QStringLiteral("no temporary folder for the ser2net configuration");
    return false;
  }
  if (rfc2217Port_ == 0) {
    rfc2217Port_ = freePort();
    tcpPort_ = freePort();
  }
  // "local" ignores the modem lines; a new client takes the port from an
  // old one that has not gone yet.
  const QString connector = QStringLiteral("serialdev,%1,9600n81,local").arg(devicePath_);
  const QString options =
      QStringLiteral("    kickolduser: true\n    chardelay: %1\n")
          .arg(gatherReplies_ ? QStringLiteral("true") : QStringLiteral("false"));
  const QString config = QStringLiteral(
                             "%YAML 1.1\n---\n"
                             "connection: &rfc2217\n"
                             "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                             "  connector: %3\n"
                             "  options:\n%4"
                             "connection: &raw\n"
                             "  accepter: tcp,127.0.0.1,%2\n"
                             "  connector: %3\n"
                             "  options:\n%4")
                             .arg(rfc2217Port_)
                             .arg(tcpPort_)
                             .arg(connector, options);
  QFile file(dir_.filePath(QStringLiteral("ser2net.yaml")));
  if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) {
    why_ = QStringLiteral("cannot write the ser2net configuration");
    return false;
  }
  file.close();
  // Foreground (-n), no lock files (-u), its own configuration and pid file.
  process_.start(program,
                 {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), file.fileName(),
                  QStringLiteral("-P"), dir_.filePath(QStringLiteral("ser2net.pid"))});
  if (!process_.waitForStarted(5000)) {
    why_ = QStringLiteral("ser2net did not start: %1").arg(process_.errorString());
    return false;
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < end) {
    if (process_.state() != QProcess::Running) break;
    if (listening(rfc2217Port_) && listening(tcpPort_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  process_.waitForFinished(100);
  why_ = QStringLiteral("ser2net did not listen on ports %1 and %2: %3")
             .arg(rfc2217Port_)
             .arg(tcpPort_)
             .arg(QString::fromLocal8Bit(process_.readAll()).trimmed());
  stop();
  return false;
}

void Ser2Net::stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(5000)) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}
