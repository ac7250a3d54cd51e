// The main window's lifecycle: what creating, showing and destroying it reads
// from and writes to the settings, its designed widget tree, the command
// line, the about box, and settings that are damaged or cannot be written.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QtTest/QtTest>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "TestMain.h"
#include "app/CommandLine.h"
#include "app/about.h"
#include "app/main.h"
#include "dialogs/Hints.h"

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
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("Caption%1").arg(protocol),
                                {{"Connection/Protocol", QString::number(protocol)}}, false);
    QCOMPARE(form->windowTitle(), caption);
    QCOMPARE(watcher.texts(), QStringList());
  }

  void captionOfARealPort() {
    ModalWindows watcher;
    Rig rig(6, {}, false);
    QCOMPARE(rig.form->windowTitle(),
             QStringLiteral("Corvalo [%1:PCR-1000]").arg(rig.pty.devicePath()));
    QVERIFY(rig.link.portOpen());
  }

  // The designed places of the controls on the top panel.
  void controlsSitWhereDesigned_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::newRow("Image1") << "Image1" << QRect(1, 1, 345, 86);
    QTest::newRow("FrequencyEdit") << "FrequencyEdit" << QRect(4, 3, 66, 21);
    QTest::newRow("UpDown1") << "UpDown1" << QRect(70, 3, 15, 21);
    QTest::newRow("ModeComboBox") << "ModeComboBox" << QRect(86, 3, 50, 21);
    QTest::newRow("FilterComboBox") << "FilterComboBox" << QRect(143, 3, 50, 21);
    QTest::newRow("EnterButton") << "EnterButton" << QRect(200, 3, 44, 21);
    QTest::newRow("Button1") << "Button1" << QRect(3, 30, 25, 25);
    QTest::newRow("Button5") << "Button5" << QRect(111, 30, 25, 25);
    QTest::newRow("Button6") << "Button6" << QRect(3, 59, 25, 25);
    QTest::newRow("Button10") << "Button10" << QRect(111, 59, 25, 25);
    QTest::newRow("AGCButton") << "AGCButton" << QRect(143, 30, 32, 25);
    QTest::newRow("NBButton") << "NBButton" << QRect(177, 30, 32, 25);
    QTest::newRow("ATTButton") << "ATTButton" << QRect(211, 30, 32, 25);
    QTest::newRow("TogglePortButton") << "TogglePortButton" << QRect(143, 59, 100, 25);
    QTest::newRow("MuteButton") << "MuteButton" << QRect(251, 59, 25, 25);
    QTest::newRow("VolumeTrackBar") << "VolumeTrackBar" << QRect(251, 3, 25, 51);
    QTest::newRow("SquelchTrackBar") << "SquelchTrackBar" << QRect(284, 3, 25, 51);
    QTest::newRow("IFShiftTrackBar") << "IFShiftTrackBar" << QRect(317, 3, 25, 51);
  }
  void controlsSitWhereDesigned() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("Layout"), {}, false);
    auto* widget = form->Panel1->findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->geometry(), place);
  }

  void widgetTreeAsDesigned() {
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("Tree"), {}, false);
    QCOMPARE(form->windowTitle(), QStringLiteral("Corvalo [Internet:Icom CI-V]"));
    QCOMPARE(form->Panel1->size(), QSize(347, 88));
    QCOMPARE(form->SquelchLabel->pos(), QPoint(291, 64));
    QCOMPARE(form->IFShiftLabel->pos(), QPoint(324, 64));
    QCOMPARE(form->SquelchLabel->buddy(), form->SquelchTrackBar);
    QCOMPARE(form->IFShiftLabel->buddy(), form->IFShiftTrackBar);
    QVERIFY(form->Panel2->isHidden());
    QVERIFY(form->StatusBar1->isHidden());
    QVERIFY(form->OnImage->isHidden() && form->OffImage->isHidden());
    QCOMPARE(form->OnImage->size(), QSize(15, 15));
    QVERIFY(!form->OnImage->pixmap().isNull() && !form->OffImage->pixmap().isNull());
    QVERIFY(!SamePicture(form->OnImage->pixmap(), form->OffImage->pixmap()));
    QVERIFY(!form->MuteButton->icon().isNull());
    QVERIFY(!form->Image1->pixmap().isNull());

    // Captions, switches and the preset buttons' tags.
    QCOMPARE(form->TogglePortButton->text(), QStringLiteral("Close &Port"));
    for (QPushButton* b : {form->AGCButton, form->NBButton, form->ATTButton, form->MuteButton,
                           form->TogglePortButton}) {
      QVERIFY2(b->isCheckable() && !b->isChecked(), qPrintable(b->objectName()));
    }
    for (int i = 0; i < 10; ++i) {
      QCOMPARE(form->PresetButtons[i]->property("Tag").toInt(), i + 1);
      QCOMPARE(form->PresetButtons[i]->text(),
               i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0"));
    }
    QCOMPARE(form->FilterComboBox->count(), 5);
    QCOMPARE(form->FilterComboBox->itemText(4), QStringLiteral("230K"));
    QCOMPARE(form->UpDown1->Min, 0);
    QCOMPARE(form->UpDown1->Max, 1000);
    QCOMPARE(form->UpDown1->Position, 500);
    QVERIFY(form->UpDown1->Wrap);

    // Sliders: 0..255 with position 0 at the top, ticks every 64.
    const int pages[3] = {16, 64, 64};
    int i = 0;
    for (QSlider* s : {form->VolumeTrackBar, form->SquelchTrackBar, form->IFShiftTrackBar}) {
      QCOMPARE(s->orientation(), Qt::Vertical);
      QCOMPARE(s->minimum(), 0);
      QCOMPARE(s->maximum(), 255);
      QCOMPARE(s->pageStep(), pages[i++]);
      QCOMPARE(s->tickInterval(), 64);
      QVERIFY(s->invertedAppearance());
    }

    // Hints.
    QCOMPARE(form->FrequencyEdit->toolTip(), QStringLiteral("Frequency Display and Input"));
    QCOMPARE(form->EnterButton->toolTip(),
             QStringLiteral("Enter Button to tune Radio to Selected Frequency, Mode, Etc."));
    QCOMPARE(form->ATTButton->toolTip(),
             QStringLiteral("Attenuator reduces signal strength from intefering signals."));
    QCOMPARE(form->IFShiftLabel->toolTip(), form->IFShiftTrackBar->toolTip());
    QCOMPARE(form->CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo for the PCR1000"));
    QCOMPARE(form->CorvaloTaskIcon->TaskIconID(), 0);
  }

  void menusAsDesigned() {
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("Menus"), {}, false);
    QCOMPARE(form->menuBar()->objectName(), QStringLiteral("MainMenu1"));
    const QList<QAction*> top = form->menuBar()->actions();
    QCOMPARE(top.size(), 3);
    QCOMPARE(top[0]->text(), QStringLiteral("&Presets..."));
    QCOMPARE(top[1]->text(), QStringLiteral("&Tools"));
    QCOMPARE(top[2]->text(), QStringLiteral("&Help"));

    auto captions = [](QMenu* menu) {
      QStringList list;
      for (QAction* a : menu->actions()) {
        if (!a->isSeparator()) list << a->objectName() + QLatin1Char('=') + a->text();
      }
      return list;
    };
    QCOMPARE(captions(form->ToolsMenu),
             QStringList({"ConfigureMenu=&Configure...", "ChangeStepSize2=Change &Step Size...",
                          "AutoSetStepSize2=&Auto Set Step Size",
                          "RemoteControl1=&Remote Control...", "ScanandSearch1=&Scan and Search"}));
    QCOMPARE(captions(form->StepSizePopupMenu),
             QStringList(
                 {"ChangeStepSize1=&Change Step Size...", "AutoSetStepSize1=&Auto Set Step Size"}));
    QCOMPARE(captions(form->PopupMenu),
             QStringList({"bCorvalo1=Corvalo", "N2=&CB...", "Configure2=Con&figure...",
                          "TV2=&TV...", "PresetSubMenuItem=&Presets", "Weather2=&Weather...",
                          "Time2=T&ime...", "Mute1=&Mute", "TogglePortMenu=Close Port"}));
    QCOMPARE(form->PopupMenu->defaultAction(), form->bCorvalo1);
    QCOMPARE(captions(form->PresetsPopupMenu),
             QStringList({"Presets1=Presets", "CB1=C&B...", "TV1=&TV...", "Weather1=&Weather...",
                          "Time1=Ti&me...", "Configure1=&Configure..."}));
    QCOMPARE(form->PresetsPopupMenu->defaultAction(), form->Presets1);
    QCOMPARE(captions(form->HelpMenu), QStringList({"About1=&About..."}));
    QVERIFY(form->GroupA->isChecked() && form->GroupA1->isChecked() && form->GroupA2->isChecked());
    QVERIFY(!form->GroupB->isChecked() && !form->GroupC2->isChecked());
    for (int i = 0; i < 10; ++i) {
      QCOMPARE(form->PresetItems[i]->objectName(), QStringLiteral("Preset%1").arg(i + 1));
    }
    // A group item checked unchecks the other two of its menu.
    form->GroupC->setChecked(true);
    QVERIFY(!form->GroupA->isChecked());
  }

  void hiddenFeaturesNarrowThePanel_data() {
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("panelWidth");
    QTest::newRow("all false") << QStringList() << 347 - 3 * 33;
    QTest::newRow("all shown") << QStringList({"Mute", "Volume", "Squelch", "IF Shift"}) << 347;
    QTest::newRow("mute keeps the volume column") << QStringList({"Mute"}) << 347 - 2 * 33;
    QTest::newRow("volume only") << QStringList({"Volume"}) << 347 - 2 * 33;
    QTest::newRow("squelch only") << QStringList({"Squelch"}) << 347 - 2 * 33;
  }
  void hiddenFeaturesNarrowThePanel() {
    QFETCH(QStringList, shown);
    QFETCH(int, panelWidth);
    QMap<QString, QString> values;
    for (const QString& f : shown) values.insert(QStringLiteral("Features/") + f, "1");
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("Narrow") + QTest::currentDataTag(), values);
    QCOMPARE(form->Panel1->width(), panelWidth);
    QCOMPARE(form->width(), panelWidth + 14);
    QCOMPARE(form->Panel2->width(), panelWidth);
    QCOMPARE(form->VolumeTrackBar->isHidden(), !shown.contains("Volume"));
    QCOMPARE(form->SquelchLabel->isHidden(), !shown.contains("Squelch"));
    QCOMPARE(form->IFShiftLabel->isHidden(), !shown.contains("IF Shift"));
    QVERIFY(form->FilterComboBox->isHidden() && form->AGCButton->isHidden());
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
    RadioLink link;
    auto form =
        OpenWithoutPort(link, QStringLiteral("Group") + stored, {{"Presets/Active Group", stored}});
    QAction* const items[3][3] = {{form->GroupA, form->GroupA1, form->GroupA2},
                                  {form->GroupB, form->GroupB1, form->GroupB2},
                                  {form->GroupC, form->GroupC1, form->GroupC2}};
    for (int g = 0; g < 3; ++g) {
      for (QAction* item : items[g]) QCOMPARE(item->isChecked(), g == checked);
    }
    form.reset();
    QCOMPARE(ReadSetting(QStringLiteral("Presets/Active Group")), written);
  }

  // With no height stored the window just holds its top panel (no blank
  // strip below it); a stored height is kept as it is.
  void unstoredHeightFitsThePanel() {
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("FreshHeight"), {});
    const int panelBottom = form->centralWidget()->mapTo(form.get(), QPoint(0, 0)).y() +
                            form->Panel1->geometry().bottom() + 1;
    QTRY_COMPARE(form->height(), panelBottom);
  }

  // Hints switched off in the configuration stay off at the next start.
  void storedShowHintsAppliesAtStart() {
    RadioLink link;
    auto off = OpenWithoutPort(link, QStringLiteral("HintsOff"), {{"General/Show Hints", "0"}});
    QVERIFY(!HintDisplay::isEnabled());
    off.reset();
    auto on = OpenWithoutPort(link, QStringLiteral("HintsOn"), {});
    QVERIFY(HintDisplay::isEnabled());
  }

  void windowStateWrittenBack() {
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("Bounds"),
                                {{"General/Step Size", "0.01"},
                                 {"General/Left", "40"},
                                 {"General/Top", "0x30"},
                                 {"General/Height", "150"}});
    QCOMPARE(form->StepSize, 0.01);
    QCOMPARE(form->height(), 150);
    form->move(70, 80);
    form.reset();
    QCOMPARE(ReadSetting(QStringLiteral("General/Step Size")), QStringLiteral("  0.01000"));
    QCOMPARE(ReadSetting(QStringLiteral("General/Height")), QStringLiteral("150"));
    QCOMPARE(ReadSetting(QStringLiteral("General/Width")), QStringLiteral("262"));
    QCOMPARE(ReadSetting(QStringLiteral("General/Attenuate")), QStringLiteral("0"));
    QCOMPARE(ReadSetting(QStringLiteral("General/Frequency")), QStringLiteral("162.55"));
    QCOMPARE(ReadSetting(QStringLiteral("General/Mode")), QStringLiteral("FMN"));
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
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("Step") + QString::number(qHash(stored)),
                                values, false);
    QCOMPARE(form->StepSize, step);
    form.reset();
    QCOMPARE(ReadSetting(QStringLiteral("General/Step Size")), written);
  }

  // A profile without a port is shown without tuning: the stored frequency
  // is not checked, so not even a bad one brings up a message.
  void noPortMeansNoTuningAtShow() {
    ModalWindows watcher;
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("NoPort"),
                                {{"General/Frequency", "abc"}, {"General/Mode", "AM"}});
    QTest::qWait(50);
    QCOMPARE(watcher.texts(), QStringList());
    QCOMPARE(form->FrequencyEdit->text(), QStringLiteral("abc"));
    QCOMPARE(form->ModeComboBox->currentText(), QStringLiteral("AM"));
    QCOMPARE(form->CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo for the PCR1000"));
  }

  // Showing tunes the radio to the restored frequency and mode.
  void showTunesTheRestoredFrequency() {
    ModalWindows watcher;
    Rig rig(6, {{"General/Frequency", "145.5"}, {"General/Mode", "AM"}}, false);
    rig.pty.settle(60);
    rig.pty.clear();
    rig.form->show();
    QCOMPARE(rig.pty.settle(), QByteArray("K00145500000020200\r\n"));
    QCOMPARE(rig.form->FrequencyEdit->text(), QStringLiteral("  145.50000"));
    QCOMPARE(rig.form->FilterComboBox->currentIndex(), 2);
    QVERIFY(rig.form->FrequencyEdit->hasFocus() || !rig.form->isActiveWindow());
  }

  void attenuatorRestoredAtShow() {
    ModalWindows watcher;
    Rig rig(6, {{"General/Attenuate", "1"}}, false);
    rig.pty.settle(60);
    rig.pty.clear();
    rig.form->show();
    const QByteArray sent = rig.pty.settle();
    QVERIFY2(sent.endsWith("J4701\r\n"), sent.constData());
    QCOMPARE(sent.count("J47"), 1);
    QVERIFY(rig.form->ATTButton->isChecked());
    QVERIFY(rig.link.AttenuatorOn);
    rig.form.reset();
    QCOMPARE(ReadSetting(QStringLiteral("General/Attenuate")), QStringLiteral("1"));
  }

  void portReleasedAfterStartup() {
    ModalWindows watcher;
    Rig rig(6, {{"General/Release Port After Startup", "1"}});
    QVERIFY(rig.form->TogglePortButton->isChecked());
    QCOMPARE(rig.form->TogglePortButton->text(), QStringLiteral("Open &Port"));
    QVERIFY(!rig.link.portOpen());
    QCOMPARE(TrayPicture(rig.form.get()), 0);
  }

  void aPortThatCannotBeOpenedIsReportedOnce() {
    ModalWindows watcher;
    RadioLink link;
    WriteProfile(QStringLiteral("Missing"),
                 {{"Connection/Com Port", "/dev/corvalo-none"}, {"Connection/Protocol", "6"}});
    auto form = std::make_unique<TMainForm>(link);
    form->show();
    QTRY_COMPARE(watcher.texts(), QStringList({"Cannot Open Port Not."}));
    QCOMPARE(watcher.titles(), QStringList({"Corvalo"}));
    QCOMPARE(TrayPicture(form.get()), 0);
  }

  void commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("show");
    QTest::newRow("none") << QStringList() << "" << 10;
    QTest::newRow("profile") << QStringList({"Scanner2"}) << "Scanner2" << 10;
    QTest::newRow("option after profile")
        << QStringList({"Shack\\Roof", "--minimized"}) << "Shack\\Roof" << 2;
    QTest::newRow("option first") << QStringList({"--maximized", " Spaced "}) << " Spaced " << 3;
    QTest::newRow("further arguments ignored") << QStringList({"A", "B"}) << "A" << 10;
  }
  void commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, profile);
    QFETCH(int, show);
    const CommandLine line = CommandLine::Parse(arguments);
    QCOMPARE(line.profile, profile);
    QCOMPARE(line.showCommand, show);
    QVERIFY(!line.help && !line.version);
    QVERIFY(CommandLine::Parse({"x", "--help"}).help);
    QVERIFY(CommandLine::Parse({"--version"}).version);
  }

  void startedMinimizedMinimizesOnlyOnce() {
    WriteProfile(QStringLiteral("Minimized"), {{"Connection/Com Port", "Internet"}});
    RadioLink link;
    TMainForm form(link, TMainForm::kShowMinimized);
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
    WriteProfile(QStringLiteral("Maximized"), {{"Connection/Com Port", "Internet"}});
    RadioLink link;
    TMainForm form(link, TMainForm::kShowMaximized);
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
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("About"), {});
    QString version;
    ModalWindows watcher([&version](QDialog* dialog) {
      auto* box = qobject_cast<TAboutBox*>(dialog);
      QVERIFY(box);
      version = box->VersionLabel->text();
      box->OKButton->click();
    });
    form->About1->trigger();
    QCOMPARE(watcher.dialogs(), 1);
    QCOMPARE(version, QString::fromLatin1(kVersionText));
  }

  // ---- Damaged or unusable settings ----

  void garbageSettingsGiveDefaults() {
    ModalWindows watcher;
    RadioLink link;
    auto form = OpenWithoutPort(link, QStringLiteral("Garbage"),
                                {{"General/Left", "2147483647"},
                                 {"General/Top", "-2147483648"},
                                 {"General/Width", "99999999999999"},
                                 {"General/Height", "0x7fffffff"},
                                 {"General/Show Icon", "maybe"},
                                 {"General/Step Size", QString(5000, QLatin1Char('9'))},
                                 {"Coverage/Supports AM", "no"},
                                 {"Presets/Active Group", "-1"}});
    QTest::qWait(20);
    QVERIFY(form->isVisible());
    QVERIFY(form->height() <= 8192);
    QVERIFY(form->ShowIcon);
    QCOMPARE(form->ModeComboBox->count(), 15);
    QVERIFY(form->GroupA->isChecked());
    QCOMPARE(watcher.texts(), QStringList());
  }

  void hugeProfileName() {
    ModalWindows watcher;
    RadioLink link;
    const QString profile = QString(10000, QLatin1Char('p'));
    {
      auto form = OpenWithoutPort(link, profile, {{"General/Step Size", "0.01"}});
      QCOMPARE(form->StepSize, 0.01);
    }
    SetSettingsProfile(profile);
    QCOMPARE(ReadSetting(QStringLiteral("General/Step Size")), QStringLiteral("  0.01000"));
  }

  // A value of the wrong type ends the read that found it with the store's
  // message; the window still comes up.
  void wrongTypeIsReportedAndTheWindowStillComesUp() {
    SetSettingsProfile(QStringLiteral("WrongType"));
    const QString file = SettingsStore::fileName();
    {
      QFile f(file);
      QVERIFY(f.open(QIODevice::Append));
      f.write("\n[WrongType]\nGeneral\\Left=10, 20\nConnection\\Com%20Port=Internet\n");
    }
    ModalWindows watcher;
    RadioLink link;
    auto form = std::make_unique<TMainForm>(link);
    form->show();
    QTRY_COMPARE(watcher.texts(), QStringList({"Invalid data type for 'Left'"}));
    QCOMPARE(watcher.icons().first(), QMessageBox::Critical);
    QVERIFY(form->isVisible());
  }

  // A store that cannot be written at exit is reported, and the radio link is
  // closed all the same.
  void unwritableStoreAtExitStillClosesTheLink() {
    ModalWindows watcher;
    auto rig = std::make_unique<Rig>(6);
    rig->settleAndClear();
    QVERIFY(rig->link.portOpen());
    const QString file = SettingsStore::fileName();
    QVERIFY(QFile::rename(file, file + ".saved"));
    QVERIFY(QDir().mkpath(file));
    rig->form.reset();
    QVERIFY(!rig->link.portOpen());
    QVERIFY(!watcher.texts().isEmpty());
    QVERIFY2(watcher.texts().first().startsWith(QStringLiteral("Failed to set data for '")),
             qPrintable(watcher.texts().join('|')));
    QVERIFY(QDir(file).removeRecursively());
    QVERIFY(QFile::rename(file + ".saved", file));
  }
};

CORVALO_TEST_MAIN_IMPL(MainWindowTest, QApplication)
#include "tst_mainwindow.moc"
