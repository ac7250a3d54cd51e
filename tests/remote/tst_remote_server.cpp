// The remote-control server on real sockets: the Hamlib client against it,
// and clients that misbehave (too many, too long, garbage, silent, vanishing,
// never reading), none of which may stall the event loop or reach the radio
// with anything malformed.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest/QtTest>
#include <atomic>
#include <memory>
#include <thread>

#include "FakeTarget.h"
#include "RemoteTestSupport.h"
#include "TestMain.h"
#include "remote/RemoteServer.h"

using namespace remotetest;

namespace {

// An address of this machine other than the loopback, if it has one.
QHostAddress OtherAddress() {
  for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
    if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
      return address;
    }
  }
  return {};
}

// A target whose frequency change takes a while, as a paced radio command
// does: it keeps the event loop waiting and answers at once, or (later) it
// answers from the event loop once the time has passed, as the radio's link
// does. It records when each change begins and when it is answered.
class SlowTarget : public FakeTarget {
 public:
  void setFrequency(double hertz, rigctl::Reply done) override {
    const QString value = QString::number(hertz, 'f', 0);
    events << QStringLiteral("begin ") + value;
    const auto finish = [this, hertz, value, done] {
      events << QStringLiteral("end ") + value;
      FakeTarget::setFrequency(hertz, done);
    };
    if (later) {
      QTimer::singleShot(busyMs, &timers_, finish);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(busyMs));
    finish();
  }
  bool later = false;
  int busyMs = 5;
  QStringList events;

 private:
  QObject timers_;  // an answer not given yet goes with the target
};

}  // namespace

class RemoteServerTest : public QObject {
  Q_OBJECT

 private slots:
  // The real client: its opening handshake, every command it sends for the
  // commands given, values read back, and a refusal reported as an error.
  void hamlibClient() {
    if (RigctlPath().isEmpty()) QSKIP("rigctl (Debian package libhamlib-utils) is not installed");
    FakeTarget target;
    RemoteServer server(target);
    QVERIFY2(server.start(0, false), qPrintable(server.errorString()));

    RigctlRun run = RunRigctl(
        server.serverPort(),
        {"F", "145500000", "f",    "M", "USB", "0",    "L", "AF", "0.5", "l",   "AF", "U", "MUTE",
         "1", "u",         "MUTE", "L", "IF",  "-200", "l", "IF", "L",   "ATT", "20", "l", "ATT"});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("145500000\n0.501961\n1\n-200\n20\n"));
    QCOMPARE(target.calls, (QStringList{"setFrequency 145500000", "setMode USB 0", "setLevel 0 128",
                                        "setSwitch 0 1", "setLevel 2 -200", "setLevel 3 20"}));
    QCOMPARE(target.modeCode, QStringLiteral("USB"));

    // A fresh client reads what the radio holds.
    run = RunRigctl(server.serverPort(), {"f", "m"});
    QCOMPARE(run.out, QByteArray("145500000\nUSB\n15000\n"));

