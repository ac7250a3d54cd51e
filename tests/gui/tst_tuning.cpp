// The tuning row driven as the operator drives it, against a real
// pseudo-terminal: what typing a frequency and pressing Return sends on each
// protocol, which texts are refused, the stepper, the automatic step and the
// step-size dialog.

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest/QtTest>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"
#include "dialogs/StepSize.h"

using namespace guitest;
using namespace testsupport;

namespace {

const QString kNotValid = QStringLiteral("Not a valid frequency.");

// Chooses a mode from the program, as a stored setting would: the list's
// handler does not run.
void SelectMode(TMainForm* form, const QString& mode) {
  auto* modes = Find<QComboBox>(form, "ModeComboBox");
  const int index = modes->findText(mode);
  if (index >= 0) modes->setCurrentIndex(index);
}

}  // namespace

class TuningTest : public QObject {
  Q_OBJECT

 private slots:
  // 162.55 in "FMN", the first tuning in that mode, on each protocol. The
  // window starts in "AM", so the CI-V style protocols send the mode frame.
  void enterSendsTheWorkedExample_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("modeFrameAt");  // where the mode frame starts, or -1
    QTest::addColumn<int>("gapMs");        // at least this long before it
    QTest::newRow("Icom CI-V") << 0 << Hex("FEFE80E00500005562 01FD FEFE80E0060502FD") << 11 << 65;
    QTest::newRow("OS456/OS535") << 1 << Hex("FEFE80E00500005562 01FD FEFE80E00605FD") << 11 << 50;
    QTest::newRow("AR8000") << 2 << QByteArray("RF162.55\r\nST0.1\r\nMD1\r\n") << -1 << 0;
    QTest::newRow("AR2700") << 3 << QByteArray("RF162.55\r\nST0.1\r\nMD1\r\n") << -1 << 0;
    QTest::newRow("BC-895XLT") << 5 << QByteArray("RF01625500\r") << -1 << 0;
    QTest::newRow("PCR1000") << 6 << QByteArray("K00162550000050200\r\n") << -1 << 0;
    QTest::newRow("AR3000") << 8 << QByteArray("162.55N\r\n") << -1 << 0;
    QTest::newRow("AR3000A") << 9 << QByteArray("162.55N\r\n") << -1 << 0;
  }
  void enterSendsTheWorkedExample() {
    QFETCH(int, protocol);
    QFETCH(QByteArray, bytes);
    QFETCH(int, modeFrameAt);
    QFETCH(int, gapMs);
    ModalWindows watcher;
    Rig rig(protocol, {{"General/Mode", "AM"}, {"General/Frequency", "145"}});
    rig.settleAndClear();
    SelectMode(rig.form.get(), QStringLiteral("FMN"));
    EnterFrequency(rig.form.get(), QStringLiteral("162.55"));
    QCOMPARE(rig.wire(), bytes);
    if (modeFrameAt >= 0) QVERIFY(rig.pty.gapMs(modeFrameAt - 1, modeFrameAt) >= gapMs);
    QCOMPARE(rig.c->FrequencyEdit->text(), QStringLiteral("  162.55000"));
    QCOMPARE(rig.c->CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo [  162.55000]"));
    QCOMPARE(watcher.texts(), QStringList());
  }

  void refusedTextsSendNothing_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("point without digits") << "162.";
    QTest::newRow("trailing blank") << "162.55 ";
    QTest::newRow("above coverage") << "1300.00001";
    QTest::newRow("below coverage") << "0.09";
    QTest::newRow("letters") << "16x2";
    QTest::newRow("comma") << "162,55";
  }
  void refusedTextsSendNothing() {
    QFETCH(QString, text);
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    EnterFrequency(rig.form.get(), text);
    QCOMPARE(watcher.texts(), QStringList({kNotValid}));
    QCOMPARE(watcher.titles(), QStringList({"Corvalo"}));
    QCOMPARE(watcher.icons(), QList<QMessageBox::Icon>({QMessageBox::Information}));
    QCOMPARE(rig.wire(), QByteArray());
    QCOMPARE(rig.c->FrequencyEdit->text(), text);
    QCOMPARE(rig.form->focusWidget(), rig.c->FrequencyEdit);
    QCOMPARE(rig.c->CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo [  162.55000]"));
  }

  void acceptedTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("leading blanks")
        << " 162.55" << QByteArray("K00162550000050200\r\n") << "  162.55000";
    QTest::newRow("no digit before the point")
        << ".5" << QByteArray("K00000500000050200\r\n") << "    0.50000";
    QTest::newRow("exponent") << "1.6255E2" << QByteArray("K00162550000050200\r\n")
                              << "  162.55000";
    QTest::newRow("lowest limit") << "0.1" << QByteArray("K00000100000050200\r\n") << "    0.10000";
    QTest::newRow("highest limit")
        << "1300" << QByteArray("K01300000000050200\r\n") << " 1300.00000";
    // Longer than the 11 places of the tuning text: sent in its shown form.
    QTest::newRow("leading zeros")
        << "0000000162.55" << QByteArray("K00162550000050200\r\n") << "  162.55000";
  }
  void acceptedTexts() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    ModalWindows watcher;
    Rig rig(6);
    rig.settleAndClear();
    EnterFrequency(rig.form.get(), text);
    QCOMPARE(rig.wire(), bytes);
    QCOMPARE(rig.c->FrequencyEdit->text(), shown);
    QCOMPARE(watcher.texts(), QStringList());
  }

  // A request the radio's commands cannot carry is explained and not sent.
  void radioRefusalIsExplained() {
    ModalWindows watcher;
    Rig rig(5);  // BC-895XLT: its frequency field starts at 10 MHz
    rig.settleAndClear();
    EnterFrequency(rig.form.get(), QStringLiteral("5"));
    QCOMPARE(watcher.texts().size(), 1);
    QVERIFY2(watcher.texts().first().contains(QStringLiteral("5.00000 MHz")),
             qPrintable(watcher.texts().first()));
    QCOMPARE(rig.wire(), QByteArray());
    QCOMPARE(rig.c->FrequencyEdit->text(), QStringLiteral("5"));
  }

  void modeChoiceRetunes() {
    ModalWindows watcher;
    Rig rig(0);
    rig.settleAndClear();
    SelectMode(rig.form.get(), QStringLiteral("AM"));
    rig.c->ModeComboBox->setFocus();
    QTest::keyClick(rig.c->ModeComboBox, Qt::Key_Down);  // the operator picks "CW"
    QCOMPARE(rig.c->ModeComboBox->currentText(), QStringLiteral("CW"));
    QCOMPARE(rig.wire(), Hex("FEFE80E00500005562 01FD") + Hex("FEFE80E00603FD"));
    // Setting the list from the program tunes nothing.
    SelectMode(rig.form.get(), QStringLiteral("FMN"));
    QCOMPARE(rig.wire(), Hex("FEFE80E00500005562 01FD") + Hex("FEFE80E00603FD"));
    // Return from the mode list presses Enter: the same frequency, new mode.
    rig.pty.clear();
    QTest::keyClick(rig.c->ModeComboBox, Qt::Key_Return);
    QCOMPARE(rig.wire(), Hex("FEFE80E00500005562 01FD") + Hex("FEFE80E0060502FD"));
    QCOMPARE(watcher.texts(), QStringList());
  }

  void filterChoice() {
    ModalWindows watcher;
    {
      Rig rig(6);
      rig.settleAndClear();
      QCOMPARE(rig.c->FilterComboBox->currentIndex(), 2);
      rig.c->FilterComboBox->setFocus();
      QTest::keyClick(rig.c->FilterComboBox, Qt::Key_Down);
      QCOMPARE(rig.wire(), QByteArray("K00162550000050300\r\n"));
    }
    Rig rig(0);
    rig.settleAndClear();
    rig.c->FilterComboBox->setFocus();
    QTest::keyClick(rig.c->FilterComboBox, Qt::Key_Down);
    QCOMPARE(rig.wire(), QByteArray());
    const int chosen = rig.c->FilterComboBox->currentIndex();
    EnterFrequency(rig.form.get(), QStringLiteral("162.55"));
    QCOMPARE(rig.c->FilterComboBox->currentIndex(), rig.session.filterIndex());
    QVERIFY(chosen != rig.session.filterIndex());
  }

  void stepper() {
    ModalWindows watcher;
    Rig rig(6, {{"General/Step Size", "0"}});
    rig.settleAndClear();
    QCOMPARE(rig.session.stepSize(), 0.0);
    QTest::mouseClick(rig.c->UpDown1->upButton(), Qt::LeftButton);
    QCOMPARE(rig.c->FrequencyEdit->text(), QStringLiteral("  162.55050"));
    QCOMPARE(rig.session.stepSize(), 0.0005);
    QCOMPARE(rig.wire(), QByteArray("K00162550500050200\r\n"));
    QCOMPARE(rig.c->UpDown1->Position, 501);

    rig.pty.clear();
    QTest::mouseClick(rig.c->UpDown1->downButton(), Qt::LeftButton);
    QVERIFY(WaitSent(rig.session));
    QTest::mouseClick(rig.c->UpDown1->downButton(), Qt::LeftButton);
    QCOMPARE(rig.c->FrequencyEdit->text(), QStringLiteral("  162.54950"));
    QCOMPARE(rig.wire(), QByteArray("K00162550000050200\r\nK00162549500050200\r\n"));

    // The wheel over the frequency steps it the same way.
    rig.pty.clear();
    QWheelEvent up(QPointF(10, 10), rig.c->FrequencyEdit->mapToGlobal(QPointF(10, 10)), QPoint(),
                   QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(rig.c->FrequencyEdit, &up);
    QCOMPARE(rig.c->FrequencyEdit->text(), QStringLiteral("  162.55000"));
    QCOMPARE(rig.wire(), QByteArray("K00162550000050200\r\n"));

    // Not a number: only a beep, no message, nothing sent.
    rig.pty.clear();
    rig.c->FrequencyEdit->setText(QStringLiteral("abc"));
    QTest::mouseClick(rig.c->UpDown1->upButton(), Qt::LeftButton);
    QCOMPARE(rig.c->FrequencyEdit->text(), QStringLiteral("abc"));
    QCOMPARE(rig.wire(), QByteArray());
    QCOMPARE(watcher.texts(), QStringList());
  }

  void stepperBelowTheLowestFrequency() {
    ModalWindows watcher;
    Rig rig(6, {{"Coverage/Lowest Frequency", "  0.10000"}});
    rig.settleAndClear();
    EnterFrequency(rig.form.get(), QStringLiteral("0.1"));
    rig.wire();
    rig.pty.clear();
    QTest::mouseClick(rig.c->UpDown1->downButton(), Qt::LeftButton);
    QCOMPARE(rig.c->FrequencyEdit->text(), QStringLiteral("    0.09950"));
    QCOMPARE(watcher.texts(), QStringList({kNotValid}));
    QTest::mouseClick(rig.c->UpDown1->downButton(), Qt::LeftButton);
    QCOMPARE(rig.c->FrequencyEdit->text(), QStringLiteral("    0.09900"));
    QCOMPARE(watcher.texts(), QStringList({kNotValid, kNotValid}));
    QCOMPARE(rig.wire(), QByteArray());
  }

  void automaticStep_data() {
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<double>("step");
    QTest::newRow("87.5") << "87.5" << 0.1;
    QTest::newRow("824.0 inside 400 to 869.01") << "824.0" << 0.03;
    QTest::newRow("849.0") << "849.0" << 0.0125;
    QTest::newRow("869.01") << "869.01" << 0.0125;
    QTest::newRow("870.03") << "870.03" << 0.03;
    QTest::newRow("889.98") << "889.98" << 0.03;
    QTest::newRow("889.99") << "889.99" << 0.0125;
    QTest::newRow("24.99") << "24.99" << 0.0125;
    QTest::newRow("25") << "25" << 0.05;
    QTest::newRow("136") << "136" << 0.005;
    QTest::newRow("108") << "108" << 0.0125;
    QTest::newRow("225") << "225" << 0.1;
    QTest::newRow("1000") << "1000" << 0.0125;
    QTest::newRow("shown form") << "  162.55000" << 0.005;
  }
  void automaticStep() {
    QFETCH(QString, frequency);
    QFETCH(double, step);
    SettingsStore store(QStringLiteral("AutoStep"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store);
    const Controls c(form.get());
    c.FrequencyEdit->setText(frequency);
    session.setStepSize(7);
    c.AutoSetStepSize2->trigger();
    QCOMPARE(session.stepSize(), step);
    session.setStepSize(7);
    c.AutoSetStepSize1->trigger();
    QCOMPARE(session.stepSize(), step);
    QCOMPARE(c.FrequencyEdit->text(), frequency);
  }

  void automaticStepIgnoresAnInvalidText() {
    SettingsStore store(QStringLiteral("AutoStep"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store);
    const Controls c(form.get());
    c.FrequencyEdit->setText(QStringLiteral("162.55 "));
    session.setStepSize(7);
    c.AutoSetStepSize1->trigger();
    QCOMPARE(session.stepSize(), 7.0);
  }

  void stepSizeDialog() {
    SettingsStore store(QStringLiteral("StepDialog"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store);
    const Controls c(form.get());
    QString shown;
    QStringList items;
    ModalWindows watcher([&](QDialog* dialog) {
      auto* steps = qobject_cast<TStepSizeForm*>(dialog);
      QVERIFY(steps);
      shown = steps->StepSizesComboBox->currentText();
      items.clear();
      for (int i = 0; i < steps->StepSizesComboBox->count(); ++i) {
        items << steps->StepSizesComboBox->itemText(i);
      }
      steps->StepSizesComboBox->setCurrentIndex(3);
      steps->Button1->click();
    });
    c.ChangeStepSize2->trigger();
    QCOMPARE(shown, QStringLiteral("  0.00050"));
    QCOMPARE(items, QStringList({"0.00010", "0.00100", "0.00500", "0.01250", "0.02500", "0.03000",
                                 "0.05000", "1.00000", "10.00000", "3.00000", "4.00000", "5.00000",
                                 "45.00000"}));
    QCOMPARE(session.stepSize(), 0.0125);
  }

  void stepSizeDialogCancelAndTypedTexts() {
    SettingsStore store(QStringLiteral("StepDialog2"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store);
    const Controls c(form.get());
    session.setStepSize(0.005);
    QString typed;
    bool cancel = false;
    int shownTimes = 0;
    ModalWindows watcher([&](QDialog* dialog) {
      auto* steps = qobject_cast<TStepSizeForm*>(dialog);
      ++shownTimes;
      if (cancel) {
        steps->Button2->click();
        return;
      }
      steps->StepSizesComboBox->setEditText(typed);
      steps->Button1->click();
      cancel = true;  // a refused text leaves the dialog open: cancel it next
    });

    cancel = true;
    c.ChangeStepSize1->trigger();
    QCOMPARE(session.stepSize(), 0.005);

    cancel = false;
    typed = QStringLiteral("fast");
    c.ChangeStepSize1->trigger();
    QCOMPARE(session.stepSize(), 0.005);
    QCOMPARE(watcher.texts().size(), 1);
    QVERIFY(watcher.texts().first().startsWith(QStringLiteral("Not a valid step size.")));

    cancel = false;
    typed = QStringLiteral(" 0.025");
    c.ChangeStepSize1->trigger();
    QCOMPARE(session.stepSize(), 0.025);

    // Empty is a step of 0, which the stepper replaces by 0.0005.
    cancel = false;
    typed = QString();
    c.ChangeStepSize1->trigger();
    QCOMPARE(session.stepSize(), 0.0);
    c.FrequencyEdit->setText(QStringLiteral("-1"));
    c.UpDown1->press(TUpDown::Button::Next);
    QCOMPARE(session.stepSize(), 0.0005);
    QCOMPARE(watcher.texts().size(), 2);  // -0.9995 is out of coverage
    QCOMPARE(watcher.texts().last(), kNotValid);
    QVERIFY(shownTimes >= 5);
  }

  void modeListFollowsTheSupportedModes() {
    SettingsStore store(QStringLiteral("Modes"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store,
                                {{"Coverage/Supports CW", "0"},
                                 {"Coverage/Supports AM3", "0"},
                                 {"Coverage/Supports FSK", "0"},
                                 {"General/Mode", "CW"}});
    const Controls c(form.get());
    QStringList modes;
    for (int i = 0; i < c.ModeComboBox->count(); ++i) modes << c.ModeComboBox->itemText(i);
    QCOMPARE(modes, QStringList({"AM", "FMN", "FMW", "FM1", "FM3", "FM9", "LSB", "SSB", "USB",
                                 "AUT", "AMW", "AM2"}));
    // The stored mode is not offered: nothing is selected.
    QCOMPARE(c.ModeComboBox->currentIndex(), -1);
  }
};

CORVALO_TEST_MAIN_IMPL(TuningTest, QApplication)
#include "tst_tuning.moc"
