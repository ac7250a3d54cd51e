#include "channels/ChannelStore.h"

#include <QDateTime>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace channels {

namespace {

constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoError = 10;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteConstraint = 19;
constexpr int kSqliteNotADatabase = 26;

int primaryCode(const QSqlError& error) {
  bool ok = false;
  const int code = error.nativeErrorCode().toInt(&ok);
  return ok ? (code & 0xFF) : -1;
}

bool isDuplicate(const QSqlError& error) {
  return primaryCode(error) == kSqliteConstraint &&
         error.databaseText().contains(QLatin1String("UNIQUE"));
}

const QString kChannelColumns = QStringLiteral(
    "SELECT c.id, c.list_id, c.frequency, c.mode, c.filter, c.name, c.lockout, c.comment,"
    " c.created, c.updated, c.tags FROM channels c ");

qint64 now() { return QDateTime::currentMSecsSinceEpoch(); }

// A text for a NOT NULL column: Qt binds a null QString as NULL.
QVariant text(const QString& value) {
  return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

QString describeChannel(const Channel& channel) {
  QString text = FormatMhz(channel.frequencyHz) + QStringLiteral(" MHz ") + channel.mode;
  if (!channel.name.isEmpty()) text += QStringLiteral(" \"%1\"").arg(channel.name);
  return text;
}

}  // namespace

QString DescribeSqlError(const QSqlError& error) {
  const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
  switch (primaryCode(error)) {
    case kSqliteBusy:
    case kSqliteLocked:
      return QStringLiteral(
          "the channel database is in use by another program (another Corvalo may be changing "
          "it); try again when it has finished");
    case kSqliteFull:
      return QStringLiteral("the disk is full");
    case kSqliteReadOnly:
      return QStringLiteral("the channel database cannot be written (read-only file or folder)");
    case kSqliteIoError:
      return QStringLiteral("the disk could not be written or read (%1)").arg(detail);
    case kSqliteCorrupt:
    case kSqliteNotADatabase:
      return QStringLiteral("the file is damaged or is not a channel database (%1)").arg(detail);
    case kSqliteCantOpen:
      return QStringLiteral("the file cannot be opened (%1)").arg(detail);
    case kSqliteConstraint:
      if (detail.contains(QLatin1String("UNIQUE"))) {
        return QStringLiteral("the list already has a channel with this frequency, mode and name");
      }
      if (detail.contains(QLatin1String("FOREIGN KEY"))) {
        return QStringLiteral("the list no longer exists");
      }
      return QStringLiteral("a value is out of range (%1)").arg(detail);
    default:
      return detail.isEmpty() ? QStringLiteral("unknown database error") : detail;
  }
}

Status ChannelStore::unavailable() const {
  return Status::failure(openMessage_.isEmpty() ? QStringLiteral("Channel lists are not available.")
                                                : openMessage_);
}

Status ChannelStore::writable() const {
  if (!open_) return unavailable();
  if (readOnly_) {
    return Status::failure(QStringLiteral("Nothing was changed: ") + openMessage_);
  }
  return Status();
}

Status ChannelStore::failed(const QString& what, const QSqlError& error) const {
  return Status::failure(what + QStringLiteral(": ") + DescribeSqlError(error) + QLatin1Char('.'));
}

Status ChannelStore::begin() {
  QSqlQuery query(db_);
  // IMMEDIATE takes the write lock now, so a second writer is found before
  // anything has been done rather than at the commit.
  if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
    return failed(QStringLiteral("Nothing was changed"), query.lastError());
  }
  return Status();
}

Status ChannelStore::commit(const QString& what) {
  QSqlQuery query(db_);
  if (!query.exec(QStringLiteral("COMMIT"))) {
    const Status failure =
        failed(what + QStringLiteral(", nothing was changed"), query.lastError());
    rollback();
    return failure;
  }
  return Status();
}

void ChannelStore::rollback() {
  // SQLite may have rolled back by itself after an I/O error; a second
  // rollback then fails harmlessly.
  QSqlQuery query(db_);
  query.exec(QStringLiteral("ROLLBACK"));
}

QSqlQuery ChannelStore::prepare(const QString& sql) {
  QSqlQuery query(db_);
  query.setForwardOnly(true);
  query.prepare(sql);
  return query;
}

