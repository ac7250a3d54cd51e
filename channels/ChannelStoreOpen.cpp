// Opening the channel database: creating it, telling a damaged or foreign
// file from a sound one, keeping a damaged file aside, read-only opening, and
// the schema steps that bring an older file up to date.
#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <iterator>

#include "channels/ChannelStore.h"

namespace channels {

namespace {

// SQLite's primary result codes that mean the file is not a sound database.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteReadOnly = 8;

int primaryCode(const QSqlError& error) {
  bool ok = false;
  const int code = error.nativeErrorCode().toInt(&ok);
  return ok ? (code & 0xFF) : -1;
}

// One step of the schema: the statements that take a file from the version
// before to `version`. Steps only ever get added; a released step never
// changes, so every older file takes the same road.
struct SchemaStep {
  int version;
  QStringList statements;
};

const QList<SchemaStep>& schemaSteps() {
  static const QList<SchemaStep> steps = {
      {1,
       {QStringLiteral("CREATE TABLE lists ("
                       " id INTEGER PRIMARY KEY,"
                       " name TEXT NOT NULL UNIQUE COLLATE NOCASE CHECK (length(trim(name)) > 0),"
                       " created INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE channels ("
                       " id INTEGER PRIMARY KEY,"
                       " list_id INTEGER NOT NULL REFERENCES lists (id) ON DELETE CASCADE,"
                       " frequency INTEGER NOT NULL CHECK (frequency > 0),"
                       " mode TEXT NOT NULL CHECK (mode IN ('AM', 'CW', 'FMN', 'FMW', 'FM1',"
                       "  'FM3', 'FM9', 'FSK', 'LSB', 'SSB', 'USB', 'AUT', 'AMW', 'AM2', 'AM3')),"
                       " filter INTEGER CHECK (filter BETWEEN 0 AND 4),"
                       " name TEXT NOT NULL DEFAULT '',"
                       " tags TEXT NOT NULL DEFAULT '',"
                       " lockout INTEGER NOT NULL DEFAULT 0,"
                       " comment TEXT NOT NULL DEFAULT '',"
                       " created INTEGER NOT NULL,"
                       " updated INTEGER NOT NULL)"),
        QStringLiteral("CREATE UNIQUE INDEX channels_by_list"
                       " ON channels (list_id, frequency, mode, name)")}},
      // The channel's tags column stays what the table shows; channel_tags
      // indexes each tag, so that a scan of one tag across every list finds
      // its channels at once. The store writes both in one transaction.
      {2,
       {QStringLiteral("CREATE TABLE channel_tags ("
                       " channel_id INTEGER NOT NULL REFERENCES channels (id) ON DELETE CASCADE,"
                       " tag TEXT NOT NULL,"
                       " PRIMARY KEY (channel_id, tag)) WITHOUT ROWID"),
        QStringLiteral("CREATE INDEX channel_tags_by_tag ON channel_tags (tag)"),
        QStringLiteral("INSERT OR IGNORE INTO channel_tags (channel_id, tag)"
                       " WITH RECURSIVE split (id, tag, rest) AS ("
                       "  SELECT id, '', tags || ',' FROM channels"
                       "  UNION ALL SELECT id, trim(substr(rest, 1, instr(rest, ',') - 1)),"
                       "   substr(rest, instr(rest, ',') + 1) FROM split WHERE rest <> '')"
                       " SELECT id, tag FROM split WHERE tag <> ''")}},
  };
  return steps;
}

}  // namespace

QString ChannelStore::defaultPath() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
      .filePath(QStringLiteral("channels.sqlite"));
}

ChannelStore::ChannelStore(const QString& path, int busyTimeoutMs)
    : path_(QFileInfo(path).absoluteFilePath()), busyTimeoutMs_(busyTimeoutMs) {
  static QAtomicInt counter;
  connection_ = QStringLiteral("corvalo-channels-%1").arg(counter.fetchAndAddRelaxed(1));
  openFile();
}

ChannelStore::~ChannelStore() { closeConnection(); }

bool ChannelStore::openConnection(bool readOnly, bool immutable) {
  db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
  if (!db_.isValid()) {
    openMessage_ = QStringLiteral(
        "Channel lists are not available: Qt's SQLite driver is missing (Debian package "
        "libqt6sql6-sqlite).");
    return false;
  }
  QStringList options = {QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs_)};
  QString name = path_;
  if (readOnly || immutable) options.append(QStringLiteral("QSQLITE_OPEN_READONLY"));
  if (immutable) {
    // A WAL database in a folder that cannot be written can be read only
    // when SQLite is told nobody changes it meanwhile.
    options.append(QStringLiteral("QSQLITE_OPEN_URI"));
    name = QUrl::fromLocalFile(path_).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1");
  }
  db_.setDatabaseName(name);
  db_.setConnectOptions(options.join(QLatin1Char(';')));
  if (!db_.open()) {
    openMessage_ = QStringLiteral("The channel database %1 cannot be opened: %2")
                       .arg(QDir::toNativeSeparators(path_), DescribeSqlError(db_.lastError()));
    return false;
  }
  return true;
}

