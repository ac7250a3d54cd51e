#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QtTest>
#include <cmath>

#include "ModalWindows.h"
#include "SettingsFile.h"
#include "TestMain.h"
#include "dialogs/ChannelTables.h"
#include "dialogs/presets.h"
#include "settings/SettingsStore.h"
#include "tst_presets_support.h"

using namespace presettest;
using namespace testsupport;

namespace {

// Stands in for the main window: coverage, the shared filter index, the
// "Filters" feature and the tuning of a quick-tune channel.
class FakeHost : public PresetsHost {
 public:
  double low = 0.1;
  double high = 1300.0;
  int filterIndex = 0;
  bool filterShown = true;
  QList<QPair<QString, QString>> tuned;

  double LowestFrequency() const override { return low; }
  double HighestFrequency() const override { return high; }
  int FilterIndex() const override { return filterIndex; }
  void SetFilterIndex(int index) override { filterIndex = index; }
  bool FilterListShown() const override { return filterShown; }
  void TuneChannel(const QString& frequencyText, const QString& modeLetters) override {
    tuned.append({frequencyText, modeLetters});
  }
};

QString key(const QString& name) { return QStringLiteral("Presets/") + name; }

}  // namespace

// The presets dialog alone, against the real settings file, with a stand-in
// for the main window.
class PresetsDialogTest : public QObject {
  Q_OBJECT

 private:
  SettingsStore store_;  // the default profile's, as the program's for a whole run
  FakeHost host_;
  std::unique_ptr<TPresetsForm> form_;
  std::unique_ptr<ModalWindows> watcher_;

  void showForm() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void editor(const QString& frequency, const QString& mode, const QString& filter,
              const QString& description, bool attenuate) {
    QCOMPARE(form_->FrequencyEdit->text(), frequency);
    QCOMPARE(form_->ModeComboBox->currentText(), mode);
    QCOMPARE(form_->FilterComboBox->currentText(), filter);
    QCOMPARE(form_->DescriptionEdit->text(), description);
    QCOMPARE(form_->AttenuateCheckBox->isChecked(), attenuate);
  }

 private slots:
  void init() {
    RemoveSettingsFile();
    host_ = FakeHost();
    form_ = std::make_unique<TPresetsForm>(host_, store_);
    watcher_ = std::make_unique<ModalWindows>();
  }
  void cleanup() {
    form_.reset();
    QCOMPARE(watcher_->unexpectedCount(), size_t(0));
    watcher_.reset();
    store_.release();
    RemoveSettingsFile();
  }