    // The radio refuses: the client reports the error, nothing was tuned.
    target.calls.clear();
    run = RunRigctl(server.serverPort(), {"F", "5", "f"});
    QCOMPARE(run.exitCode, 0);
    // The client writes its error report to its standard output.
    QVERIFY2(run.out.contains("set_freq: error"), run.out.constData());
    QVERIFY(run.out.contains("Invalid parameter"));
    QVERIFY(run.out.endsWith("\n145500000\n"));
    QCOMPARE(target.calls, QStringList{"setFrequency 5"});
    QCOMPARE(server.clientCount(), 0);
  }

  // 127.0.0.1 only unless other hosts are allowed.
  void localOnlyUnlessAllowed() {
    FakeTarget target;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    QCOMPARE(server.serverAddress(), QHostAddress(QHostAddress::LocalHost));
    LineClient local(server.serverPort());
    QVERIFY(local.waitConnected());
    QCOMPARE(local.ask("f"), QByteArray("162550000\n"));

    const QHostAddress other = OtherAddress();
    if (other.isNull()) QSKIP("this machine has no address other than the loopback");
    LineClient outside(server.serverPort(), other);
    QVERIFY(!outside.waitConnected(1000));

    QVERIFY(server.start(server.serverPort(), true));
    LineClient allowed(server.serverPort(), other);
    QVERIFY(allowed.waitConnected());
    QCOMPARE(allowed.ask("m", 2), QByteArray("FM\n15000\n"));
  }

  void tooManyClients() {
    FakeTarget target;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    std::vector<std::unique_ptr<LineClient>> clients;
    for (int i = 0; i < RemoteServer::kMaxClients; ++i) {
      clients.push_back(std::make_unique<LineClient>(server.serverPort()));
      QVERIFY(clients.back()->waitConnected());
    }
    QTRY_COMPARE(server.clientCount(), RemoteServer::kMaxClients);

    // One more is let in and closed at once; the others still work.
    LineClient extra(server.serverPort());
    QVERIFY(extra.waitClosed());
    QCOMPARE(server.clientCount(), RemoteServer::kMaxClients);
    for (const auto& client : clients) QCOMPARE(client->ask("v"), QByteArray("VFOA\n"));

    // A place that comes free is taken again.
    clients.front()->socket.disconnectFromHost();
    QTRY_COMPARE(server.clientCount(), RemoteServer::kMaxClients - 1);
    LineClient late(server.serverPort());
    QVERIFY(late.waitConnected());
    QCOMPARE(late.ask("\\chk_vfo"), QByteArray("0\n"));
  }

  // A line up to the limit is a (bad) command; a longer one is refused and
  // its sender dropped, with or without its line end.
  void overlongLines() {
    FakeTarget target;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));

    LineClient atLimit(server.serverPort());
    QVERIFY(atLimit.waitConnected());
    QCOMPARE(atLimit.ask(QByteArray(RemoteServer::kMaxLineBytes, 'x')), QByteArray("RPRT -4\n"));
    QCOMPARE(atLimit.ask("F 7000000\r"), QByteArray("RPRT 0\n"));  // CR LF is one line end

    LineClient over(server.serverPort());
    QVERIFY(over.waitConnected());
    over.send("F " + QByteArray(RemoteServer::kMaxLineBytes, '1') + '\n');
    QCOMPARE(over.receiveLines(1), QByteArray("RPRT -8\n"));
    QVERIFY(over.waitClosed());

    LineClient endless(server.serverPort());
    QVERIFY(endless.waitConnected());
    endless.send(QByteArray(64 * 1024, 'F'));
    QCOMPARE(endless.receiveLines(1), QByteArray("RPRT -8\n"));
    QVERIFY(endless.waitClosed());

    QCOMPARE(target.calls, QStringList{"setFrequency 7000000"});
    QCOMPARE(atLimit.ask("f"), QByteArray("7000000\n"));
  }

  // Random bytes and numbers that fit nowhere: every line gets one answer,
  // the connection stays, nothing reaches the radio.
  void garbage() {
    FakeTarget target;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    LineClient client(server.serverPort());
    QVERIFY(client.waitConnected());
    QRandomGenerator random(20240521);
    int lines = 0;
    QByteArray all;
    for (int i = 0; i < 300; ++i) {
      QByteArray line;
      const int length = 1 + random.bounded(60);
      for (int j = 0; j < length; ++j) {
        char c = static_cast<char>(random.bounded(256));
        if (c == '\n' || c == '\r' || c == ' ' || c == '\t') c = '\0';
        line.append(c);
      }
      // Start with a byte no command starts with, so a line cannot become a
      // valid command by chance.
      line.prepend('\x80');
      all += line + '\n';
      ++lines;
    }
    client.send(all);
    const QByteArray answers = client.receiveLines(lines, 20000);
    QCOMPARE(answers.count('\n'), lines);
    QCOMPARE(answers, QByteArray("RPRT -4\n").repeated(lines));
    // Numbers too big for their field are bad arguments, one answer each.
    for (const char* line : {"M FM 99999999999", "F 1e999", "U NB 99999999999", "L AF 1e999"}) {
      QCOMPARE(client.ask(line), QByteArray("RPRT -1\n"));
    }
    QVERIFY(target.calls.isEmpty());
    QCOMPARE(client.ask("f"), QByteArray("162550000\n"));
  }

  // Clients that connect and say nothing hold a place and nothing else.
  void silentClients() {
    FakeTarget target;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    LineClient silent1(server.serverPort());
    LineClient silent2(server.serverPort());
    QVERIFY(silent1.waitConnected() && silent2.waitConnected());
    silent2.send("F 14500");  // half a command, never finished
    LineClient busy(server.serverPort());
    QVERIFY(busy.waitConnected());
    for (int i = 0; i < 20; ++i) {
      QCOMPARE(busy.ask(QByteArray("F ") + QByteArray::number(7000000 + i)),
               QByteArray("RPRT 0\n"));
    }
    QCOMPARE(target.calls.size(), 20);
    QCOMPARE(server.clientCount(), 3);
  }

  // A client that goes away mid-line leaves nothing behind; its complete
  // lines still count, its partial one does not.
  void vanishingClients() {
    FakeTarget target;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    {
      LineClient client(server.serverPort());
      QVERIFY(client.waitConnected());
      client.send("F 145000000\nF 146");
      QTRY_COMPARE(server.clientCount(), 1);
      client.socket.abort();
    }
    QTRY_COMPARE(server.clientCount(), 0);
    QTest::qWait(50);
    QCOMPARE(target.calls, QStringList{"setFrequency 145000000"});

    // Gone before its answer is written.
    SlowTarget slow;
    slow.later = true;
    slow.busyMs = 50;
    RemoteServer slowServer(slow);
    QVERIFY(slowServer.start(0, false));
    {
      LineClient client(slowServer.serverPort());
      QVERIFY(client.waitConnected());
      client.send("F 7000000\nf\nF 8000000\n");
      QTRY_VERIFY(!slow.events.isEmpty());
      client.socket.abort();
    }
    QTRY_COMPARE(slowServer.clientCount(), 0);
    LineClient next(slowServer.serverPort());
    QVERIFY(next.waitConnected());
    QCOMPARE(next.ask("f"), QByteArray("8000000\n"));
  }

  // A client that sends and never reads its answers is let go once they pile
  // up; the server carries on.
  void clientThatNeverReads() {
    FakeTarget target;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    const quint16 port = server.serverPort();

    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    std::atomic<bool> writerDone{false};
    std::thread writer([fd, &writerDone] {
      const QByteArray line("\\dump_state\n");
      for (int i = 0; i < 200000; ++i) {
        if (::send(fd, line.constData(), static_cast<size_t>(line.size()), MSG_NOSIGNAL) < 0) break;
      }
      writerDone = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(server.clientCount() == 0 && writerDone, 60000);
    writer.join();
    ::close(fd);

    LineClient next(port);
    QVERIFY(next.waitConnected());
    QCOMPARE(next.ask("f"), QByteArray("162550000\n"));
  }

  // A change the radio answers later holds its own client's next command
  // until the answer has come; another client goes on meanwhile.
  void aLateAnswerHoldsOnlyItsClient() {
    FakeTarget target;
    target.holdAnswers = true;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    LineClient first(server.serverPort());
    LineClient second(server.serverPort());
    QVERIFY(first.waitConnected() && second.waitConnected());
    first.send("F 7000000\nf\n");
    QTRY_COMPARE(target.held.size(), size_t(1));
    QCOMPARE(second.ask("m", 2), QByteArray("FM\n15000\n"));
    second.send("L AF 0.5\n");
    QTRY_COMPARE(target.held.size(), size_t(2));
    // The first client's read still waits for the answer to its change.
    QTest::qWait(50);
    QCOMPARE(first.socket.bytesAvailable(), qint64(0));
    target.releaseAnswers();
    QCOMPARE(first.receiveLines(2), QByteArray("RPRT 0\n7000000\n"));
    QCOMPARE(second.receiveLines(1), QByteArray("RPRT 0\n"));
    QCOMPARE(target.calls, (QStringList{"setFrequency 7000000", "setLevel 0 128"}));
  }

  // A flood of paced commands runs one per turn of the event loop: the
  // program's own events are handled between them.
  void floodTakesTurns() {
    SlowTarget target;
    target.busyMs = 5;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    LineClient client(server.serverPort());
    QVERIFY(client.waitConnected());

    QStringList& events = target.events;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&events] {
      if (!events.isEmpty() && events.last() != QStringLiteral("tick")) events << "tick";
    });
    ticker.start();
    QByteArray flood;
    for (int i = 0; i < 40; ++i) flood += "F " + QByteArray::number(7000000 + i) + " f\n";
    client.send(flood);
    const QByteArray answers = client.receiveLines(80, 20000);
    ticker.stop();
    QCOMPARE(answers.count("RPRT 0\n"), 40);
    const qsizetype firstEnd = events.indexOf(QStringLiteral("end 7000000"));
    const qsizetype lastBegin = events.indexOf(QStringLiteral("begin 7000039"));
    QVERIFY(firstEnd >= 0 && lastBegin > firstEnd);
    QVERIFY2(events.mid(firstEnd, lastBegin - firstEnd).contains(QStringLiteral("tick")),
             "no event was handled between the commands");
  }

  void quitClosesTheConnection() {
    FakeTarget target;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    LineClient client(server.serverPort());
    QVERIFY(client.waitConnected());
    client.send("q\nF 7000000\n");
    QCOMPARE(client.receiveLines(1), QByteArray("RPRT 0\n"));
    QVERIFY(client.waitClosed());
    QVERIFY(target.calls.isEmpty());
    QTRY_COMPARE(server.clientCount(), 0);
  }

  // Stopping closes every client; a port held by another program is
  // reported, not taken.
  void stopAndPortInUse() {
    FakeTarget target;
    RemoteServer server(target);
    QVERIFY(server.start(0, false));
    const quint16 port = server.serverPort();
    LineClient client(port);
    QVERIFY(client.waitConnected());
    QTRY_COMPARE(server.clientCount(), 1);
    server.stop();
    QVERIFY(!server.isListening());
    QCOMPARE(server.clientCount(), 0);
    QVERIFY(client.waitClosed());

    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, port));
    QVERIFY(!server.start(port, false));
    QVERIFY(!server.errorString().isEmpty());
    holder.close();
    QVERIFY(server.start(port, false));
    QCOMPARE(server.serverPort(), port);
  }
};

CORVALO_TEST_GUILESS_MAIN(RemoteServerTest)
#include "tst_remote_server.moc"
