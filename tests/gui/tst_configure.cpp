#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest/QtTest>
#include <memory>
#include <optional>

#include "ModalWindows.h"
#include "SettingsFile.h"
#include "ShownText.h"
#include "TestMain.h"
#include "dialogs/Configure.h"
#include "dialogs/Hints.h"
#include "radio/Protocols.h"
#include "radio/Readings.h"
#include "settings/SettingsStore.h"
#include "tst_configure_support.h"

// The configuration dialog on the real settings file of the test's own
// XDG_CONFIG_HOME: what it shows, what it proposes for each radio and what it
// writes. What it refuses: tst_configure_checks.cpp.
class ConfigureTest : public QObject, private ConfigureFixture {
  Q_OBJECT

 private slots:
  void init() { setUp(); }
  void cleanup() { tearDown(); }

  void controlsAsDesigned() {
    auto d = openDialog();
    QCOMPARE(d->PageControl->count(), 4);
    QCOMPARE(d->PageControl->widget(0), d->Connection);
    QCOMPARE(d->PageControl->widget(3), d->General);
    QVERIFY(d->Button1->isDefault());
    // COM1..COM9 first, "Internet" last, the machine's ports between, every
    // name short enough to be stored whole.
    for (int i = 0; i < 9; ++i) {
      QCOMPARE(d->ComPortComboBox->itemText(i), QStringLiteral("COM%1").arg(i + 1));
    }
    QCOMPARE(d->ComPortComboBox->itemText(d->ComPortComboBox->count() - 1),
             QStringLiteral("Internet"));
    for (int i = 0; i < d->ComPortComboBox->count(); ++i) {
      QVERIFY(d->ComPortComboBox->itemText(i).size() <= 14);
    }
    // The protocol list is in list-position order of the protocol table.
    for (const protocols::ProtocolInfo& p : protocols::all()) {
      QCOMPARE(d->ProtocolComboBox->itemText(p.listPosition), QString::fromLatin1(p.listText));
    }
    // Tab order follows each page's layout.
    QCOMPARE(d->ComPortComboBox->nextInFocusChain(), d->RateComboBox);
    QCOMPARE(d->RateComboBox->nextInFocusChain(), d->ProtocolComboBox);
    QCOMPARE(d->HighestFrequencyEdit->nextInFocusChain(), d->LowestFrequencyEdit);
    QCOMPARE(d->LowestFrequencyEdit->nextInFocusChain(), d->ModeLB);
  }

  void emptyStoreShowsTheDefaults() {
    auto d = openDialog();
    QCOMPARE(d->ProfilePanel->text(), QStringLiteral("Default"));
    QCOMPARE(d->RateComboBox->currentText(), QStringLiteral("9600"));
    QCOMPARE(d->ComPortComboBox->currentText(), QStringLiteral("COM2"));
    QCOMPARE(d->ProtocolComboBox->currentText(), QStringLiteral("Icom CI-V"));
    QCOMPARE(selectedModes(*d), QStringList({"AM", "FMN", "FMW"}));
    QVERIFY(checkedFeatureNames(*d).isEmpty());
    QVERIFY(d->ShowHintsCheckBox->isChecked());
    QVERIFY(!d->PowerOffCheckBox->isChecked());
    QVERIFY(!d->ReleasePortAfterStartupCheckBox->isChecked());
    QCOMPARE(d->DefaultPCR1000AMFilterComboBox->currentText(), QStringLiteral("6K"));
    QVERIFY(d->DefaultPCR1000AMFilterComboBox->isHidden());
    // The Icom radio's address fields, the link's coverage in stored form.
    QVERIFY(!d->AddressEdit->isHidden());
    QVERIFY(!d->IC735CheckBox->isHidden());
    QCOMPARE(d->AddressEdit->text(), QString());
    QCOMPARE(d->LowestFrequencyEdit->text(), QStringLiteral("  0.10000"));
    QCOMPARE(d->HighestFrequencyEdit->text(), QStringLiteral("1300.00000"));
    QVERIFY(d->ShowIconCheckBox->isChecked());
    QVERIFY(!d->AlwaysOnTopCheckBox->isChecked());
    QCOMPARE(d->ReadingsPerSecondEdit->text(), QStringLiteral("10"));
    QCOMPARE(d->SettleTimeComboBox->currentText(),
             QStringLiteral("radio's own (%1 ms)").arg(readings::settleMs(protocols::kIcomCiv)));
    // Showing reads and writes nothing.
    d->Button2->click();
    QVERIFY(!QFile::exists(file()));
  }

