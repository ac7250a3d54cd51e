#include <QFile>
#include <QProcess>
#include <QtTest/QtTest>
#include <csignal>
#include <utility>

#include "PseudoTerminal.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "app/CommandLine.h"

// The program itself: its command line, and the program started as a
// separate process on a profile whose radio is a pseudo-terminal.
class ProgramTest : public QObject {
  Q_OBJECT

 private:
  // An empty profile writes the default settings.
  static void writeProfile(const QString& profile, const QString& port) {
    const QString group = profile.isEmpty() ? QString() : profile + QLatin1Char('/');
    testsupport::WriteSettingsFile({{group + "Connection/Com Port", port},
                                    {group + "Connection/Protocol", "6"},
                                    {group + "General/Power Off", "1"},
                                    {group + "General/Frequency", "145.5"},
                                    {group + "General/Mode", "FMN"},
                                    {group + "Connection/Readings Per Second", "0"}});
  }

 private slots:
  // The options and the profile; a profile name that would open the default
  // settings or another spelling's group is refused with the reason.
  void commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("show");
    QTest::addColumn<QString>("error");
    const QString root = QStringLiteral(
        "the profile \"%1\" names no profile: it would open the default settings, which a start "
        "without a profile uses");
    const QString alias = QStringLiteral(
        "the profile \"%1\" would open the settings of the profile \"%2\": start with that name "
        "for them");
    QTest::newRow("none") << QStringList() << "" << 10 << "";
    QTest::newRow("profile") << QStringList({"Scanner2"}) << "Scanner2" << 10 << "";
    QTest::newRow("option after a nested profile")
        << QStringList({"Shack\\Roof", "--minimized"}) << "Shack\\Roof" << 2 << "";
    QTest::newRow("option first") << QStringList({"--maximized", " Spaced "}) << " Spaced " << 3
                                  << "";
    QTest::newRow("further arguments ignored") << QStringList({"A", "B"}) << "A" << 10 << "";
    QTest::newRow("markup and dots") << QStringList({"<Roof> & .."}) << "<Roof> & .." << 10 << "";
    for (const char* name : {"\\", "/", "//", "\\/\\"}) {
      QTest::addRow("only separators %s", name)
          << QStringList({name}) << name << 10 << root.arg(QLatin1String(name));
    }
    const std::pair<const char*, const char*> aliases[] = {
        {"Shack/Roof", "Shack\\Roof"},
        {"Shack\\", "Shack"},
        {"\\Shack", "Shack"},
        {"Shack\\\\Roof", "Shack\\Roof"},
    };
    for (const auto& [name, group] : aliases) {
      QTest::addRow("another spelling of %s", group)
          << QStringList({name}) << name << 10
          << alias.arg(QLatin1String(name), QLatin1String(group));
    }
  }
  void commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, profile);
    QFETCH(int, show);
    QFETCH(QString, error);
    const CommandLine line = CommandLine::Parse(arguments);
    QCOMPARE(line.profile, profile);
    QCOMPARE(line.showCommand, show);
    QCOMPARE(line.profileError, error);
    QVERIFY(!line.help && !line.version);
    QVERIFY(CommandLine::Parse({"x", "--help"}).help);
    QVERIFY(CommandLine::Parse({"--version"}).version);
  }

  // Ctrl+C, a closing terminal or a session logging out end the program as
  // closing its window does: settings saved, the radio powered off.
  void terminationSignalClosesTheLinkInOrder_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
  }
  void terminationSignalClosesTheLinkInOrder() {
    QFETCH(int, signal);
    PseudoTerminal radio;
    QVERIFY(radio.isValid());
    const QString profile = QStringLiteral("Signal%1").arg(signal);
    writeProfile(profile, radio.devicePath());

    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(CORVALO_PROGRAM), {profile});
    QVERIFY(program.waitForStarted());
    // Running: the restored frequency has been tuned.
    const QByteArray tune = "K00145500000050200\r\n";
    QTRY_VERIFY_WITH_TIMEOUT(radio.received().contains(tune), 20000);
    ::kill(static_cast<pid_t>(program.processId()), signal);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    const QByteArray wire = radio.settle();
    QVERIFY(wire.endsWith(tune + "H100\r\n"));
    const testsupport::SettingsFile file;
    QCOMPARE(file.value(profile + "/General/Frequency").toString(), QStringLiteral("145.50000"));
    QVERIFY(file.contains(profile + "/General/Step Size"));
  }

  // A profile name that would open the default settings, or the profile of
  // another spelling, ends the program with the reason before anything is
  // read or written.
  void profileNamesThatReachAnotherGroupAreRefused_data() {
    QTest::addColumn<QString>("profile");
    QTest::newRow("backslash") << "\\";
    QTest::newRow("slash") << "/";
    QTest::newRow("two slashes") << "//";
    QTest::newRow("slash for backslash") << "Shack/Roof";
  }
  void profileNamesThatReachAnotherGroupAreRefused() {
    QFETCH(QString, profile);
    writeProfile(QString(), QStringLiteral("Internet"));
    writeProfile(QStringLiteral("Shack/Roof"), QStringLiteral("Internet"));
    QFile file(SettingsStore::fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    QProcess program;
    program.start(QStringLiteral(CORVALO_PROGRAM), {profile});
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 2);
    const QByteArray error = program.readAllStandardError();
    QVERIFY2(error.startsWith("corvalo: the profile \"" + profile.toUtf8() + "\""),
             error.constData());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
  }
};

CORVALO_TEST_GUILESS_MAIN(ProgramTest)
#include "tst_program.moc"
