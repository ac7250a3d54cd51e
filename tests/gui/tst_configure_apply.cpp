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
  // boxes answered meanwhile go to `messages`.
  static bool configure(Rig& rig, const std::function<void(TConfigurationForm*)>& operate,
                        QStringList* messages = nullptr) {
    bool seen = false;
    ModalWindows watcher([&](QDialog* dialog) {
      auto* form = qobject_cast<TConfigurationForm*>(dialog);
      if (!form) return dialog->reject();
      seen = true;
      operate(form);
    });
    rig.form->ConfigureMenu->trigger();
    if (messages) *messages = watcher.texts();
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
  void cleanup() { SetSettingsProfile(QString()); }

  // The old radio is switched off with its own command before the new one is
  // powered up on its own port.
  void newProtocolAndPortTakeEffectAtOnce() {
    Rig rig(protocols::kAr8000, {{"General/Power Off", "1"}});
    rig.settleAndClear();
    PseudoTerminal newPort;
    QVERIFY(newPort.isValid());
    {
      const QSignalBlocker quiet(rig.form->VolumeTrackBar);
      rig.form->VolumeTrackBar->setValue(3);
    }
    QVERIFY(configure(rig, [&](TConfigurationForm* d) {
      pickProtocol(d, "OS456/OS535");
      choosePort(d, newPort.devicePath());
      d->Button1->click();
    }));

    // The port of the AR8000 saw its power-off, and nothing of the OS456.
    QCOMPARE(rig.pty.settle(80), encoders::Ar8000Exit());
    const QByteArray up = encoders::OsControlFrame(0x80, encoders::kOsPowerUp) +
                          encoders::OsControlFrame(0x80, encoders::kOsAudioOn);
    QCOMPARE(newPort.settle(80), up);
    QVERIFY(rig.pty.arrivalOf(rig.pty.received().size() - 1) <= newPort.arrivalOf(0));

    QCOMPARE(rig.link.Protocol, int(protocols::kOs456));
    QVERIFY(rig.link.portOpen());
    QCOMPARE(rig.form->windowTitle(),
             QStringLiteral("Corvalo [") + newPort.devicePath() + QStringLiteral(":OS456/535]"));
    QCOMPARE(rig.form->VolumeTrackBar->value(), rig.link.VolumeMax - rig.link.VolumeLevel);
    QVERIFY(!rig.form->TogglePortButton->isChecked());
    QCOMPARE(rig.form->TogglePortButton->text(), QStringLiteral("Close &Port"));
    QCOMPARE(guitest::TrayPicture(rig.form.get()), 1);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
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
    QCOMPARE(rig.pty.settle(80), QByteArray());
    QCOMPARE(newPort.settle(80), QByteArray());  // the AR8000 has no power-up
    QVERIFY(rig.form->windowTitle().endsWith(QStringLiteral(":AR8000]")));
  }

  void featuresModesAndTopmostApplyAtOnce() {
    Rig rig(protocols::kIcomCiv, {{"General/Mode", "FMN"}});
    rig.settleAndClear();
    QCOMPARE(rig.form->width(), 347 + 14);
    QVERIFY(configure(rig, [&](TConfigurationForm* d) {
      d->VolumeCheckBox->setChecked(false);
      d->MuteCheckBox->setChecked(false);
      for (int i = 0; i < d->ModeLB->count(); ++i)
        d->ModeLB->item(i)->setSelected(i == 2 || i == 8);
      d->AlwaysOnTopCheckBox->setChecked(true);
      d->Button1->click();
    }));
    QVERIFY(rig.form->VolumeTrackBar->isHidden());
    QVERIFY(rig.form->MuteButton->isHidden());
    QVERIFY(!rig.form->SquelchTrackBar->isHidden());
    QCOMPARE(rig.form->Panel1->width(), 347 - 33);
    QCOMPARE(rig.form->width(), 347 - 33 + 14);
    QCOMPARE(items(rig.form->ModeComboBox), QStringList({"FMN", "LSB"}));
    QCOMPARE(rig.form->ModeComboBox->currentText(), QStringLiteral("FMN"));
    QVERIFY(rig.form->AlwaysOnTop);
    QVERIFY(rig.form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // The radio is not re-tuned; the CI-V has no power-up.
    QCOMPARE(rig.pty.settle(80), QByteArray());
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
    QCOMPARE(rig.pty.settle(80), QByteArray());
    QVERIFY(rig.link.portOpen());
    QCOMPARE(rig.form->windowTitle(), title);
    QVERIFY(!rig.form->VolumeTrackBar->isHidden());
    QCOMPARE(testsupport::ReadSetting("Connection/Protocol"), QStringLiteral("2"));
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
    QVERIFY(!rig.link.portOpen());
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Corvalo [/dev/nonexist7:AR8000]"));
  }
};

CORVALO_TEST_MAIN_IMPL(ConfigureApplyTest, QApplication)
#include "tst_configure_apply.moc"