  void storedValuesReplaceTheProposals() {
    store("Connection", "Protocol", "6");
    store("Connection", "Com Port Rate", "0x4B00");  // 19200, hexadecimal
    store("Connection", "PCR1000 Default AM Filter", "3");
    store("Coverage", "Supports AMW", "1");
    store("Coverage", "Supports AUT", "1");
    store("Features", "Volume", "1");
    store("General", "Power Off", "1");
    inForce_.lowestMhz = 0.5;
    inForce_.highestMhz = 1750;
    inForce_.showIcon = false;
    inForce_.alwaysOnTop = true;
    auto d = openDialog();
    QCOMPARE(d->ProtocolComboBox->currentText(), QStringLiteral("Icom PCR1000"));
    QCOMPARE(d->RateComboBox->currentText(), QStringLiteral("19200"));
    QCOMPARE(d->DefaultPCR1000AMFilterComboBox->currentText(), QStringLiteral("50K"));
    QVERIFY(!d->DefaultPCR1000AMFilterComboBox->isHidden());
    QCOMPARE(d->values().pcrAmFilter, 3);
    // Stored flags with their defaults, not the PCR1000's proposals.
    QCOMPARE(selectedModes(*d), QStringList({"AM", "FMN", "FMW", "AUT", "AMW"}));
    QCOMPARE(checkedFeatureNames(*d), QStringList({"Volume"}));
    QVERIFY(d->PowerOffCheckBox->isChecked());
    QCOMPARE(d->LowestFrequencyEdit->text(), QStringLiteral("  0.50000"));
    QCOMPARE(d->HighestFrequencyEdit->text(), QStringLiteral("1750.00000"));
    QVERIFY(!d->ShowIconCheckBox->isChecked());
    QVERIFY(d->AlwaysOnTopCheckBox->isChecked());
  }

  void confirmingStoresEveryValue() {
    auto d = openDialog();
    pickProtocol(*d, "OS456/OS535");
    d->RateComboBox->setCurrentIndex(d->RateComboBox->findText("4800"));
    d->ComPortComboBox->setCurrentIndex(d->ComPortComboBox->findText("Internet"));
    d->AddressEdit->setText(QStringLiteral(" 4a "));
    d->LowestFrequencyEdit->setText(QStringLiteral("0.1"));
    d->HighestFrequencyEdit->setText(QStringLiteral("1300"));
    d->ModeLB->item(13)->setSelected(true);  // AM2
    d->SquelchCheckBox->setChecked(true);
    d->ShowIconCheckBox->setChecked(false);
    d->AlwaysOnTopCheckBox->setChecked(true);
    d->ReleasePortAfterStartupCheckBox->setChecked(true);
    QSignalSpy features(d.get(), &TConfigurationForm::featuresApplied);
    d->Button1->click();
    QVERIFY(boxes_->seen().isEmpty());
    QCOMPARE(d->result(), int(QDialog::Accepted));
    QVERIFY(d->isHidden());

    // The file holds the stored forms.
    const QByteArray bytes = fileBytes();
    QVERIFY(bytes.contains("Lowest%20Frequency=\"  0.10000\""));
    QVERIFY(bytes.contains("Highest%20Frequency=1300.00000"));
    QCOMPARE(stored("Connection", "Protocol").toString(), QStringLiteral("1"));
    QCOMPARE(stored("Connection", "Com Port Rate").toString(), QStringLiteral("4800"));
    QCOMPARE(stored("Connection", "Com Port").toString(), QStringLiteral("Internet"));
    QCOMPARE(stored("Connection", "Address").toString(), QStringLiteral("4a"));
    QCOMPARE(stored("Connection", "IC-735").toString(), QStringLiteral("0"));
    QCOMPARE(stored("Connection", "PCR1000 Default AM Filter").toString(), QStringLiteral("1"));
    QCOMPARE(stored("General", "Show Icon").toString(), QStringLiteral("0"));
    QCOMPARE(stored("General", "Always On Top").toString(), QStringLiteral("1"));
    QCOMPARE(stored("General", "Show Hints").toString(), QStringLiteral("1"));
    QCOMPARE(stored("General", "Power Off").toString(), QStringLiteral("0"));
    QCOMPARE(stored("General", "Release Port After Startup").toString(), QStringLiteral("1"));
    QStringList supported;
    for (const char* mode : protocols::kModeCodes) {
      const QString flag = stored("Coverage", QStringLiteral("Supports ") + mode).toString();
      QVERIFY2(flag == "0" || flag == "1", mode);
      if (flag == "1") supported << mode;
    }
    QCOMPARE(supported, QStringList({"AM", "FMN", "FMW", "AM2"}));
    // OS456/OS535 proposes Mute; the operator added Squelch.
    QCOMPARE(stored("Features", "Mute").toString(), QStringLiteral("1"));
    QCOMPARE(stored("Features", "Squelch").toString(), QStringLiteral("1"));
    for (const char* off : {"Volume", "IF Shift", "AGC", "NB", "Attenuate", "Filters"}) {
      QCOMPARE(stored("Features", off).toString(), QStringLiteral("0"));
    }
    // The values the dialog returns follow, and the main window is told the
    // features.
    QCOMPARE(d->values().protocol, 1);
    QCOMPARE(d->values().portName, QStringLiteral("Internet"));
    QCOMPARE(d->values().lowestMhz, 0.1);
    QCOMPARE(d->values().highestMhz, 1300.0);
    QVERIFY(!d->values().showIcon);
    QVERIFY(d->values().alwaysOnTop);
    QCOMPARE(features.size(), 1);
    QCOMPARE(features.at(0).at(0).toUInt(), unsigned(protocols::kMute | protocols::kSquelch));
    // Saved coverage reads back as the same numbers.
    {
      SettingsSession session(*store_);
      QCOMPARE(store_->ReadText("Coverage", "Lowest Frequency", {}), QStringLiteral("  0.10000"));
    }
  }

