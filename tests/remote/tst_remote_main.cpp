// The main window and its radio session behind the remote-control server: the
// real Hamlib client tunes a PCR1000 on a real pseudo-terminal through the
// session, the window's controls follow, refusals reach the client and never
// the radio or the operator's screen, and the server is off and local-only
// unless the operator says otherwise in the Tools menu's dialog.

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QSpinBox>
#include <QTcpServer>
#include <QtTest/QtTest>
#include <atomic>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "RemoteTestSupport.h"
#include "TestMain.h"
#include "dialogs/RemoteControl.h"
#include "remote/RemoteServer.h"

using namespace guitest;
using namespace testsupport;
using namespace remotetest;

#define SKIP_WITHOUT_RIGCTL()                                          \
  if (RigctlPath().isEmpty()) {                                        \
    QSKIP("rigctl (Debian package libhamlib-utils) is not installed"); \
  }

namespace {

// A port nobody listens on just now.
quint16 FreePort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
  return probe.serverPort();
}

// A PCR1000 main window (every control shown) tuned at start to 100 MHz,
// with the server listening on a free port of 127.0.0.1.
struct RemoteRig {
  explicit RemoteRig(int protocol = 6, QMap<QString, QString> extra = {}) {
    extra.insert(QStringLiteral("General/Frequency"), QStringLiteral("100.0"));
    rig = std::make_unique<Rig>(protocol, extra);
    rig->settleAndClear();
    server()->start(0, false);
  }
  RemoteServer* server() { return rig->form->remoteServer(); }
  quint16 port() { return server()->serverPort(); }
  TMainForm* form() { return rig->form.get(); }
  const Controls& c() { return *rig->c; }
  RadioSession& session() { return rig->session; }
  PseudoTerminal& pty() { return rig->pty; }

  std::unique_ptr<Rig> rig;
};

}  // namespace

class RemoteMainTest : public QObject {
  Q_OBJECT

