#include <QProcess>
#include <QtTest/QtTest>
#include <csignal>

#include "PseudoTerminal.h"
#include "SettingsFile.h"
#include "TestMain.h"

// The program itself, started as a separate process on a profile whose radio
// is a pseudo-terminal.
class ProgramTest : public QObject {
  Q_OBJECT

 private:
  static void writeProfile(const QString& profile, const QString& port) {
    testsupport::WriteSettingsFile({{profile + "/Connection/Com Port", port},
                                    {profile + "/Connection/Protocol", "6"},
                                    {profile + "/General/Power Off", "1"},
                                    {profile + "/General/Frequency", "145.5"},
                                    {profile + "/General/Mode", "FMN"},
                                    {profile + "/Connection/Readings Per Second", "0"}});
  }

 private slots:
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
};

CORVALO_TEST_GUILESS_MAIN(ProgramTest)
#include "tst_program.moc"