void ChannelStore::closeConnection() {
  if (db_.isValid()) db_.close();
  db_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(connection_);
  open_ = false;
}

namespace {

// Reads the schema version and checks the file, in time that does not grow
// with its size (a full integrity check of a large file would hold the
// window for seconds): the header, the schema, the first row of every
// table and index (which reads the root of each b-tree), and that the file is
// as long as its header says. Returns the SQLite error of the first query that
// failed, or an invalid error with *damage set when the file is short.
QSqlError inspect(QSqlDatabase& db, const QString& path, int* version, QString* damage) {
  QSqlQuery query(db);
  if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
    return query.lastError();
  }
  *version = query.value(0).toInt();
  if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
    return query.lastError();
  }
  QStringList tables;
  while (query.next()) tables.append(query.value(0).toString());
  if (query.lastError().isValid()) return query.lastError();
  for (QString table : tables) {
    table.replace(QLatin1String("\""), QLatin1String("\"\""));
    if (!query.exec(QStringLiteral("SELECT * FROM \"%1\" LIMIT 1").arg(table))) {
      return query.lastError();
    }
    while (query.next()) {
    }
    if (query.lastError().isValid()) return query.lastError();
  }
  // The first entry of every index, read through the index itself.
  QList<QStringList> indexes;  // index, table, first column
  if (query.exec(QStringLiteral("SELECT name, tbl_name FROM sqlite_master WHERE type = 'index'"))) {
    while (query.next()) indexes.append({query.value(0).toString(), query.value(1).toString()});
  }
  const auto quoted = [](QString name) {
    return QLatin1Char('"') + name.replace(QLatin1String("\""), QLatin1String("\"\"")) +
           QLatin1Char('"');
  };
  for (const QStringList& index : indexes) {
    if (!query.exec(QStringLiteral("PRAGMA index_info(%1)").arg(quoted(index[0]))) ||
        !query.next()) {
      continue;
    }
    const QString column = query.value(2).toString();
    if (column.isEmpty()) continue;
    if (!query.exec(QStringLiteral("SELECT 1 FROM %1 INDEXED BY %2 ORDER BY %3 LIMIT 1")
                        .arg(quoted(index[1]), quoted(index[0]), quoted(column)))) {
      const int code = primaryCode(query.lastError());
      if (code == kSqliteCorrupt || code == kSqliteNotADatabase) return query.lastError();
      continue;  // an index the planner cannot walk this way says nothing about damage
    }
    while (query.next()) {
    }
    const int code = primaryCode(query.lastError());
    if (code == kSqliteCorrupt || code == kSqliteNotADatabase) return query.lastError();
  }
  qint64 pages = 0;
  qint64 pageSize = 0;
  if (query.exec(QStringLiteral("PRAGMA page_count")) && query.next()) {
    pages = query.value(0).toLongLong();
  }
  if (query.exec(QStringLiteral("PRAGMA page_size")) && query.next()) {
    pageSize = query.value(0).toLongLong();
  }
  // Pages not yet copied back from the write-ahead log are missing from the
  // file by right; without a log the file holds every page.
  if (QFileInfo(path + QStringLiteral("-wal")).size() == 0 &&
      QFileInfo(path).size() < pages * pageSize) {
    *damage = QStringLiteral("the file is shorter than its header says: it was cut off");
  }
  return QSqlError();
}

}  // namespace

