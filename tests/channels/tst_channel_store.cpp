#include <signal.h>
#include <sys/resource.h>

#include <QTemporaryDir>
#include <QtTest/QtTest>

#include "ChannelTestSupport.h"
#include "TestMain.h"
#include "channels/ChannelFormats.h"
#include "channels/ChannelStore.h"

using namespace channels;
using channeltest::MakeChannel;

// The channel database on a real SQLite file in a temporary folder: its
// schema, the edits the window makes, and what happens when a write cannot
// be done or the file is not what it should be.
class ChannelStoreTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString path() const { return dir_.filePath(QStringLiteral("channels.sqlite")); }

  // A list "Air" with three channels, one locked out, written and closed.
  void writeSample() {
    ChannelStore store(path());
    const qint64 air = store.createList(QStringLiteral("Air")).value();
    for (Channel channel : {MakeChannel(118'100'000, "AM", "Tower", {"airport"}),
                            MakeChannel(121'500'000, "AM", "Guard", {"emergency"}),
                            MakeChannel(124'350'000, "AM", "ATIS", {"airport"})}) {
      channel.listId = air;
      QVERIFY(store.addChannel(channel));
    }
    QVERIFY(store.setLockout({store.channels(air).value().at(2).id}, true));
  }

  static QStringList names(const QList<Channel>& channels) {
    QStringList result;
    for (const Channel& channel : channels) result.append(channel.name);
    return result;
  }

  static ChannelStore::RowProducer rowsOf(const QList<Channel>& channels) {
    return [channels](const RowSink& sink) {
      int line = 0;
      for (const Channel& channel : channels) {
        ImportRow row;
        row.line = ++line;
        row.channel = channel;
        if (!sink(row)) return ParseOutcome{QString(), true};
      }
      return ParseOutcome();
    };
  }

 private slots:
  void init() {
    QFile::remove(path());
    QFile::remove(path() + QStringLiteral("-wal"));
    QFile::remove(path() + QStringLiteral("-shm"));
  }

  void newFileHasTheCurrentSchemaInWal() {
    {
      ChannelStore store(path());
      QVERIFY2(store.isOpen(), qPrintable(store.openMessage()));
      QVERIFY(store.openMessage().isEmpty());
      QCOMPARE(store.schemaVersion(), ChannelStore::kSchemaVersion);
    }
    channeltest::RawConnection raw(path());
    QCOMPARE(raw.value(QStringLiteral("PRAGMA user_version")).toInt(),
             ChannelStore::kSchemaVersion);
    QCOMPARE(raw.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
  }

  // A file of the first schema, tags in a column of the channel, is brought
  // up to date with its channels and tags intact.
  void migratesFromVersionOne() {
    {
      channeltest::RawConnection raw(path());
      QVERIFY(raw.exec(
          "CREATE TABLE lists (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE "
          "CHECK (length(trim(name)) > 0), created INTEGER NOT NULL)"));
      QVERIFY(raw.exec(
          "CREATE TABLE channels (id INTEGER PRIMARY KEY, list_id INTEGER NOT NULL REFERENCES "
          "lists (id) ON DELETE CASCADE, frequency INTEGER NOT NULL CHECK (frequency > 0), mode "
          "TEXT NOT NULL, filter INTEGER, name TEXT NOT NULL DEFAULT '', tags TEXT NOT NULL "
          "DEFAULT '', lockout INTEGER NOT NULL DEFAULT 0, comment TEXT NOT NULL DEFAULT '', "
          "created INTEGER NOT NULL, updated INTEGER NOT NULL)"));
      QVERIFY(
          raw.exec("CREATE UNIQUE INDEX channels_by_list ON channels (list_id, frequency, "
                   "mode, name)"));
      QVERIFY(raw.exec("INSERT INTO lists VALUES (1, 'Marine', 5)"));
      QVERIFY(
          raw.exec("INSERT INTO channels VALUES (1, 1, 156800000, 'FMN', 2, 'Ch 16', "
                   "'distress, marine', 1, 'calling', 10, 20)"));
      QVERIFY(
          raw.exec("INSERT INTO channels VALUES (2, 1, 156300000, 'FMN', NULL, 'Ch 6', '', 0, "
                   "'', 10, 20)"));
      QVERIFY(raw.exec("PRAGMA user_version = 1"));
    }
    ChannelStore store(path());
    QVERIFY2(store.isOpen(), qPrintable(store.openMessage()));
    QCOMPARE(store.schemaVersion(), ChannelStore::kSchemaVersion);
    const QList<Channel> channels = store.channels(1).value();
    QCOMPARE(channels.size(), 2);
    Channel expected = MakeChannel(156'800'000, "FMN", "Ch 16", {"distress", "marine"}, 2);
    expected.id = 1;
    expected.listId = 1;
    expected.lockout = true;
    expected.comment = QStringLiteral("calling");
    expected.createdMs = 10;
    expected.updatedMs = 20;
    QCOMPARE(channels.at(1), expected);
    QCOMPARE(store.tags().value(), QStringList({"distress", "marine"}));
    QCOMPARE(names(store.channelsWithTag(QStringLiteral("marine")).value()), QStringList{"Ch 16"});
  }

  void editsListsAndChannels() {
    writeSample();
    ChannelStore store(path());
    const qint64 air = store.findList(QStringLiteral("air")).value().id;
    const qint64 spare = store.createList(QStringLiteral("Spare")).value();
    QVERIFY(!store.createList(QStringLiteral(" AIR ")));  // names are unique, any case
    QVERIFY(store.renameList(spare, QStringLiteral("Ground")));
    QCOMPARE(store.lists().value().size(), 2);
    QCOMPARE(store.lists().value().at(0).channelCount, 3);

    QList<Channel> channels = store.channels(air).value();
    Channel tower = channels.at(0);
    tower.name = QStringLiteral("Tower West");
    tower.tags = {QStringLiteral("west"), QStringLiteral(" airport ")};
    const Channel updated = store.updateChannel(tower).value();
    QCOMPARE(store.channel(tower.id).value(), updated);
    QCOMPARE(updated.tags, QStringList({"airport", "west"}));

    // Delete and put back: ids, times and tags as they were.
    const QList<Channel> deleted =
        store.deleteChannels({channels.at(0).id, channels.at(1).id}).value();
    QCOMPARE(deleted.size(), 2);
    QCOMPARE(names(store.channels(air).value()), QStringList{"ATIS"});
    QVERIFY(store.restoreChannels(deleted));
    QCOMPARE(store.channels(air).value().mid(0, 2), deleted);

    // Copy, move, and the same frequency in several lists.
    QCOMPARE(store.copyChannels({deleted.at(1).id}, spare).value().size(), 1);
    QVERIFY(store.moveChannels({deleted.at(0).id}, spare));
    QCOMPARE(names(store.channels(spare).value()), QStringList({"Tower West", "Guard"}));
    QCOMPARE(names(store.channels(air).value()), QStringList({"Guard", "ATIS"}));

    // What a scan goes through: no lockouts, by frequency, a tag across lists.
    QCOMPARE(names(store.scanChannels({air, QString()}).value()), QStringList{"Guard"});
    QCOMPARE(names(store.scanChannels({0, QStringLiteral("emergency")}).value()),
             QStringList({"Guard", "Guard"}));
    QCOMPARE(names(store.channelsWithTag(QStringLiteral("airport")).value()),
             QStringList({"Tower West", "ATIS"}));
    QVERIFY(!store.scanChannels({}));

    QVERIFY(store.deleteList(spare));
    QCOMPARE(store.tags().value(), QStringList({"airport", "emergency"}));
  }

  void refusesWhatCannotBeStored_data() {
    QTest::addColumn<Channel>("channel");
    QTest::addColumn<QString>("reason");
    QTest::newRow("zero frequency") << MakeChannel(0, "AM") << "frequency out of range";
    QTest::newRow("above 9999.99999 MHz") << MakeChannel(10'000'000'000, "AM") << "out of range";
    QTest::newRow("unknown mode") << MakeChannel(1000, "DMR") << "unknown mode";
    QTest::newRow("filter 5") << MakeChannel(1000, "AM", "", {}, 5) << "filter out of range";
    QTest::newRow("comma in a tag") << MakeChannel(1000, "AM", "", {"a,b"}) << "tag";
    QTest::newRow("duplicate") << MakeChannel(118'100'000, "AM", "Tower") << "already has";
  }
  void refusesWhatCannotBeStored() {
    QFETCH(Channel, channel);
    QFETCH(QString, reason);
    writeSample();
    ChannelStore store(path());
    channel.listId = store.findList(QStringLiteral("Air")).value().id;
    const Result<Channel> added = store.addChannel(channel);
    QVERIFY(!added);
    QVERIFY2(added.error().contains(reason), qPrintable(added.error()));
    QCOMPARE(store.channels(channel.listId).value().size(), 3);
  }

  // A change of many rows that fails part way leaves every row as it was.
  void failedChangesLeaveTheDatabaseAsItWas() {
    writeSample();
    ChannelStore store(path());
    const qint64 air = store.findList(QStringLiteral("Air")).value().id;
    const qint64 other = store.createList(QStringLiteral("Other")).value();
    Channel clash = MakeChannel(121'500'000, "AM", "Guard");
    clash.listId = other;
    QVERIFY(store.addChannel(clash));
    const QList<Channel> before = store.channels(air).value();
    QList<qint64> ids;
    for (const Channel& channel : before) ids.append(channel.id);

    const Status moved = store.moveChannels(ids, other);  // Guard is already there
    QVERIFY(!moved);
    QVERIFY2(moved.error().contains("already has"), qPrintable(moved.error()));
    QCOMPARE(store.channels(air).value(), before);
    QVERIFY(!store.copyChannels(ids, other));
    QCOMPARE(store.channels(other).value().size(), 1);

    // An import with one bad row imports nothing, not even its new list.
    QList<Channel> rows = {MakeChannel(1000, "AM", "a"), MakeChannel(0, "AM", "bad"),
                           MakeChannel(2000, "AM", "b")};
    ImportReport report = store.importRows(QStringLiteral("New"), rowsOf(rows), false);
    QVERIFY(!report.ok());
    QCOMPARE(report.problems, QList<RowProblem>({{2, {}, report.problems.value(0).reason}}));
    QVERIFY(!store.findList(QStringLiteral("New")));
    // Cancelled part way: nothing, however many rows went in before.
    std::atomic<bool> cancel = false;
    const auto cancelAfterOne = [&](const RowSink& sink) {
      return rowsOf(rows)([&](const ImportRow& row) {
        const bool more = sink(row);
        cancel = true;
        return more;
      });
    };
    report = store.importRows(QStringLiteral("New"), cancelAfterOne, true, &cancel);
    QVERIFY(report.cancelled);
    QVERIFY(!store.findList(QStringLiteral("New")));
    report = store.importRows(QStringLiteral("New"), rowsOf(rows), true);
    QVERIFY(report.ok());
    QCOMPARE(report.imported, 2);
  }

  // The disk fills up in the middle of a large import: the write fails, the
  // import reports it, and the lists are as they were before.
  void fullDiskDuringImportChangesNothing() {
    writeSample();
    QList<Channel> rows;
    for (int i = 0; i < 20000; ++i) {
      rows.append(MakeChannel(100'000'000 + i * 1000, "FMN", "a fairly long name to fill pages"));
    }
    ImportReport report;
    {
      ChannelStore store(path());
      rlimit old{};
      getrlimit(RLIMIT_FSIZE, &old);
      signal(SIGXFSZ, SIG_IGN);
      rlimit tight = old;
      tight.rlim_cur = 256 * 1024;  // no file may grow past 256 KiB
      setrlimit(RLIMIT_FSIZE, &tight);
      report = store.importRows(QStringLiteral("Big"), rowsOf(rows), false);
      setrlimit(RLIMIT_FSIZE, &old);
    }
    QVERIFY(!report.ok());
    QVERIFY2(!report.error.isEmpty(), qPrintable(report.summary()));
    ChannelStore store(path());
    QVERIFY(store.isOpen());
    QVERIFY(!store.findList(QStringLiteral("Big")));
    QCOMPARE(store.channels(store.findList(QStringLiteral("Air")).value().id).value().size(), 3);
  }

  // A second program holds the write lock: changes fail with a clear reason
  // after the busy wait, and succeed once the lock is gone.
  void lockedDatabaseIsReported() {
    writeSample();
    ChannelStore store(path(), 100);
    const qint64 air = store.findList(QStringLiteral("Air")).value().id;
    Channel channel = MakeChannel(130'000'000, "AM", "Company");
    channel.listId = air;
    {
      channeltest::RawConnection other(path());
      QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
      const Result<Channel> added = store.addChannel(channel);
      QVERIFY(!added);
      QVERIFY2(added.error().contains("in use by another program"), qPrintable(added.error()));
      const ImportReport report = store.importRows(QStringLiteral("Air"), rowsOf({channel}), false);
      QVERIFY(report.error.contains("in use by another program"));
      QCOMPARE(store.channels(air).value().size(), 3);  // reading still works
      other.exec(QStringLiteral("ROLLBACK"));
    }
    QVERIFY(store.addChannel(channel));
  }

  // A file of a newer program is read, never written, not even its header.
  void newerSchemaIsOpenedReadOnly() {
    writeSample();
    {
      channeltest::RawConnection raw(path());
      QVERIFY(raw.exec(QStringLiteral("PRAGMA user_version = 99")));
      QVERIFY(raw.exec(QStringLiteral("PRAGMA journal_mode = DELETE")));
    }
    const QByteArray digest = channeltest::FileDigest(path());
    {
      ChannelStore store(path());
      QVERIFY(store.isOpen());
      QVERIFY(store.isReadOnly());
      QVERIFY2(store.openMessage().contains("newer version"), qPrintable(store.openMessage()));
      const qint64 air = store.findList(QStringLiteral("Air")).value().id;
      QCOMPARE(store.channels(air).value().size(), 3);
      const Result<qint64> created = store.createList(QStringLiteral("X"));
      QVERIFY(!created);
      QVERIFY(created.error().contains("newer version"));
      QVERIFY(!store.setLockout({1}, true));
      QVERIFY(!store.importRows(QStringLiteral("Air"), rowsOf({MakeChannel(5, "AM")}), true).ok());
    }
    QCOMPARE(channeltest::FileDigest(path()), digest);
    QVERIFY(!QFile::exists(path() + QStringLiteral("-wal")));
  }

  // A damaged file is renamed aside, kept byte for byte, and reported; a
  // new database takes its place.
  void corruptFileIsKeptAside_data() {
    QTest::addColumn<int>("damage");
    QTest::newRow("binary junk") << 0;
    QTest::newRow("truncated database") << 1;
    QTest::newRow("zeroed pages") << 2;
  }
  void corruptFileIsKeptAside() {
    QFETCH(int, damage);
    writeSample();
    {
      channeltest::RawConnection raw(path());
      QVERIFY(raw.exec(QStringLiteral("PRAGMA journal_mode = DELETE")));  // everything in one file
    }
    QFile file(path());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    if (damage == 0) {
      bytes = QByteArray("this is not a database\n").repeated(300);
    } else if (damage == 1) {
      bytes.truncate(bytes.size() / 2 + 100);
    } else {
      bytes.replace(4096, 4096, QByteArray(4096, '\xA5'));
    }
    file.resize(0);
    file.write(bytes);
    file.close();

    ChannelStore store(path());
    QVERIFY2(store.isOpen(), qPrintable(store.openMessage()));
    QVERIFY2(store.openMessage().contains("damaged"), qPrintable(store.openMessage()));
    QVERIFY(store.lists().value().isEmpty());
    QVERIFY(store.createList(QStringLiteral("Fresh")));
    const QStringList aside =
        QDir(dir_.path()).entryList({QStringLiteral("channels.sqlite.damaged-*")});
    QCOMPARE(aside.size(), 1);
    QVERIFY(store.openMessage().contains(aside.first()));
    QFile kept(dir_.filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), bytes);
    kept.remove();
  }
};

CORVALO_TEST_GUILESS_MAIN(ChannelStoreTest)
#include "tst_channel_store.moc"
