#pragma once

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include "channels/Channel.h"

// Shared by the channel suites: a channel in one line, the bytes of a file,
// and a second, raw connection to a database file, as another program
// would hold it.
namespace channeltest {

inline channels::Channel MakeChannel(qint64 hz, const char* mode, const char* name = "",
                                     QStringList tags = {}, int filter = channels::kNoFilter) {
  channels::Channel channel;
  channel.frequencyHz = hz;
  channel.mode = QString::fromLatin1(mode);
  channel.name = QString::fromUtf8(name);
  channel.tags = tags;
  channel.filter = filter;
  return channel;
}

inline QByteArray FileDigest(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

// A connection of its own to the file; closed and removed when it goes.
class RawConnection {
 public:
  explicit RawConnection(const QString& path) {
    static int counter = 0;
    name_ = QStringLiteral("raw-%1").arg(++counter);
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db_.setDatabaseName(path);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=100"));
    db_.open();
  }
  ~RawConnection() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
  }
  bool exec(const QString& sql) {
    QSqlQuery query(db_);
    return query.exec(sql);
  }
  QVariant value(const QString& sql) {
    QSqlQuery query(db_);
    if (!query.exec(sql) || !query.next()) return QVariant();
    return query.value(0);
  }

 private:
  QString name_;
  QSqlDatabase db_;
};

}  // namespace channeltest