Result<QList<Channel>> ChannelStore::fetch(QSqlQuery& query) {
  if (!query.exec()) return failed(QStringLiteral("Cannot read the channels"), query.lastError());
  QList<Channel> result;
  QHash<QString, QString> shared;
  while (query.next()) {
    Channel channel;
    channel.id = query.value(0).toLongLong();
    channel.listId = query.value(1).toLongLong();
    channel.frequencyHz = query.value(2).toLongLong();
    const int mode = ModeIndex(query.value(3).toString());
    channel.mode = mode >= 0 ? ModeCode(mode) : query.value(3).toString();
    channel.filter = query.value(4).isNull() ? kNoFilter : query.value(4).toInt();
    channel.name = query.value(5).toString();
    channel.lockout = query.value(6).toInt() != 0;
    channel.comment = query.value(7).toString();
    channel.createdMs = query.value(8).toLongLong();
    channel.updatedMs = query.value(9).toLongLong();
    const QString tags = query.value(10).toString();
    if (!tags.isEmpty()) {
      channel.tags = tags.contains(u',') ? NormalizeTags(tags.split(u',')) : QStringList{tags};
      // The same few tags stand on thousands of channels: one copy of each.
      for (QString& tag : channel.tags) {
        auto known = shared.constFind(tag);
        if (known == shared.constEnd()) known = shared.insert(tag, tag);
        tag = *known;
      }
    }
    result.append(std::move(channel));
  }
  if (query.lastError().isValid()) {
    return failed(QStringLiteral("Cannot read the channels"), query.lastError());
  }
  query.finish();
  return result;
}

// ---- Lists ----

Result<QList<ChannelList>> ChannelStore::lists() {
  if (!open_) return unavailable();
  QSqlQuery query = prepare(
      QStringLiteral("SELECT l.id, l.name, (SELECT count(*) FROM channels c WHERE c.list_id = l.id)"
                     " FROM lists l ORDER BY l.name COLLATE NOCASE, l.id"));
  if (!query.exec()) return failed(QStringLiteral("Cannot read the lists"), query.lastError());
  QList<ChannelList> result;
  while (query.next()) {
    result.append({query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toInt()});
  }
  return result;
}

Result<ChannelList> ChannelStore::findList(const QString& name) {
  const Result<QList<ChannelList>> all = lists();
  if (!all) return Status(all);
  for (const ChannelList& list : all.value()) {
    if (list.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0) return list;
  }
  return Status::failure(QStringLiteral("There is no channel list named \"%1\".").arg(name));
}

Result<qint64> ChannelStore::createList(const QString& name) {
  if (Status ok = writable(); !ok) return ok;
  const QString trimmed = name.trimmed();
  if (trimmed.isEmpty()) return Status::failure(QStringLiteral("A list needs a name."));
  QSqlQuery query = prepare(QStringLiteral("INSERT INTO lists (name, created) VALUES (?, ?)"));
  query.addBindValue(trimmed);
  query.addBindValue(now());
  if (!query.exec()) {
    if (isDuplicate(query.lastError())) {
      return Status::failure(QStringLiteral("A list named \"%1\" already exists.").arg(trimmed));
    }
    return failed(QStringLiteral("Cannot create the list"), query.lastError());
  }
  return query.lastInsertId().toLongLong();
}

Status ChannelStore::renameList(qint64 listId, const QString& name) {
  if (Status ok = writable(); !ok) return ok;
  const QString trimmed = name.trimmed();
  if (trimmed.isEmpty()) return Status::failure(QStringLiteral("A list needs a name."));
  QSqlQuery query = prepare(QStringLiteral("UPDATE lists SET name = ? WHERE id = ?"));
  query.addBindValue(trimmed);
  query.addBindValue(listId);
  if (!query.exec()) {
    if (isDuplicate(query.lastError())) {
      return Status::failure(QStringLiteral("A list named \"%1\" already exists.").arg(trimmed));
    }
    return failed(QStringLiteral("Cannot rename the list"), query.lastError());
  }
  if (query.numRowsAffected() == 0) {
    return Status::failure(QStringLiteral("The list no longer exists."));
  }
  return Status();
}

