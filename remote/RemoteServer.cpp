#include "remote/RemoteServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

namespace {

// How much of a client's input the socket holds before the client has to
// wait for us (the operating system then holds back its sending).
constexpr qint64 kReadBufferBytes = 4 * RemoteServer::kMaxLineBytes;

}  // namespace

RemoteServer::RemoteServer(rigctl::Target& target, QObject* parent)
    : QObject(parent), target_(target) {
  connect(&server_, &QTcpServer::newConnection, this, &RemoteServer::acceptClients);
}

RemoteServer::~RemoteServer() { stop(); }

bool RemoteServer::start(quint16 port, bool allowOtherHosts) {
  stop();
  error_.clear();
  const QHostAddress address = allowOtherHosts ? QHostAddress::Any : QHostAddress::LocalHost;
  if (!server_.listen(address, port)) {
    error_ = server_.errorString();
    return false;
  }
  return true;
}

void RemoteServer::stop() {
  server_.close();
  if (clients_.empty()) return;
  std::vector<std::unique_ptr<Client>> clients;
  clients.swap(clients_);
  for (const auto& client : clients) {
    if (!client->socket) continue;
    client->socket->disconnect(this);
    client->socket->abort();
    client->socket->deleteLater();
  }
  emit clientCountChanged(0);
}

RemoteServer::Client* RemoteServer::find(const QTcpSocket* socket) {
  if (socket == nullptr) return nullptr;
  for (const auto& client : clients_) {
    if (client->socket == socket) return client.get();
  }
  return nullptr;
}

void RemoteServer::acceptClients() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    if (static_cast<int>(clients_.size()) >= kMaxClients) {
      connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
      socket->disconnectFromHost();
      if (socket->state() == QAbstractSocket::UnconnectedState) socket->deleteLater();
      continue;
    }
    socket->setReadBufferSize(kReadBufferBytes);
    auto client = std::make_unique<Client>();
    client->socket = socket;
    connect(socket, &QIODevice::readyRead, this, [this, socket] {
      if (Client* c = find(socket)) {
        readLine(*c);
        scheduleTurn();
      }
    });
    connect(socket, &QAbstractSocket::disconnected, this, [this, socket] { peerClosed(socket); });
    clients_.push_back(std::move(client));
    emit clientCountChanged(clientCount());
    if (socket->bytesAvailable() > 0) {
      readLine(*clients_.back());
      scheduleTurn();
    }
  }
}

void RemoteServer::readLine(Client& client) {
  QTcpSocket* socket = client.socket;
  while (client.pending.isEmpty() && socket != nullptr) {
    // A line may end in CR LF; the CR does not count against the limit.
    const QByteArray head = socket->peek(kMaxLineBytes + 2);
    const qsizetype end = head.indexOf('\n');
    if (end < 0) {
      if (socket->bytesAvailable() > kMaxLineBytes + 1) {
        // Too long to be a command: refuse it and let the client go.
        if (!client.gone) socket->write(rigctl::OverlongLineReply());
        drop(socket, true);
      }
      return;
    }
    QByteArray line = socket->read(end + 1);
    line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    if (line.size() > kMaxLineBytes) {
      if (!client.gone) socket->write(rigctl::OverlongLineReply());
      drop(socket, true);
      return;
    }
    client.pending = rigctl::ParseLine(line);
  }
}

void RemoteServer::peerClosed(QTcpSocket* socket) {
  Client* client = find(socket);
  if (client == nullptr) return;
  client->gone = true;
  // Complete lines it sent before closing still run; a partial line does not.
  if (client->pending.isEmpty()) readLine(*client);
  client = find(socket);
  if (client != nullptr && client->pending.isEmpty()) drop(socket, false);
}

void RemoteServer::drop(QTcpSocket* socket, bool graceful) {
  const auto it = std::find_if(clients_.begin(), clients_.end(),
                               [socket](const auto& client) { return client->socket == socket; });
  if (it == clients_.end()) return;
  clients_.erase(it);
  socket->disconnect(this);
  connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
  if (graceful) {
    // Sends what is still queued (a last answer), then closes.
    socket->disconnectFromHost();
  } else {
    socket->abort();
  }
  if (socket->state() == QAbstractSocket::UnconnectedState) socket->deleteLater();
  emit clientCountChanged(clientCount());
}

void RemoteServer::scheduleTurn() {
  if (turnScheduled_) return;
  turnScheduled_ = true;
  QTimer::singleShot(0, this, &RemoteServer::runTurn);
}

void RemoteServer::runTurn() {
  turnScheduled_ = false;
  // Guarded pointers: a socket deleted while a command ran is not mistaken
  // for a new one that happens to take its place in memory.
  QList<QPointer<QTcpSocket>> order;
  for (const auto& client : clients_) {
    if (!client->pending.isEmpty() && !client->waiting) order.append(client->socket);
  }
  for (const QPointer<QTcpSocket>& guarded : order) {
    Client* client = find(guarded.data());
    if (client == nullptr || client->pending.isEmpty() || client->waiting) continue;
    const rigctl::Command command = client->pending.takeFirst();
    // The client waits for this answer before its next command runs; other
    // clients go on meanwhile.
    client->waiting = true;
    const QPointer<RemoteServer> self(this);
    rigctl::Execute(target_, command, [self, guarded](const QByteArray& reply, bool quit) {
      if (self) self->answer(guarded, reply, quit);
    });
  }
}

void RemoteServer::answer(const QPointer<QTcpSocket>& guarded, const QByteArray& reply, bool quit) {
  // The client, or the whole server, may have been closed meanwhile.
  QTcpSocket* const socket = guarded.data();
  Client* client = find(socket);
  if (client == nullptr) return;
  client->waiting = false;
  if (!client->gone && socket->state() == QAbstractSocket::ConnectedState) {
    socket->write(reply);
    if (socket->bytesToWrite() > kMaxUnsentBytes) {
      // It does not read its answers: let it go.
      drop(socket, false);
      return;
    }
  }
  if (quit) {
    drop(socket, true);
    return;
  }
  if (client->pending.isEmpty()) readLine(*client);
  client = find(socket);
  if (client == nullptr) return;
  if (client->gone && client->pending.isEmpty()) {
    drop(socket, false);
    return;
  }
  if (!client->pending.isEmpty()) scheduleTurn();
}
