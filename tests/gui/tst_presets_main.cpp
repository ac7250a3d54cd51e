#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QtTest>

#include "GuiTestSupport.h"
#include "ModalWindows.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "dialogs/presets.h"
#include "tst_presets_support.h"

using guitest::Rig;
using testsupport::ModalWindows;
using testsupport::SettingsFile;

namespace {

constexpr int kPcr1000 = 6;

// A main window on a PCR1000 at a pseudo-terminal, with its presets dialog
// made as the program entry makes it. Start-up traffic is already read.
struct PresetRig {
  explicit PresetRig(QMap<QString, QString> extra = {}) : rig(kPcr1000, std::move(extra)) {
    presets = std::make_unique<TPresetsForm>(rig.form->presetsHost(), rig.store);
    rig.form->setPresetsForm(presets.get());
    rig.settleAndClear();
  }
  ~PresetRig() {
    rig.form->setPresetsForm(nullptr);
    presets.reset();
  }
  TMainForm* form() { return rig.form.get(); }
  const guitest::Controls& c() const { return *rig.c; }
  QPushButton* button(int n) { return rig.c->PresetButtons[n - 1]; }
  QAction* trayItem(int n) { return rig.c->PresetItems[n - 1]; }
  // The key of a preset value in the settings file.
  QString key(const QString& name) const {
    return rig.profile() + QStringLiteral("/Presets/") + name;
  }
  // Everything the radio received since the last look.
  QByteArray wire() {
    const QByteArray bytes = rig.wire();
    rig.pty.clear();
    return bytes;
  }

  Rig rig;
  std::unique_ptr<TPresetsForm> presets;
};

QString presetsKey(const QString& name) { return QStringLiteral("Presets/") + name; }

// Right-clicks a preset button and picks "Set this Preset to Current
// Frequency, Mode, etc." from the menu that opens.
bool StoreFromContextMenu(const guitest::Controls& c, QPushButton* button) {
  const QPoint at = button->rect().center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, button->mapToGlobal(at));
  QApplication::sendEvent(button, &event);
  if (!QTest::qWaitFor([&] { return c.PopupMenu1->isVisible(); }, 2000)) return false;
  const QRect item = c.PopupMenu1->actionGeometry(c.SetthisPresettoCurrentFrequencyModeetc1);
  QTest::mouseClick(c.PopupMenu1, Qt::LeftButton, {}, item.center());
  return true;
}

}  // namespace