Status ChannelStore::deleteList(qint64 listId) {
  if (Status ok = writable(); !ok) return ok;
  if (Status started = begin(); !started) return started;
  QSqlQuery query = prepare(QStringLiteral("DELETE FROM lists WHERE id = ?"));
  query.addBindValue(listId);
  if (!query.exec()) {
    const Status failure = failed(QStringLiteral("Cannot delete the list"), query.lastError());
    rollback();
    return failure;
  }
  return commit(QStringLiteral("Cannot delete the list"));
}

// ---- Channels ----

Result<QList<Channel>> ChannelStore::channels(qint64 listId) {
  if (!open_) return unavailable();
  QSqlQuery query =
      prepare(kChannelColumns + QStringLiteral("WHERE c.list_id = ? ORDER BY c.frequency, c.id"));
  query.addBindValue(listId);
  return fetch(query);
}

Result<Channel> ChannelStore::channel(qint64 channelId) {
  if (!open_) return unavailable();
  QSqlQuery query = prepare(kChannelColumns + QStringLiteral("WHERE c.id = ?"));
  query.addBindValue(channelId);
  Result<QList<Channel>> found = fetch(query);
  if (!found) return Status(found);
  if (found.value().isEmpty()) {
    return Status::failure(QStringLiteral("The channel no longer exists."));
  }
  return found.value().first();
}

Status ChannelStore::writeTags(qint64 channelId, const QStringList& tags) {
  QSqlQuery remove = prepare(QStringLiteral("DELETE FROM channel_tags WHERE channel_id = ?"));
  remove.addBindValue(channelId);
  if (!remove.exec()) return failed(QStringLiteral("Cannot store the tags"), remove.lastError());
  QSqlQuery insert =
      prepare(QStringLiteral("INSERT INTO channel_tags (channel_id, tag) VALUES (?, ?)"));
  for (const QString& tag : tags) {
    insert.bindValue(0, channelId);
    insert.bindValue(1, tag);
    if (!insert.exec()) return failed(QStringLiteral("Cannot store the tags"), insert.lastError());
  }
  return Status();
}

