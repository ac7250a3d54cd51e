// The reply parsers against 10^5 random and mutated inputs a family, with a
// fixed seed: no verdict takes more bytes than there are, the answer never
// depends on how the line cut the bytes, every reading lies on the radio's
// scale, and no stream of non-answers yields a reading. Run it under the
// sanitizers too (-DCORVALO_SANITIZE=ON); bench/readings_fuzz runs 10^7.

#include <QtTest/QtTest>

#include "ReplyFuzz.h"
#include "TestMain.h"
#include "radio/Readings.h"

class TestReadingsFuzz : public QObject {
  Q_OBJECT

 private slots:
  void families_data() {
    QTest::addColumn<int>("protocol");
    for (const readings::ProtocolReadings& p : readings::all()) {
      QTest::newRow(QByteArray::number(p.protocol).constData()) << p.protocol;
    }
  }
  void families() {
    QFETCH(int, protocol);
    const FuzzReport report = FuzzReplies(protocol, 20240601u + quint64(protocol), 100000);
    QVERIFY2(report.failures == 0, qPrintable(report.firstFailure));
    QCOMPARE(report.inputs, qint64(100000));
    // The mutated answers do get read: the fuzzing reaches the answers.
    QVERIFY(report.readings > 1000);
  }
};

CORVALO_TEST_GUILESS_MAIN(TestReadingsFuzz)
#include "tst_readings_fuzz.moc"