  void eachListPositionStoresItsProtocolNumber_data() {
    QTest::addColumn<int>("number");
    for (const protocols::ProtocolInfo& p : protocols::all()) {
      QTest::newRow(p.listText) << p.number;
    }
  }
  void eachListPositionStoresItsProtocolNumber() {
    QFETCH(int, number);
    store("Connection", "Address", "80");
    auto d = openDialog();
    pickProtocol(*d, protocols::byNumber(number)->listText);
    d->Button1->click();
    QCOMPARE(stored("Connection", "Protocol").toString(), QString::number(number));
    QCOMPARE(d->values().protocol, number);
    // Shown again, the list is back on the same entry.
    auto again = openDialog();
    QCOMPARE(again->ProtocolComboBox->currentText(),
             QString::fromLatin1(protocols::byNumber(number)->listText));
  }

  void storedOs456IsShownAndStoredAgain() {
    store("Connection", "Protocol", "1");
    store("Connection", "Address", "E0");
    auto d = openDialog();
    QCOMPARE(d->ProtocolComboBox->currentIndex(), 5);
    QCOMPARE(d->ProtocolComboBox->currentText(), QStringLiteral("OS456/OS535"));
    QCOMPARE(d->AddressEdit->text(), QStringLiteral("E0"));  // stored over the proposed 80
    d->Button1->click();
    QCOMPARE(stored("Connection", "Protocol").toString(), QStringLiteral("1"));
    QCOMPARE(stored("Connection", "Address").toString(), QStringLiteral("E0"));
  }

  void storedNumberWithoutProtocolLeavesTheList() {
    store("Connection", "Protocol", "4");
    store("Coverage", "Supports CW", "1");
    auto d = openDialog();
    QCOMPARE(d->ProtocolComboBox->currentIndex(), -1);
    QCOMPARE(d->values().protocol, 4);
    QVERIFY(d->AddressEdit->isHidden());  // no protocol shows the address
    QCOMPARE(selectedModes(*d), QStringList({"AM", "CW", "FMN", "FMW"}));
    d->Button1->click();
    QCOMPARE(d->result(), int(QDialog::Accepted));
    QCOMPARE(stored("Connection", "Protocol").toString(), QStringLiteral("4"));
  }

