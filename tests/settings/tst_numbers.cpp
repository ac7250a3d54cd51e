#include <QLocale>
#include <QtTest/QtTest>
#include <clocale>

#include "TestMain.h"
#include "radio/FrequencyText.h"

// The number texts of the frequency field, the coverage limits and the step
// size: which texts are numbers, and the fixed-width forms they are shown and
// stored in.
class NumbersTest : public QObject {
  Q_OBJECT

 private slots:
  void parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "162.55" << true << 162.55;
    QTest::newRow("leading blanks") << "  162.55" << true << 162.55;
    QTest::newRow("point first") << ".5" << true << 0.5;
    QTest::newRow("exponent") << "1.6255E2" << true << 162.55;
    QTest::newRow("lower exponent with sign") << "16255e-2" << true << 162.55;
    QTest::newRow("sign") << "-3" << true << -3.0;
    QTest::newRow("plus sign") << "+3" << true << 3.0;
    QTest::newRow("integer") << "1300" << true << 1300.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks only") << "   " << false << 0.0;
    QTest::newRow("point last") << "162." << false << 0.0;
    QTest::newRow("trailing blank") << "162.55 " << false << 0.0;
    QTest::newRow("comma decimal") << "162,55" << false << 0.0;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("sign only") << "-" << false << 0.0;
    QTest::newRow("point only") << "." << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 0.0;
    QTest::newRow("two points") << "1.2.3" << false << 0.0;
    QTest::newRow("tab before") << "\t5" << false << 0.0;
    QTest::newRow("hex") << "0x10" << false << 0.0;
    QTest::newRow("infinity text") << "inf" << false << 0.0;
    QTest::newRow("overflowing exponent") << "1e999" << false << 0.0;
    QTest::newRow("NUL inside") << QStringLiteral("16") + QChar(0) + QStringLiteral("2") << false
                                << 0.0;
    QTest::newRow("arabic digits") << QString::fromUtf16(u"\u0661\u0662") << false << 0.0;
  }
  void parse() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, value);
    double parsed = -1;
    QCOMPARE(freqtext::ParseNumber(text, &parsed), valid);
    if (valid) QCOMPARE(parsed, value);
  }

  void validate_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("rewritten");
    QTest::newRow("normalised to 9 places") << "162.55" << true << "162.55000";
    QTest::newRow("lowest bound inclusive") << "0.1" << true << "  0.10000";
    QTest::newRow("highest bound inclusive") << "1300" << true << "1300.00000";
    QTest::newRow("above highest") << "1300.00001" << false << "1300.00001";
    QTest::newRow("below lowest") << "0.09999" << false << "0.09999";
    QTest::newRow("letters unchanged") << "12a" << false << "12a";
    QTest::newRow("empty unchanged") << "" << false << "";
    QTest::newRow("29 gets a blank") << "29" << true << " 29.00000";
    QTest::newRow("rounded to 5 decimals") << "145.123456" << true << "145.12346";
  }
  void validate() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, rewritten);
    QString t = text;
    QCOMPARE(freqtext::ValidateFrequencyText(t, 9, 5, 0.1, 1300.0), valid);
    QCOMPARE(t, rewritten);
  }

  void shownAndStoredForms() {
    QCOMPARE(freqtext::FormatFixed(162.55, 5, 11), QStringLiteral("  162.55000"));
    QCOMPARE(freqtext::FormatFixed(1300, 5, 11), QStringLiteral(" 1300.00000"));
    QCOMPARE(freqtext::FormatFixed(0.0005, 5, 9), QStringLiteral("  0.00050"));
    QCOMPARE(freqtext::FormatFixed(0.01, 5, 9), QStringLiteral("  0.01000"));
    QCOMPARE(freqtext::FormatFixed(1750, 5, 9), QStringLiteral("1750.00000"));
  }

  void packedDecimal() {
    QCOMPARE(int(freqtext::ToBcd(0)), 0x00);
    QCOMPARE(int(freqtext::ToBcd(9)), 0x09);
    QCOMPARE(int(freqtext::ToBcd(10)), 0x10);
    QCOMPARE(int(freqtext::ToBcd(55)), 0x55);
    QCOMPARE(int(freqtext::ToBcd(99)), 0x99);
    for (int n = 0; n < 100; ++n) {
      const int b = freqtext::ToBcd(n);
      QCOMPARE((b >> 4) * 10 + (b & 0x0F), n);
    }
  }

  // The user's locale never changes how numbers are read or written.
  void commaLocaleChangesNothing() {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    double v = 0;
    QVERIFY(freqtext::ParseNumber(QStringLiteral("162.55"), &v));
    QCOMPARE(v, 162.55);
    QVERIFY(!freqtext::ParseNumber(QStringLiteral("162,55"), &v));
    QCOMPARE(freqtext::FormatFixed(0.01, 5, 9), QStringLiteral("  0.01000"));
    QCOMPARE(freqtext::FormatFixed(1234.5, 5, 11), QStringLiteral(" 1234.50000"));
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(saved);
  }
};

CORVALO_TEST_GUILESS_MAIN(NumbersTest)
#include "tst_numbers.moc"
