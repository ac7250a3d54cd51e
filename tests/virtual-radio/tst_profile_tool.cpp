// corvalo-profile, the helper that points a named profile at a radio: what it
// writes, what it leaves alone, and what it refuses.

#include <QProcess>
#include <QtTest/QtTest>

#include "TestMain.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace names = settings_names;

namespace {

int RunTool(const QStringList& arguments, QByteArray* errors = nullptr) {
  QProcess tool;
  tool.start(QStringLiteral(CORVALO_PROFILE_TOOL), arguments);
  if (!tool.waitForFinished(10000)) return -1;
  if (errors) *errors = tool.readAllStandardError();
  return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

QString Text(SettingsStore& store, const char* section, const char* name,
             const QString& fallback = QStringLiteral("?")) {
  return store.ReadText(QLatin1String(section), QLatin1String(name), fallback);
}

bool Flag(SettingsStore& store, const char* section, const QString& name) {
  return store.ReadFlag(QLatin1String(section), name, false);
}

void WriteText(SettingsStore& store, const char* section, const char* name, const char* value) {
  SettingsSession session(store);
  store.WriteText(QLatin1String(section), QLatin1String(name), QLatin1String(value));
}

}  // namespace

class TestProfileTool : public QObject {
  Q_OBJECT

 private slots:
  void init() { QFile::remove(SettingsStore::fileName()); }

  void writesProposalsOfTheProtocol() {
    QCOMPARE(RunTool({"--profile", "Demo", "--port", "/dev/pts/77"}), 0);
    SettingsStore demo(QStringLiteral("Demo"));
    SettingsSession session(demo);
    QCOMPARE(Text(demo, names::kConnection, names::kComPort), QStringLiteral("/dev/pts/77"));
    QCOMPARE(Text(demo, names::kConnection, names::kProtocol), QStringLiteral("6"));
    QCOMPARE(Text(demo, names::kCoverage, names::kLowestFrequency), QStringLiteral("  0.01000"));
    QCOMPARE(Text(demo, names::kCoverage, names::kHighestFrequency), QStringLiteral("1300.00000"));
    const QStringList supported = {"AM", "CW", "FMN", "FMW", "LSB", "USB"};
    for (const char* mode : {"AM", "CW", "FMN", "FMW", "FM1", "FM3", "FM9", "FSK", "LSB", "SSB",
                             "USB", "AUT", "AMW", "AM2", "AM3"}) {
      QCOMPARE(
          Flag(demo, names::kCoverage, QLatin1String(names::kSupportsPrefix) + QLatin1String(mode)),
          supported.contains(QLatin1String(mode)));
    }
    for (const char* feature : {names::kFeatureMute, names::kFeatureVolume, names::kFeatureSquelch,
                                names::kFeatureIfShift, names::kFeatureAttenuate,
                                names::kFeatureAgc, names::kFeatureNb, names::kFeatureFilters}) {
      QVERIFY2(Flag(demo, names::kFeatures, QLatin1String(feature)), feature);
    }
  }

  // Another protocol: its own proposals, its address, and a last frequency
  // and mode it cannot take replaced by ones it can.
  void switchesProtocolAndRepairsTheLastTuning() {
    SettingsStore demo(QStringLiteral("Demo"));
    WriteText(demo, names::kGeneral, names::kFrequency, "0.5");
    WriteText(demo, names::kGeneral, names::kMode, "USB");
    QCOMPARE(RunTool({"--profile", "Demo", "--port", "ttyUSB0", "--protocol", "OS456"}), 0);
    SettingsSession session(demo);
    QCOMPARE(Text(demo, names::kConnection, names::kProtocol), QStringLiteral("1"));
    QCOMPARE(Text(demo, names::kConnection, names::kAddress), QStringLiteral("80"));
    QCOMPARE(Text(demo, names::kCoverage, names::kLowestFrequency), QStringLiteral(" 25.00000"));
    QVERIFY(Flag(demo, names::kFeatures, QLatin1String(names::kFeatureMute)));
    QVERIFY(!Flag(demo, names::kFeatures, QLatin1String(names::kFeatureVolume)));
    QCOMPARE(Text(demo, names::kGeneral, names::kFrequency), QStringLiteral("162.55"));
    QCOMPARE(Text(demo, names::kGeneral, names::kMode), QStringLiteral("FMN"));
  }

  void keepsALastTuningTheRadioTakes() {
    SettingsStore demo(QStringLiteral("Demo"));
    WriteText(demo, names::kGeneral, names::kFrequency, "  145.50000");
    WriteText(demo, names::kGeneral, names::kMode, "AM");
    QCOMPARE(RunTool({"--profile", "Demo", "--port", "x", "--protocol", "BC-895XLT"}), 0);
    SettingsSession session(demo);
    QCOMPARE(Text(demo, names::kGeneral, names::kFrequency), QStringLiteral("  145.50000"));
    QCOMPARE(Text(demo, names::kGeneral, names::kMode), QStringLiteral("AM"));
  }

  // The default profile is never written, and bad arguments write nothing.
  void refusals() {
    SettingsStore defaults;
    WriteText(defaults, names::kConnection, names::kComPort, "COM1");
    QByteArray errors;
    QCOMPARE(RunTool({"--port", "/dev/pts/5"}, &errors), 2);
    QVERIFY(errors.contains("--profile"));
    QCOMPARE(RunTool({"--profile", "  ", "--port", "/dev/pts/5"}), 2);
    // Names that would reach the default settings or another profile's.
    for (const char* name : {"/", "\\", "//", "Demo/Sub"}) {
      QCOMPARE(RunTool({"--profile", name, "--port", "/dev/pts/5"}, &errors), 2);
      QVERIFY2(!errors.isEmpty(), name);
    }
    QCOMPARE(RunTool({"--profile", "Demo"}, &errors), 2);
    QCOMPARE(RunTool({"--profile", "Demo", "--port", "p", "--protocol", "7"}, &errors), 2);
    QVERIFY(errors.contains("unknown protocol"));

    SettingsSession session(defaults);
    QCOMPARE(Text(defaults, names::kConnection, names::kComPort), QStringLiteral("COM1"));
    QCOMPARE(Text(defaults, names::kConnection, names::kProtocol), QStringLiteral("?"));
    SettingsStore demo(QStringLiteral("Demo"));
    SettingsSession demoSession(demo);
    QCOMPARE(Text(demo, names::kConnection, names::kComPort), QStringLiteral("?"));
  }
};

CORVALO_TEST_GUILESS_MAIN(TestProfileTool)
#include "tst_profile_tool.moc"
