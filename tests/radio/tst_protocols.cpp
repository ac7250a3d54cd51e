// The table of the eight protocols: numbers, list positions, texts, caption
// suffixes and the proposals of the configuration dialog.
#include <QtTest/QtTest>

#include "TestMain.h"
#include "radio/Protocols.h"

using namespace protocols;

class ProtocolsTest : public QObject {
  Q_OBJECT

 private slots:
  void table_data();
  void table();
  void numbersWithoutProtocol();
};

void ProtocolsTest::table_data() {
  QTest::addColumn<int>("number");
  QTest::addColumn<int>("position");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("coverage");
  QTest::addColumn<QString>("modes");  // selected entries of 0..11, by code
  QTest::addColumn<unsigned>("features");
  QTest::addColumn<QString>("connection");  // address, IC-735, proposed address, AM filter

  const unsigned muteAtt = kMute | kAttenuate;
  QTest::newRow("AR2700") << 3 << 0 << "AR2700"
                          << "Corvalo [COM2:AR2700]"
                          << "0.5-1300.0"
                          << "AM FMN FMW AUT" << muteAtt << "----";
  QTest::newRow("AR8000") << 2 << 1 << "AR8000"
                          << "Corvalo [COM2:AR8000]"
                          << "0.1-1900.0"
                          << "AM CW FMN FMW LSB USB AUT" << muteAtt << "----";
  QTest::newRow("BC-895XLT") << 5 << 2 << "BC-895XLT"
                             << "Corvalo [COM2:BC895XLT]"
                             << "29.0-956.0"
                             << "AM FMN" << muteAtt << "----";
  QTest::newRow("Icom CI-V") << 0 << 3 << "Icom CI-V"
                             << "Corvalo [COM2:Icom CI-V]"
                             << "0.5-1300.0"
                             << "AM CW FMN FMW FM1 FM3 FM9 FSK LSB SSB USB" << muteAtt << "AI--";
  QTest::newRow("Icom PCR1000") << 6 << 4 << "Icom PCR1000"
                                << "Corvalo [COM2:PCR-1000]"
                                << "0.01-1300.0"
                                << "AM CW FMN FMW LSB USB" << unsigned(kAllFeatures) << "---F";
  QTest::newRow("OS456/OS535") << 1 << 5 << "OS456/OS535"
                               << "Corvalo [COM2:OS456/535]"
                               << "25.0-1300.0"
                               << "AM FMN FMW" << unsigned(kMute) << "A-8-";
  QTest::newRow("AR3000") << 8 << 6 << "AR3000"
                          << "Corvalo [COM2:AR3000]"
                          << "0.01-2036.0"
                          << "AM CW FMN FMW LSB USB" << unsigned(kAttenuate) << "----";
  QTest::newRow("AR3000A") << 9 << 7 << "AR3000A"
                           << "Corvalo [COM2:AR3000A]"
                           << "0.01-2036.0"
                           << "AM CW FMN FMW LSB USB" << muteAtt << "----";
}

void ProtocolsTest::table() {
  QFETCH(int, number);
  QFETCH(int, position);
  QFETCH(QString, text);
  QFETCH(QString, title);
  QFETCH(QString, coverage);
  QFETCH(QString, modes);
  QFETCH(unsigned, features);
  QFETCH(QString, connection);

  const ProtocolInfo* p = byNumber(number);
  QVERIFY(p);
  QCOMPARE(byListPosition(position), p);
  QCOMPARE(p->listPosition, position);
  QCOMPARE(QString::fromLatin1(all()[size_t(position)].listText), text);
  QCOMPARE(QString::fromLatin1(p->listText), text);
  QCOMPARE(caption(QStringLiteral("COM2"), number), title);
  QCOMPARE(QString::fromLatin1(p->lowest) + QLatin1Char('-') + QString::fromLatin1(p->highest),
           coverage);
  QStringList selected;
  for (int entry = 0; entry < 12; ++entry) {
    if (p->modes & (1u << entry)) selected << QString::fromLatin1(kModeCodes[size_t(entry)]);
  }
  QCOMPARE(selected.join(QLatin1Char(' ')), modes);
  QVERIFY((p->modes & ~0xFFFu) == 0);  // entries 12..14 are never proposed
  QCOMPARE(p->features, features);
  const QString fields = QString(p->showAddress ? QLatin1Char('A') : QLatin1Char('-')) +
                         (p->showIc735 ? QLatin1Char('I') : QLatin1Char('-')) +
                         (p->proposedAddress ? QLatin1Char('8') : QLatin1Char('-')) +
                         (p->showPcrAmFilter ? QLatin1Char('F') : QLatin1Char('-'));
  QCOMPARE(fields, connection);
  if (p->proposedAddress) QCOMPARE(QString::fromLatin1(p->proposedAddress), QStringLiteral("80"));
}

void ProtocolsTest::numbersWithoutProtocol() {
  for (int number : {4, 7, 10, -1}) {
    QVERIFY(!byNumber(number));
    QCOMPARE(caption(QStringLiteral("COM3"), number), QStringLiteral("Corvalo [COM3]"));
  }
  QVERIFY(!byListPosition(8));
  QVERIFY(!byListPosition(-1));
}

CORVALO_TEST_GUILESS_MAIN(ProtocolsTest)
#include "tst_protocols.moc"
