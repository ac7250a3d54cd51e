#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QtTest/QtTest>
#include <clocale>
#include <optional>

#include "SettingsFile.h"
#include "TestMain.h"
#include "settings/SettingsStore.h"

// The settings store against a real settings file in the test's own
// XDG_CONFIG_HOME.
class SettingsTest : public QObject {
  Q_OBJECT

 private:
  static QString file() { return SettingsStore::fileName(); }
  static void removeFile() { QFile::remove(file()); }
  static QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static void writeRaw(const QByteArray& contents) {
    QDir().mkpath(QFileInfo(file()).absolutePath());
    QFile f(file());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(contents);
  }
  // Reads one value of `from` (the default profile's store unless given)
  // through a fresh session, returning the error text instead when the store
  // reports one.
  QString readText(const QString& section, const QString& name, const QString& def,
                   SettingsStore* from = nullptr) {
    SettingsStore& reader = from ? *from : store;
    try {
      SettingsSession session(reader);
      return reader.ReadText(section, name, def);
    } catch (const SettingsError& e) {
      return QStringLiteral("error: ") + e.message();
    }
  }

  SettingsStore store;  // the default profile's, for the whole run as the program's

 private slots:
  void init() {
    removeFile();
    store.takeMessages();
  }
  void cleanup() { removeFile(); }

  void storesUnderOrganisationAndApplication() {
    QVERIFY(file().endsWith(QStringLiteral("Quorvane/Corvalo.conf")));
    QVERIFY(file().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
  }

  void missingValuesGiveTheCallersDefault() {
    SettingsSession session(store);
    QCOMPARE(store.ReadText("General", "Frequency", "162.55"), QStringLiteral("162.55"));
    QCOMPARE(store.ReadNumber("General", "Left", 280), 280);
    QCOMPARE(store.ReadFlag("General", "Show Icon", true), true);
    QCOMPARE(store.ReadFlag("General", "Always On Top", false), false);
  }

  void readingCreatesNothing() {
    {
      SettingsSession session(store);
      store.ReadText("General", "Frequency", "x");
      store.ReadNumber("Presets", "Active Group", 0);
    }
    QVERIFY(!QFileInfo::exists(file()));
  }

  void valuesAreStoredAsText() {
    {
      SettingsSession session(store);
      store.WriteText("General", "Frequency", "  162.55000");
      store.WriteNumber("General", "Left", -12);
      store.WriteFlag("General", "Show Icon", false);
      store.WriteFlag("General", "Power Off", true);
    }
    QSettings raw(file(), QSettings::IniFormat);
    QCOMPARE(raw.value("General/Frequency").typeId(), int(QMetaType::QString));
    QCOMPARE(raw.value("General/Frequency").toString(), QStringLiteral("  162.55000"));
    QCOMPARE(raw.value("General/Left").toString(), QStringLiteral("-12"));
    // false is the text "0": not empty and not a number type.
    QCOMPARE(raw.value("General/Show Icon").typeId(), int(QMetaType::QString));
    QCOMPARE(raw.value("General/Show Icon").toString(), QStringLiteral("0"));
    QCOMPARE(raw.value("General/Power Off").toString(), QStringLiteral("1"));
    SettingsSession session(store);
    QCOMPARE(store.ReadText("General", "Frequency", ""), QStringLiteral("  162.55000"));
    QCOMPARE(store.ReadNumber("General", "Left", 0), -12);
    QCOMPARE(store.ReadFlag("General", "Show Icon", true), false);
  }

  void numberConversion_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("decimal") << "9600" << 9600;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("hex lower prefix") << "0x1F" << 31;
    QTest::newRow("hex upper prefix, mixed digits") << "0X1f" << 31;
    QTest::newRow("bare prefix is not a number") << "0x" << 77;
    QTest::newRow("letters") << "abc" << 77;
    QTest::newRow("empty") << "" << 77;
    QTest::newRow("trailing garbage") << "12abc" << 77;
    QTest::newRow("hex with garbage") << "0x1G" << 77;
    QTest::newRow("hex with sign") << "0x-1" << 77;
    QTest::newRow("too large") << "99999999999999999999" << 77;
    QTest::newRow("just over int") << "2147483648" << 77;
    QTest::newRow("int max") << "2147483647" << 2147483647;
    QTest::newRow("decimal point") << "1.5" << 77;
  }
  void numberConversion() {
    QFETCH(QString, stored);
    QFETCH(int, expected);
    {
      SettingsSession session(store);
      store.WriteText("Connection", "Com Port Rate", stored);
    }
    SettingsSession session(store);
    QCOMPARE(store.ReadNumber("Connection", "Com Port Rate", 77), expected);
  }

