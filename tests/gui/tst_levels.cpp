// The level sliders, the switch buttons, the port toggle and the tray and
// window behaviour, driven as the operator drives them against a real
// pseudo-terminal.

#include <QAction>
#include <QMenu>
#include <QSlider>
#include <QtTest/QtTest>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"
#include "settings/SettingsNames.h"

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
    TMainForm* form = rig.form.get();
    // The levels restored at open: volume 100, squelch 75, IF shift 127.
    QCOMPARE(form->VolumeTrackBar->value(), 155);
    QCOMPARE(form->SquelchTrackBar->value(), 180);
    QCOMPARE(form->IFShiftTrackBar->value(), 128);

    form->VolumeTrackBar->setFocus();
    QTest::keyClick(form->VolumeTrackBar, Qt::Key_Home);
    QCOMPARE(form->VolumeTrackBar->value(), 0);
    QTest::keyClick(form->VolumeTrackBar, Qt::Key_End);
    Drag(form->VolumeTrackBar, 128);
    QCOMPARE(rig.pty.settle(), QByteArray("J40FF\r\nJ4000\r\nJ407F\r\n"));

    rig.pty.clear();
    Drag(form->SquelchTrackBar, 0);
    Drag(form->SquelchTrackBar, 255);
    Drag(form->IFShiftTrackBar, 0);
    Drag(form->IFShiftTrackBar, 255);
    QCOMPARE(rig.pty.settle(), QByteArray("J41FF\r\nJ4100\r\nJ43FF\r\nJ4300\r\n"));

    // The up key moves the thumb up: a higher level.
    rig.pty.clear();
    form->SquelchTrackBar->setFocus();
    QTest::keyClick(form->SquelchTrackBar, Qt::Key_Up);
    QCOMPARE(form->SquelchTrackBar->value(), 254);
    QCOMPARE(rig.pty.settle(), QByteArray("J4101\r\n"));
    QCOMPARE(watcher.texts(), QStringList());
  }

  void ifShiftLabelCentres() {
    ModalWindows watcher;
    {
      Rig rig(6);
      rig.settleAndClear();
      Drag(rig.form->IFShiftTrackBar, 10);
      rig.pty.settle();
      rig.pty.clear();
      QTest::mouseClick(rig.form->IFShiftLabel, Qt::LeftButton);
      QCOMPARE(rig.form->IFShiftTrackBar->value(), 128);
      QCOMPARE(rig.pty.settle(), QByteArray("J437F\r\n"));
    }
    Rig rig(0);
    rig.settleAndClear();
    Drag(rig.form->IFShiftTrackBar, 10);
    QTest::mouseClick(rig.form->IFShiftLabel, Qt::LeftButton);
    QCOMPARE(rig.form->IFShiftTrackBar->value(), 128);
    QCOMPARE(rig.pty.settle(), QByteArray());
  }

  void pcrMuteRestoresTheLastAudibleVolume() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    Drag(form->VolumeTrackBar, 55);  // level 200
    QTest::mouseClick(form->MuteButton, Qt::LeftButton);
    QVERIFY(form->MuteButton->isChecked());
    QCOMPARE(form->VolumeTrackBar->value(), 255);
    QTest::mouseClick(form->MuteButton, Qt::LeftButton);
    QVERIFY(!form->MuteButton->isChecked());
    QCOMPARE(form->VolumeTrackBar->value(), 55);
    QCOMPARE(rig.pty.settle(), QByteArray("J40C8\r\nJ4000\r\nJ40C8\r\n"));

    // From the tray menu: the button follows, the action is the same.
    rig.pty.clear();
    form->Mute1->trigger();
    QVERIFY(form->MuteButton->isChecked());
    QCOMPARE(form->VolumeTrackBar->value(), 255);
    // Moving the slider off the bottom shows the sound as on, sending only
    // the new level.
    Drag(form->VolumeTrackBar, 200);
    QVERIFY(!form->MuteButton->isChecked());
    QCOMPARE(rig.pty.settle(), QByteArray("J4000\r\nJ4037\r\n"));
    QCOMPARE(form->focusWidget(), form->VolumeTrackBar);
  }

  void civLevelsAndSwitches() {
    ModalWindows watcher;
    Rig rig(0);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    Drag(form->VolumeTrackBar, 255 - 99);
    Drag(form->VolumeTrackBar, 255 - 100);
    Drag(form->SquelchTrackBar, 0);
    QCOMPARE(rig.pty.settle(), Hex("FEFE80E014010099FD FEFE80E014010100FD FEFE80E014030255FD"));
    QCOMPARE(rig.link.VolumeLevel, 100);

    // No IF shift, AGC or noise blanker on this protocol: the controls move,
    // nothing is sent.
    rig.pty.clear();
    Drag(form->IFShiftTrackBar, 3);
    QTest::mouseClick(form->AGCButton, Qt::LeftButton);
    QTest::mouseClick(form->NBButton, Qt::LeftButton);
    QVERIFY(form->AGCButton->isChecked() && form->NBButton->isChecked());
    QCOMPARE(rig.pty.settle(), QByteArray());

    QTest::mouseClick(form->ATTButton, Qt::LeftButton);
    QTest::mouseClick(form->ATTButton, Qt::LeftButton);
    QCOMPARE(rig.pty.settle(), Hex("FEFE80E01120FD FEFE80E01100FD"));
    QVERIFY(!rig.link.AttenuatorOn);

    // Mute sends nothing on CI-V, but the slider still drops and returns.
    rig.pty.clear();
    QTest::mouseClick(form->MuteButton, Qt::LeftButton);
    QCOMPARE(form->VolumeTrackBar->value(), 255);
    QCOMPARE(rig.pty.settle(), QByteArray());
  }

  void pcrSwitches() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    for (QPushButton* b : {form->AGCButton, form->NBButton, form->ATTButton}) {
      QTest::mouseClick(b, Qt::LeftButton);
      QTest::mouseClick(b, Qt::LeftButton);
    }
    QCOMPARE(rig.pty.settle(),
             QByteArray("J4501\r\nJ4500\r\nJ4601\r\nJ4600\r\nJ4701\r\nJ4700\r\n"));
  }

  // Setting controls from the program never runs their handlers.
  void programSetValuesSendNothing() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    form->ATTButton->setChecked(true);
    form->AGCButton->setChecked(true);
    form->MuteButton->setChecked(true);
    form->FilterComboBox->setCurrentIndex(0);
    form->ModeComboBox->setCurrentIndex(0);
    QCOMPARE(rig.pty.settle(), QByteArray());
  }

  // A released port is taken back by the next command: power-up again, a
  // 10 ms pause, then the command.
  void releasedPortIsRetakenByTheNextCommand() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    QCOMPARE(TrayPicture(form), 1);
    Drag(form->VolumeTrackBar, 50);  // level 205
    rig.pty.settle();
    rig.pty.clear();

    QTest::mouseClick(form->TogglePortButton, Qt::LeftButton);
    QVERIFY(form->TogglePortButton->isChecked());
    QCOMPARE(form->TogglePortButton->text(), QStringLiteral("Open &Port"));
    QCOMPARE(TrayPicture(form), 0);
    QVERIFY(!rig.link.portOpen());
    QCOMPARE(rig.pty.settle(), QByteArray());  // no power-off on release
    QCOMPARE(ReadSetting(QStringLiteral("PCR1000/PCR1000 Volume")), QStringLiteral("205"));

    Drag(form->VolumeTrackBar, 100);  // level 155
    const QByteArray sent = rig.pty.settle();
    const QByteArray command("J409B\r\n");
    QVERIFY2(sent.startsWith(kPcrPowerUp) && sent.endsWith(command), sent.constData());
    QCOMPARE(sent.count("J40"), 2);  // the power-up's volume, then the command
    const qsizetype at = sent.size() - command.size();
    QVERIFY(rig.pty.gapMs(at - 1, at) >= 10);
    QVERIFY(!form->TogglePortButton->isChecked());
    QCOMPARE(form->TogglePortButton->text(), QStringLiteral("Close &Port"));
    QCOMPARE(TrayPicture(form), 1);
  }

  void portMenuTogglesAndNamesTheAction() {
    ModalWindows watcher;
    Rig rig(0);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    QCOMPARE(form->TogglePortMenu->text(), QStringLiteral("Close Port"));
    form->TogglePortMenu->trigger();
    QVERIFY(form->TogglePortButton->isChecked());
    QVERIFY(!rig.link.portOpen());
    // The levels are written on every press, whatever the protocol.
    QCOMPARE(ReadSetting(QStringLiteral("PCR1000/PCR1000 IF Shift")), QStringLiteral("128"));

    form->CorvaloTaskIcon->HandleActivation(QSystemTrayIcon::Context);
    QCOMPARE(form->TogglePortMenu->text(), QStringLiteral("Open &Port"));
    QVERIFY(form->PopupMenu->isVisible());
    QCOMPARE(QPoint(form->TrayPopupX, form->TrayPopupY), QCursor::pos());
    form->PopupMenu->hide();

    form->TogglePortMenu->trigger();
    QVERIFY(rig.link.portOpen());
    QCOMPARE(form->TogglePortButton->text(), QStringLiteral("Close &Port"));
    form->CorvaloTaskIconRightClick(20, 30);
    QCOMPARE(form->TogglePortMenu->text(), QStringLiteral("Close &Port"));
    QCOMPARE(form->TrayPopupX, 20);
    QCOMPARE(form->TrayPopupY, 30);
    form->PopupMenu->hide();
    QCOMPARE(watcher.texts(), QStringList());
  }

  // A port that vanished shows as released; the next command retakes it.
  void lostPortShowsAsReleased() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    rig.link.ReleasePort();
    emit rig.link.portLost();
    QVERIFY(rig.form->TogglePortButton->isChecked());
    QCOMPARE(rig.form->TogglePortButton->text(), QStringLiteral("Open &Port"));
    QCOMPARE(TrayPicture(rig.form.get()), 0);
    QTest::mouseClick(rig.form->AGCButton, Qt::LeftButton);
    const QByteArray sent = rig.pty.settle();
    QVERIFY2(sent.startsWith(kPcrPowerUp) && sent.endsWith("J4501\r\n"), sent.constData());
    QCOMPARE(TrayPicture(rig.form.get()), 1);
  }

  // Without a port nothing is ever written and nothing is reported, whatever
  // the operator does with the port button.
  void noPortNeverWrites() {
    ModalWindows watcher;
    WriteProfile(QStringLiteral("NoPortToggle"), {{"Connection/Com Port", "Internet"},
                                                  {"Connection/Protocol", "6"},
                                                  {"Features/Volume", "1"}});
    RadioLink link;
    TMainForm form(link);
    form.show();
    QTest::mouseClick(form.TogglePortButton, Qt::LeftButton);
    QTest::mouseClick(form.TogglePortButton, Qt::LeftButton);
    Drag(form.VolumeTrackBar, 3);
    QVERIFY(!link.portOpen());
    QCOMPARE(TrayPicture(&form), 1);
    QCOMPARE(watcher.texts(), QStringList());
  }

  // A failed reopen shows the port as off, not as open.
  void failedReopenShowsOff() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    QTest::mouseClick(rig.form->TogglePortButton, Qt::LeftButton);
    {
      SettingsSession session;
      Settings.WriteText(settings_names::kConnection, settings_names::kComPort,
                         QStringLiteral("/dev/corvalo-none"));
    }
    QTest::mouseClick(rig.form->TogglePortButton, Qt::LeftButton);
    QTRY_COMPARE(watcher.texts(), QStringList({"Cannot Open Port Not."}));
    QCOMPARE(rig.form->TogglePortButton->text(), QStringLiteral("Close &Port"));
    QCOMPARE(TrayPicture(rig.form.get()), 0);
  }

  void keyboard() {
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(form->focusWidget(), form->SquelchTrackBar);
    QTest::keyClick(form, Qt::Key_I, Qt::AltModifier);
    QCOMPARE(form->focusWidget(), form->IFShiftTrackBar);
    // Return presses Enter wherever the focus is.
    QTest::keyClick(form->IFShiftTrackBar, Qt::Key_Return);
    QCOMPARE(rig.pty.settle(), QByteArray("K00162550000050200\r\n"));
  }

  // ---- Tray and window behaviour ----

  void trayClickBringsTheWindowBack() {
    ModalWindows watcher;
    Rig rig(6, {{"General/Show Icon", "0"}, {"General/Always On Top", "1"}});
    rig.settleAndClear();
    TMainForm* form = rig.form.get();
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    form->showMinimized();
    // Without the taskbar button the window lives in the tray only.
    QTRY_VERIFY(form->isHidden());
    QVERIFY(!(form->windowFlags() & Qt::WindowStaysOnTopHint));
    form->CorvaloTaskIcon->HandleActivation(QSystemTrayIcon::Trigger);
    QTRY_VERIFY(form->isVisible() && !form->isMinimized());
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    // Coming back is not a new start: nothing is tuned again.
    QCOMPARE(rig.pty.settle(), QByteArray());
  }

  void minimisingWithTheIconShownKeepsTheWindow() {
    ModalWindows watcher;
    Rig rig(6);
    TMainForm* form = rig.form.get();
    QVERIFY(!(form->windowFlags() & Qt::WindowStaysOnTopHint));
    form->showMinimized();
    QTest::qWait(30);
    QVERIFY(form->isVisible());
    form->CorvaloTaskIcon->HandleActivation(QSystemTrayIcon::DoubleClick);
    QTRY_VERIFY(!form->isMinimized());
    QVERIFY(!(form->windowFlags() & Qt::WindowStaysOnTopHint));
  }

  void trayHintFollowsTheTuning() {
    ModalWindows watcher;
    Rig rig(6);
    QCOMPARE(rig.form->CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo [  162.55000]"));
    EnterFrequency(rig.form.get(), QStringLiteral("1296"));
    QCOMPARE(rig.form->CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo [ 1296.00000]"));
  }
};

CORVALO_TEST_MAIN_IMPL(LevelsTest, QApplication)
#include "tst_levels.moc"
