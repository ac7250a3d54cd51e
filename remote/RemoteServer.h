#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <memory>
#include <vector>

#include "remote/RigctlProtocol.h"

class QTcpSocket;

// A TCP server speaking the rigctld protocol to other programs (trackers,
// loggers, decoders) on behalf of the radio the program drives.
//
// It runs on the GUI thread's event loop and never waits, neither for a
// client nor for the radio: an idle client costs nothing, a client's
// commands run one after the other (the next once the answer to the last has
// come back from the radio's link), several clients take turns, and a client
// that goes away is forgotten with whatever it had not finished. Limits:
// kMaxClients at once (a further connection is closed at once),
// kMaxLineBytes per line (a longer line is answered with a protocol error and
// the client dropped), kMaxUnsentBytes of answers a client has not read (it
// is then dropped).
class RemoteServer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxClients = 8;
  static constexpr qint64 kMaxLineBytes = 1024;
  static constexpr qint64 kMaxUnsentBytes = 64 * 1024;

  explicit RemoteServer(rigctl::Target& target, QObject* parent = nullptr);
  ~RemoteServer() override;

  // Listens on the port: on 127.0.0.1 only, or on every address of the
  // machine when other hosts are allowed. Port 0 takes any free port. A
  // server already listening is stopped first. Returns false (errorString()
  // says why) when the port cannot be had.
  bool start(quint16 port, bool allowOtherHosts);
  // Stops listening and closes every client.
  void stop();

  bool isListening() const { return server_.isListening(); }
  quint16 serverPort() const { return server_.serverPort(); }
  QHostAddress serverAddress() const { return server_.serverAddress(); }
  QString errorString() const { return error_; }
  int clientCount() const { return static_cast<int>(clients_.size()); }

 signals:
  void clientCountChanged(int count);

 private:
  struct Client {
    QPointer<QTcpSocket> socket;
    QList<rigctl::Command> pending;  // commands of the line being run
    bool gone = false;               // the peer closed; no answer can reach it
    bool waiting = false;            // a command runs: its answer has not come yet
  };

  void acceptClients();
  Client* find(const QTcpSocket* socket);
  // Moves the client's next complete line into its pending commands.
  void readLine(Client& client);
  void peerClosed(QTcpSocket* socket);
  // Forgets a client: gracefully (what is queued for it is sent first) or at
  // once.
  void drop(QTcpSocket* socket, bool graceful);
  void scheduleTurn();
  // Runs one pending command of every client that has one and is not
  // waiting for an answer.
  void runTurn();
  // A command's answer: sent to its client, whose next command may run.
  void answer(const QPointer<QTcpSocket>& socket, const QByteArray& reply, bool quit);

  rigctl::Target& target_;
  QTcpServer server_;
  QString error_;
  std::vector<std::unique_ptr<Client>> clients_;
  bool turnScheduled_ = false;
};