  void flagConversion_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");
    QTest::newRow("2 is true") << "2" << false << true;
    QTest::newRow("-1 is true") << "-1" << false << true;
    QTest::newRow("0 is false") << "0" << true << false;
    QTest::newRow("1 is true") << "1" << false << true;
    QTest::newRow("empty gives true default") << "" << true << true;
    QTest::newRow("empty gives false default") << "" << false << false;
    QTest::newRow("text gives default") << "yes" << true << true;
  }
  void flagConversion() {
    QFETCH(QString, stored);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    {
      SettingsSession session(store);
      store.WriteText("General", "Show Icon", stored);
    }
    SettingsSession session(store);
    QCOMPARE(store.ReadFlag("General", "Show Icon", defaultValue), expected);
  }

  void profilesAreIsolated() {
    {
      SettingsSession session(store);
      store.WriteText("General", "Frequency", "root");
    }
    QCOMPARE(store.root(), QStringLiteral("\\Software\\Quorvane\\Corvalo"));
    SettingsStore shack(QStringLiteral("Shack"));
    QCOMPARE(shack.root(), QStringLiteral("\\Software\\Quorvane\\Corvalo\\Shack"));
    QCOMPARE(readText("General", "Frequency", "default", &shack), QStringLiteral("default"));
    {
      SettingsSession session(shack);
      shack.WriteText("General", "Frequency", "shack");
    }
    QCOMPARE(readText("General", "Frequency", "default", &shack), QStringLiteral("shack"));
    QCOMPARE(readText("General", "Frequency", "default"), QStringLiteral("root"));
  }

  void backslashInProfileNestsDeeper() {
    SettingsStore scanner(QStringLiteral("Shack\\Scanner2"));
    {
      SettingsSession session(scanner);
      scanner.WriteText("General", "Mode", "AM");
    }
    QSettings raw(file(), QSettings::IniFormat);
    QCOMPARE(raw.value("Shack/Scanner2/General/Mode").toString(), QStringLiteral("AM"));
    SettingsStore shack(QStringLiteral("Shack"));
    QCOMPARE(readText("General", "Mode", "none", &shack), QStringLiteral("none"));
  }

  void presetsOfGroupsAreIndependent() {
    {
      SettingsSession session(store);
      store.WriteText("Presets", "BPreset Frequency 10", "  145.00000");
    }
    SettingsSession session(store);
    QCOMPARE(store.ReadText("Presets", "Preset Frequency 10", "162.55"), QStringLiteral("162.55"));
    QCOMPARE(store.ReadText("Presets", "CPreset Frequency 10", "162.55"), QStringLiteral("162.55"));
    QCOMPARE(store.ReadText("Presets", "BPreset Frequency 10", ""), QStringLiteral("  145.00000"));
  }

  void hugeProfileNameAndValues() {
    SettingsStore huge(QString(10000, QLatin1Char('p')));
    const QString big(100000, QLatin1Char('9'));
    {
      SettingsSession session(huge);
      huge.WriteText("General", "Frequency", big);
      huge.WriteText("Connection", "Protocol", big);
    }
    SettingsSession session(huge);
    QCOMPARE(huge.ReadText("General", "Frequency", ""), big);
    QCOMPARE(huge.ReadNumber("Connection", "Protocol", 3), 3);
  }

  void textsWithSpecialCharactersRoundTrip() {
    const QString tricky = QStringLiteral(" a, b; \"c\" = [d] \\e\n");
    {
      SettingsSession session(store);
      store.WriteText("Presets", "Preset Description 1", tricky);
    }
    QCOMPARE(readText("Presets", "Preset Description 1", ""), tricky);
  }

  // A hand-edited file: a value that is not plain text reads as its default
  // and is told once, however often it is read (a good value of the same
  // name in another section puts nothing right); plain values around it read.
  void handEditedValuesOfOtherTypes() {
    writeRaw(
        "[%General]\n"
        "Frequency=145.5\n"
        "Mode=FM, N\n"
        "Left=@ByteArray(\\x1\\x2)\n"
        "Top=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x6QPoint\\0\\0\\0\\0\\x1\\0\\0\\0\\x2)\n"
        "[Scan]\n"
        "Mode=AM\n");
    for (int pass = 0; pass < 2; ++pass) {
      QCOMPARE(readText("General", "Frequency", ""), QStringLiteral("145.5"));
      QCOMPARE(readText("General", "Mode", "FMN"), QStringLiteral("FMN"));
      QCOMPARE(readText("Scan", "Mode", "FMN"), QStringLiteral("AM"));
      SettingsSession session(store);
      QCOMPARE(store.ReadNumber("General", "Left", 280), 280);
      QCOMPARE(store.ReadNumber("General", "Top", 146), 146);
    }
    QCOMPARE(store.takeMessages(),
             QStringList({"Invalid data type for 'Mode'", "Invalid data type for 'Left'",
                          "Invalid data type for 'Top'"}));
    QCOMPARE(store.takeMessages(), QStringList());
  }

  // A garbled file reads as defaults and is told once, with where a copy of
  // it was kept; the next save replaces it and is no failure.
  void garbledFileIsKeptAndReplaced() {
    QByteArray garbage(8192, '\0');
    QRandomGenerator random(12);
    for (char& c : garbage) c = static_cast<char>(random.bounded(256));
    writeRaw(garbage);
    QCOMPARE(readText("General", "Step Size", "0.00050"), QStringLiteral("0.00050"));
    const QString copy = file() + QStringLiteral(".unreadable");
    QCOMPARE(store.takeMessages(),
             QStringList(QStringLiteral("settings file could not be read; defaults used; the old "
                                        "file was kept as ") +
                         copy));
    QCOMPARE(contents(copy), garbage);
    {
      SettingsSession session(store);
      store.WriteText("General", "Step Size", "  0.00500");
    }
    QCOMPARE(testsupport::SettingsFile().text("General/Step Size"), QStringLiteral("  0.00500"));
    QCOMPARE(store.takeMessages(), QStringList());
    QVERIFY(QFile::remove(copy));
  }

  // A folder where the file should be: the first read tells it, reads give
  // defaults, and the saves that fail for it tell nothing new. Nothing of a
  // failed save stays behind: once the file is back, reads give what it
  // holds. The folder also stands in for a file the user may not write,
  // which holds even for root.
  void unwritableStoreIsReported() {
    {
      SettingsSession session(store);
      store.WriteText("General", "Frequency", "  162.55000");
    }
    const QByteArray before = contents(file());
    QVERIFY(QFile::rename(file(), file() + ".saved"));
    QVERIFY(QDir().mkpath(file()));
    const QString told = QStringLiteral(
                             "The settings file %1 cannot be read: it is a folder. Defaults are "
                             "used, and settings are not saved.")
                             .arg(file());
    QCOMPARE(readText("General", "Frequency", "none"), QStringLiteral("none"));
    QCOMPARE(store.takeMessages(), QStringList(told));
    QStringList failures;
    for (int save = 0; save < 2; ++save) {
      try {
        SettingsSession session(store);
        store.WriteText("General", "Mode", "AM");
        store.WriteNumber("General", "Left", 5);
      } catch (const SettingsError& e) {
        failures << e.message();
      }
    }
    QCOMPARE(failures, QStringList({told, told}));
    QCOMPARE(store.takeMessages(failures), QStringList());
    QVERIFY(QDir(file()).removeRecursively());
    QVERIFY(QFile::rename(file() + ".saved", file()));
    QCOMPARE(readText("General", "Mode", "none"), QStringLiteral("none"));
    QCOMPARE(readText("General", "Frequency", ""), QStringLiteral("  162.55000"));
    QCOMPARE(contents(file()), before);
  }

  void settingsFolderThatCannotBeCreated() {
    const QString dir = QFileInfo(file()).absolutePath();
    QDir(dir).removeRecursively();
    {
      QFile blocker(dir);  // a plain file where the folder should be
      QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    QString error;
    try {
      SettingsSession session(store);
      store.WriteText("Coverage", "Lowest Frequency", "  0.50000");
    } catch (const SettingsError& e) {
      error = e.message();
    }
    QFile::remove(dir);
    QCOMPARE(error, QStringLiteral("The settings could not be saved to %1: its folder %2 cannot be "
                                   "created.")
                        .arg(file(), dir));
  }

  // A lock without a process id (its creator was killed before writing one)
  // is cleared before a save, once it is a second old; a lock a process holds
  // is left for that process to release.
  void abandonedLockIsCleared_data() {
    QTest::addColumn<int>("ageMs");      // since the lock file was last written
    QTest::addColumn<QString>("owner");  // "none", "native lock" or "process id"
    QTest::newRow("blank, left 5 s ago") << 5000 << "none";
    QTest::newRow("blank, just left: waits out a second") << 0 << "none";
    QTest::newRow("blank, its creator about to write its id") << 5000 << "native lock";
    QTest::newRow("naming a running process") << 5000 << "process id";
  }
  void abandonedLockIsCleared() {
    QFETCH(int, ageMs);
    QFETCH(QString, owner);
    const QString lock = file() + QStringLiteral(".lock");
    QVERIFY(QDir().mkpath(QFileInfo(file()).absolutePath()));
    std::optional<QLockFile> holder;
    int nativeLock = -1;
    if (owner == QLatin1String("process id")) {
      holder.emplace(lock);
      QVERIFY(holder->tryLock(0));
    } else {
      QFile blank(lock);
      QVERIFY(blank.open(QIODevice::WriteOnly));
    }
    if (owner == QLatin1String("native lock")) {
      nativeLock = ::open(QFile::encodeName(lock).constData(), O_RDONLY);
      QVERIFY(nativeLock >= 0 && ::flock(nativeLock, LOCK_EX | LOCK_NB) == 0);
    }
    {
      QFile stamp(lock);
      QVERIFY(stamp.open(QIODevice::ReadWrite));
      QVERIFY(stamp.setFileTime(QDateTime::currentDateTime().addMSecs(-ageMs),
                                QFileDevice::FileModificationTime));
    }
    QElapsedTimer clock;
    clock.start();
    SettingsStore::clearAbandonedLock(file());
    const qint64 tookMs = clock.elapsed();
    const bool kept = QFileInfo::exists(lock);
    if (nativeLock >= 0) ::close(nativeLock);
    if (holder) holder->unlock();
    QFile::remove(lock);
    QCOMPARE(kept, owner != QLatin1String("none"));
    if (ageMs == 0) QVERIFY2(tookMs >= 1000, qPrintable(QString::number(tookMs)));
  }

  void releaseMakesValuesVisibleToAnotherReader() {
    {
      SettingsSession session(store);
      store.WriteText("Coverage", "Lowest Frequency", "  0.50000");
    }
    // A second, independent reader (another copy of the program) sees it.
    QSettings other(file(), QSettings::IniFormat);
    QCOMPARE(other.value("Coverage/Lowest Frequency").toString(), QStringLiteral("  0.50000"));
  }

  void twoWritersKeepBothValues() {
    QSettings first(QSettings::NativeFormat, QSettings::UserScope, "Quorvane", "Corvalo");
    first.setValue("General/Left", "10");
    {
      SettingsSession session(store);
      store.WriteText("General", "Top", "20");
    }
    first.sync();
    SettingsSession session(store);
    QCOMPARE(store.ReadNumber("General", "Left", 0), 10);
    QCOMPARE(store.ReadNumber("General", "Top", 0), 20);
  }

  void commaLocaleChangesNothing() {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    {
      SettingsSession session(store);
      store.WriteNumber("General", "Left", 1234567);
    }
    SettingsSession session(store);
    QCOMPARE(store.ReadText("General", "Left", ""), QStringLiteral("1234567"));
    QCOMPARE(store.ReadNumber("General", "Left", 0), 1234567);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(saved);
  }
};

CORVALO_TEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
