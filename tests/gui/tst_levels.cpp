// The level sliders, the switch buttons, the port toggle and the tray and
// window behaviour, driven as the operator drives them against a real
// pseudo-terminal.

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <memory>
#include <utility>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"

using namespace guitest;
using namespace testsupport;

namespace {

// The operator drags a slider's thumb to a position.
void Drag(QSlider* slider, int position) {
  slider->setSliderDown(true);
  slider->setSliderPosition(position);
  slider->setSliderDown(false);
}

// What the PCR1000 power-up sends, up to its level commands.
const QByteArray kPcrPowerUp("H100\r\nH101\r\nG300\r\nG105\r\n");

}  // namespace

class LevelsTest : public QObject {
  Q_OBJECT

 private slots:
  // Top, bottom and middle of each PCR1000 slider, by mouse and keyboard.
  void pcrSliders() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    const Controls& c = *rig.c;
    // The levels restored at open: volume 100, squelch 75, IF shift 127.
    QCOMPARE(c.VolumeTrackBar->value(), 155);
    QCOMPARE(c.SquelchTrackBar->value(), 180);
    QCOMPARE(c.IFShiftTrackBar->value(), 128);

    c.VolumeTrackBar->setFocus();
    QTest::keyClick(c.VolumeTrackBar, Qt::Key_Home);
    QCOMPARE(c.VolumeTrackBar->value(), 0);
    QVERIFY(WaitSent(rig.session));
    QTest::keyClick(c.VolumeTrackBar, Qt::Key_End);
    QVERIFY(WaitSent(rig.session));
    Drag(c.VolumeTrackBar, 128);
    QCOMPARE(rig.wire(), QByteArray("J40FF\r\nJ4000\r\nJ407F\r\n"));

    rig.pty.clear();
    // Each change sent before the next is made (a change made while an
    // older one of the same level still waits replaces it).
    for (auto [slider, position] :
         {std::pair{c.SquelchTrackBar, 0}, std::pair{c.SquelchTrackBar, 255},
          std::pair{c.IFShiftTrackBar, 0}, std::pair{c.IFShiftTrackBar, 255}}) {
      Drag(slider, position);
      QVERIFY(WaitSent(rig.session));
    }
    QCOMPARE(rig.wire(), QByteArray("J41FF\r\nJ4100\r\nJ43FF\r\nJ4300\r\n"));

