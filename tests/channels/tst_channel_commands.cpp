#include <grp.h>
#include <signal.h>
#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QtTest>

#include "ChannelTestSupport.h"
#include "TestMain.h"
#include "channels/ChannelStore.h"

using namespace channels;

// corvalo --import and --export, run as the program itself with a data
// folder of their own: exit status and messages, a database folder that
// cannot be written, and an import killed half way.
class ChannelCommandsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString database() const {
    return dir_.filePath(QStringLiteral("data/Quorvane/Corvalo/channels.sqlite"));
  }
  QString file(const QString& name) const { return dir_.filePath(name); }

  struct Run {
    int exitCode = -1;
    QString out;
    QString err;
  };

  // Runs the program; as an unprivileged user when asked (and when the test
  // runs as root, who may write anything whatever the permissions say).
  Run run(const QStringList& arguments, bool unprivileged = false) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir_.filePath(QStringLiteral("data")));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(environment);
    if (unprivileged && geteuid() == 0) {
      program.setChildProcessModifier([] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
      });
    }
    program.start(QStringLiteral(CORVALO_PROGRAM), arguments);
    program.waitForFinished(120000);
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromLocal8Bit(program.readAllStandardOutput()),
            QString::fromLocal8Bit(program.readAllStandardError())};
  }

 private slots:
  void initTestCase() {
    // The unprivileged user must reach the files.
    QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                           QFileDevice::ExeGroup);
    channeltest::WriteFile(file(QStringLiteral("marine.csv")),
                           "# Tag name ; color\n\n156800000; Ch 16; Narrow FM; 10000; Marine\n"
                           "156300000; Ch 6; Narrow FM; 10000;\n");
    channeltest::WriteFile(file(QStringLiteral("bad.csv")),
                           "# Tag name ; color\n\n156800000; Ch 16; Narrow FM; 10000;\n"
                           "1x; Bad; Narrow FM; 10000;\n");
  }

  void commands_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("import") << QStringList{"--import", file("marine.csv")} << 0
                            << "Imported 2 channels into the list \"marine\"."
                            << "";
    QTest::newRow("import again: duplicates")
        << QStringList{"--import", file("marine.csv")} << 1 << ""
        << "Line 3: duplicate: the list already has 156.80000 MHz FMN \"Ch 16\"";
    QTest::newRow("bad row") << QStringList{"--import", file("bad.csv"), "--list", "Other"} << 1
                             << ""
                             << "--skip-bad-rows imports the other 1 rows";
    QTest::newRow("bad row skipped")
        << QStringList{"--import", file("bad.csv"), "--list", "Other", "--skip-bad-rows"} << 0
        << "1 bad rows were skipped"
        << "Line 4: malformed number \"1x\"";
    QTest::newRow("missing file") << QStringList{"--import", file("none.csv")} << 1 << ""
                                  << "cannot be read";
    QTest::newRow("export as CHIRP")
        << QStringList{"--export", "MARINE", file("out.csv"), "--format", "chirp"} << 0 << ""
        << "";
    QTest::newRow("export of no list") << QStringList{"--export", "none", file("x.csv")} << 1 << ""
                                       << "There is no channel list named \"none\".";
    QTest::newRow("unknown format")
        << QStringList{"--export", "marine", file("x"), "--format", "x"} << 2 << ""
        << "unknown format";
    QTest::newRow("value missing") << QStringList{"--export", "marine"} << 2 << ""
                                   << "--export needs a value";
  }
  void commands() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run result = run(arguments);
    QVERIFY2(result.exitCode == exitCode, qPrintable(result.err));
    QVERIFY2(result.out.contains(out), qPrintable(result.out));
    QVERIFY2(result.err.contains(err), qPrintable(result.err));
    if (exitCode != 0) QVERIFY(!result.err.isEmpty());
  }

  // A database in a folder nobody may write: lists can be exported, an
  // import fails with the reason, and the file stays as it was.
  void readOnlyFolder() {
    QVERIFY(run({"--import", file("marine.csv"), "--list", "Kept"}).exitCode == 0);
    const QString folder = QFileInfo(database()).absolutePath();
    const QByteArray digest = channeltest::FileDigest(database());
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto listable =
        readOnly | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(database(), readOnly));
    QVERIFY(QFile::setPermissions(folder, listable));
    QFile::setPermissions(QFileInfo(folder).absolutePath(), listable);
    QFile::setPermissions(dir_.filePath(QStringLiteral("data")), listable);
    QFile::setPermissions(dir_.filePath(QStringLiteral("data/Quorvane")), listable);
    QTemporaryDir out;
    QFile::setPermissions(out.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::WriteOther | QFileDevice::ExeOther);

    const Run exported = run({"--export", "Kept", out.filePath("kept.csv")}, true);
    const Run imported = run({"--import", file("marine.csv"), "--list", "New"}, true);
    const auto writable = listable | QFileDevice::WriteOwner;
    for (const QString& path : {dir_.filePath(QStringLiteral("data")),
                                dir_.filePath(QStringLiteral("data/Quorvane")), folder}) {
      QFile::setPermissions(path, writable);
    }
    QFile::setPermissions(database(), readOnly | QFileDevice::WriteOwner);

    QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
    QVERIFY2(exported.err.contains("cannot be written"), qPrintable(exported.err));
    QVERIFY(QFile::exists(out.filePath("kept.csv")));
    QCOMPARE(imported.exitCode, 1);
    QVERIFY2(imported.err.contains("cannot be written"), qPrintable(imported.err));
    QCOMPARE(channeltest::FileDigest(database()), digest);
  }

  // The program killed in the middle of a large import: the lists it had
  // are all there, the half import is not, and the database works on.
  void killedImportLeavesTheListsIntact() {
    QVERIFY(run({"--import", file("marine.csv"), "--list", "Before"}).exitCode == 0);
    QByteArray big = "# Tag name ; color\n\n";
    for (int i = 0; i < 200000; ++i) {
      big += QByteArray::number(100'000'000 + qint64(i) * 100) + "; Channel " +
             QByteArray::number(i) + "; Narrow FM; 10000; bulk\n";
    }
    channeltest::WriteFile(file(QStringLiteral("big.csv")), big);

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir_.filePath(QStringLiteral("data")));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(CORVALO_PROGRAM),
                  {"--import", file(QStringLiteral("big.csv")), "--list", "Big"});
    QVERIFY(program.waitForStarted());
    // Half way: the write-ahead log has grown well past what the earlier
    // lists need, the import's transaction still open.
    const QString wal = database() + QStringLiteral("-wal");
    QTRY_VERIFY_WITH_TIMEOUT(
        QFileInfo(wal).size() > 2 * 1024 * 1024 || program.state() == QProcess::NotRunning, 60000);
    QVERIFY2(program.state() == QProcess::Running, "the import ended before it could be killed");
    ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
    QVERIFY(program.waitForFinished(10000));

    ChannelStore store(database());
    QVERIFY2(store.isOpen(), qPrintable(store.openMessage()));
    QVERIFY(store.openMessage().isEmpty());
    QVERIFY(!store.findList(QStringLiteral("Big")));
    const Result<ChannelList> before = store.findList(QStringLiteral("Before"));
    QVERIFY(before);
    QCOMPARE(before.value().channelCount, 2);
    QVERIFY(store.createList(QStringLiteral("After")));
  }
};

CORVALO_TEST_GUILESS_MAIN(ChannelCommandsTest)
#include "tst_channel_commands.moc"