  void protocolProposals() {
    auto d = openDialog();
    pickProtocol(*d, "Icom CI-V");
    QVERIFY(!d->IC735CheckBox->isHidden());
    d->AddressEdit->setText(QStringLiteral("5C"));
    pickProtocol(*d, "OS456/OS535");
    QVERIFY(d->IC735CheckBox->isHidden());
    QVERIFY(!d->AddressEdit->isHidden());
    QVERIFY(!d->AddressLabel->isHidden());
    QCOMPARE(d->AddressEdit->text(), QStringLiteral("80"));
    QCOMPARE(d->LowestFrequencyEdit->text(), QStringLiteral("25.0"));
    QCOMPARE(checkedFeatureNames(*d), QStringList({"Mute"}));

    pickProtocol(*d, "Icom PCR1000");
    QCOMPARE(checkedFeatureNames(*d).size(), 8);
    // The radio's own settle time follows the radio.
    QCOMPARE(d->SettleTimeComboBox->currentText(),
             TConfigurationForm::RadioOwnSettleText(protocols::kPcr1000));
    QVERIFY(!d->PCR1000AMFilterLabel->isHidden());
    QVERIFY(!d->DefaultPCR1000AMFilterComboBox->isHidden());
    QVERIFY(d->AddressEdit->isHidden());
    QVERIFY(d->AddressLabel->isHidden());
    QCOMPARE(d->AddressEdit->text(), QStringLiteral("80"));  // hidden, not changed
    for (const protocols::ProtocolInfo& p : protocols::all()) {
      if (p.number == protocols::kPcr1000) continue;
      pickProtocol(*d, "Icom PCR1000");
      pickProtocol(*d, p.listText);
      QVERIFY2(d->PCR1000AMFilterLabel->isHidden(), p.listText);
      QVERIFY2(d->DefaultPCR1000AMFilterComboBox->isHidden(), p.listText);
    }

    pickProtocol(*d, "AR8000");
    QCOMPARE(d->LowestFrequencyEdit->text(), QStringLiteral("0.1"));
    QCOMPARE(d->HighestFrequencyEdit->text(), QStringLiteral("1900.0"));
    QCOMPARE(selectedModes(*d), QStringList({"AM", "CW", "FMN", "FMW", "LSB", "USB", "AUT"}));
    QCOMPARE(checkedFeatureNames(*d), QStringList({"Mute", "Attenuate"}));
    pickProtocol(*d, "Icom CI-V");
    QVERIFY(!d->ModeLB->item(11)->isSelected());
    QCOMPARE(selectedModes(*d), QStringList({"AM", "CW", "FMN", "FMW", "FM1", "FM3", "FM9", "FSK",
                                             "LSB", "SSB", "USB"}));
  }

  void handPickedWideModesSurviveEveryProtocol() {
    auto d = openDialog();
    d->ModeLB->item(12)->setSelected(true);   // AMW
    d->ModeLB->item(14)->setSelected(false);  // AM3
    for (int position = 0; position < 8; ++position) {
      pickProtocol(*d, protocols::byListPosition(position)->listText);
      QVERIFY(d->ModeLB->item(12)->isSelected());
      QVERIFY(!d->ModeLB->item(13)->isSelected());
      QVERIFY(!d->ModeLB->item(14)->isSelected());
    }
  }

  void cancellingSavesNothing() {
    store("Connection", "Protocol", "1");
    store("Connection", "Com Port", "COM5");
    const QByteArray before = fileBytes();
    auto d = openDialog();
    // The stored connection is the values returned.
    QCOMPARE(d->values().protocol, 1);
    QCOMPARE(d->values().portName, QStringLiteral("COM5"));
    pickProtocol(*d, "AR8000");
    d->HighestFrequencyEdit->setText(QStringLiteral("12a"));
    d->ShowIconCheckBox->setChecked(false);
    QSignalSpy features(d.get(), &TConfigurationForm::featuresApplied);
    d->Button2->click();
    QVERIFY(d->isHidden());
    QCOMPARE(d->result(), int(QDialog::Rejected));
    QVERIFY(boxes_->seen().isEmpty());
    QCOMPARE(fileBytes(), before);
    QCOMPARE(features.size(), 0);
    QCOMPARE(d->values().protocol, 1);
    QVERIFY(d->values().showIcon);

    // Escape is the Cancel button.
    auto again = openDialog();
    again->LowestFrequencyEdit->setText(QStringLiteral("-1"));
    QTest::keyClick(again.get(), Qt::Key_Escape);
    QVERIFY(again->isHidden());
    QVERIFY(boxes_->seen().isEmpty());
    QCOMPARE(fileBytes(), before);
  }

