#include <QtTest/QtTest>

#include "TestMain.h"
#include "radio/FrequencyText.h"

class NumbersTest : public QObject {
  Q_OBJECT
 private slots:
  void placeholder() { QVERIFY(true); }
};

CORVALO_TEST_GUILESS_MAIN(NumbersTest)
#include "tst_numbers.moc"