QString ChannelStore::insertChannelSql() {
  return QStringLiteral(
      "INSERT INTO channels (id, list_id, frequency, mode, filter, name, lockout, comment, created,"
      " updated, tags) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
}

QString ChannelStore::insertTagSql() {
  return QStringLiteral("INSERT OR IGNORE INTO channel_tags (channel_id, tag) VALUES (?, ?)");
}

Status ChannelStore::insertChannel(QSqlQuery& insert, QSqlQuery& insertTag, Channel& channel,
                                   bool keepId) {
  if (channel.createdMs == 0) channel.createdMs = now();
  if (channel.updatedMs == 0) channel.updatedMs = channel.createdMs;
  insert.bindValue(0, keepId ? QVariant(channel.id) : QVariant(QMetaType(QMetaType::LongLong)));
  insert.bindValue(1, channel.listId);
  insert.bindValue(2, channel.frequencyHz);
  insert.bindValue(3, channel.mode);
  insert.bindValue(4, channel.filter == kNoFilter ? QVariant(QMetaType(QMetaType::Int))
                                                  : QVariant(channel.filter));
  insert.bindValue(5, text(channel.name));
  insert.bindValue(6, channel.lockout ? 1 : 0);
  insert.bindValue(7, text(channel.comment));
  insert.bindValue(8, channel.createdMs);
  insert.bindValue(9, channel.updatedMs);
  insert.bindValue(10, text(channel.tags.join(u',')));
  if (!insert.exec()) {
    if (isDuplicate(insert.lastError())) {
      return Status::failure(QStringLiteral("duplicate: the list already has ") +
                             describeChannel(channel));
    }
    return failed(QStringLiteral("Cannot store ") + describeChannel(channel), insert.lastError());
  }
  channel.id = insert.lastInsertId().toLongLong();
  for (const QString& tag : channel.tags) {
    insertTag.bindValue(0, channel.id);
    insertTag.bindValue(1, tag);
    if (!insertTag.exec()) {
      return failed(QStringLiteral("Cannot store the tags"), insertTag.lastError());
    }
  }
  return Status();
}

Result<Channel> ChannelStore::addChannel(const Channel& channel) {
  if (Status ok = writable(); !ok) return ok;
  Channel stored = channel;
  stored.id = 0;
  stored.tags = NormalizeTags(stored.tags);
  if (const QString why = ValidateChannel(stored); !why.isEmpty()) {
    return Status::failure(QStringLiteral("The channel cannot be stored: %1.").arg(why));
  }
  if (Status started = begin(); !started) return started;
  QSqlQuery insert = prepare(insertChannelSql());
  QSqlQuery insertTag = prepare(insertTagSql());
  if (Status done = insertChannel(insert, insertTag, stored, false); !done) {
    rollback();
    return done;
  }
  if (Status done = commit(QStringLiteral("Cannot store the channel")); !done) return done;
  return stored;
}

Result<Channel> ChannelStore::updateChannel(const Channel& channel) {
  if (Status ok = writable(); !ok) return ok;
  Channel stored = channel;
  stored.tags = NormalizeTags(stored.tags);
  if (const QString why = ValidateChannel(stored); !why.isEmpty()) {
    return Status::failure(QStringLiteral("The channel cannot be stored: %1.").arg(why));
  }
  stored.updatedMs = std::max(now(), stored.createdMs);
  if (Status started = begin(); !started) return started;
  QSqlQuery update =
      prepare(QStringLiteral("UPDATE channels SET frequency = ?, mode = ?, filter = ?, name = ?,"
                             " lockout = ?, comment = ?, updated = ?, tags = ? WHERE id = ?"));
  update.addBindValue(stored.frequencyHz);
  update.addBindValue(stored.mode);
  update.addBindValue(stored.filter == kNoFilter ? QVariant(QMetaType(QMetaType::Int))
                                                 : QVariant(stored.filter));
  update.addBindValue(text(stored.name));
  update.addBindValue(stored.lockout ? 1 : 0);
  update.addBindValue(text(stored.comment));
  update.addBindValue(stored.updatedMs);
  update.addBindValue(text(stored.tags.join(u',')));
  update.addBindValue(stored.id);
  Status done;
  if (!update.exec()) {
    done = isDuplicate(update.lastError())
               ? Status::failure(QStringLiteral("The list already has ") + describeChannel(stored) +
                                 QLatin1Char('.'))
               : failed(QStringLiteral("Cannot store the channel"), update.lastError());
  } else if (update.numRowsAffected() == 0) {
    done = Status::failure(QStringLiteral("The channel no longer exists."));
  } else {
    done = writeTags(stored.id, stored.tags);
  }
  if (!done) {
    rollback();
    return done;
  }
  if (Status committed = commit(QStringLiteral("Cannot store the channel")); !committed) {
    return committed;
  }
  return stored;
}

Result<QList<Channel>> ChannelStore::deleteChannels(const QList<qint64>& channelIds) {
  if (Status ok = writable(); !ok) return ok;
  if (Status started = begin(); !started) return started;
  QList<Channel> deleted;
  QSqlQuery read = prepare(kChannelColumns + QStringLiteral("WHERE c.id = ?"));
  QSqlQuery remove = prepare(QStringLiteral("DELETE FROM channels WHERE id = ?"));
  for (qint64 id : channelIds) {
    read.bindValue(0, id);
    Result<QList<Channel>> found = fetch(read);
    if (!found) {
      rollback();
      return Status(found);
    }
    if (found.value().isEmpty()) continue;
    remove.bindValue(0, id);
    if (!remove.exec()) {
      const Status failure =
          failed(QStringLiteral("Cannot delete the channels"), remove.lastError());
      rollback();
      return failure;
    }
    deleted.append(found.value().first());
  }
  if (Status done = commit(QStringLiteral("Cannot delete the channels")); !done) return done;
  return deleted;
}

Status ChannelStore::restoreChannels(const QList<Channel>& deleted) {
  if (Status ok = writable(); !ok) return ok;
  if (Status started = begin(); !started) return started;
  QSqlQuery insert = prepare(insertChannelSql());
  QSqlQuery insertTag = prepare(insertTagSql());
  for (Channel channel : deleted) {
    if (Status done = insertChannel(insert, insertTag, channel, true); !done) {
      rollback();
      return Status::failure(QStringLiteral("Cannot put the channels back: ") + done.error());
    }
  }
  return commit(QStringLiteral("Cannot put the channels back"));
}

Status ChannelStore::moveChannels(const QList<qint64>& channelIds, qint64 targetListId) {
  if (Status ok = writable(); !ok) return ok;
  if (Status started = begin(); !started) return started;
  QSqlQuery move = prepare(
      QStringLiteral("UPDATE channels SET list_id = ?, updated = ? WHERE id = ? AND list_id <> ?"));
  const qint64 time = now();
  for (qint64 id : channelIds) {
    move.addBindValue(targetListId);
    move.addBindValue(time);
    move.addBindValue(id);
    move.addBindValue(targetListId);
    if (!move.exec()) {
      const Status failure = failed(QStringLiteral("Cannot move the channels"), move.lastError());
      rollback();
      return failure;
    }
  }
  return commit(QStringLiteral("Cannot move the channels"));
}

Result<QList<Channel>> ChannelStore::copyChannels(const QList<qint64>& channelIds,
                                                  qint64 targetListId) {
  if (Status ok = writable(); !ok) return ok;
  if (Status started = begin(); !started) return started;
  QSqlQuery read = prepare(kChannelColumns + QStringLiteral("WHERE c.id = ?"));
  QSqlQuery insert = prepare(insertChannelSql());
  QSqlQuery insertTag = prepare(insertTagSql());
  QList<Channel> copies;
  for (qint64 id : channelIds) {
    read.bindValue(0, id);
    Result<QList<Channel>> found = fetch(read);
    Status done = found;
    if (done && !found.value().isEmpty()) {
      Channel copy = found.value().first();
      copy.listId = targetListId;
      copy.createdMs = copy.updatedMs = 0;
      done = insertChannel(insert, insertTag, copy, false);
      copies.append(copy);
    }
    if (!done) {
      rollback();
      return Status::failure(QStringLiteral("Cannot copy the channels: ") + done.error());
    }
  }
  if (Status done = commit(QStringLiteral("Cannot copy the channels")); !done) return done;
  return copies;
}

Status ChannelStore::setLockout(const QList<qint64>& channelIds, bool lockout) {
  if (Status ok = writable(); !ok) return ok;
  if (Status started = begin(); !started) return started;
  QSqlQuery update =
      prepare(QStringLiteral("UPDATE channels SET lockout = ?, updated = ? WHERE id = ?"));
  const qint64 time = now();
  for (qint64 id : channelIds) {
    update.addBindValue(lockout ? 1 : 0);
    update.addBindValue(time);
    update.addBindValue(id);
    if (!update.exec()) {
      const Status failure =
          failed(QStringLiteral("Cannot change the lockout"), update.lastError());
      rollback();
      return failure;
    }
  }
  return commit(QStringLiteral("Cannot change the lockout"));
}

// ---- Tags and scanning ----

Result<QStringList> ChannelStore::tags() {
  if (!open_) return unavailable();
  QSqlQuery query =
      prepare(QStringLiteral("SELECT DISTINCT tag FROM channel_tags ORDER BY tag COLLATE NOCASE"));
  if (!query.exec()) return failed(QStringLiteral("Cannot read the tags"), query.lastError());
  QStringList result;
  while (query.next()) result.append(query.value(0).toString());
  return result;
}

Result<QList<Channel>> ChannelStore::scanChannels(const ScanSource& source) {
  if (!open_) return unavailable();
  QSqlQuery query(db_);
  if (source.listId != 0) {
    query = prepare(kChannelColumns + QStringLiteral("WHERE c.list_id = ? AND c.lockout = 0"
                                                     " ORDER BY c.frequency, c.id"));
    query.addBindValue(source.listId);
  } else if (!source.tag.isEmpty()) {
    query =
        prepare(kChannelColumns +
                QStringLiteral("WHERE c.id IN (SELECT channel_id FROM channel_tags WHERE tag = ?)"
                               " AND c.lockout = 0 ORDER BY c.frequency, c.id"));
    query.addBindValue(source.tag);
  } else {
    return Status::failure(QStringLiteral("A scan needs a list or a tag."));
  }
  return fetch(query);
}

Result<QList<Channel>> ChannelStore::channelsWithTag(const QString& tag) {
  if (!open_) return unavailable();
  QSqlQuery query =
      prepare(kChannelColumns + QStringLiteral("WHERE c.id IN (SELECT channel_id FROM channel_tags"
                                               " WHERE tag = ?) ORDER BY c.frequency, c.id"));
  query.addBindValue(tag);
  return fetch(query);
}

}  // namespace channels