  void showHintsSwitchesTooltipsAtOnce() {
    QWidget window;
    // A stored true ticks the box, and ticking runs its click: hints come on.
    HintDisplay::setEnabled(false);
    QVERIFY(!testsupport::TooltipReaches(&window));
    {
      auto d = openDialog();
      QVERIFY(d->ShowHintsCheckBox->isChecked());
      QVERIFY(HintDisplay::isEnabled());
      QVERIFY(testsupport::TooltipReaches(&window));
      // The operator's untick applies before any saving, and Cancel keeps it.
      d->ShowHintsCheckBox->click();
      QVERIFY(!HintDisplay::isEnabled());
      QVERIFY(!testsupport::TooltipReaches(&window));
      QVERIFY(!testsupport::TooltipReaches(d->Button1));
      d->Button2->click();
      QVERIFY(!HintDisplay::isEnabled());
      QVERIFY(!QFile::exists(file()));
    }
    // A stored false leaves the box unticked without running its click.
    store("General", "Show Hints", "0");
    HintDisplay::setEnabled(true);
    {
      auto d = openDialog();
      QVERIFY(!d->ShowHintsCheckBox->isChecked());
      QVERIFY(HintDisplay::isEnabled());
    }
  }

  void profileIsShownAndUsed() {
    store("Connection", "Com Port", "COM3");
    store_.emplace(QStringLiteral("Shack\\<b>2"));
    store("Connection", "Com Port", "COM7");
    store("Connection", "Address", "80");
    auto d = openDialog();
    QCOMPARE(testsupport::ShownText(d->ProfilePanel), QStringLiteral("Shack\\<b>2"));
    QCOMPARE(d->ComPortComboBox->currentText(), QStringLiteral("COM7"));
    d->ComPortComboBox->setCurrentIndex(d->ComPortComboBox->findText("COM4"));
    d->Button1->click();
    QCOMPARE(stored("Shack/<b>2/Connection", "Com Port").toString(), QStringLiteral("COM4"));
    QCOMPARE(stored("Connection", "Com Port").toString(), QStringLiteral("COM3"));
  }

  // An adapter that is unplugged today is still the configured port:
  // confirming keeps it instead of storing an empty name.
  void storedPortNotListedIsKept() {
    store("Connection", "Com Port", "/dev/ttyUSB9-and-more-text");
    store("Connection", "Com Port Rate", "57600");
    store("Connection", "Address", "80");
    auto d = openDialog();
    QCOMPARE(d->values().portName, QStringLiteral("/dev/ttyUSB9-a"));  // 14 characters
    QCOMPARE(d->ComPortComboBox->currentText(), QStringLiteral("/dev/ttyUSB9-a"));
    QCOMPARE(d->ComPortComboBox->itemText(d->ComPortComboBox->count() - 1),
             QStringLiteral("Internet"));
    QCOMPARE(d->RateComboBox->currentIndex(), -1);
    d->Button1->click();
    QCOMPARE(stored("Connection", "Com Port").toString(), QStringLiteral("/dev/ttyUSB9-a"));
    QCOMPARE(stored("Connection", "Com Port Rate").toString(), QStringLiteral("57600"));
  }

  void unreadableValueIsReportedAndTheRestLoaded() {
    QDir().mkpath(QFileInfo(file()).absolutePath());
    {
      QFile f(file());
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("[Connection]\nCom%20Port=COM1, COM2\nProtocol=2\n[Features]\nNB=1\n");
    }
    auto d = openDialog();
    QVERIFY(boxes_->waitForNext(5000));
    QCOMPARE(boxes_->seen().size(), 1);
    QCOMPARE(boxes_->seen().at(0).text, QStringLiteral("Invalid data type for 'Com Port'"));
    QCOMPARE(d->ProtocolComboBox->currentText(), QStringLiteral("AR8000"));
    QVERIFY(d->NBCheckBox->isChecked());
    d->Button2->click();

    // A store that cannot be read at all is reported once, not per value.
    QVERIFY(QFile::remove(file()));
    QVERIFY(QDir().mkpath(file()));
    auto blocked = openDialog();
    QVERIFY(boxes_->waitForNext(5000));
    QVERIFY(QDir(file()).removeRecursively());
    QCOMPARE(boxes_->seen().size(), 2);
    QCOMPARE(boxes_->seen().at(1).text,
             QStringLiteral("The settings file %1 cannot be read: it is a folder. Defaults are "
                            "used, and settings are not saved.")
                 .arg(file()));
    // Every value reads as its default then.
    QCOMPARE(blocked->RateComboBox->currentText(), QStringLiteral("9600"));
  }
};

CORVALO_TEST_MAIN_IMPL(ConfigureTest, QApplication)
#include "tst_configure.moc"