  void pagesControlsAndTexts() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Presets"));
    const QStringList captions = {"Custom", "CB", "TV", "Weather", "Time"};
    QCOMPARE(form_->PageControl1->count(), captions.size());
    for (int i = 0; i < captions.size(); ++i) {
      QCOMPARE(form_->PageControl1->tabText(i), captions[i]);
    }
    QCOMPARE(form_->PageControl1->currentWidget(), form_->Presets);
    QCOMPARE(form_->ModeComboBox->count(), 15);
    QCOMPARE(form_->ModeComboBox->itemText(14), QStringLiteral("AM3"));
    QCOMPARE(form_->FilterComboBox->itemText(4), QStringLiteral("230K"));
    QCOMPARE(form_->PresetComboBox->itemText(9), QStringLiteral("10"));
    QCOMPARE(form_->CBListBox->count(), 40);
    QCOMPARE(form_->TVListBox->item(0)->text(), QStringLiteral("2"));
    QCOMPARE(form_->TVListBox->item(81)->text(), QStringLiteral("83"));
    QCOMPARE(form_->WXListBox->count(), 7);
    QCOMPARE(form_->TimeListBox->item(5)->text(), QStringLiteral("3.330"));
    QVERIFY(form_->Button1->isDefault());
    // Tab order: group, preset number, frequency, mode, filter, description,
    // attenuate, Save.
    const QList<QWidget*> order = {form_->GroupComboBox,     form_->PresetComboBox,
                                   form_->FrequencyEdit,     form_->ModeComboBox,
                                   form_->FilterComboBox,    form_->DescriptionEdit,
                                   form_->AttenuateCheckBox, form_->Button1};
    for (int i = 0; i + 1 < order.size(); ++i) {
      QCOMPARE(order[i]->nextInFocusChain(), order[i + 1]);
    }
  }

  // A preset never saved shows the dialog's defaults; each showing goes back
  // to group A, preset 1, whatever was chosen before, and keeps the page.
  void showingResetsToGroupAPresetOne() {
    showForm();
    editor("162.55", "FMN", "15K", "Weather", false);
    QCOMPARE(form_->GroupComboBox->currentText(), QStringLiteral("A"));
    QCOMPARE(form_->PresetComboBox->currentText(), QStringLiteral("1"));
    QVERIFY(store_.isOpen());

    QVERIFY(ChooseText(form_->GroupComboBox, "C"));
    QVERIFY(ChooseText(form_->PresetComboBox, "7"));
    form_->PageControl1->setCurrentWidget(form_->TVTab);
    form_->close();
    QVERIFY(!form_->isVisible());
    QVERIFY(!store_.isOpen());

    showForm();
    QCOMPARE(form_->GroupComboBox->currentText(), QStringLiteral("A"));
    QCOMPARE(form_->PresetComboBox->currentText(), QStringLiteral("1"));
    QCOMPARE(form_->PageControl1->currentWidget(), form_->TVTab);
  }

  void choosingPresetLoadsThatPresetOfTheChosenGroup() {
    WriteSettingsFile({{key("BPreset Frequency 3"), "  145.50000"},
                       {key("BPreset Mode 3"), "AM"},
                       {key("BPreset Filter 3"), "1"},
                       {key("BPreset Description 3"), "Repeater"},
                       {key("BPreset Attenuate 3"), "1"},
                       {key("Preset Frequency 3"), "7.1"},
                       {key("Preset Mode 1"), "XYZ"},
                       {key("Preset Filter 1"), "9"}});
    showForm();
    // A mode the list lacks leaves the selection; a filter index outside the
    // list selects none.
    QCOMPARE(form_->FrequencyEdit->text(), QStringLiteral("162.55"));
    QCOMPARE(form_->FilterComboBox->currentIndex(), -1);

    QVERIFY(ChooseText(form_->PresetComboBox, "3"));
    editor("7.1", "FMN", "15K", "Weather", false);
    // Choosing a group always goes back to preset 1.
    QVERIFY(ChooseText(form_->GroupComboBox, "B"));
    QCOMPARE(form_->PresetComboBox->currentText(), QStringLiteral("1"));
    editor("162.55", "FMN", "15K", "Weather", false);
    QVERIFY(ChooseText(form_->PresetComboBox, "3"));
    editor("  145.50000", "AM", "6K", "Repeater", true);
    QCOMPARE(form_->currentPreset().frequency, QStringLiteral("  145.50000"));
    QCOMPARE(form_->currentPreset().mode, QStringLiteral("AM"));
    QCOMPARE(form_->currentPreset().filter, 1);
    QCOMPARE(form_->currentPreset().description, QStringLiteral("Repeater"));
    QVERIFY(form_->currentPreset().attenuate);
  }

  void saveWritesFiveValuesAndStepsToTheNextPreset() {
    WriteSettingsFile(
        {{key("CPreset Frequency 5"), "  30.00000"}, {key("CPreset Description 5"), "Next"}});
    showForm();
    QVERIFY(ChooseText(form_->GroupComboBox, "C"));
    QVERIFY(ChooseText(form_->PresetComboBox, "4"));
    form_->FrequencyEdit->setText("25.5");
    form_->ModeComboBox->setCurrentText("USB");
    form_->FilterComboBox->setCurrentIndex(0);
    form_->DescriptionEdit->setText("Ten metres");
    form_->AttenuateCheckBox->setChecked(true);
    QTest::mouseClick(form_->Button1, Qt::LeftButton);

    SettingsFile file;
    QCOMPARE(file.text(key("CPreset Frequency 4")), QStringLiteral(" 25.50000"));
    QCOMPARE(file.text(key("CPreset Mode 4")), QStringLiteral("USB"));
    QCOMPARE(file.text(key("CPreset Filter 4")), QStringLiteral("0"));
    QCOMPARE(file.text(key("CPreset Description 4")), QStringLiteral("Ten metres"));
    QCOMPARE(file.text(key("CPreset Attenuate 4")), QStringLiteral("1"));
    QVERIFY(!file.contains(key("Preset Frequency 4")));
    QVERIFY(!file.contains(key("BPreset Frequency 4")));

    // The editor moved on to preset 5 of group C and loaded it.
    QCOMPARE(form_->GroupComboBox->currentText(), QStringLiteral("C"));
    QCOMPARE(form_->PresetComboBox->currentText(), QStringLiteral("5"));
    editor("  30.00000", "FMN", "15K", "Next", false);
    QCOMPARE(form_->focusWidget(), form_->FrequencyEdit);
  }

  void savingPresetTenMovesToPresetOne() {
    WriteSettingsFile({{key("BPreset Frequency 1"), "  88.10000"}});
    showForm();
    QVERIFY(ChooseText(form_->GroupComboBox, "B"));
    QVERIFY(ChooseText(form_->PresetComboBox, "10"));
    form_->FrequencyEdit->setText("162.55");
    form_->AttenuateCheckBox->setChecked(false);
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    QCOMPARE(form_->PresetComboBox->currentText(), QStringLiteral("1"));
    QCOMPARE(form_->FrequencyEdit->text(), QStringLiteral("  88.10000"));
    SettingsFile file;
    // 162.55 fills the nine places without a blank.
    QCOMPARE(file.text(key("BPreset Frequency 10")), QStringLiteral("162.55000"));
    QCOMPARE(file.text(key("BPreset Description 10")), QStringLiteral("Weather"));
    QCOMPARE(file.text(key("BPreset Attenuate 10")), QStringLiteral("0"));
  }

  void saveAcceptsTheCoverageLimitsThemselves() {
    host_.low = 0.5;
    host_.high = 1750;
    showForm();
    form_->FrequencyEdit->setText("0.5");
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    form_->FrequencyEdit->setText("1750");
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    SettingsFile file;
    QCOMPARE(file.text(key("Preset Frequency 1")), QStringLiteral("  0.50000"));
    QCOMPARE(file.text(key("Preset Frequency 2")), QStringLiteral("1750.00000"));
  }

  void saveRefusesAFrequencyItCannotUse_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("letters") << "abc";
    QTest::newRow("empty") << "";
    QTest::newRow("point without digits") << "162.";
    QTest::newRow("trailing blank") << "162.55 ";
    QTest::newRow("below coverage") << "0.05";
    QTest::newRow("above coverage") << "1300.1";
  }
  void saveRefusesAFrequencyItCannotUse() {
    QFETCH(QString, text);
    showForm();
    QVERIFY(ChooseText(form_->PresetComboBox, "6"));
    form_->FrequencyEdit->setText(text);
    watcher_->expectOk();
    form_->DescriptionEdit->setFocus();
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    QCOMPARE(watcher_->seen().size(), size_t(1));
    QCOMPARE(watcher_->seen()[0].title, QStringLiteral("Corvalo"));
    QCOMPARE(watcher_->seen()[0].text, QStringLiteral("Not a valid frequency."));
    QCOMPARE(watcher_->seen()[0].icon, QMessageBox::Information);
    QCOMPARE(form_->PresetComboBox->currentText(), QStringLiteral("6"));
    QCOMPARE(form_->FrequencyEdit->text(), text);
    QCOMPARE(form_->focusWidget(), form_->FrequencyEdit);
    form_->close();
    QVERIFY(SettingsFile().presetKeys().isEmpty());
  }

  void modeChoiceProposesAFilter_data() {
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("filter");
    QTest::newRow("AM in the airband") << "120"
                                       << "AM"
                                       << "6K";
    QTest::newRow("AM above the airband") << "150"
                                          << "AM"
                                          << "15K";
    QTest::newRow("AM airband limits") << "138"
                                       << "AM"
                                       << "6K";
    QTest::newRow("AM top of CB") << "27.405"
                                  << "AM"
                                  << "6K";
    QTest::newRow("AM above CB") << "27.41"
                                 << "AM"
                                 << "15K";
    QTest::newRow("AM bottom of CB") << "  26.96500"
                                     << "AM"
                                     << "6K";
    QTest::newRow("CW") << "7.0"
                        << "CW"
                        << "3K";
    QTest::newRow("LSB") << "3.7"
                         << "LSB"
                         << "3K";
    QTest::newRow("USB") << "14.2"
                         << "USB"
                         << "3K";
    QTest::newRow("FMW") << "98.1"
                         << "FMW"
                         << "230K";
    QTest::newRow("FMN") << "145"
                         << "FMN"
                         << "15K";
    // Any other mode shows the shared index as it stands.
    QTest::newRow("FSK keeps 50K") << "10"
                                   << "FSK"
                                   << "50K";
  }
  void modeChoiceProposesAFilter() {
    QFETCH(QString, frequency);
    QFETCH(QString, mode);
    QFETCH(QString, filter);
    host_.filterIndex = 3;
    showForm();
    form_->FrequencyEdit->setText(frequency);
    QVERIFY(ChooseText(form_->ModeComboBox, mode));
    QCOMPARE(form_->FilterComboBox->currentText(), filter);
    QCOMPARE(host_.filterIndex, form_->FilterComboBox->currentIndex());
  }

  void modeChoiceWithoutANumberLeavesTheFilter() {
    host_.filterIndex = 4;
    showForm();
    form_->FrequencyEdit->setText("abc");
    watcher_->expectOk();
    QVERIFY(ChooseText(form_->ModeComboBox, "CW"));
    QVERIFY(watcher_->waitForSeen(1));
    QCOMPARE(watcher_->seen()[0].text, QStringLiteral("'abc' is not a valid floating point value"));
    QCOMPARE(watcher_->seen()[0].title, QStringLiteral("Corvalo"));
    QCOMPARE(form_->FilterComboBox->currentText(), QStringLiteral("15K"));
    QCOMPARE(host_.filterIndex, 4);
  }

  // With the "Filters" feature off the list is hidden but keeps and saves
  // the index loaded into it.
  void hiddenFilterListStillSavesItsIndex() {
    host_.filterShown = false;
    WriteSettingsFile({{key("Preset Filter 2"), "4"}});
    showForm();
    QVERIFY(form_->FilterComboBox->isHidden());
    QVERIFY(form_->FilterLabel->isHidden());
    QVERIFY(ChooseText(form_->PresetComboBox, "2"));
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    QCOMPARE(SettingsFile().text(key("Preset Filter 2")), QStringLiteral("4"));
    form_->close();

    host_.filterShown = true;
    showForm();
    QVERIFY(!form_->FilterComboBox->isHidden());
    QVERIFY(!form_->FilterLabel->isHidden());
  }

  // A description stored by the main window may be longer than the typing
  // limit: it is shown and saved whole; typing never grows a text past the
  // limit.
  void longStoredDescriptionIsKeptWhole() {
    const QString longText = QStringLiteral("A description of thirty chars");
    WriteSettingsFile({{key("Preset Description 1"), longText}});
    showForm();
    QCOMPARE(form_->DescriptionEdit->text(), longText);
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    QCOMPARE(SettingsFile().text(key("Preset Description 1")), longText);

    form_->DescriptionEdit->clear();
    form_->DescriptionEdit->setFocus();
    QTest::keyClicks(form_->DescriptionEdit, QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    QCOMPARE(form_->DescriptionEdit->text(), QStringLiteral("abcdefghijklmnopqrst"));
  }

  void channelClickClosesAndQuickTuneTunesIt_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("mode");
    QTest::newRow("CB 1") << 1 << "1"
                          << "26.965"
                          << "AM";
    QTest::newRow("CB 23") << 1 << "23"
                           << "27.255"
                           << "AM";
    QTest::newRow("CB 24") << 1 << "24"
                           << "27.235"
                           << "AM";
    QTest::newRow("CB 40") << 1 << "40"
                           << "27.405"
                           << "AM";
    QTest::newRow("TV 2") << 2 << "2"
                          << "59.75"
                          << "FMW";
    QTest::newRow("TV 6") << 2 << "6"
                          << "87.75"
                          << "FMW";
    QTest::newRow("TV 7") << 2 << "7"
                          << "179.75"
                          << "FMW";
    QTest::newRow("TV 14") << 2 << "14"
                           << "475.75"
                           << "FMW";
    QTest::newRow("TV 83") << 2 << "83"
                           << "889.75"
                           << "FMW";
    QTest::newRow("weather 1") << 3 << "1"
                               << "162.55"
                               << "FMN";
    QTest::newRow("weather 2") << 3 << "2"
                               << "162.4"
                               << "FMN";
    QTest::newRow("weather 7") << 3 << "7"
                               << "162.525"
                               << "FMN";
    QTest::newRow("time 2.500") << 4 << "2.500"
                                << "2.500"
                                << "AM";
    QTest::newRow("time 14.670") << 4 << "14.670"
                                 << "14.670"
                                 << "AM";
  }
  void channelClickClosesAndQuickTuneTunesIt() {
    QFETCH(int, page);
    QFETCH(QString, item);
    QFETCH(QString, frequency);
    QFETCH(QString, mode);
    QListWidget* lists[] = {nullptr, form_->CBListBox, form_->TVListBox, form_->WXListBox,
                            form_->TimeListBox};
    form_->PageControl1->setCurrentIndex(page);
    // The dialog runs modally, as the main window runs it.
    watcher_->expect([&](QWidget* w) {
      QCOMPARE(w, form_.get());
      QVERIFY(ClickListItem(lists[page], item));
    });
    form_->exec();
    QCOMPARE(watcher_->seen().size(), size_t(1));
    QVERIFY(!form_->isVisible());
    QVERIFY(!store_.isOpen());
    QVERIFY(host_.tuned.isEmpty());
    form_->QuickTune();
    QCOMPARE(host_.tuned.size(), 1);
    QCOMPARE(host_.tuned[0].first, frequency);
    QCOMPARE(host_.tuned[0].second, mode);
  }

  // Closing without a click leaves every choice at none, also after an
  // earlier showing recorded one.
  void closingWithoutAClickTunesNothing() {
    showForm();
    form_->PageControl1->setCurrentWidget(form_->CBTab);
    QVERIFY(ClickListItem(form_->CBListBox, "9"));
    QVERIFY(!form_->isVisible());
    QCOMPARE(form_->CbChannelChoice, 8);
    showForm();
    QCOMPARE(form_->CbChannelChoice, -1);
    form_->close();
    form_->QuickTune();
    QVERIFY(host_.tuned.isEmpty());
  }

  // A hand-edited value the store cannot read is told with the store's
  // message and reads as its default; the dialog stays usable.
  void unreadableStoredValueIsReported() {
    QDir().mkpath(QFileInfo(SettingsStore::fileName()).absolutePath());
    QFile f(SettingsStore::fileName());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Presets]\nPreset%20Mode%201=AM, FMN\n");
    f.close();
    watcher_->expectOk();
    showForm();
    QVERIFY(watcher_->waitForSeen(1));
    QCOMPARE(watcher_->seen()[0].text, QStringLiteral("Invalid data type for 'Preset Mode 1'"));
    QCOMPARE(watcher_->seen()[0].icon, QMessageBox::Critical);
    QVERIFY(ChooseText(form_->PresetComboBox, "2"));
    editor("162.55", "FMN", "15K", "Weather", false);
  }

  // A store that cannot be written is reported for the save that failed,
  // and the editor stays on that preset.
  void unwritableStoreIsReportedOnSave() {
    // A plain file where the settings folder belongs: nothing can be
    // written there, whoever runs the test.
    const QString folder = QFileInfo(SettingsStore::fileName()).absolutePath();
    QDir(folder).removeRecursively();
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    showForm();
    QVERIFY(ChooseText(form_->PresetComboBox, "3"));
    watcher_->expectOk();
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    QVERIFY(watcher_->waitForSeen(1));
    QCOMPARE(watcher_->seen()[0].text,
             QStringLiteral("The settings could not be saved to %1: its folder %2 cannot be "
                            "created.")
                 .arg(SettingsStore::fileName(), folder));
    QCOMPARE(watcher_->seen()[0].icon, QMessageBox::Critical);
    QCOMPARE(form_->PresetComboBox->currentText(), QStringLiteral("3"));
    form_->close();
    QFile::remove(folder);
  }

  // The CB plan: the channel rule of the band plan, channel 23 out of line.
  void cbPlanFollowsTheChannelRule() {
    for (int i = 0; i < 40; ++i) {
      double f = 26.965 + 0.01 * i;
      for (int step : {2, 6, 10, 14, 18}) f += i > step ? 0.01 : 0;
      if (i == 22) f = 27.255;
      if (i > 22) f -= 0.01;
      if (i > 24) f += 0.01;
      const auto table = channels::CbChannelFrequency(i + 1);
      QVERIFY(table.has_value());
      QVERIFY2(std::abs(*table - f) < 1e-9, qPrintable(QString::number(i + 1)));
    }
    QVERIFY(!channels::CbChannelFrequency(0));
    QVERIFY(!channels::CbChannelFrequency(41));
    QCOMPARE(*channels::TvSoundCarrier(20), 511.75);
    QCOMPARE(*channels::TvSoundCarrier(84), 895.75);
    QVERIFY(!channels::TvSoundCarrier(1));
    QVERIFY(!channels::TvSoundCarrier(85));
  }
};

CORVALO_TEST_MAIN_IMPL(PresetsDialogTest, QApplication)
#include "tst_presets_dialog.moc"
