#pragma once

// Clients for the remote-control suites: a line client on a socket of the
// test's own event loop, and the real Hamlib client (rigctl) run as a
// process while the event loop keeps the server answering.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest/QtTest>

namespace remotetest {

// A client that writes lines and waits for answers while the event loop runs.
class LineClient {
 public:
  explicit LineClient(quint16 port, const QHostAddress& address = QHostAddress::LocalHost) {
    socket.connectToHost(address, port);
  }

  bool waitConnected(int ms = 5000) {
    return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; },
                           ms);
  }
  // Waits until the server has closed the connection.
  bool waitClosed(int ms = 5000) {
    return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::UnconnectedState; },
                           ms);
  }

  void send(const QByteArray& bytes) {
    socket.write(bytes);
    socket.flush();
  }

  // Everything received until `lines` line ends have arrived in all (or ms
  // passed); what came is kept for the next call only beyond those lines.
  QByteArray receiveLines(int lines, int ms = 5000) {
    // The event loop runs without pause until the answer is complete, so a
    // server in this process answers at its own pace.
    QDeadlineTimer deadline(ms);
    received_ += socket.readAll();
    while (received_.count('\n') < lines && !deadline.hasExpired() &&
           socket.state() == QAbstractSocket::ConnectedState) {
      QEventLoop loop;
      QObject::connect(&socket, &QIODevice::readyRead, &loop, &QEventLoop::quit);
      QObject::connect(&socket, &QAbstractSocket::disconnected, &loop, &QEventLoop::quit);
      QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
      loop.exec();
      received_ += socket.readAll();
    }
    received_ += socket.readAll();
    qsizetype end = 0;
    for (int i = 0; i < lines; ++i) {
      const qsizetype next = received_.indexOf('\n', end);
      if (next < 0) {
        end = received_.size();
        break;
      }
      end = next + 1;
    }
    const QByteArray answer = received_.left(end);
    received_.remove(0, end);
    return answer;
  }

  // Sends a line and returns the answer's first `lines` lines.
  QByteArray ask(const QByteArray& line, int lines = 1) {
    send(line + '\n');
    return receiveLines(lines);
  }

  QTcpSocket socket;

 private:
  QByteArray received_;
};

// The Hamlib command-line client, or empty when it is not installed.
inline QString RigctlPath() { return QStandardPaths::findExecutable(QStringLiteral("rigctl")); }

struct RigctlRun {
  bool finished = false;
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
};

// Runs `rigctl -m 2 -r 127.0.0.1:port -- commands...` (the networked-radio
// model; "--" lets a command argument start with "-")
// and waits for it with the event loop running, so the server in this
// process answers it.
inline RigctlRun RunRigctl(quint16 port, const QStringList& commands, int ms = 30000) {
  QProcess process;
  QStringList arguments = {QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"),
                           QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--")};
  arguments += commands;
  QSignalSpy finished(&process, &QProcess::finished);
  process.start(RigctlPath(), arguments);
  RigctlRun run;
  run.finished = finished.wait(ms) || !finished.isEmpty();
  if (!run.finished) {
    process.kill();
    process.waitForFinished(5000);
  }
  run.exitCode = process.exitCode();
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  return run;
}

}  // namespace remotetest
