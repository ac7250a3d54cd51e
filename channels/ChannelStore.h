#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

#include "channels/Channel.h"
#include "channels/ImportTypes.h"

class QSqlError;
class QSqlQuery;

namespace channels {

// The channel lists of the user: one SQLite file shared by every profile.
//
// - Opening creates the file when missing and brings an older schema up to
//   date, one step at a time, each step in a transaction of its own. A file
//   written by a newer program is opened read-only and never altered; a file
//   in a folder that cannot be written is opened read-only; a file that is
//   not a sound database is renamed aside (never replaced unannounced) and a
//   new one started. openMessage() says which of these happened.
// - Every change of more than one row runs in one transaction: it is done as
//   a whole or not at all. A change that fails (disk full, read-only folder,
//   the file locked by another Corvalo) returns the reason and leaves the
//   database as it was.
// - One store is used from the thread that made it (a rule of Qt SQL); an
//   import on a worker thread opens a store of its own on the same file.
class ChannelStore {
 public:
  // The schema this program writes; older files are brought up to it.
  static constexpr int kSchemaVersion = 2;

  // channels.sqlite in the application's data folder.
  static QString defaultPath();

  // Opens (or creates) the file. busyTimeoutMs: how long a change waits for
  // another program's write to end before it gives up.
  explicit ChannelStore(const QString& path = defaultPath(), int busyTimeoutMs = 1500);
  ~ChannelStore();
  ChannelStore(const ChannelStore&) = delete;
  ChannelStore& operator=(const ChannelStore&) = delete;

  QString path() const { return path_; }
  // False when the file could neither be opened nor created; openMessage()
  // says why, and every call fails with it.
  bool isOpen() const { return open_; }
  bool isReadOnly() const { return readOnly_; }
  // What the operator should know about the opening (read-only, a damaged
  // file kept aside), or an empty text.
  QString openMessage() const { return openMessage_; }
  int schemaVersion() const { return schemaVersion_; }

  // ---- Lists ----
  Result<QList<ChannelList>> lists();  // by name
  Result<ChannelList> findList(const QString& name);
  Result<qint64> createList(const QString& name);
  Status renameList(qint64 listId, const QString& name);
  // Deletes the list and every channel in it.
  Status deleteList(qint64 listId);

  // ---- Channels ----
  Result<QList<Channel>> channels(qint64 listId);  // by frequency
  Result<Channel> channel(qint64 channelId);
  // Stores a new channel (id 0) and returns it as stored. Times left at 0
  // are set to now.
  Result<Channel> addChannel(const Channel& channel);
  // Changes every field but id, list and creation time; sets the update time.
  Result<Channel> updateChannel(const Channel& channel);
  // Deletes the channels and returns them as they were, for restoreChannels.
  Result<QList<Channel>> deleteChannels(const QList<qint64>& channelIds);
  // Puts deleted channels back with their ids, lists and times.
  Status restoreChannels(const QList<Channel>& deleted);
  Status moveChannels(const QList<qint64>& channelIds, qint64 targetListId);
  // Returns the copies as stored.
  Result<QList<Channel>> copyChannels(const QList<qint64>& channelIds, qint64 targetListId);
  Status setLockout(const QList<qint64>& channelIds, bool lockout);

  // ---- Tags and scanning ----
  Result<QStringList> tags();  // every tag in use, sorted
  // What a scan of a list, or of a tag across every list, goes through:
  // the channels not locked out, by frequency. Either listId or tag is set.
  struct ScanSource {
    qint64 listId = 0;
    QString tag;
  };
  Result<QList<Channel>> scanChannels(const ScanSource& source);
  Result<QList<Channel>> channelsWithTag(const QString& tag);  // lockouts included

  // ---- Import ----
  // Feeds rows to a sink; returns how reading ended. A parser of a file
  // bound to its data, or the rows of the presets.
  using RowProducer = std::function<ParseOutcome(const RowSink&)>;
  // Imports every row `produce` hands over into the named list (made when
  // missing) in one transaction. Rows with a problem, and rows the list
  // already holds (same frequency, mode and name), are bad rows: with any of
  // them nothing is imported unless skipBadRows. Setting *cancel stops the
  // import with nothing imported.
  ImportReport importRows(const QString& listName, const RowProducer& produce, bool skipBadRows,
                          const std::atomic<bool>* cancel = nullptr);

 private:
  // ChannelStoreOpen.cpp: opening, recovery and the schema steps.
  void openFile();
  bool openConnection(bool readOnly, bool immutable);
  void closeConnection();
  bool keepAside(const QString& why);
  Status migrate(int fromVersion);

  // ChannelStore.cpp
  Status unavailable() const;
  Status writable() const;
  Status failed(const QString& what, const QSqlError& error) const;
  Status begin();
  Status commit(const QString& what);
  void rollback();
  QSqlQuery prepare(const QString& sql);
  static QString insertChannelSql();
  static QString insertTagSql();
  Result<QList<Channel>> fetch(QSqlQuery& query);
  Status insertChannel(QSqlQuery& insert, QSqlQuery& insertTag, Channel& channel, bool keepId);
  Status writeTags(qint64 channelId, const QStringList& tags);

  QString path_;
  QString connection_;
  int busyTimeoutMs_;
  QSqlDatabase db_;
  bool open_ = false;
  bool readOnly_ = false;
  int schemaVersion_ = 0;
  QString openMessage_;
};

// Describes a Qt SQL error of SQLite for the operator: a locked file, a full
// disk, a read-only file; the driver's own text for anything else.
QString DescribeSqlError(const QSqlError& error);

}  // namespace channels