// The main window's preset buttons, group menus and presets dialog against a
// real pseudo-terminal and the real settings file.
class PresetsMainTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ModalWindows> watcher_;

 private slots:
  void init() { watcher_ = std::make_unique<ModalWindows>(); }
  void cleanup() {
    for (const auto& seen : watcher_->seen()) {
      if (!seen.expected) qWarning() << "unexpected" << seen.kind << seen.title << seen.text;
    }
    QCOMPARE(watcher_->unexpectedCount(), size_t(0));
    watcher_.reset();
  }

  // Button 10 in group C reads group C's tenth preset, never its first or
  // another group's tenth, and tunes it with its attenuator.
  void buttonTenInGroupCRecallsItsOwnPreset() {
    PresetRig r({{presetsKey("CPreset Frequency 10"), "145.5"},
                 {presetsKey("CPreset Mode 10"), "AM"},
                 {presetsKey("CPreset Filter 10"), "3"},
                 {presetsKey("CPreset Description 10"), "Marine"},
                 {presetsKey("CPreset Attenuate 10"), "1"},
                 {presetsKey("CPreset Frequency 1"), "7.1"},
                 {presetsKey("Preset Frequency 10"), "88.5"}});
    r.c().GroupC->trigger();
    QTest::mouseClick(r.button(10), Qt::LeftButton);
    QCOMPARE(r.wire(), QByteArray("K00145500000020200\r\nJ4701\r\n"));
    QCOMPARE(r.c().FrequencyEdit->text(), QStringLiteral("  145.50000"));
    QCOMPARE(r.c().ModeComboBox->currentText(), QStringLiteral("AM"));
    QVERIFY(r.c().ATTButton->isChecked());
    QCOMPARE(r.button(10)->toolTip(), QStringLiteral("Preset C10:Marine"));
  }

  void trayItemRecallsTheSamePresetAsItsButton() {
    PresetRig r({{presetsKey("Preset Frequency 7"), "  98.10000"},
                 {presetsKey("Preset Mode 7"), "FMW"},
                 {presetsKey("Preset Attenuate 7"), "0"}});
    QTest::mouseClick(r.button(7), Qt::LeftButton);
    const QByteArray byButton = r.wire();
    QCOMPARE(byButton, QByteArray("K00098100000060400\r\nJ4700\r\n"));
    r.c().FrequencyEdit->setText("1.0");
    r.trayItem(7)->trigger();
    QCOMPARE(r.wire(), byButton);
    QCOMPARE(r.c().FrequencyEdit->text(), QStringLiteral("   98.10000"));
  }

  // A preset never stored recalls 162.55 MHz FMN with the attenuator off;
  // its hint has nothing behind the colon.
  void neverStoredPresetRecallsTheDefaults() {
    PresetRig r;
    r.c().ATTButton->setChecked(true);
    QTest::mouseClick(r.button(3), Qt::LeftButton);
    QCOMPARE(r.wire(), QByteArray("K00162550000050200\r\nJ4700\r\n"));
    QCOMPARE(r.c().FilterComboBox->currentText(), QStringLiteral("15K"));
    QVERIFY(!r.c().ATTButton->isChecked());
    QCOMPARE(r.button(3)->toolTip(), QStringLiteral("Preset 3:"));
  }

  // A stored frequency that is not a number is refused by the Enter action;
  // the attenuator step still runs.
  void nonNumericStoredFrequencyIsRefusedButAttenuatorRuns() {
    PresetRig r(
        {{presetsKey("Preset Frequency 2"), "abc"}, {presetsKey("Preset Attenuate 2"), "1"}});
    watcher_->expectOk();
    QTest::mouseClick(r.button(2), Qt::LeftButton);
    QCOMPARE(watcher_->seen().size(), size_t(1));
    QCOMPARE(watcher_->seen()[0].text, QStringLiteral("Not a valid frequency."));
    QCOMPARE(r.wire(), QByteArray("J4701\r\n"));
    QCOMPARE(r.c().FrequencyEdit->text(), QStringLiteral("abc"));
    QVERIFY(r.c().ATTButton->isChecked());
  }

  // Hints read "Preset " + group prefix + n + ":" + the description, or the
  // frequency when there is none; tray captions "&n " + the same text.
  // Choosing the active group again reloads nothing; another group reloads
  // all ten hints and captions and checks its three items.
  void groupChoiceReloadsOnlyOnChange() {
    PresetRig r({{presetsKey("Preset Description 1"), "Weather"},
                 {presetsKey("BPreset Frequency 3"), "  145.50000"},
                 {presetsKey("BPreset Description 10"), "R&D"}});
    QCOMPARE(r.button(1)->toolTip(), QStringLiteral("Preset 1:Weather"));
    QCOMPARE(r.trayItem(1)->text(), QStringLiteral("&1 Weather"));
    QCOMPARE(r.trayItem(2)->text(), QStringLiteral("&2 "));

    testsupport::WriteSettingsFile({{r.key("Preset Description 1"), "Changed"}});
    r.c().GroupA->trigger();
    r.c().GroupA1->trigger();
    QCOMPARE(r.button(1)->toolTip(), QStringLiteral("Preset 1:Weather"));

    r.c().GroupB1->trigger();
    for (QAction* item : {r.c().GroupB, r.c().GroupB1, r.c().GroupB2}) {
      QVERIFY(item->isChecked());
    }
    for (QAction* item :
         {r.c().GroupA, r.c().GroupA1, r.c().GroupA2, r.c().GroupC, r.c().GroupC1, r.c().GroupC2}) {
      QVERIFY(!item->isChecked());
    }
    for (int n = 1; n <= 10; ++n) {
      const QString text = n == 3    ? QStringLiteral("  145.50000")
                           : n == 10 ? QStringLiteral("R&D")
                                     : QString();
      QCOMPARE(r.button(n)->toolTip(), QStringLiteral("Preset B%1:").arg(n) + text);
      // The description's "&" is shown, not made a shortcut.
      QCOMPARE(r.trayItem(n)->text(),
               QStringLiteral("&%1 ").arg(n) + QString(text).replace("&", "&&"));
    }

    r.c().GroupA->trigger();
    QCOMPARE(r.button(1)->toolTip(), QStringLiteral("Preset 1:Changed"));
    QVERIFY(r.c().GroupA2->isChecked());
  }

  // The tray's group items reopen the tray menu where it was opened last.
  void trayGroupItemReopensTheTrayMenu() {
    PresetRig r({{presetsKey("CPreset Description 2"), "Airport"}});
    // The tray menu opened last at (120, 90), and closed.
    QCursor::setPos(120, 90);
    r.c().CorvaloTaskIcon->HandleActivation(QSystemTrayIcon::Context);
    QVERIFY(QTest::qWaitFor([&] { return r.c().PopupMenu->isVisible(); }, 2000));
    r.c().PopupMenu->hide();
    r.c().GroupC2->trigger();
    QVERIFY(QTest::qWaitFor([&] { return r.c().PopupMenu->isVisible(); }, 2000));
    QCOMPARE(r.c().PopupMenu->pos(), QPoint(120, 90));
    QCOMPARE(r.trayItem(2)->text(), QStringLiteral("&2 Airport"));
    QVERIFY(r.c().GroupC->isChecked());
    r.c().PopupMenu->hide();
  }

  // A stored group outside 0..2 leaves group A, and the labels still load;
  // the group is written back at exit.
  void activeGroupOutsideTheGroupsStartsInGroupA() {
    auto r = std::make_unique<PresetRig>(QMap<QString, QString>{
        {presetsKey("Active Group"), "5"}, {presetsKey("Preset Description 4"), "Tower"}});
    QVERIFY(r->c().GroupA->isChecked());
    QVERIFY(r->c().GroupA1->isChecked());
    QVERIFY(r->c().GroupA2->isChecked());
    QCOMPARE(r->button(4)->toolTip(), QStringLiteral("Preset 4:Tower"));
    const QString key = r->key("Active Group");
    r.reset();
    QCOMPARE(SettingsFile().text(key), QStringLiteral("0"));

    r = std::make_unique<PresetRig>(QMap<QString, QString>{{presetsKey("Active Group"), "2"}});
    QVERIFY(r->c().GroupC2->isChecked());
    r->c().GroupB->trigger();
    const QString key2 = r->key("Active Group");
    r.reset();
    QCOMPARE(SettingsFile().text(key2), QStringLiteral("1"));
  }

  // Storing writes all five values even when the description box is
  // cancelled; the description then defaults to the preset's number.
  void storingWithCancelStillWritesFiveValues() {
    PresetRig r;
    r.c().FrequencyEdit->setText("27.255");
    r.c().ModeComboBox->setCurrentIndex(r.c().ModeComboBox->findText("AM"));
    r.c().FilterComboBox->setCurrentIndex(1);
    r.c().ATTButton->setChecked(true);
    r.c().GroupB->trigger();
    watcher_->expect(ModalWindows::pressCancel);
    QVERIFY(StoreFromContextMenu(r.c(), r.button(4)));
    QVERIFY(watcher_->waitForSeen(1));
    QCOMPARE(watcher_->seen()[0].kind, QStringLiteral("input"));
    QCOMPARE(watcher_->seen()[0].title, QStringLiteral("Preset"));
    QCOMPARE(watcher_->seen()[0].text, QStringLiteral("Enter a description for this preset."));
    QCOMPARE(watcher_->lastInputValue(), QStringLiteral("4"));
    QVERIFY(QTest::qWaitFor([&] { return SettingsFile().contains(r.key("BPreset Attenuate 4")); }));

    SettingsFile file;
    QCOMPARE(file.text(r.key("BPreset Frequency 4")), QStringLiteral("   27.25500"));
    QCOMPARE(file.text(r.key("BPreset Mode 4")), QStringLiteral("AM"));
    QCOMPARE(file.text(r.key("BPreset Filter 4")), QStringLiteral("1"));
    QCOMPARE(file.text(r.key("BPreset Description 4")), QStringLiteral("4"));
    QCOMPARE(file.text(r.key("BPreset Attenuate 4")), QStringLiteral("1"));
    QCOMPARE(r.button(4)->toolTip(), QStringLiteral("Preset B4:4"));
    QCOMPARE(r.form()->focusWidget(), r.button(4));
    // The tray caption waits for the next reload; storing sends nothing.
    QCOMPARE(r.trayItem(4)->text(), QStringLiteral("&4 "));
    QVERIFY(r.wire().isEmpty());
  }

  void storingTakesTheEnteredDescription() {
    PresetRig r({{presetsKey("Preset Description 9"), "Old"}});
    r.c().FrequencyEdit->setText("  162.40000");
    r.c().ATTButton->setChecked(false);
    watcher_->expect(ModalWindows::enterText("Weather 2"));
    QVERIFY(StoreFromContextMenu(r.c(), r.button(9)));
    QVERIFY(watcher_->waitForSeen(1));
    QCOMPARE(watcher_->lastInputValue(), QStringLiteral("Old"));
    QVERIFY(QTest::qWaitFor(
        [&] { return SettingsFile().text(r.key("Preset Description 9")) == "Weather 2"; }));
    SettingsFile file;
    QCOMPARE(file.text(r.key("Preset Frequency 9")), QStringLiteral("  162.40000"));
    QCOMPARE(file.text(r.key("Preset Attenuate 9")), QStringLiteral("0"));
    QCOMPARE(r.button(9)->toolTip(), QStringLiteral("Preset 9:Weather 2"));
  }

  // A frequency text that is not a number is not stored, nor is anything
  // else of the preset.
  void storingANonNumberStoresNothing() {
    PresetRig r({{presetsKey("Preset Frequency 5"), "  50.10000"}});
    r.c().FrequencyEdit->setText("12a");
    watcher_->expectOk();
    QVERIFY(StoreFromContextMenu(r.c(), r.button(5)));
    QVERIFY(watcher_->waitForSeen(1));
    QCOMPARE(watcher_->seen()[0].kind, QStringLiteral("message"));
    QCOMPARE(watcher_->seen()[0].text, QStringLiteral("Not a valid frequency."));
    QTest::qWait(50);
    QCOMPARE(watcher_->seen().size(), size_t(1));
    SettingsFile file;
    QCOMPARE(file.text(r.key("Preset Frequency 5")), QStringLiteral("  50.10000"));
    QVERIFY(!file.contains(r.key("Preset Mode 5")));
    QVERIFY(!file.contains(r.key("Preset Description 5")));
  }

  // Each shortcut opens the dialog on its page; a channel clicked there is
  // tuned through the main window's Enter action in the page's mode.
  void channelShortcutsTuneThroughEnter_data() {
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("mode");
    QTest::newRow("CB 23") << "CB1"
                           << "23" << QByteArray("K00027255000020100\r\n") << "   27.25500"
                           << "AM";
    QTest::newRow("CB 24 from the tray")
        << "N2"
        << "24" << QByteArray("K00027235000020100\r\n") << "   27.23500"
        << "AM";
    QTest::newRow("CB 40") << "CB1"
                           << "40" << QByteArray("K00027405000020100\r\n") << "   27.40500"
                           << "AM";
    QTest::newRow("TV 6") << "TV1"
                          << "6" << QByteArray("K00087750000060400\r\n") << "   87.75000"
                          << "FMW";
    QTest::newRow("TV 7 from the tray")
        << "TV2"
        << "7" << QByteArray("K00179750000060400\r\n") << "  179.75000"
        << "FMW";
    QTest::newRow("weather 2") << "Weather1"
                               << "2" << QByteArray("K00162400000050200\r\n") << "  162.40000"
                               << "FMN";
    QTest::newRow("time 10.000 from the tray")
        << "Time2"
        << "10.000" << QByteArray("K00010000000020200\r\n") << "   10.00000"
        << "AM";
  }
  void channelShortcutsTuneThroughEnter() {
    QFETCH(QString, shortcut);
    QFETCH(QString, item);
    QFETCH(QByteArray, wire);
    QFETCH(QString, shown);
    QFETCH(QString, mode);
    PresetRig r;
    QListWidget* list = nullptr;
    watcher_->expect([&](QWidget* w) {
      QCOMPARE(w, r.presets.get());
      list = r.presets->PageControl1->currentWidget()->findChild<QListWidget*>();
      QVERIFY(list != nullptr);
      QVERIFY(presettest::ClickListItem(list, item));
    });
    r.form()->findChild<QAction*>(shortcut)->trigger();
    QCOMPARE(watcher_->seen().size(), size_t(1));
    QCOMPARE(r.wire(), wire);
    QCOMPARE(r.c().FrequencyEdit->text(), shown);
    QCOMPARE(r.c().ModeComboBox->currentText(), mode);
    QCOMPARE(r.c().CorvaloTaskIcon->Hint(), QStringLiteral("Corvalo [") + shown + "]");
  }

  // The general "Configure" entries open the "Custom" page; the main menu's
  // entry keeps whatever page was last shown. Closing without a click
  // tunes nothing but reloads the labels, so a saved preset shows at once.
  void closingTheDialogReloadsLabelsAndTunesNothing() {
    PresetRig r;
    r.presets->PageControl1->setCurrentWidget(r.presets->TimeTab);
    watcher_->expect([&](QWidget*) {
      QCOMPARE(r.presets->PageControl1->currentWidget(), r.presets->TimeTab);
      r.presets->reject();
    });
    r.c().ConfigurePresets1->trigger();

    watcher_->expect([&](QWidget*) {
      QCOMPARE(r.presets->PageControl1->currentWidget(), r.presets->Presets);
      r.presets->FrequencyEdit->setText("446.00625");
      r.presets->DescriptionEdit->setText("PMR 1");
      QTest::mouseClick(r.presets->Button1, Qt::LeftButton);
      r.presets->close();
    });
    r.c().Configure2->trigger();
    QCOMPARE(watcher_->seen().size(), size_t(2));
    QCOMPARE(r.button(1)->toolTip(), QStringLiteral("Preset 1:PMR 1"));
    QCOMPARE(r.trayItem(1)->text(), QStringLiteral("&1 PMR 1"));
    QVERIFY(r.wire().isEmpty());
    QCOMPARE(SettingsFile().text(r.key("Preset Frequency 1")), QStringLiteral("446.00625"));
  }

  // The dialog shows its filter list as the main window's list is set to
  // be shown, also while the main window is away in the tray.
  void dialogFilterListFollowsTheMainWindowsFeature() {
    PresetRig r;
    r.form()->hide();
    watcher_->expect([&](QWidget*) {
      QVERIFY(!r.presets->FilterComboBox->isHidden());
      r.presets->reject();
    });
    r.c().ConfigurePresets1->trigger();

    r.c().FilterComboBox->hide();
    watcher_->expect([&](QWidget*) {
      QVERIFY(r.presets->FilterComboBox->isHidden());
      QVERIFY(r.presets->FilterLabel->isHidden());
      r.presets->reject();
    });
    r.c().ConfigurePresets1->trigger();
    QCOMPARE(watcher_->seen().size(), size_t(2));
  }

  // A mode the dialog proposes a filter for writes the filter index the
  // tuning shares.
  void dialogModeChoiceSetsTheSharedFilterIndex() {
    PresetRig r;
    watcher_->expect([&](QWidget*) {
      r.presets->FrequencyEdit->setText("120");
      QVERIFY(presettest::ChooseText(r.presets->ModeComboBox, "AM"));
      r.presets->reject();
    });
    r.c().Configure1->trigger();
    QCOMPARE(r.rig.session.filterIndex(), 1);
  }

  // Without plain AM the quick-tune takes the first mode beginning with
  // "AM"; without any, no mode is selected.
  void quickTuneModeBeginsWithTheLetters() {
    PresetRig r({{"Coverage/Supports AM", "0"}});
    watcher_->expect([&](QWidget*) { presettest::ClickListItem(r.presets->CBListBox, "9"); });
    watcher_->expectOk();  // the PCR1000 cannot tune AMW
    r.c().CB1->trigger();
    QCOMPARE(watcher_->seen().size(), size_t(2));
    QCOMPARE(r.c().ModeComboBox->currentText(), QStringLiteral("AMW"));
    r.wire();

    PresetRig noAm({{"Coverage/Supports AM", "0"},
                    {"Coverage/Supports AMW", "0"},
                    {"Coverage/Supports AM2", "0"},
                    {"Coverage/Supports AM3", "0"}});
    watcher_->clear();
    watcher_->expect(
        [&](QWidget*) { presettest::ClickListItem(noAm.presets->TimeListBox, "5.000"); });
    watcher_->expectOk();
    noAm.c().Time1->trigger();
    QCOMPARE(watcher_->seen().size(), size_t(2));
    QCOMPARE(noAm.c().ModeComboBox->currentIndex(), -1);
  }
};

CORVALO_TEST_MAIN_IMPL(PresetsMainTest, QApplication)
#include "tst_presets_main.moc"
