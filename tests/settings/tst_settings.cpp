#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QtTest/QtTest>
#include <clocale>

#include "TestMain.h"
#include "settings/SettingsStore.h"

// The settings store against a real settings file in the test's own
// XDG_CONFIG_HOME.
class SettingsTest : public QObject {
  Q_OBJECT

 private:
  static QString file() { return SettingsStore::fileName(); }
  static void removeFile() {
    QFile::remove(file());
    SetSettingsProfile(QString());
  }
  static void writeRaw(const QByteArray& contents) {
    QDir().mkpath(QFileInfo(file()).absolutePath());
    QFile f(file());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(contents);
  }
  // Reads one value through a fresh session, returning the error text
  // instead when the store reports one.
  static QString readText(const QString& section, const QString& name, const QString& def) {
    try {
      SettingsSession session;
      return Settings.ReadText(section, name, def);
    } catch (const SettingsError& e) {
      return QStringLiteral("error: ") + e.message();
    }
  }

 private slots:
  void init() { removeFile(); }
  void cleanup() { removeFile(); }

  void storesUnderOrganisationAndApplication() {
    QVERIFY(file().endsWith(QStringLiteral("Quorvane/Corvalo.conf")));
    QVERIFY(file().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
  }

  void missingValuesGiveTheCallersDefault() {
    SettingsSession session;
    QCOMPARE(Settings.ReadText("General", "Frequency", "162.55"), QStringLiteral("162.55"));
    QCOMPARE(Settings.ReadNumber("General", "Left", 280), 280);
    QCOMPARE(Settings.ReadFlag("General", "Show Icon", true), true);
    QCOMPARE(Settings.ReadFlag("General", "Always On Top", false), false);
  }

  void readingCreatesNothing() {
    {
      SettingsSession session;
      Settings.ReadText("General", "Frequency", "x");
      Settings.ReadNumber("Presets", "Active Group", 0);
    }
    QVERIFY(!QFileInfo::exists(file()));
  }

  void valuesAreStoredAsText() {
    {
      SettingsSession session;
      Settings.WriteText("General", "Frequency", "  162.55000");
      Settings.WriteNumber("General", "Left", -12);
      Settings.WriteFlag("General", "Show Icon", false);
      Settings.WriteFlag("General", "Power Off", true);
    }
    QSettings raw(file(), QSettings::IniFormat);
    QCOMPARE(raw.value("General/Frequency").typeId(), int(QMetaType::QString));
    QCOMPARE(raw.value("General/Frequency").toString(), QStringLiteral("  162.55000"));
    QCOMPARE(raw.value("General/Left").toString(), QStringLiteral("-12"));
    // false is the text "0": not empty and not a number type.
    QCOMPARE(raw.value("General/Show Icon").typeId(), int(QMetaType::QString));
    QCOMPARE(raw.value("General/Show Icon").toString(), QStringLiteral("0"));
    QCOMPARE(raw.value("General/Power Off").toString(), QStringLiteral("1"));
    SettingsSession session;
    QCOMPARE(Settings.ReadText("General", "Frequency", ""), QStringLiteral("  162.55000"));
    QCOMPARE(Settings.ReadNumber("General", "Left", 0), -12);
    QCOMPARE(Settings.ReadFlag("General", "Show Icon", true), false);
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
      SettingsSession session;
      Settings.WriteText("Connection", "Com Port Rate", stored);
    }
    SettingsSession session;
    QCOMPARE(Settings.ReadNumber("Connection", "Com Port Rate", 77), expected);
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
      SettingsSession session;
      Settings.WriteText("General", "Show Icon", stored);
    }
    SettingsSession session;
    QCOMPARE(Settings.ReadFlag("General", "Show Icon", defaultValue), expected);
  }

  void profilesAreIsolated() {
    SetSettingsProfile(QString());
    {
      SettingsSession session;
      Settings.WriteText("General", "Frequency", "root");
    }
    SetSettingsProfile(QStringLiteral("Shack"));
    QCOMPARE(SettingsRoot, QStringLiteral("\\Software\\Quorvane\\Corvalo\\Shack"));
    QCOMPARE(readText("General", "Frequency", "default"), QStringLiteral("default"));
    {
      SettingsSession session;
      Settings.WriteText("General", "Frequency", "shack");
    }
    QCOMPARE(readText("General", "Frequency", "default"), QStringLiteral("shack"));
    SetSettingsProfile(QString());
    QCOMPARE(SettingsRoot, QStringLiteral("\\Software\\Quorvane\\Corvalo"));
    QCOMPARE(readText("General", "Frequency", "default"), QStringLiteral("root"));
  }

  void backslashInProfileNestsDeeper() {
    SetSettingsProfile(QStringLiteral("Shack\\Scanner2"));
    {
      SettingsSession session;
      Settings.WriteText("General", "Mode", "AM");
    }
    QSettings raw(file(), QSettings::IniFormat);
    QCOMPARE(raw.value("Shack/Scanner2/General/Mode").toString(), QStringLiteral("AM"));
    SetSettingsProfile(QStringLiteral("Shack"));
    QCOMPARE(readText("General", "Mode", "none"), QStringLiteral("none"));
  }

  void presetsOfGroupsAreIndependent() {
    {
      SettingsSession session;
      Settings.WriteText("Presets", "BPreset Frequency 10", "  145.00000");
    }
    SettingsSession session;
    QCOMPARE(Settings.ReadText("Presets", "Preset Frequency 10", "162.55"),
             QStringLiteral("162.55"));
    QCOMPARE(Settings.ReadText("Presets", "CPreset Frequency 10", "162.55"),
             QStringLiteral("162.55"));
    QCOMPARE(Settings.ReadText("Presets", "BPreset Frequency 10", ""),
             QStringLiteral("  145.00000"));
  }

  void hugeProfileNameAndValues() {
    const QString profile(10000, QLatin1Char('p'));
    SetSettingsProfile(profile);
    const QString big(100000, QLatin1Char('9'));
    {
      SettingsSession session;
      Settings.WriteText("General", "Frequency", big);
      Settings.WriteText("Connection", "Protocol", big);
    }
    SettingsSession session;
    QCOMPARE(Settings.ReadText("General", "Frequency", ""), big);
    QCOMPARE(Settings.ReadNumber("Connection", "Protocol", 3), 3);
  }

  void textsWithSpecialCharactersRoundTrip() {
    const QString tricky = QStringLiteral(" a, b; \"c\" = [d] \\e\n");
    {
      SettingsSession session;
      Settings.WriteText("Presets", "Preset Description 1", tricky);
    }
    QCOMPARE(readText("Presets", "Preset Description 1", ""), tricky);
  }

  // A hand-edited file: values that are not plain text are the store's
  // "Invalid data type" error; plain values around them still read.
  void handEditedValuesOfOtherTypes() {
    writeRaw(
        "[%General]\n"
        "Frequency=145.5\n"
        "Mode=FM, N\n"
        "Left=@ByteArray(\\x1\\x2)\n"
        "Top=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x6QPoint\\0\\0\\0\\0\\x1\\0\\0\\0\\x2)\n");
    QCOMPARE(readText("General", "Frequency", ""), QStringLiteral("145.5"));
    QCOMPARE(readText("General", "Mode", ""),
             QStringLiteral("error: Invalid data type for 'Mode'"));
    QCOMPARE(readText("General", "Left", ""),
             QStringLiteral("error: Invalid data type for 'Left'"));
    QCOMPARE(readText("General", "Top", ""), QStringLiteral("error: Invalid data type for 'Top'"));
  }

  void garbageFileGivesDefaultsAndNoCrash() {
    QByteArray garbage;
    for (int i = 0; i < 20000; ++i) garbage.append(static_cast<char>((i * 7919) % 256));
    writeRaw(garbage);
    QString text = readText("General", "Frequency", "162.55");
    QVERIFY(text == QStringLiteral("162.55") || text.startsWith(QStringLiteral("error: ")));
    try {
      SettingsSession session;
      QCOMPARE(Settings.ReadNumber("Presets", "Active Group", 0), 0);
    } catch (const SettingsError&) {
    }
  }

  // Values written before a failure stay written, and an unwritable store
  // is reported, never taken for success. The file is made impossible to
  // replace (a folder stands in its place), which holds even for root.
  void unwritableStoreIsReported() {
    {
      SettingsSession session;
      Settings.WriteText("General", "Frequency", "  162.55000");
    }
    const QByteArray before = [] {
      QFile f(file());
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(QFile::rename(file(), file() + ".saved"));
    QVERIFY(QDir().mkpath(file()));
    QString error;
    try {
      SettingsSession session;
      Settings.WriteText("General", "Mode", "AM");
      Settings.WriteNumber("General", "Left", 5);
    } catch (const SettingsError& e) {
      error = e.message();
    }
    QCOMPARE(error, QStringLiteral("Failed to set data for 'Mode'"));
    QVERIFY(QDir(file()).removeRecursively());
    QVERIFY(QFile::rename(file() + ".saved", file()));
    QFile f(file());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
  }

  void settingsFolderThatCannotBeCreated() {
    const QString dir = QFileInfo(file()).absolutePath();
    QDir(dir).removeRecursively();
    writeRaw(QByteArray());  // creates the folder and an empty file
    QFile::remove(file());
    QDir(dir).removeRecursively();
    {
      QFile blocker(dir);  // a plain file where the folder should be
      QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    QString error;
    try {
      SettingsSession session;
      Settings.WriteText("Coverage", "Lowest Frequency", "  0.50000");
    } catch (const SettingsError& e) {
      error = e.message();
    }
    QFile::remove(dir);
    QCOMPARE(error, QStringLiteral("Failed to create key Coverage"));
  }

  void releaseMakesValuesVisibleToAnotherReader() {
    {
      SettingsSession session;
      Settings.WriteText("Coverage", "Lowest Frequency", "  0.50000");
    }
    // A second, independent reader (another copy of the program) sees it.
    QSettings other(file(), QSettings::IniFormat);
    QCOMPARE(other.value("Coverage/Lowest Frequency").toString(), QStringLiteral("  0.50000"));
  }

  void twoWritersKeepBothValues() {
    QSettings first(QSettings::NativeFormat, QSettings::UserScope, "Quorvane", "Corvalo");
    first.setValue("General/Left", "10");
    {
      SettingsSession session;
      Settings.WriteText("General", "Top", "20");
    }
    first.sync();
    SettingsSession session;
    QCOMPARE(Settings.ReadNumber("General", "Left", 0), 10);
    QCOMPARE(Settings.ReadNumber("General", "Top", 0), 20);
  }

  void commaLocaleChangesNothing() {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    {
      SettingsSession session;
      Settings.WriteNumber("General", "Left", 1234567);
    }
    SettingsSession session;
    QCOMPARE(Settings.ReadText("General", "Left", ""), QStringLiteral("1234567"));
    QCOMPARE(Settings.ReadNumber("General", "Left", 0), 1234567);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(saved);
  }
};

CORVALO_TEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
