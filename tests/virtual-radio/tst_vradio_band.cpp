// The virtual radio's band and its answers: what each radio says it hears on
// and off a station, the stations' patterns and skirts, the station file,
// and the echo and acknowledgements real set-ups send.

#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <utility>

#include "TestMain.h"
#include "VirtualRadio.h"

namespace {

constexpr int kCiv = 0, kOs = 1, kAr8000 = 2, kAr2700 = 3, kBc = 5, kPcr = 6, kAr3000A = 9;

// One station at 162.55 MHz, 20 dB over S9, always on; the clock stands
// still at time 0.
RadioOptions Options(int protocol) {
  RadioOptions o;
  o.protocol = protocol;
  o.stations = std::vector<Station>{*ParseStationLine("162.55, FMN, 20, on", nullptr)};
  o.clock = [] { return 0.0; };
  return o;
}

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

// Everything the radio sent back but the echo.
QByteArray Answers(VirtualRadio& radio) {
  QByteArray all;
  for (const Outgoing& o : radio.takeOutgoing()) {
    if (!o.echo) all += o.bytes;
  }
  return all;
}

}  // namespace

class TestBand : public QObject {
  Q_OBJECT

 private slots:
  // Tuned onto the station and away from it, each radio answers its query
  // on its own scale.
  void answers_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("tuning");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("answer");
    const QByteArray pcrOn = "H101\r\nK00162550000050200\r\n";
    const QByteArray pcrAway = "H101\r\nK00150000000050200\r\n";
    QTest::newRow("pcr level") << kPcr << pcrOn << QByteArray("I1?\r\n") << QByteArray("I1AA\r\n");
    QTest::newRow("pcr open") << kPcr << pcrOn << QByteArray("I0?\r\n") << QByteArray("I007\r\n");
    QTest::newRow("pcr shut away")
        << kPcr << pcrAway << QByteArray("I0?\r\n") << QByteArray("I004\r\n");
    QTest::newRow("pcr squelch 0 opens on noise")
        << kPcr << pcrAway + "J4100\r\n"
        << QByteArray("I0?\r\n") << QByteArray("I007\r\n");
    QTest::newRow("civ level") << kCiv << Hex("FEFE08E0050000556201FD") << Hex("FEFE08E01502FD")
                               << Hex("FEFEE00815020160FD");
    QTest::newRow("civ open") << kCiv << Hex("FEFE08E0050000556201FD") << Hex("FEFE08E01501FD")
                              << Hex("FEFEE008150101FD");
    QTest::newRow("os status open") << kOs << Hex("FEFE80E07F02FDFEFE80E0050000556201FD")
                                    << Hex("FEFE80E07F05FD") << Hex("FEFEE0807F051112FD");
    QTest::newRow("ar8000 level and bit")
        << kAr8000 << QByteArray("RF162.55\r\n") << QByteArray("LM\r") << QByteArray("LMD2\r\n");
    QTest::newRow("ar2700 shut away")
        << kAr2700 << QByteArray("RF150\r\n") << QByteArray("LM\r") << QByteArray("LM%\r\n");
    QTest::newRow("bc level") << kBc << QByteArray("RF01625500\r") << QByteArray("SG\r")
                              << QByteArray("S032 F01625500\r");
    QTest::newRow("bc shut away") << kBc << QByteArray("RF01500000\r") << QByteArray("SQ\r")
                                  << QByteArray("-\r");
    QTest::newRow("ar3000a P") << kAr3000A << QByteArray("162.55N\r\n") << QByteArray("Y\r\n")
                               << QByteArray("P\r\n");
  }
  void answers() {
    QFETCH(int, protocol);
    QFETCH(QByteArray, tuning);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, answer);
    double now = 0;
    RadioOptions o = Options(protocol);
    o.clock = [&now] { return now; };
    VirtualRadio radio(o);
    radio.feed(tuning);
    radio.takeOutgoing();
    now = 1;  // settled
    const std::vector<RadioEvent> events = radio.feed(query);
    QCOMPARE(events.size(), size_t(1));
    QVERIFY(events.front().kind.endsWith(QLatin1String("-query")));
    QCOMPARE(Answers(radio), answer);
    QCOMPARE(events.front().answer, answer);
  }

  // Right after a retune the radio still hears where it was, until its
  // settle time has passed.
  void retuneSettles() {
    double now = 0;
    RadioOptions o = Options(kPcr);
    o.settleMs = 30;
    o.clock = [&now] { return now; };
    VirtualRadio radio(o);
    radio.feed("H101\r\nK00150000000050200\r\n");
    now = 1;
    radio.feed("K00162550000050200\r\n");
    radio.takeOutgoing();
    for (const auto& [at, answer] : {std::pair{1.029, "I004\r\n"}, std::pair{1.031, "I007\r\n"}}) {
      now = at;
      radio.feed("I0?\r\n");
      QCOMPARE(Answers(radio), QByteArray(answer));
    }
  }

  // Echo first, at once; then the acknowledgement after the turnaround and
  // the wire time; both can be turned off, and a silent radio answers no
  // query.
  void echoAndAcknowledgements() {
    RadioOptions o = Options(kCiv);
    VirtualRadio civ(o);
    const QByteArray tune = Hex("FEFE08E0050000556201FD");
    civ.feed(tune);
    const std::vector<Outgoing> out = civ.takeOutgoing();
    QCOMPARE(out.size(), size_t(2));
    QVERIFY(out[0].echo);
    QCOMPARE(out[0].bytes, tune);
    QCOMPARE(out[1].bytes, Hex("FEFEE008FBFD"));
    QVERIFY(out[1].delayUs >= 5000 + 6 * 10 * 1000000LL / 9600);

    o.echo = o.acknowledge = o.answerQueries = false;
    VirtualRadio quiet(o);
    quiet.feed(tune + Hex("FEFE08E01502FD"));
    QVERIFY(quiet.takeOutgoing().empty());

    o = Options(kCiv);
    o.ic735 = true;
    VirtualRadio ic735(o);
    ic735.feed(Hex("FEFE08E01502FD"));
    QCOMPARE(Answers(ic735), Hex("FEFEE008FAFD"));

    // The PCR1000 refuses what it cannot read and says nothing while off.
    VirtualRadio pcr(Options(kPcr));
    pcr.feed("J4064\r\nI1?\r\n");
    QCOMPARE(Answers(pcr), QByteArray());
    pcr.feed("H101\r\nJ4G64\r\n");
    QCOMPARE(Answers(pcr), QByteArray("G000\r\nG001\r\n"));
  }

  // Patterns: keyed within ON of each cycle, shifted by the phase.
  void patterns() {
    const Station s = *ParseStationLine("146.52, FMN, -6, 4/11@2", nullptr);
    QCOMPARE(s.keyed(0.0), true);  // 2 s into the cycle
    QCOMPARE(s.keyed(1.9), true);
    QCOMPARE(s.keyed(2.0), false);  // 4 s in: dropped
    QCOMPARE(s.keyed(13.0), true);  // 15 s in: the next cycle
    QCOMPARE(s.patternText(), QStringLiteral("4/11@2"));
    QCOMPARE(ParseStationLine("1, AM, 0, off", nullptr)->keyed(5), false);
  }

  // The filter's skirt: 6 dB down at its edge, a station on the next 25 kHz
  // channel is lost in the noise, and the attenuator takes 20 dB off.
  void skirt() {
    const Band band({*ParseStationLine("162.55, FMN, 20, on", nullptr)});
    QCOMPARE(band.levelDb(162550000, 15000, 0), 20.0);
    QCOMPARE(band.levelDb(162557500, 15000, 0), 14.0);
    QVERIFY(band.levelDb(162575000, 15000, 0) <= -48.0);
    QCOMPARE(band.levelDb(162550000, 15000, 0, 20), 0.0);
    QVERIFY(band.levelDb(162550000, 15000, 0, 20) > band.noiseDb(162550000, 0));
  }

  // The station file: comments, a header, and errors named by line.
  void stationFile_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("stations");
    QTest::addColumn<QString>("error");
    QTest::newRow("header and comments")
        << QByteArray(
               "frequency,mode,db,pattern\n# weather\n162.4,FMN,10,on\n\n"
               "146.52 , fmn , -6 , 4/11@2  # calling\n")
        << 2 << "";
    QTest::newRow("three fields") << QByteArray("162.4,FMN,10\n") << 0 << "line 1: expected 4";
    QTest::newRow("bad pattern") << QByteArray("162.4,FMN,10,on\n162.5,FMN,10,4-11\n") << 0
                                 << "line 2: \"4-11\" is not a pattern";
    QTest::newRow("bad strength") << QByteArray("162.4,FMN,loud,on\n") << 0
                                  << "line 1: \"loud\" is not a strength";
  }
  void stationFile() {
    QFETCH(QByteArray, text);
    QFETCH(int, stations);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stations.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    std::vector<Station> read;
    QString why;
    QCOMPARE(ReadStations(path, &read, &why), error.isEmpty());
    QCOMPARE(int(read.size()), stations);
    QVERIFY2(why.contains(error), qPrintable(why));
    if (stations == 2) QCOMPARE(Band(read).toCsv().count(QLatin1Char('\n')), 3);
  }
};

CORVALO_TEST_GUILESS_MAIN(TestBand)
#include "tst_vradio_band.moc"