void ChannelStore::openFile() {
  openMessage_.clear();
  readOnly_ = false;
  const QFileInfo info(path_);
  const QString shown = QDir::toNativeSeparators(path_);
  if (!QDir().mkpath(info.absolutePath())) {
    openMessage_ = QStringLiteral("Channel lists are not available: the folder %1 cannot be made.")
                       .arg(QDir::toNativeSeparators(info.absolutePath()));
    return;
  }
  const bool exists = info.exists();
  const bool canWrite =
      QFileInfo(info.absolutePath()).isWritable() && (!exists || info.isWritable());
  if (!exists && !canWrite) {
    openMessage_ = QStringLiteral(
                       "Channel lists are not available: the database %1 cannot be made "
                       "because its folder cannot be written.")
                       .arg(shown);
    return;
  }
  if (!openConnection(!canWrite, false)) return;

  int version = 0;
  QString damage;
  QSqlError error = inspect(db_, path_, &version, &damage);
  // A WAL database whose shared-memory file cannot be made in a read-only
  // folder fails its first read with CANTOPEN or READONLY.
  if (error.isValid() && !canWrite &&
      (primaryCode(error) == kSqliteCantOpen || primaryCode(error) == kSqliteReadOnly)) {
    closeConnection();
    if (!openConnection(true, true)) return;
    error = inspect(db_, path_, &version, &damage);
  }
  if (error.isValid()) {
    const int code = primaryCode(error);
    if (code == kSqliteCorrupt || code == kSqliteNotADatabase) {
      damage = error.databaseText();
    } else {
      openMessage_ = QStringLiteral("The channel database %1 cannot be read: %2")
                         .arg(shown, DescribeSqlError(error));
      closeConnection();
      return;
    }
  }
  if (!damage.isEmpty()) {
    if (!canWrite) {
      openMessage_ =
          QStringLiteral(
              "The channel database %1 is damaged (%2) and its folder cannot be written; it is "
              "left as it is and channel lists are not available.")
              .arg(shown, damage);
      closeConnection();
      return;
    }
    if (!keepAside(damage)) return;
    version = 0;
  }

  schemaVersion_ = version;
  if (version > kSchemaVersion) {
    // Nothing may touch a newer program's file, not even the journal mode.
    if (canWrite) {
      closeConnection();
      if (!openConnection(true, false)) return;
    }
    readOnly_ = true;
    open_ = true;
    openMessage_ = QStringLiteral(
                       "The channel database %1 was written by a newer version of Corvalo "
                       "(schema %2; this version knows %3). It is opened read-only: the lists can "
                       "be read and exported, not changed.")
                       .arg(shown)
                       .arg(version)
                       .arg(kSchemaVersion);
    return;
  }
  if (!canWrite) {
    if (version < kSchemaVersion) {
      openMessage_ = QStringLiteral(
                         "The channel database %1 cannot be written (read-only file or folder) "
                         "and is from an older version: channel lists are not available.")
                         .arg(shown);
      closeConnection();
      return;
    }
    readOnly_ = true;
    open_ = true;
    openMessage_ = QStringLiteral(
                       "The channel database %1 cannot be written (read-only file or folder): "
                       "the lists can be read and exported, not changed.")
                       .arg(shown);
    return;
  }

  QSqlQuery query(db_);
  for (const char* pragma :
       {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = FULL", "PRAGMA foreign_keys = ON"}) {
    if (!query.exec(QString::fromLatin1(pragma))) {
      openMessage_ = QStringLiteral("The channel database %1 cannot be prepared: %2")
                         .arg(shown, DescribeSqlError(query.lastError()));
      query = QSqlQuery();
      closeConnection();
      return;
    }
  }
  query = QSqlQuery();
  if (version < kSchemaVersion) {
    const Status migrated = migrate(version);
    if (!migrated) {
      openMessage_ = QStringLiteral("The channel database %1 cannot be brought up to date: %2")
                         .arg(shown, migrated.error());
      closeConnection();
      return;
    }
  }
  open_ = true;
}

bool ChannelStore::keepAside(const QString& why) {
  closeConnection();
  const QString stamp =
      QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
  const QString aside = path_ + QStringLiteral(".damaged-") + stamp;
  if (!QFile::rename(path_, aside)) {
    openMessage_ = QStringLiteral(
                       "The channel database %1 is damaged (%2) and could not be renamed aside; "
                       "it is left as it is and channel lists are not available.")
                       .arg(QDir::toNativeSeparators(path_), why);
    return false;
  }
  // The journal files belong to the damaged file: they go aside with it,
  // so that a fresh database never picks them up.
  for (const char* suffix : {"-wal", "-shm"}) {
    const QString journal = path_ + QLatin1String(suffix);
    if (QFile::exists(journal)) QFile::rename(journal, aside + QLatin1String(suffix));
  }
  if (!openConnection(false, false)) return false;
  openMessage_ = QStringLiteral(
                     "The channel database was damaged (%1). It has been kept as %2 and a new, "
                     "empty one has been started.")
                     .arg(why, QDir::toNativeSeparators(aside));
  return true;
}

Status ChannelStore::migrate(int fromVersion) {
  for (const SchemaStep& step : schemaSteps()) {
    if (step.version <= fromVersion) continue;
    if (Status started = begin(); !started) return started;
    QSqlQuery query(db_);
    for (const QString& statement : step.statements) {
      if (!query.exec(statement)) {
        const Status failure =
            failed(QStringLiteral("Step to schema %1 failed").arg(step.version), query.lastError());
        query = QSqlQuery();
        rollback();
        return failure;
      }
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(step.version))) {
      const Status failure = failed(QStringLiteral("Cannot record the schema"), query.lastError());
      query = QSqlQuery();
      rollback();
      return failure;
    }
    query = QSqlQuery();
    if (Status done = commit(QStringLiteral("Cannot record the schema")); !done) return done;
    schemaVersion_ = step.version;
  }
  return Status();
}

}  // namespace channels