 private slots:
  // A profile that never mentions remote control has no server; the Tools
  // menu offers it; enabling it in the store listens on 127.0.0.1 only.
  void offAndLocalByDefault() {
    ModalWindows watcher;
    {
      Rig rig(6);
      QVERIFY(rig.form->remoteServer() != nullptr);
      QVERIFY(!rig.form->remoteServer()->isListening());
      QVERIFY(rig.c->ToolsMenu->actions().contains(rig.c->RemoteControl1));
      QCOMPARE(rig.c->RemoteControl1->text(), QStringLiteral("&Remote Control..."));
      QCOMPARE(ReadSetting(rig.store, QStringLiteral("Remote/Enabled")), QStringLiteral("?"));
    }
    const quint16 port = FreePort();
    {
      Rig rig(6, {{"Remote/Enabled", "1"}, {"Remote/Port", QString::number(port)}});
      QVERIFY(rig.form->remoteServer()->isListening());
      QCOMPARE(rig.form->remoteServer()->serverPort(), port);
      QCOMPARE(rig.form->remoteServer()->serverAddress(), QHostAddress(QHostAddress::LocalHost));
    }
    {
      Rig rig(6, {{"Remote/Enabled", "1"},
                  {"Remote/Port", QString::number(port)},
                  {"Remote/Allow Other Hosts", "1"}});
      QCOMPARE(rig.form->remoteServer()->serverAddress(), QHostAddress(QHostAddress::Any));
    }
    // A port that is taken is told to the operator, once the window is up.
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, port));
    {
      Rig rig(6, {{"Remote/Enabled", "1"}, {"Remote/Port", QString::number(port)}});
      QVERIFY(!rig.form->remoteServer()->isListening());
      QTRY_COMPARE(watcher.texts().size(), 1);
      QVERIFY(watcher.texts().first().startsWith(
          QStringLiteral("Remote control cannot use port %1: ").arg(port)));
    }
  }

  // The dialog shows the stored values; OK stores the new ones and starts or
  // stops the server at once; Cancel changes nothing.
  void dialogStartsAndStops() {
    const quint16 port = FreePort();
    bool enable = true;
    ModalWindows watcher([&](QDialog* dialog) {
      auto* form = qobject_cast<TRemoteControlForm*>(dialog);
      QVERIFY(form != nullptr);
      QCOMPARE(form->windowTitle(), QStringLiteral("Remote Control"));
      if (enable) {
        QVERIFY(!form->EnabledCheckBox->isChecked());
        QCOMPARE(form->PortSpinBox->value(), 4532);
        QVERIFY(!form->AllowOtherHostsCheckBox->isChecked());
        QCOMPARE(form->StatusLabel->text(), QStringLiteral("Off."));
        form->EnabledCheckBox->setChecked(true);
        form->PortSpinBox->setValue(port);
      } else {
        QVERIFY(form->EnabledCheckBox->isChecked());
        QCOMPARE(form->PortSpinBox->value(), port);
        QVERIFY(form->StatusLabel->text().contains(QStringLiteral("1 program(s) connected")));
        form->EnabledCheckBox->setChecked(false);
      }
      QTest::mouseClick(form->OKButton, Qt::LeftButton);
    });
    Rig rig(6);
    rig.c->RemoteControl1->trigger();
    QCOMPARE(watcher.dialogs(), 1);
    QVERIFY(rig.form->remoteServer()->isListening());
    QCOMPARE(rig.form->remoteServer()->serverPort(), port);
    QCOMPARE(ReadSetting(rig.store, QStringLiteral("Remote/Enabled")), QStringLiteral("1"));
    QCOMPARE(ReadSetting(rig.store, QStringLiteral("Remote/Port")), QString::number(port));
    QCOMPARE(ReadSetting(rig.store, QStringLiteral("Remote/Allow Other Hosts")),
             QStringLiteral("0"));

    LineClient client(port);
    QVERIFY(client.waitConnected());
    QCOMPARE(client.ask("v"), QByteArray("VFOA\n"));
    enable = false;
    rig.c->RemoteControl1->trigger();
    QVERIFY(!rig.form->remoteServer()->isListening());
    QVERIFY(client.waitClosed());
    QCOMPARE(ReadSetting(rig.store, QStringLiteral("Remote/Enabled")), QStringLiteral("0"));
  }

  // The real client tunes the radio: the "K0" command reaches the wire, the
  // window shows the frequency, and a new client reads back what was tuned.
  void hamlibClientTunes() {
    SKIP_WITHOUT_RIGCTL();
    ModalWindows watcher;
    RemoteRig r;
    QCOMPARE(r.c().FrequencyEdit->text(), QStringLiteral("  100.00000"));

    RigctlRun run = RunRigctl(r.port(), {"F", "162550000"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(r.pty().settle(), QByteArray("K00162550000050200\r\n"));
    QCOMPARE(r.c().FrequencyEdit->text(), QStringLiteral("  162.55000"));
    QCOMPARE(r.c().CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo [  162.55000]"));
    QCOMPARE(r.session().tunedFrequency(), QStringLiteral("162.55000"));

    run = RunRigctl(r.port(), {"f", "m"});
    QCOMPARE(run.out, QByteArray("162550000\nFM\n15000\n"));

    // A mode change re-tunes on the same frequency with the mode's filter; a
    // passband picks the nearest filter, sent as the filter change.
    r.pty().clear();
    run = RunRigctl(r.port(), {"M", "WFM", "0"});
    QCOMPARE(r.pty().settle(), QByteArray("K00162550000060400\r\n"));
    QCOMPARE(r.c().ModeComboBox->currentText(), QStringLiteral("FMW"));
    r.pty().clear();
    run = RunRigctl(r.port(), {"M", "AM", "5000", "m"});
    QCOMPARE(r.pty().settle(), QByteArray("K00162550000020200\r\nK00162550000020100\r\n"));
    QCOMPARE(r.c().FilterComboBox->currentText(), QStringLiteral("6K"));
    run = RunRigctl(r.port(), {"m"});
    QCOMPARE(run.out, QByteArray("AM\n6000\n"));
    QCOMPARE(watcher.texts(), QStringList());
  }

  // Levels and switches send their commands, and the operator's controls
  // follow.
  void hamlibClientLevelsAndSwitches() {
    SKIP_WITHOUT_RIGCTL();
    ModalWindows watcher;
    RemoteRig r;
    const Controls& form = r.c();
    form.FrequencyEdit->setFocus();

    RigctlRun run = RunRigctl(r.port(), {"L", "AF", "0.5", "l", "AF"});
    QCOMPARE(run.out, QByteArray("0.501961\n"));
    QCOMPARE(form.VolumeTrackBar->value(), 255 - 128);
    QCOMPARE(r.pty().settle(), QByteArray("J4080\r\n"));

    r.pty().clear();
    run = RunRigctl(r.port(), {"L", "SQL", "0.25", "L", "IF", "-300", "l", "IF", "L", "ATT", "20",
                               "U", "NB", "1", "u", "NB"});
    QCOMPARE(run.out, QByteArray("-300\n1\n"));
    QCOMPARE(form.SquelchTrackBar->value(), 255 - 64);
    QCOMPARE(form.IFShiftTrackBar->value(), 255 - (128 - 30));
    QVERIFY(form.ATTButton->isChecked() && form.NBButton->isChecked());
    QCOMPARE(r.pty().settle(), QByteArray("J4140\r\nJ4362\r\nJ4701\r\nJ4601\r\n"));

    // Mute drops the volume to the bottom and back to the last audible level;
    // asking for the state it is already in sends nothing. The operator keeps
    // the keyboard focus.
    r.pty().clear();
    run = RunRigctl(r.port(), {"U", "MUTE", "1", "u", "MUTE", "U", "MUTE", "1"});
    QCOMPARE(run.out, QByteArray("1\n"));
    QCOMPARE(form.VolumeTrackBar->value(), 255);
    QVERIFY(form.MuteButton->isChecked());
    run = RunRigctl(r.port(), {"U", "MUTE", "0", "l", "AF"});
    QCOMPARE(run.out, QByteArray("0.501961\n"));
    QCOMPARE(r.pty().settle(), QByteArray("J4000\r\nJ4080\r\n"));
    QCOMPARE(r.form()->focusWidget(), form.FrequencyEdit);
    QCOMPARE(watcher.texts(), QStringList());
  }

  // What the Enter action would refuse is an error for the client: nothing on
  // the wire, nothing changed, no message box in front of the operator.
  void refusalsReachTheClientOnly() {
    SKIP_WITHOUT_RIGCTL();
    ModalWindows watcher;
    RemoteRig r(6, {{"Coverage/Supports USB", "0"}});
    const Controls& form = r.c();

    RigctlRun run = RunRigctl(r.port(), {"F", "5000000000", "F", "50000", "f"});
    QVERIFY2(run.out.contains("set_freq: error"), run.out.constData());
    QVERIFY(run.out.endsWith("\n100000000\n"));
    // The PCR1000 command cannot carry FSK; USB is not among the radio's modes.
    run = RunRigctl(r.port(), {"M", "RTTY", "0", "M", "USB", "0"});
    QCOMPARE(run.out.count("set_mode: error"), 2);
    QCOMPARE(r.pty().settle(), QByteArray());
    QCOMPARE(form.FrequencyEdit->text(), QStringLiteral("  100.00000"));
    QCOMPARE(form.ModeComboBox->currentText(), QStringLiteral("FMN"));
    QCOMPARE(watcher.texts(), QStringList());

    // The edges of the coverage are taken.
    run = RunRigctl(r.port(), {"F", "1300000000"});
    QCOMPARE(r.pty().settle(), QByteArray("K01300000000050200\r\n"));
  }

  // A released port is taken back for a remote command, as for the
  // operator's.
  void retakesAReleasedPort() {
    ModalWindows watcher;
    RemoteRig r;
    QTest::mouseClick(r.c().TogglePortButton, Qt::LeftButton);
    QCOMPARE(r.session().portState(), RadioSession::PortState::Released);
    QVERIFY(WaitSent(r.session()));
    r.pty().settle();
    r.pty().clear();
    LineClient client(r.port());
    QVERIFY(client.waitConnected());
    QCOMPARE(client.ask("\\get_powerstat"), QByteArray("0\n"));
    QCOMPARE(client.ask("F 145000000"), QByteArray("RPRT 0\n"));
    QCOMPARE(r.session().portState(), RadioSession::PortState::Open);
    QVERIFY(!r.c().TogglePortButton->isChecked());
    QVERIFY(r.pty().settle().endsWith("K00145000000050200\r\n"));
    QCOMPARE(client.ask("\\get_powerstat"), QByteArray("1\n"));

    // A port that cannot be taken back: the client hears of the failure
    // instead of a success, and no dialog comes up in front of the operator,
    // who sees the link off in the tray and the link's message in its hint.
    QTest::mouseClick(r.c().TogglePortButton, Qt::LeftButton);
    WriteSettings(r.rig->store, {{"Connection/Com Port", "/dev/corvalo-none"}});
    QVERIFY(WaitSent(r.session()));
    r.pty().settle();
    r.pty().clear();
    QCOMPARE(client.ask("F 146000000"), QByteArray("RPRT -6\n"));
    QVERIFY(WaitSent(r.session()));
    QCOMPARE(watcher.texts(), QStringList());
    QCOMPARE(r.c().StatusBar1->currentMessage(), QStringLiteral("Cannot Open Port Not."));
    QCOMPARE(r.c().CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo: Cannot Open Port Not."));
    QCOMPARE(TrayPicture(r.form()), 0);
    QCOMPARE(r.pty().settle(), QByteArray());
    QCOMPARE(client.ask("\\get_powerstat"), QByteArray("0\n"));
  }

  // The radio's device vanishes under two connected programs (the
  // pseudo-terminal hung up, as a USB adapter pulled out): every request of
  // either gets one answer, an error code for a change, no box comes up in
  // front of the operator, and the window shows the port as it stands.
  void unpluggedPortAnswersEveryClient() {
    ModalWindows watcher;
    RemoteRig r;
    LineClient first(r.port());
    LineClient second(r.port());
    QVERIFY(first.waitConnected() && second.waitConnected());
    r.pty().hangUp();
    QByteArray changes;
    for (int i = 0; i < 4; ++i) {
      changes += first.ask("F " + QByteArray::number(145000000 + i * 1000));
      changes += second.ask("L AF 0.5");
      QVERIFY(second.ask("f").endsWith("000\n"));
    }
    QCOMPARE(changes, QByteArray("RPRT -6\n").repeated(8));
    QVERIFY(WaitSent(r.session()));
    QCOMPARE(watcher.seen().size(), 0);
    QCOMPARE(r.c().StatusBar1->currentMessage(), QStringLiteral("Cannot Open Port Not."));
    QCOMPARE(TrayPicture(r.form()), 0);
    QCOMPARE(first.ask("\\get_powerstat"), QByteArray("0\n"));
  }

  // While a modal dialog is open changes are refused and reads answered.
  void busyWhileADialogIsOpen() {
    RemoteRig r;
    LineClient client(r.port());
    QVERIFY(client.waitConnected());
    QByteArray during;
    ModalWindows watcher([&](QDialog* dialog) {
      during = client.ask("F 145000000") + client.ask("f") + client.ask("L AF 0.1");
      dialog->reject();
    });
    r.c().ChangeStepSize2->trigger();
    QCOMPARE(during, QByteArray("RPRT -9\n100000000\nRPRT -9\n"));
    QVERIFY(WaitSent(r.session()));
    QCOMPARE(r.pty().settle(), QByteArray());
    QCOMPARE(client.ask("F 145000000"), QByteArray("RPRT 0\n"));
  }

  // Other protocols: only the controls their commands have.
  void otherProtocols() {
    ModalWindows watcher;
    {
      RemoteRig r(0);  // Icom CI-V: volume and squelch, attenuator; no NB
      LineClient client(r.port());
      QVERIFY(client.waitConnected());
      QCOMPARE(client.ask("L AF 1"), QByteArray("RPRT 0\n"));
      QCOMPARE(r.pty().settle(), Hex("FEFE80E014010255FD"));
      QCOMPARE(client.ask("U NB 1"), QByteArray("RPRT -11\n"));
      QCOMPARE(client.ask("U MUTE 1"), QByteArray("RPRT -11\n"));
      QCOMPARE(client.ask("m", 2), QByteArray("FM\n0\n"));
    }
    {
      RemoteRig r(5);  // BC-895XLT: mute only
      LineClient client(r.port());
      QVERIFY(client.waitConnected());
      QCOMPARE(client.ask("L AF 0.5"), QByteArray("RPRT -11\n"));
      QCOMPARE(client.ask("L ATT 20"), QByteArray("RPRT -11\n"));
      QCOMPARE(client.ask("U MUTE 1"), QByteArray("RPRT 0\n"));
      QCOMPARE(r.pty().settle(), QByteArray("MUN\r"));
    }
  }

  // The carrier-detect line, read through the link (a stand-in here: a
  // pseudo-terminal has no modem lines).
  void carrierDetect() {
    ModalWindows watcher;
    RemoteRig r;
    std::atomic<bool> carrier{false};
    r.session().setCarrierLineOverride([&carrier] { return carrier.load(); });
    LineClient client(r.port());
    QVERIFY(client.waitConnected());
    QCOMPARE(client.ask("\\get_dcd"), QByteArray("0\n"));
    carrier = true;
    QCOMPARE(client.ask("+\\get_dcd", 3), QByteArray("get_dcd:\nDCD: 1\nRPRT 0\n"));
    QTest::mouseClick(r.c().TogglePortButton, Qt::LeftButton);
    QCOMPARE(client.ask("\\get_dcd"), QByteArray("RPRT -6\n"));
  }
};

CORVALO_TEST_MAIN_IMPL(RemoteMainTest, QApplication)
#include "tst_remote_main.moc"
