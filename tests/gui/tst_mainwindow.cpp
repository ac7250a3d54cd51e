// The main window's lifecycle: what creating, showing and destroying it reads
// from and writes to the settings, its designed widget tree and the about box.
// Settings that are damaged or cannot be written: tst_mainwindow_store.cpp.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QtTest/QtTest>
#include <utility>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "ShownText.h"
#include "TestMain.h"
#include "app/about.h"
#include "app/main.h"
#include "components/MessageBox.h"
#include "dialogs/Hints.h"
#include "radio/Protocols.h"
#include "radio/RadioSession.h"

using namespace guitest;
using namespace testsupport;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { VersionText = QString::fromLatin1(kVersionText); }

  void captionNamesPortAndProtocol_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("caption");
    QTest::newRow("PCR1000") << 6 << "Corvalo [Internet:PCR-1000]";
    QTest::newRow("OS456") << 1 << "Corvalo [Internet:OS456/535]";
    QTest::newRow("no such protocol") << 4 << "Corvalo [Internet]";
  }
  void captionNamesPortAndProtocol() {
    QFETCH(int, protocol);
    QFETCH(QString, caption);
    ModalWindows watcher;
    SettingsStore store(QStringLiteral("Caption%1").arg(protocol));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store,
                                {{"Connection/Protocol", QString::number(protocol)}}, false);
    QCOMPARE(form->windowTitle(), caption);
    QCOMPARE(watcher.texts(), QStringList());
  }

  void captionOfARealPort() {
    ModalWindows watcher;
    Rig rig(6, {}, false);
    QCOMPARE(rig.form->windowTitle(),
             QStringLiteral("Corvalo [%1:PCR-1000]").arg(rig.pty.devicePath()));
    QTRY_COMPARE(rig.session.portState(), RadioSession::PortState::Open);
  }

  // With every feature on, each control shows on the top panel, none cut off
  // or on top of another, and each slider's label sits below its slider.
  void everyControlShowsOnThePanel() {
    SettingsStore store(QStringLiteral("Layout"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store, AllFeatures());
    const Controls c(form.get());
    QList<QWidget*> controls = {
        c.Image1,          c.FrequencyEdit,    c.UpDown1,      c.ModeComboBox,
        c.FilterComboBox,  c.EnterButton,      c.AGCButton,    c.NBButton,
        c.ATTButton,       c.TogglePortButton, c.MuteButton,   c.VolumeTrackBar,
        c.SquelchTrackBar, c.IFShiftTrackBar,  c.SquelchLabel, c.IFShiftLabel};
    for (QPushButton* button : c.PresetButtons) controls << button;
    for (QWidget* w : controls) {
      QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
      QCOMPARE(w->parentWidget(), c.Panel1);
    }
    QCOMPARE(PanelFitProblem(form.get()), QString());
    for (auto [label, slider] : {std::pair{c.SquelchLabel, c.SquelchTrackBar},
                                 std::pair{c.IFShiftLabel, c.IFShiftTrackBar}}) {
      const QRect under = slider->geometry();
      QVERIFY(label->geometry().top() > under.bottom());
      QVERIFY(under.left() <= label->geometry().center().x() &&
              label->geometry().center().x() <= under.right());
    }
    // The preset buttons stand in two rows of five, in number order.
    for (int i = 0; i < 10; ++i) {
      const QRect at = c.PresetButtons[i]->geometry();
      QCOMPARE(at.top(), c.PresetButtons[i < 5 ? 0 : 5]->geometry().top());
      if (i % 5 != 0) QVERIFY(at.left() > c.PresetButtons[i - 1]->geometry().right());
    }
    QVERIFY(c.PresetButtons[5]->geometry().top() > c.PresetButtons[0]->geometry().bottom());
  }

  void widgetTreeAsDesigned() {
    SettingsStore store(QStringLiteral("Tree"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store, {}, false);
    const Controls c(form.get());
    QCOMPARE(form->windowTitle(), QStringLiteral("Corvalo [Internet:Icom CI-V]"));
    QCOMPARE(c.SquelchLabel->buddy(), c.SquelchTrackBar);
    QCOMPARE(c.IFShiftLabel->buddy(), c.IFShiftTrackBar);
    QVERIFY(c.Panel2->isHidden());
    QVERIFY(c.StatusBar1->isHidden());
    QVERIFY(c.OnImage->isHidden() && c.OffImage->isHidden());
    QVERIFY(!c.OnImage->pixmap().isNull() && !c.OffImage->pixmap().isNull());
    QVERIFY(!SamePicture(c.OnImage->pixmap(), c.OffImage->pixmap()));
    QVERIFY(!c.MuteButton->icon().isNull());
    QVERIFY(!c.Image1->pixmap().isNull());

    // Captions, switches and the preset buttons' tags.
    QCOMPARE(c.TogglePortButton->text(), QStringLiteral("Close &Port"));
    for (QPushButton* b :
         {c.AGCButton, c.NBButton, c.ATTButton, c.MuteButton, c.TogglePortButton}) {
      QVERIFY2(b->isCheckable() && !b->isChecked(), qPrintable(b->objectName()));
    }
    for (int i = 0; i < 10; ++i) {
      QCOMPARE(c.PresetButtons[i]->property("Tag").toInt(), i + 1);
      QCOMPARE(c.PresetButtons[i]->text(),
               i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0"));
    }
    QCOMPARE(c.FilterComboBox->count(), 5);
    QCOMPARE(c.FilterComboBox->itemText(4), QStringLiteral("230K"));
    QCOMPARE(c.UpDown1->Min, 0);
    QCOMPARE(c.UpDown1->Max, 1000);
    QCOMPARE(c.UpDown1->Position, 500);
    QVERIFY(c.UpDown1->Wrap);

    // Sliders: 0..255 with position 0 at the top, ticks every 64.
    const int pages[3] = {16, 64, 64};
    int i = 0;
    for (QSlider* s : {c.VolumeTrackBar, c.SquelchTrackBar, c.IFShiftTrackBar}) {
      QCOMPARE(s->orientation(), Qt::Vertical);
      QCOMPARE(s->minimum(), 0);
      QCOMPARE(s->maximum(), 255);
      QCOMPARE(s->pageStep(), pages[i++]);
      QCOMPARE(s->tickInterval(), 64);
      QVERIFY(s->invertedAppearance());
    }

    // Hints.
    QCOMPARE(c.FrequencyEdit->toolTip(), QStringLiteral("Frequency Display and Input"));
    QCOMPARE(c.EnterButton->toolTip(),
             QStringLiteral("Enter Button to tune Radio to Selected Frequency, Mode, Etc."));
    QCOMPARE(c.ATTButton->toolTip(),
             QStringLiteral("Attenuator reduces signal strength from intefering signals."));
    QCOMPARE(c.IFShiftLabel->toolTip(), c.IFShiftTrackBar->toolTip());
    QCOMPARE(c.CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo for the PCR1000"));
    QCOMPARE(c.CorvaloTaskIcon->TaskIconID(), 0);
  }

  void menusAsDesigned() {
    SettingsStore store(QStringLiteral("Menus"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store, {}, false);
    const Controls c(form.get());
    QCOMPARE(form->menuBar()->objectName(), QStringLiteral("MainMenu1"));
    const QList<QAction*> top = form->menuBar()->actions();
    QCOMPARE(top.size(), 3);
    QCOMPARE(top[0]->text(), QStringLiteral("P&resets..."));
    QCOMPARE(top[1]->text(), QStringLiteral("&Tools"));
    QCOMPARE(top[2]->text(), QStringLiteral("&Help"));

    auto captions = [](QMenu* menu) {
      QStringList list;
      for (QAction* a : menu->actions()) {
        if (!a->isSeparator()) list << a->objectName() + QLatin1Char('=') + a->text();
      }
      return list;
    };
    QCOMPARE(captions(c.ToolsMenu),
             QStringList({"ConfigureMenu=&Configure...", "ChangeStepSize2=Change &Step Size...",
                          "AutoSetStepSize2=&Auto Set Step Size",
                          "RemoteControl1=&Remote Control...", "HitLog1=&Hit Log...",
                          "BandSurvey1=&Band Survey...", "ScanOptions1=Scan &Options...",
                          "Channels1=Cha&nnels...", "ScanandSearch1=&Scan and Search"}));
    QCOMPARE(captions(c.StepSizePopupMenu), QStringList({"ChangeStepSize1=&Change Step Size...",
                                                         "AutoSetStepSize1=&Auto Set Step Size"}));
    QCOMPARE(
        captions(c.PopupMenu),
        QStringList({"bCorvalo1=Corvalo", "N2=&CB...", "Configure2=Con&figure...", "TV2=&TV...",
                     "PresetSubMenuItem=P&resets", "Channels2=C&hannels...", "Weather2=&Weather...",
                     "Time2=T&ime...", "Mute1=&Mute", "TogglePortMenu=Close Port"}));
    QCOMPARE(c.PopupMenu->defaultAction(), c.bCorvalo1);
    QCOMPARE(captions(c.PresetsPopupMenu),
             QStringList({"Presets1=Presets", "CB1=C&B...", "TV1=&TV...", "Weather1=&Weather...",
                          "Time1=Ti&me...", "Configure1=&Configure..."}));
    QCOMPARE(c.PresetsPopupMenu->defaultAction(), c.Presets1);
    QCOMPARE(captions(c.HelpMenu), QStringList({"About1=&About..."}));
    QVERIFY(c.GroupA->isChecked() && c.GroupA1->isChecked() && c.GroupA2->isChecked());
    QVERIFY(!c.GroupB->isChecked() && !c.GroupC2->isChecked());
    for (int i = 0; i < 10; ++i) {
      QCOMPARE(c.PresetItems[i]->objectName(), QStringLiteral("Preset%1").arg(i + 1));
    }
    // A group item chosen unchecks the other two of its menu.
    c.GroupC->trigger();
    QVERIFY(c.GroupC->isChecked() && !c.GroupA->isChecked() && !c.GroupB->isChecked());
  }

  // Each Alt key of the window stands for one gesture, and so does each key
  // of the tray menu once its port item names the button's action.
  void everyKeyStandsForOneGesture() {
    SettingsStore store(QStringLiteral("Keys"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store, AllFeatures());
    QStringList window;
    for (const QAction* item : form->menuBar()->actions()) window << item->text();
    for (const QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
      window << button->text();
    }
    for (const QLabel* label : form->findChildren<QLabel*>()) {
      if (label->buddy() != nullptr) window << label->text();
    }
    const Controls c(form.get());
    c.CorvaloTaskIcon->HandleActivation(QSystemTrayIcon::Context);
    QStringList tray;
    for (const QAction* item : c.PopupMenu->actions()) tray << item->text();
    c.PopupMenu->hide();
    for (const QStringList& captions : {window, tray}) {
      QMap<QKeySequence, QString> taken;
      for (const QString& caption : captions) {
        const QKeySequence key = QKeySequence::mnemonic(caption);
        if (key.isEmpty()) continue;
        QVERIFY2(!taken.contains(key), qPrintable(taken.value(key) + " and " + caption));
        taken.insert(key, caption);
      }
    }
  }

  // Operator text is shown as written, never taken for markup: a preset's
  // description in its button's hint, a table row's hint (a channel's name
  // in the hit log), and any text in a message box.
  void operatorTextIsShownAsWritten() {
    const QString name = QStringLiteral("<b>x</b><img src=\":/pictures/link-on.png\">");
    SettingsStore store(QStringLiteral("Markup"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store, {{"Presets/Preset Description 1", name}});
    const Controls c(form.get());
    QCOMPARE(ShownTooltip(c.PresetButtons[0]), QStringLiteral("Preset 1:") + name);
    QCOMPARE(ShownTooltip(c.PresetButtons[1]), QStringLiteral("Preset 2:"));
    QStandardItemModel rows(1, 1);
    rows.setData(rows.index(0, 0), name, Qt::ToolTipRole);
    QTableView table;
    table.setModel(&rows);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QCOMPARE(ShownTooltip(table.viewport()), name);

    QString shown;
    ModalWindows watcher;
    watcher.expect([&shown](QWidget* box) {
      shown = ShownText(Find<QLabel>(box, "qt_msgbox_label"));
      ModalWindows::pressOk(box);
    });
    ShowMessage(form.get(), name);
    QCOMPARE(shown, name);
  }

  // Each feature shows its controls or hides them, and the window narrows
  // with each hidden slider column: no blank column is left, and no shown
  // control is cut off.
  void featuresShowTheirControlsAndTheWindowFits_data() {
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("all false") << QStringList();
    QTest::newRow("all shown") << QStringList(
        {"Mute", "Volume", "Squelch", "IF Shift", "AGC", "NB", "Attenuate", "Filters"});
    QTest::newRow("mute keeps the volume column") << QStringList({"Mute"});
    QTest::newRow("volume only") << QStringList({"Volume"});
    QTest::newRow("squelch only") << QStringList({"Squelch", "AGC"});
    QTest::newRow("IF shift only") << QStringList({"IF Shift", "Filters"});
    QTest::newRow("squelch and IF shift") << QStringList({"Squelch", "IF Shift", "NB"});
    QTest::newRow("volume and IF shift") << QStringList({"Volume", "IF Shift", "Attenuate"});
  }
  void featuresShowTheirControlsAndTheWindowFits() {
    QFETCH(QStringList, shown);
    QMap<QString, QString> values;
    for (const QString& f : shown) values.insert(QStringLiteral("Features/") + f, "1");
    SettingsStore store(QStringLiteral("Narrow") + QTest::currentDataTag());
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store, values);
    const Controls c(form.get());
    const QList<std::pair<const char*, QList<QWidget*>>> features = {
        {"Mute", {c.MuteButton}},
        {"Volume", {c.VolumeTrackBar}},
        {"Squelch", {c.SquelchTrackBar, c.SquelchLabel}},
        {"IF Shift", {c.IFShiftTrackBar, c.IFShiftLabel}},
        {"AGC", {c.AGCButton}},
        {"NB", {c.NBButton}},
        {"Attenuate", {c.ATTButton}},
        {"Filters", {c.FilterComboBox}}};
    for (const auto& [feature, controls] : features) {
      for (QWidget* control : controls) {
        QVERIFY2(control->isVisible() == shown.contains(QLatin1String(feature)),
                 qPrintable(control->objectName()));
      }
    }
    QCOMPARE(PanelFitProblem(form.get()), QString());
  }

  void activeGroupRestoredAndWrittenBack_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("checked");
    QTest::addColumn<QString>("written");
    QTest::newRow("group B") << "1" << 1 << "1";
    QTest::newRow("group C") << "2" << 2 << "2";
    QTest::newRow("unknown group leaves A") << "5" << 0 << "0";
    QTest::newRow("not a number") << "B" << 0 << "0";
  }
  void activeGroupRestoredAndWrittenBack() {
    QFETCH(QString, stored);
    QFETCH(int, checked);
    QFETCH(QString, written);
    SettingsStore store(QStringLiteral("Group") + stored);
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store, {{"Presets/Active Group", stored}});
    const Controls c(form.get());
    QAction* const items[3][3] = {{c.GroupA, c.GroupA1, c.GroupA2},
                                  {c.GroupB, c.GroupB1, c.GroupB2},
                                  {c.GroupC, c.GroupC1, c.GroupC2}};
    for (int g = 0; g < 3; ++g) {
      for (QAction* item : items[g]) QCOMPARE(item->isChecked(), g == checked);
    }
    form.reset();
    QCOMPARE(ReadSetting(store, QStringLiteral("Presets/Active Group")), written);
  }

  // With no height stored the window just holds its top panel (no blank
  // strip below it); a stored height is kept as it is.
  void unstoredHeightFitsThePanel() {
    SettingsStore store(QStringLiteral("FreshHeight"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store, {});
    const int panelBottom = form->centralWidget()->mapTo(form.get(), QPoint(0, 0)).y() +
                            Find<QFrame>(form.get(), "Panel1")->geometry().bottom() + 1;
    QTRY_COMPARE(form->height(), panelBottom);
  }

  // Hints switched off in the configuration stay off at the next start.
  void storedShowHintsAppliesAtStart() {
    {
      SettingsStore store(QStringLiteral("HintsOff"));
      RadioSession session(store);
      auto off = OpenWithoutPort(session, store, {{"General/Show Hints", "0"}});
      QVERIFY(!HintDisplay::isEnabled());
    }
    SettingsStore store(QStringLiteral("HintsOn"));
    RadioSession session(store);
    auto on = OpenWithoutPort(session, store, {});
    QVERIFY(HintDisplay::isEnabled());
  }

  void windowStateWrittenBack() {
    SettingsStore store(QStringLiteral("Bounds"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store,
                                {{"General/Step Size", "0.01"},
                                 {"General/Left", "40"},
                                 {"General/Top", "0x30"},
                                 {"General/Height", "150"}});
    QCOMPARE(session.stepSize(), 0.01);
    QCOMPARE(form->height(), 150);
    form->move(70, 80);
    form.reset();
    QCOMPARE(ReadSetting(store, QStringLiteral("General/Step Size")), QStringLiteral("  0.01000"));
    QCOMPARE(ReadSetting(store, QStringLiteral("General/Height")), QStringLiteral("150"));
    QCOMPARE(ReadSetting(store, QStringLiteral("General/Width")), QStringLiteral("262"));
    QCOMPARE(ReadSetting(store, QStringLiteral("General/Attenuate")), QStringLiteral("0"));
    QCOMPARE(ReadSetting(store, QStringLiteral("General/Frequency")), QStringLiteral("162.55"));
    QCOMPARE(ReadSetting(store, QStringLiteral("General/Mode")), QStringLiteral("FMN"));
  }

  void stepSizeReading_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("written");
    QTest::newRow("stored form") << "  0.00050" << 0.0005 << "  0.00050";
    QTest::newRow("nothing stored") << "" << 0.0005 << "  0.00050";
    QTest::newRow("only 25 characters read")
        << "0.0125000000000000000000099" << 0.0125 << "  0.01250";
    QTest::newRow("not a number keeps the default") << "fast" << 0.0005 << "  0.00050";
    QTest::newRow("wide value") << "45" << 45.0 << " 45.00000";
  }
  void stepSizeReading() {
    QFETCH(QString, stored);
    QFETCH(double, step);
    QFETCH(QString, written);
    QMap<QString, QString> values;
    if (!stored.isEmpty()) values.insert("General/Step Size", stored);
    SettingsStore store(QStringLiteral("Step") + QString::number(qHash(stored)));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store, values, false);
    QCOMPARE(session.stepSize(), step);
    form.reset();
    QCOMPARE(ReadSetting(store, QStringLiteral("General/Step Size")), written);
  }

  // A profile without a port is shown without tuning: the stored frequency
  // is not checked, so not even a bad one brings up a message.
  void noPortMeansNoTuningAtShow() {
    ModalWindows watcher;
    SettingsStore store(QStringLiteral("NoPort"));
    RadioSession session(store);
    auto form =
        OpenWithoutPort(session, store, {{"General/Frequency", "abc"}, {"General/Mode", "AM"}});
    const Controls c(form.get());
    QTest::qWait(50);
    QCOMPARE(watcher.texts(), QStringList());
    QCOMPARE(c.FrequencyEdit->text(), QStringLiteral("abc"));
    QCOMPARE(c.ModeComboBox->currentText(), QStringLiteral("AM"));
    QCOMPARE(c.CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo for the PCR1000"));
  }

  // Showing tunes the radio to the restored frequency and mode.
  void showTunesTheRestoredFrequency() {
    ModalWindows watcher;
    Rig rig(6, {{"General/Frequency", "145.5"}, {"General/Mode", "AM"}}, false);
    rig.settleAndClear();
    rig.form->show();
    const QByteArray tuning("K00145500000020200\r\n");
    rig.pty.waitFor(tuning.size());
    QCOMPARE(rig.pty.settle(), tuning);
    QCOMPARE(rig.c->FrequencyEdit->text(), QStringLiteral("  145.50000"));
    QCOMPARE(rig.c->FilterComboBox->currentIndex(), 2);
    QVERIFY(rig.c->FrequencyEdit->hasFocus() || !rig.form->isActiveWindow());
  }

  void attenuatorRestoredAtShow() {
    ModalWindows watcher;
    Rig rig(6, {{"General/Attenuate", "1"}}, false);
    rig.settleAndClear();
    rig.form->show();
    QVERIFY(WaitSent(rig.session));
    const QByteArray sent = rig.pty.settle();
    QVERIFY2(sent.endsWith("J4701\r\n"), sent.constData());
    QCOMPARE(sent.count("J47"), 1);
    QVERIFY(rig.c->ATTButton->isChecked());
    QVERIFY(rig.session.switchOn(RadioSession::Switch::Attenuator));
    rig.form.reset();
    QCOMPARE(ReadSetting(rig.store, QStringLiteral("General/Attenuate")), QStringLiteral("1"));
  }

  void portReleasedAfterStartup() {
    ModalWindows watcher;
    Rig rig(6, {{"General/Release Port After Startup", "1"}});
    QVERIFY(WaitSent(rig.session));
    QVERIFY(rig.c->TogglePortButton->isChecked());
    QCOMPARE(rig.c->TogglePortButton->text(), QStringLiteral("Open &Port"));
    QCOMPARE(rig.session.portState(), RadioSession::PortState::Released);
    QCOMPARE(TrayPicture(rig.form.get()), 0);
    QCOMPARE(PortDescriptors(rig.pty), 0);
  }

  void aPortThatCannotBeOpenedIsReportedOnce() {
    ModalWindows watcher;
    SettingsStore store(QStringLiteral("Missing"));
    WriteSettings(store,
                  {{"Connection/Com Port", "/dev/corvalo-none"}, {"Connection/Protocol", "6"}});
    RadioSession session(store);
    auto form = std::make_unique<TMainForm>(session, store);
    form->show();
    QTRY_COMPARE(watcher.texts(), QStringList({"Cannot Open Port Not."}));
    QVERIFY(WaitSent(session));
    QCOMPARE(watcher.texts().size(), 1);
    QCOMPARE(watcher.titles(), QStringList({"Corvalo"}));
    QCOMPARE(session.portState(), RadioSession::PortState::Failed);
    QCOMPARE(TrayPicture(form.get()), 0);
  }

  void startedMinimizedMinimizesOnlyOnce() {
    SettingsStore store(QStringLiteral("Minimized"));
    WriteSettings(store, {{"Connection/Com Port", "Internet"}});
    RadioSession session(store);
    TMainForm form(session, store, TMainForm::kShowMinimized);
    form.show();
    form.activateWindow();
    QTRY_VERIFY(form.isMinimized());
    QVERIFY(form.isVisible());  // "Show Icon" on: it stays on the taskbar
    form.showNormal();
    form.activateWindow();
    QTest::qWait(50);
    QVERIFY(!form.isMinimized());
  }

  void startedMaximized() {
    SettingsStore store(QStringLiteral("Maximized"));
    WriteSettings(store, {{"Connection/Com Port", "Internet"}});
    RadioSession session(store);
    TMainForm form(session, store, TMainForm::kShowMaximized);
    QVERIFY(form.windowState() & Qt::WindowMaximized);
  }

  void aboutBox() {
    VersionText = QStringLiteral("9.9 test");
    TAboutBox box;
    QCOMPARE(box.windowTitle(), QStringLiteral("About"));
    QCOMPARE(box.ProductName->text(), QStringLiteral("Corvalo for Windows"));
    QVERIFY(box.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(box.OKButton->isDefault());
    QTimer::singleShot(0, &box, [&box] {
      QCOMPARE(box.VersionLabel->text(), QStringLiteral("9.9 test"));
      box.OKButton->click();
    });
    QCOMPARE(box.exec(), int(QDialog::Accepted));
  }

  void aboutFromTheHelpMenu() {
    SettingsStore store(QStringLiteral("About"));
    RadioSession session(store);
    auto form = OpenWithoutPort(session, store, {});
    QString version;
    ModalWindows watcher([&version](QDialog* dialog) {
      auto* box = qobject_cast<TAboutBox*>(dialog);
      QVERIFY(box);
      version = box->VersionLabel->text();
      box->OKButton->click();
    });
    Find<QAction>(form.get(), "About1")->trigger();
    QCOMPARE(watcher.dialogs(), 1);
    QCOMPARE(version, QString::fromLatin1(kVersionText));
  }
};

CORVALO_TEST_MAIN_IMPL(MainWindowTest, QApplication)
#include "tst_mainwindow.moc"
