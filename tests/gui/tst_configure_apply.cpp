#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QtTest/QtTest>
#include <functional>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "PseudoTerminal.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "app/main.h"
#include "dialogs/Configure.h"
#include "radio/AorCommands.h"
#include "radio/CivCommands.h"
#include "radio/Protocols.h"

using guitest::Rig;
using testsupport::ModalWindows;

// The Configure menu of a real main window whose radio sits on a real
// pseudo-terminal: the dialog is operated as the operator would, and what the
// main window and the radio get after it closes is checked.
class ConfigureApplyTest : public QObject {
  Q_OBJECT

 private:
  // Opens the dialog from the Tools menu; `operate` works the dialog and
  // closes it. Returns whether the dialog came up; the texts of the message
  // boxes answered meanwhile, until the new connection has been opened, go
  // to `messages`.
  static bool configure(Rig& rig, const std::function<void(TConfigurationForm*)>& operate,
                        QStringList* messages = nullptr) {
    bool seen = false;
    ModalWindows watcher([&](QDialog* dialog) {
      auto* form = qobject_cast<TConfigurationForm*>(dialog);
      if (!form) return dialog->reject();
      seen = true;
      operate(form);
    });
    rig.c->ConfigureMenu->trigger();
    if (messages) {
      // The link's messages come once the new connection has been opened.
      guitest::WaitSent(rig.session);
      *messages = watcher.texts();
    }
    return seen;
  }
  // A port the machine does not list (a pseudo-terminal), chosen as if it
  // were listed.
  static void choosePort(TConfigurationForm* d, const QString& port) {
    if (d->ComPortComboBox->findText(port) < 0) d->ComPortComboBox->addItem(port);
    d->ComPortComboBox->setCurrentIndex(d->ComPortComboBox->findText(port));
  }
  static void pickProtocol(TConfigurationForm* d, const char* text) {
    const int index = d->ProtocolComboBox->findText(QString::fromLatin1(text));
    d->ProtocolComboBox->setCurrentIndex(index);
    emit d->ProtocolComboBox->activated(index);
  }
  static QStringList items(QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
    return texts;
  }

 private slots:
  // The old radio is switched off with its own command before the new one is
  // powered up on its own port.
  void newProtocolAndPortTakeEffectAtOnce() {
    Rig rig(protocols::kAr8000, {{"General/Power Off", "1"}});
    rig.settleAndClear();
    PseudoTerminal newPort;
    QVERIFY(newPort.isValid());
    // The operator moved the volume slider to an end: the new radio's level
    // replaces it.
    QTest::keyClick(rig.c->VolumeTrackBar, Qt::Key_Home);
    QVERIFY(rig.c->VolumeTrackBar->value() != 255 - 128);
    QVERIFY(configure(rig, [&](TConfigurationForm* d) {
      pickProtocol(d, "OS456/OS535");
      choosePort(d, newPort.devicePath());
      d->Button1->click();
    }));

    // The port of the AR8000 saw its power-off, and nothing of the OS456.
    const QByteArray up = encoders::OsControlFrame(0x80, encoders::kOsPowerUp) +
                          encoders::OsControlFrame(0x80, encoders::kOsAudioOn);
    QCOMPARE(newPort.waitFor(up.size()), up);
    QCOMPARE(newPort.settle(80), up);
    QCOMPARE(rig.pty.settle(80), encoders::Ar8000Exit());
    QVERIFY(rig.pty.arrivalOf(rig.pty.received().size() - 1) <= newPort.arrivalOf(0));

    QTRY_COMPARE(rig.session.portState(), RadioSession::PortState::Open);
    QCOMPARE(rig.session.protocol(), int(protocols::kOs456));
    QCOMPARE(rig.form->windowTitle(),
             QStringLiteral("Corvalo [") + newPort.devicePath() + QStringLiteral(":OS456/535]"));
    QTRY_COMPARE(rig.c->VolumeTrackBar->value(), 255 - 128);
    QVERIFY(!rig.c->TogglePortButton->isChecked());
    QCOMPARE(rig.c->TogglePortButton->text(), QStringLiteral("Close &Port"));
    QTRY_COMPARE(guitest::TrayPicture(rig.form.get()), 1);
    QTRY_COMPARE(QApplication::overrideCursor(), nullptr);
  }

  void withoutPowerOffTheOldRadioHearsNothing() {
    Rig rig(protocols::kPcr1000);
    rig.settleAndClear();
    PseudoTerminal newPort;
    QVERIFY(configure(rig, [&](TConfigurationForm* d) {
      pickProtocol(d, "AR8000");
      choosePort(d, newPort.devicePath());
      d->Button1->click();
    }));
    QVERIFY(guitest::WaitSent(rig.session));
    QCOMPARE(rig.session.portState(), RadioSession::PortState::Open);
    QCOMPARE(rig.pty.settle(80), QByteArray());
    QCOMPARE(newPort.settle(80), QByteArray());  // the AR8000 has no power-up
    QVERIFY(rig.form->windowTitle().endsWith(QStringLiteral(":AR8000]")));
  }