    // The up key moves the thumb up: a higher level.
    rig.pty.clear();
    c.SquelchTrackBar->setFocus();
    QTest::keyClick(c.SquelchTrackBar, Qt::Key_Up);
    QCOMPARE(c.SquelchTrackBar->value(), 254);
    QCOMPARE(rig.wire(), QByteArray("J4101\r\n"));
    QCOMPARE(watcher.texts(), QStringList());
  }

  void ifShiftLabelCentres() {
    ModalWindows watcher;
    {
      Rig rig(6);
      rig.settleAndClear();
      Drag(rig.c->IFShiftTrackBar, 10);
      rig.wire();
      rig.pty.clear();
      QTest::mouseClick(rig.c->IFShiftLabel, Qt::LeftButton);
      QCOMPARE(rig.c->IFShiftTrackBar->value(), 128);
      QCOMPARE(rig.wire(), QByteArray("J437F\r\n"));
    }
    Rig rig(0);
    rig.settleAndClear();
    Drag(rig.c->IFShiftTrackBar, 10);
    QTest::mouseClick(rig.c->IFShiftLabel, Qt::LeftButton);
    QCOMPARE(rig.c->IFShiftTrackBar->value(), 128);
    QCOMPARE(rig.wire(), QByteArray());
  }

  void pcrMuteRestoresTheLastAudibleVolume() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    const Controls& c = *rig.c;
    // Each gesture sent before the next (a mute undone while it still
    // waits is never sent).
    Drag(c.VolumeTrackBar, 55);  // level 200
    QVERIFY(WaitSent(rig.session));
    QTest::mouseClick(c.MuteButton, Qt::LeftButton);
    QVERIFY(c.MuteButton->isChecked());
    QCOMPARE(c.VolumeTrackBar->value(), 255);
    QVERIFY(WaitSent(rig.session));
    QTest::mouseClick(c.MuteButton, Qt::LeftButton);
    QVERIFY(!c.MuteButton->isChecked());
    QCOMPARE(c.VolumeTrackBar->value(), 55);
    QCOMPARE(rig.wire(), QByteArray("J40C8\r\nJ4000\r\nJ40C8\r\n"));

    // From the tray menu: the button follows, the action is the same.
    rig.pty.clear();
    c.Mute1->trigger();
    QVERIFY(c.MuteButton->isChecked());
    QCOMPARE(c.VolumeTrackBar->value(), 255);
    // Moving the slider off the bottom shows the sound as on, sending only
    // the new level.
    Drag(c.VolumeTrackBar, 200);
    QVERIFY(!c.MuteButton->isChecked());
    QCOMPARE(rig.wire(), QByteArray("J4000\r\nJ4037\r\n"));
    QCOMPARE(form->focusWidget(), c.VolumeTrackBar);
  }

  void civLevelsAndSwitches() {
    ModalWindows watcher;
    Rig rig(0);
    rig.settleAndClear();
    const Controls& c = *rig.c;
    Drag(c.VolumeTrackBar, 255 - 99);
    QVERIFY(WaitSent(rig.session));
    Drag(c.VolumeTrackBar, 255 - 100);
    Drag(c.SquelchTrackBar, 0);
    QCOMPARE(rig.wire(), Hex("FEFE80E014010099FD FEFE80E014010100FD FEFE80E014030255FD"));
    QCOMPARE(rig.session.keptLevel(RadioSession::Level::Volume), 100);

    // No IF shift, AGC or noise blanker on this protocol: the controls move,
    // nothing is sent.
    rig.pty.clear();
    Drag(c.IFShiftTrackBar, 3);
    QTest::mouseClick(c.AGCButton, Qt::LeftButton);
    QTest::mouseClick(c.NBButton, Qt::LeftButton);
    QVERIFY(c.AGCButton->isChecked() && c.NBButton->isChecked());
    QCOMPARE(rig.wire(), QByteArray());

    QTest::mouseClick(c.ATTButton, Qt::LeftButton);
    QVERIFY(WaitSent(rig.session));
    QTest::mouseClick(c.ATTButton, Qt::LeftButton);
    QCOMPARE(rig.wire(), Hex("FEFE80E01120FD FEFE80E01100FD"));
    QVERIFY(!rig.session.switchOn(RadioSession::Switch::Attenuator));

    // Mute sends nothing on CI-V, but the slider still drops and returns.
    rig.pty.clear();
    QTest::mouseClick(c.MuteButton, Qt::LeftButton);
    QCOMPARE(c.VolumeTrackBar->value(), 255);
    QCOMPARE(rig.wire(), QByteArray());
  }

  void pcrSwitches() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    const Controls& c = *rig.c;
    for (QPushButton* b : {c.AGCButton, c.NBButton, c.ATTButton}) {
      QTest::mouseClick(b, Qt::LeftButton);
      QVERIFY(WaitSent(rig.session));
      QTest::mouseClick(b, Qt::LeftButton);
      QVERIFY(WaitSent(rig.session));
    }
    QCOMPARE(rig.wire(), QByteArray("J4501\r\nJ4500\r\nJ4601\r\nJ4600\r\nJ4701\r\nJ4700\r\n"));
  }

  // Setting controls from the program never runs their handlers.
  void programSetValuesSendNothing() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    const Controls& c = *rig.c;
    c.ATTButton->setChecked(true);
    c.AGCButton->setChecked(true);
    c.MuteButton->setChecked(true);
    c.FilterComboBox->setCurrentIndex(0);
    c.ModeComboBox->setCurrentIndex(0);
    QCOMPARE(rig.wire(), QByteArray());
  }

  // A released port is taken back by the next command: power-up again, a
  // 10 ms pause, then the command.
  void releasedPortIsRetakenByTheNextCommand() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    const Controls& c = *rig.c;
    QCOMPARE(TrayPicture(form), 1);
    Drag(c.VolumeTrackBar, 50);  // level 205
    rig.wire();
    rig.pty.clear();

    QTest::mouseClick(c.TogglePortButton, Qt::LeftButton);
    QVERIFY(c.TogglePortButton->isChecked());
    QCOMPARE(c.TogglePortButton->text(), QStringLiteral("Open &Port"));
    QCOMPARE(TrayPicture(form), 0);
    QCOMPARE(rig.session.portState(), RadioSession::PortState::Released);
    QCOMPARE(rig.wire(), QByteArray());  // no power-off on release
    QCOMPARE(ReadSetting(rig.store, QStringLiteral("PCR1000/PCR1000 Volume")),
             QStringLiteral("205"));

    Drag(c.VolumeTrackBar, 100);  // level 155
    const QByteArray sent = rig.wire();
    const QByteArray command("J409B\r\n");
    QVERIFY2(sent.startsWith(kPcrPowerUp) && sent.endsWith(command), sent.constData());
    QCOMPARE(sent.count("J40"), 2);  // the power-up's volume, then the command
    const qsizetype at = sent.size() - command.size();
    QVERIFY(rig.pty.gapMs(at - 1, at) >= 10);
    QVERIFY(!c.TogglePortButton->isChecked());
    QCOMPARE(c.TogglePortButton->text(), QStringLiteral("Close &Port"));
    QCOMPARE(TrayPicture(form), 1);
  }

  void portMenuTogglesAndNamesTheAction() {
    ModalWindows watcher;
    Rig rig(0);
    rig.settleAndClear();
    const Controls& c = *rig.c;
    QCOMPARE(c.TogglePortMenu->text(), QStringLiteral("Close Port"));
    c.TogglePortMenu->trigger();
    QVERIFY(c.TogglePortButton->isChecked());
    QCOMPARE(rig.session.portState(), RadioSession::PortState::Released);
    // The levels are written on every press, whatever the protocol.
    QCOMPARE(ReadSetting(rig.store, QStringLiteral("PCR1000/PCR1000 IF Shift")),
             QStringLiteral("128"));

    c.CorvaloTaskIcon->HandleActivation(QSystemTrayIcon::Context);
    QCOMPARE(c.TogglePortMenu->text(), QStringLiteral("Open &Port"));
    QVERIFY(c.PopupMenu->isVisible());
    c.PopupMenu->hide();

    c.TogglePortMenu->trigger();
    QTRY_COMPARE(rig.session.portState(), RadioSession::PortState::Open);
    QCOMPARE(c.TogglePortButton->text(), QStringLiteral("Close &Port"));
    c.CorvaloTaskIcon->HandleActivation(QSystemTrayIcon::Context);
    QCOMPARE(c.TogglePortMenu->text(), QStringLiteral("Close &Port"));
    c.PopupMenu->hide();
    QCOMPARE(watcher.texts(), QStringList());
  }

  // A port that vanished shows as released; the command that found it gone
  // is not sent again, and the next command retakes the port.
  void lostPortShowsAsReleased() {
    ModalWindows watcher;
    // The adapter's device name leads to one pseudo-terminal and, once the
    // adapter is pulled out and plugged back in, to the rig's own.
    QTemporaryDir dir;
    const QString port = dir.filePath(QStringLiteral("ttyUSB0"));
    auto unplugged = std::make_unique<PseudoTerminal>();
    QVERIFY(QFile::link(unplugged->devicePath(), port));
    Rig rig(6, {{"Connection/Com Port", port}});
    QTRY_COMPARE(rig.session.portState(), RadioSession::PortState::Open);
    QVERIFY(WaitSent(rig.session));

    unplugged.reset();
    QTest::mouseClick(rig.c->AGCButton, Qt::LeftButton);
    QTRY_COMPARE(rig.session.portState(), RadioSession::PortState::Released);
    QVERIFY(rig.c->TogglePortButton->isChecked());
    QCOMPARE(rig.c->TogglePortButton->text(), QStringLiteral("Open &Port"));
    QCOMPARE(TrayPicture(rig.form.get()), 0);

    QVERIFY(QFile::remove(port));
    QVERIFY(QFile::link(rig.pty.devicePath(), port));
    QTest::mouseClick(rig.c->AGCButton, Qt::LeftButton);
    const QByteArray sent = rig.wire();
    QVERIFY2(sent.startsWith(kPcrPowerUp) && sent.endsWith("J4500\r\n"), sent.constData());
    QCOMPARE(sent.count("J45"), 1);
    QCOMPARE(TrayPicture(rig.form.get()), 1);
    QCOMPARE(watcher.texts(), QStringList());
  }

  // Without a port nothing is ever written and nothing is reported, whatever
  // the operator does with the port button.
  void noPortNeverWrites() {
    ModalWindows watcher;
    SettingsStore store(QStringLiteral("NoPortToggle"));
    WriteSettings(store, {{"Connection/Com Port", "Internet"},
                          {"Connection/Protocol", "6"},
                          {"Features/Volume", "1"}});
    RadioSession session(store);
    TMainForm form(session, store);
    form.show();
    const Controls c(&form);
    QTest::mouseClick(c.TogglePortButton, Qt::LeftButton);
    QTest::mouseClick(c.TogglePortButton, Qt::LeftButton);
    Drag(c.VolumeTrackBar, 3);
    QVERIFY(WaitSent(session));
    QCOMPARE(session.portState(), RadioSession::PortState::None);
    QCOMPARE(TrayPicture(&form), 1);
    QCOMPARE(watcher.texts(), QStringList());
  }

  // A failed reopen shows the port as off, not as open.
  void failedReopenShowsOff() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    QTest::mouseClick(rig.c->TogglePortButton, Qt::LeftButton);
    WriteSettings(rig.store, {{"Connection/Com Port", "/dev/corvalo-none"}});
    QTest::mouseClick(rig.c->TogglePortButton, Qt::LeftButton);
    QTRY_COMPARE(watcher.texts(), QStringList({"Cannot Open Port Not."}));
    QCOMPARE(rig.c->TogglePortButton->text(), QStringLiteral("Close &Port"));
    QCOMPARE(TrayPicture(rig.form.get()), 0);
  }

  void keyboard() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    const Controls& c = *rig.c;
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(form->focusWidget(), c.SquelchTrackBar);
    QTest::keyClick(form, Qt::Key_I, Qt::AltModifier);
    QCOMPARE(form->focusWidget(), c.IFShiftTrackBar);
    // Return presses Enter wherever the focus is.
    QTest::keyClick(c.IFShiftTrackBar, Qt::Key_Return);
    QCOMPARE(rig.wire(), QByteArray("K00162550000050200\r\n"));
  }

  // ---- Tray and window behaviour ----

  void trayClickBringsTheWindowBack() {
    ModalWindows watcher;
    Rig rig(6, {{"General/Show Icon", "0"}, {"General/Always On Top", "1"}});
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    const Controls& c = *rig.c;
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    form->showMinimized();
    // Without the taskbar button the window lives in the tray only.
    QTRY_VERIFY(form->isHidden());
    QVERIFY(!(form->windowFlags() & Qt::WindowStaysOnTopHint));
    c.CorvaloTaskIcon->HandleActivation(QSystemTrayIcon::Trigger);
    QTRY_VERIFY(form->isVisible() && !form->isMinimized());
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    // Coming back is not a new start: nothing is tuned again.
    QCOMPARE(rig.wire(), QByteArray());
  }

  void minimisingWithTheIconShownKeepsTheWindow() {
    ModalWindows watcher;
    Rig rig(6);
    TMainForm* form = rig.form.get();
    const Controls& c = *rig.c;
    QVERIFY(!(form->windowFlags() & Qt::WindowStaysOnTopHint));
    form->showMinimized();
    QTest::qWait(30);
    QVERIFY(form->isVisible());
    c.CorvaloTaskIcon->HandleActivation(QSystemTrayIcon::DoubleClick);
    QTRY_VERIFY(!form->isMinimized());
    QVERIFY(!(form->windowFlags() & Qt::WindowStaysOnTopHint));
  }

  void trayHintFollowsTheTuning() {
    ModalWindows watcher;
    Rig rig(6);
    QCOMPARE(rig.c->CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo [  162.55000]"));
    EnterFrequency(rig.form.get(), QStringLiteral("1296"));
    QCOMPARE(rig.c->CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo [ 1296.00000]"));
  }
};

CORVALO_TEST_MAIN_IMPL(LevelsTest, QApplication)
#include "tst_levels.moc"
