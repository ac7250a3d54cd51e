// The configuration dialog's checks on "Close": coverage limits, the bus
// address, the readings rate and the settle time, and a store that cannot be
// written. A refusal tells why, hands the operator the field and stores
// nothing.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest/QtTest>

#include "TestMain.h"
#include "tst_configure_support.h"

class ConfigureChecksTest : public QObject, private ConfigureFixture {
  Q_OBJECT

 private slots:
  void init() { setUp(); }
  void cleanup() { tearDown(); }

  void invalidCoverageIsRefused_data() {
    QTest::addColumn<QString>("lowest");
    QTest::addColumn<QString>("highest");
    QTest::addColumn<QString>("focus");
    const auto row = [](const char* name, const char* lowest, const char* highest,
                        const char* focus) {
      QTest::newRow(name) << QString(lowest) << QString(highest) << QString(focus);
    };
    row("highest 10000", "0.1", "10000", "HighestFrequencyEdit");
    row("lowest -1", "-1", "1300", "LowestFrequencyEdit");
    row("lowest 12a", "12a", "1300", "LowestFrequencyEdit");
    row("highest blank behind", "0.1", "1300 ", "HighestFrequencyEdit");
    row("both invalid", "12a", "-1", "HighestFrequencyEdit");
  }
  void invalidCoverageIsRefused() {
    QFETCH(QString, lowest);
    QFETCH(QString, highest);
    QFETCH(QString, focus);
    store("Connection", "Address", "80");
    const QByteArray before = fileBytes();
    auto d = openDialog();
    d->PageControl->setCurrentWidget(d->General);
    d->MuteCheckBox->setChecked(true);
    d->LowestFrequencyEdit->setText(lowest);
    d->HighestFrequencyEdit->setText(highest);
    QSignalSpy features(d.get(), &TConfigurationForm::featuresApplied);
    d->Button1->click();

    QCOMPARE(boxes_->seen().size(), 1);
    const testsupport::SeenModal box = boxes_->seen().at(0);
    QCOMPARE(box.text, QStringLiteral("Invalid Frequency. Please enter a number between 0.00 to "
                                      "9999.99999."));
    QCOMPARE(box.title, QStringLiteral("Corvalo"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QVERIFY(d->isVisible());
    QCOMPARE(d->PageControl->currentWidget(), d->CoverageTabSheet);
    QCOMPARE(d->focusWidget()->objectName(), focus);
    QCOMPARE(features.size(), 0);
    QCOMPARE(fileBytes(), before);
    QCOMPARE(d->values().highestMhz, 1300.0);

    // The close box is refused silently while a text is invalid.
    d->close();
    QVERIFY(d->isVisible());
    QCOMPARE(boxes_->seen().size(), 1);
  }

  void coverageLimitsAreInclusive() {
    store("Connection", "Address", "80");
    auto d = openDialog();
    d->LowestFrequencyEdit->setText(QStringLiteral("0"));
    d->HighestFrequencyEdit->setText(QStringLiteral("9999.99999"));
    d->Button1->click();
    QVERIFY(boxes_->seen().isEmpty());
    QCOMPARE(stored("Coverage", "Lowest Frequency").toString(), QStringLiteral("  0.00000"));
    QCOMPARE(stored("Coverage", "Highest Frequency").toString(), QStringLiteral("9999.99999"));
  }

  void addressMustBeHexadecimal_data() {
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("saved");
    const auto row = [](const char* name, const char* protocol, const char* address, bool accepted,
                        const char* saved) {
      QTest::newRow(name) << QString(protocol) << QString(address) << accepted << QString(saved);
    };
    row("two digits", "Icom CI-V", "5C", true, "5C");
    row("lower case", "Icom CI-V", "fe", true, "fe");
    row("one digit", "OS456/OS535", "E", true, "E");
    row("blanks around", "Icom CI-V", " 4A ", true, "4A");
    row("empty", "Icom CI-V", "", false, "");
    row("three digits", "Icom CI-V", "123", false, "");
    row("not hexadecimal", "OS456/OS535", "G1", false, "");
    row("prefixed", "Icom CI-V", "0x", false, "");
    row("hidden is not checked", "AR8000", "zz", true, "zz");
    row("hidden may be empty", "Icom PCR1000", "", true, "");
  }
  void addressMustBeHexadecimal() {
    QFETCH(QString, protocol);
    QFETCH(QString, address);
    QFETCH(bool, accepted);
    QFETCH(QString, saved);
    auto d = openDialog();
    pickProtocol(*d, protocol.toLatin1().constData());
    d->AddressEdit->setText(address);
    d->PageControl->setCurrentWidget(d->General);
    d->Button1->click();
    if (accepted) {
      QVERIFY(boxes_->seen().isEmpty());
      QVERIFY(d->isHidden());
      QCOMPARE(stored("Connection", "Address").toString(), saved);
      return;
    }
    QCOMPARE(boxes_->seen().size(), 1);
    QCOMPARE(boxes_->seen().at(0).text,
             QString::fromLatin1(TConfigurationForm::kInvalidAddressMessage));
    QCOMPARE(boxes_->seen().at(0).title, QStringLiteral("Corvalo"));
    QVERIFY(d->isVisible());
    QCOMPARE(d->PageControl->currentWidget(), d->Connection);
    QCOMPARE(d->focusWidget(), d->AddressEdit);
    QVERIFY(!QFile::exists(file()));
  }

  // How often the radio is asked what it hears and how long a scan lets it
  // settle: shown as stored, checked on "Close", stored only when good.
  void readingsAndSettleTime_data() {
    QTest::addColumn<QString>("readings");
    QTest::addColumn<QString>("settle");   // "own": the radio's own entry chosen
    QTest::addColumn<QString>("refused");  // the field refused, or empty
    QTest::addColumn<QString>("saved");    // readings and settle time as stored
    const auto row = [](const char* name, const char* readings, const char* settle,
                        const char* refused, const char* saved) {
      QTest::newRow(name) << QString(readings) << QString(settle) << QString(refused)
                          << QString(saved);
    };
    row("the radio's own", "10", "own", "", "10 -1");
    row("empty is the radio's own", "0", "", "", "0 -1");
    row("both limits", "50", "2000", "", "50 2000");
    row("blanks around", " 5 ", " 0 ", "", "5 0");
    row("too many readings", "51", "own", "ReadingsPerSecondEdit", "");
    row("readings not a number", "ten", "own", "ReadingsPerSecondEdit", "");
    row("no readings given", "", "own", "ReadingsPerSecondEdit", "");
    row("settle too long", "10", "2001", "SettleTimeComboBox", "");
    row("settle below zero", "10", "-1", "SettleTimeComboBox", "");
    row("settle not whole", "10", "2.5", "SettleTimeComboBox", "");
  }
  void readingsAndSettleTime() {
    QFETCH(QString, readings);
    QFETCH(QString, settle);
    QFETCH(QString, refused);
    QFETCH(QString, saved);
    store("Connection", "Address", "80");
    store("Connection", "Readings Per Second", "3");
    store("Connection", "Settle Time", "120");
    const QByteArray before = fileBytes();
    auto d = openDialog();
    QCOMPARE(d->ReadingsPerSecondEdit->text(), QStringLiteral("3"));
    QCOMPARE(d->SettleTimeComboBox->currentText(), QStringLiteral("120"));
    d->ReadingsPerSecondEdit->setText(readings);
    if (settle == QLatin1String("own")) {
      d->SettleTimeComboBox->setCurrentIndex(0);
    } else {
      d->SettleTimeComboBox->setEditText(settle);
    }
    d->PageControl->setCurrentWidget(d->General);
    d->Button1->click();
    if (refused.isEmpty()) {
      QVERIFY(boxes_->seen().isEmpty());
      QVERIFY(d->isHidden());
      QCOMPARE(stored("Connection", "Readings Per Second").toString() + ' ' +
                   stored("Connection", "Settle Time").toString(),
               saved);
      return;
    }
    QCOMPARE(boxes_->seen().size(), 1);
    QCOMPARE(boxes_->seen().at(0).text,
             QString::fromLatin1(refused.startsWith("Readings")
                                     ? TConfigurationForm::kInvalidReadingsMessage
                                     : TConfigurationForm::kInvalidSettleTimeMessage));
    QVERIFY(d->isVisible());
    QCOMPARE(d->PageControl->currentWidget(), d->Connection);
    QCOMPARE(d->focusWidget()->objectName(), refused);
    QCOMPARE(fileBytes(), before);
  }

  void unwritableStoreKeepsTheDialogOpen() {
    store("Connection", "Address", "80");
    auto d = openDialog();
    QVERIFY(QFile::rename(file(), file() + ".saved"));
    QVERIFY(QDir().mkpath(file()));  // a folder where the file must go
    QSignalSpy features(d.get(), &TConfigurationForm::featuresApplied);
    d->Button1->click();
    QVERIFY(QDir(file()).removeRecursively());
    QVERIFY(QFile::rename(file() + ".saved", file()));
    QCOMPARE(boxes_->seen().size(), 1);
    QVERIFY(boxes_->seen().at(0).text.startsWith(QStringLiteral("The settings file ")));
    QCOMPARE(boxes_->seen().at(0).icon, QMessageBox::Critical);
    QVERIFY(d->isVisible());
    QCOMPARE(features.size(), 0);
    // Once the store can be written again, confirming succeeds.
    d->Button1->click();
    QVERIFY(d->isHidden());
    QCOMPARE(stored("Connection", "Protocol").toString(), QStringLiteral("0"));
  }
};

CORVALO_TEST_MAIN_IMPL(ConfigureChecksTest, QApplication)
#include "tst_configure_checks.moc"