  void featuresModesAndTopmostApplyAtOnce() {
    Rig rig(protocols::kIcomCiv, {{"General/Mode", "FMN"}});
    rig.settleAndClear();
    const int wide = rig.form->width();
    QVERIFY(configure(rig, [&](TConfigurationForm* d) {
      d->VolumeCheckBox->setChecked(false);
      d->MuteCheckBox->setChecked(false);
      for (int i = 0; i < d->ModeLB->count(); ++i)
        d->ModeLB->item(i)->setSelected(i == 2 || i == 8);
      d->AlwaysOnTopCheckBox->setChecked(true);
      d->Button1->click();
    }));
    QVERIFY(rig.c->VolumeTrackBar->isHidden());
    QVERIFY(rig.c->MuteButton->isHidden());
    QVERIFY(rig.c->SquelchTrackBar->isVisible() && rig.c->IFShiftTrackBar->isVisible());
    // The window narrowed by the volume column and still shows the others.
    QCOMPARE(guitest::PanelFitProblem(rig.form.get()), QString());
    QVERIFY(rig.form->width() < wide);
    QCOMPARE(items(rig.c->ModeComboBox), QStringList({"FMN", "LSB"}));
    QCOMPARE(rig.c->ModeComboBox->currentText(), QStringLiteral("FMN"));
    QVERIFY(rig.form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // The radio is not re-tuned; the CI-V has no power-up.
    QVERIFY(guitest::WaitSent(rig.session));
    QCOMPARE(rig.pty.settle(80), QByteArray());

    // Shown again, the volume column takes its place back.
    QVERIFY(configure(rig, [&](TConfigurationForm* d) {
      d->VolumeCheckBox->setChecked(true);
      d->Button1->click();
    }));
    QCOMPARE(guitest::PanelFitProblem(rig.form.get()), QString());
    QCOMPARE(rig.form->width(), wide);
  }

  void cancelReappliesNothing() {
    Rig rig(protocols::kAr8000, {{"General/Power Off", "1"}});
    rig.settleAndClear();
    const QString title = rig.form->windowTitle();
    QVERIFY(configure(rig, [&](TConfigurationForm* d) {
      pickProtocol(d, "Icom PCR1000");
      d->VolumeCheckBox->setChecked(false);
      d->Button2->click();
    }));
    QVERIFY(guitest::WaitSent(rig.session));
    QCOMPARE(rig.pty.settle(80), QByteArray());
    QCOMPARE(rig.session.portState(), RadioSession::PortState::Open);
    QCOMPARE(rig.form->windowTitle(), title);
    QVERIFY(!rig.c->VolumeTrackBar->isHidden());
    QCOMPARE(testsupport::ReadSetting(rig.store, "Connection/Protocol"), QStringLiteral("2"));
  }

  // A lowest coverage limit above the highest is refused with its own
  // message and nothing is stored; equal limits are one frequency, in force
  // at once.
  void lowestAboveHighestIsRefused() {
    Rig rig(protocols::kAr8000);
    rig.settleAndClear();
    QStringList messages;
    QString storedOnRefusal;
    bool keptOpen = false;
    QVERIFY(configure(
        rig,
        [&](TConfigurationForm* d) {
          d->LowestFrequencyEdit->setText(QStringLiteral("1300.000001"));
          d->HighestFrequencyEdit->setText(QStringLiteral("1299.99"));
          d->Button1->click();
          keptOpen = d->isVisible() && d->focusWidget() == d->LowestFrequencyEdit;
          // Read past the store, as the file lies on disk.
          storedOnRefusal = testsupport::SettingsFile().text(
              rig.profile() + QStringLiteral("/Coverage/Lowest Frequency"), QStringLiteral("?"));
          d->HighestFrequencyEdit->setText(QStringLiteral("1300"));
          d->Button1->click();
        },
        &messages));
    QCOMPARE(messages, QStringList{TConfigurationForm::kInvertedCoverageMessage});
    QVERIFY(keptOpen);
    QCOMPARE(storedOnRefusal, QStringLiteral("?"));
    QCOMPARE(rig.session.lowestMhz(), 1300.0);
    QCOMPARE(rig.session.highestMhz(), 1300.0);
  }

  // The readings rate and the settle time confirmed are in force at once.
  void readingsAndSettleTimeApplyAtOnce() {
    Rig rig(protocols::kAr8000);
    rig.settleAndClear();
    QVERIFY(configure(rig, [](TConfigurationForm* d) {
      choosePort(d, QStringLiteral("Internet"));
      d->ReadingsPerSecondEdit->setText(QStringLiteral("4"));
      d->SettleTimeComboBox->setEditText(QStringLiteral("120"));
      d->Button1->click();
    }));
    QCOMPARE(rig.session.readingRate(), 4);
    QCOMPARE(rig.session.settleMs(), 120);
  }

  // A new port that cannot be opened is reported once and shown as closed.
  void unopenablePortShowsClosed() {
    Rig rig(protocols::kAr8000);
    rig.settleAndClear();
    QStringList messages;
    QVERIFY(configure(
        rig,
        [&](TConfigurationForm* d) {
          choosePort(d, QStringLiteral("/dev/nonexist7"));
          d->Button1->click();
        },
        &messages));
    QCOMPARE(messages, QStringList({"Cannot Open Port Not."}));
    QCOMPARE(guitest::TrayPicture(rig.form.get()), 0);
    QCOMPARE(rig.session.portState(), RadioSession::PortState::Failed);
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Corvalo [/dev/nonexist7:AR8000]"));
  }
};

CORVALO_TEST_MAIN_IMPL(ConfigureApplyTest, QApplication)
#include "tst_configure_apply.moc"
