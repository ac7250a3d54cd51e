// Readings as data and the reply parsers: the query bytes of every radio, each
// family's answers among echoes, acknowledgements, foreign frames and
// garbage, and the strength calibration. Every parser case is also fed one
// byte at a time and must come to the same answer.

#include <QtTest/QtTest>

#include "TestMain.h"
#include "radio/Protocols.h"
#include "radio/ReplyParsers.h"

using namespace readings;

namespace {

constexpr int kCiv = protocols::kIcomCiv, kOs = protocols::kOs456, kAr8000 = protocols::kAr8000,
              kAr2700 = protocols::kAr2700, kBc = protocols::kBc895Xlt, kPcr = protocols::kPcr1000,
              kAr3000 = protocols::kAr3000, kAr3000A = protocols::kAr3000A;

Query QueryFor(int protocol, Quantity quantity, quint8 address = 0x58,
               std::optional<qint64> tunedHz = std::nullopt) {
  LinkFacts link;
  link.protocol = protocol;
  link.address = address;
  link.tunedHz = tunedHz;
  return *makeQuery(link, quantity);
}

// What a run of the parser over all the bytes made of them: the answer (as
// "raw 120 open", "shut", ...), or "none", and the kinds skipped on the way.
QString Outcome(const Query& query, const QByteArray& bytes, bool oneByteAtATime) {
  static const char* const kNames[] = {"",        "echo",  "ack",     "refusal",
                                       "foreign", "other", "lineend", "garbage"};
  QByteArray pending;
  QStringList skipped;
  qsizetype next = 0;
  QString answer = QStringLiteral("none");
  while (next < bytes.size() || !pending.isEmpty()) {
    const qsizetype take = oneByteAtATime ? 1 : bytes.size() - next;
    pending += bytes.mid(next, take);
    next += take;
    bool waiting = false;
    while (!waiting) {
      const Parsed p = parseReply(query, pending);
      if (p.verdict == Verdict::NeedMore) {
        waiting = true;
      } else if (p.verdict == Verdict::Skip) {
        if (p.length < 1 || p.length > pending.size()) return QStringLiteral("bad skip length");
        if (p.skipped != Skipped::LineEnd) skipped << kNames[int(p.skipped)];
        pending.remove(0, p.length);
      } else {
        QStringList parts;
        if (p.reading.raw) parts << QStringLiteral("raw %1").arg(*p.reading.raw);
        if (p.reading.squelchOpen) parts << (*p.reading.squelchOpen ? "open" : "shut");
        if (p.reading.frequencyHz) parts << QString::number(*p.reading.frequencyHz);
        answer = parts.join(' ');
        next = bytes.size();
        pending.clear();
        waiting = true;
      }
    }
    if (next >= bytes.size()) break;
  }
  skipped.removeDuplicates();
  return answer + (skipped.isEmpty() ? QString() : QStringLiteral(" / ") + skipped.join(','));
}

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

}  // namespace

class TestReadings : public QObject {
  Q_OBJECT

 private slots:
  // The bytes of every query, and which radios have none.
  void queries_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<bool>("ic735");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QByteArray>("bytes");
    const int s = int(Quantity::Signal), q = int(Quantity::Squelch);
    QTest::newRow("civ meter") << kCiv << false << s << Hex("FEFE58E01502FD");
    QTest::newRow("civ squelch") << kCiv << false << q << Hex("FEFE58E01501FD");
    QTest::newRow("ic735 has none") << kCiv << true << s << QByteArray();
    QTest::newRow("os meter") << kOs << false << s << Hex("FEFE58E01502FD");
    QTest::newRow("os status block") << kOs << false << q << Hex("FEFE58E07F05FD");
    QTest::newRow("ar8000 LM") << kAr8000 << false << s << QByteArray("LM\r");
    QTest::newRow("ar2700 LM tells squelch") << kAr2700 << false << q << QByteArray("LM\r");
    QTest::newRow("bc SG") << kBc << false << s << QByteArray("SG\r");
    QTest::newRow("bc SQ") << kBc << false << q << QByteArray("SQ\r");
    QTest::newRow("pcr I1") << kPcr << false << s << QByteArray("I1?\r\n");
    QTest::newRow("pcr I0") << kPcr << false << q << QByteArray("I0?\r\n");
    QTest::newRow("ar3000a Y") << kAr3000A << false << s << QByteArray("Y\r\n");
    QTest::newRow("ar3000 has none") << kAr3000 << false << s << QByteArray();
    QTest::newRow("number 4 has none") << 4 << false << s << QByteArray();
  }
  void queries() {
    QFETCH(int, protocol);
    QFETCH(bool, ic735);
    QFETCH(int, quantity);
    QFETCH(QByteArray, bytes);
    LinkFacts link;
    link.protocol = protocol;
    link.address = 0x58;
    link.ic735 = ic735;
    const std::optional<Query> query = makeQuery(link, Quantity(quantity));
    QCOMPARE(query ? query->bytes : QByteArray(), bytes);
    QCOMPARE(canRead(link, Quantity(quantity)), !bytes.isEmpty());
  }

  // CI-V and OS456/OS535 frames, the radio at 58. Echo, acknowledgement,
  // NG, another radio's frames, frames to another controller, collision
  // jam and cut frames are skipped; only our own answer is read.
  void civ_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("outcome");
    const int s = int(Quantity::Signal), q = int(Quantity::Squelch);
    const QByteArray echo = Hex("FEFE58E01502FD");
    QTest::newRow("level 120") << kCiv << s << Hex("FEFEE05815020120FD") << "raw 120";
    QTest::newRow("level 255") << kCiv << s << Hex("FEFEE05815020255FD") << "raw 255";
    QTest::newRow("echo then level")
        << kCiv << s << echo + Hex("FEFEE05815020042FD") << "raw 42 / echo";
    QTest::newRow("ack and NG before")
        << kCiv << s << Hex("FEFEE058FBFDFEFEE058FAFDFEFEE05815020007FD") << "raw 7 / ack,refusal";
    QTest::newRow("other radio, other controller")
        << kCiv << s << Hex("FEFEE05A15020100FDFEFE5AE01502FDFEFEE05815020001FD")
        << "raw 1 / foreign";
    QTest::newRow("earlier squelch answer")
        << kCiv << s << Hex("FEFEE058150101FD") << "none / other";
    QTest::newRow("jam, cut frame, extra preamble")
        << kCiv << s << Hex("FCFCFEFEE05815FEFEFEE05815020099FD") << "raw 99 / garbage";
    QTest::newRow("level 256 is garbage")
        << kCiv << s << Hex("FEFEE05815020256FD") << "none / garbage";
    QTest::newRow("level not packed decimal")
        << kCiv << s << Hex("FEFEE0581502001AFD") << "none / garbage";
    QTest::newRow("one level byte") << kCiv << s << Hex("FEFEE058150212FD") << "none / garbage";
    QTest::newRow("no end of frame") << kCiv << s << Hex("FEFEE05815020120") << "none";
    QTest::newRow("squelch open") << kCiv << q << Hex("FEFEE058150101FD") << "open";
    QTest::newRow("squelch shut") << kCiv << q << Hex("FEFEE058150100FD") << "shut";
    QTest::newRow("squelch 02 is garbage")
        << kCiv << q << Hex("FEFEE058150102FD") << "none / garbage";
    QTest::newRow("os456 status open") << kOs << q << Hex("FEFEE0587F051102FD") << "open";
    QTest::newRow("os535 status shut") << kOs << q << Hex("FEFEE0587F05010200FD") << "shut";
    QTest::newRow("os one status byte") << kOs << q << Hex("FEFEE0587F0511FD") << "none / garbage";
  }
  void civ() {
    QFETCH(int, protocol);
    QFETCH(int, quantity);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, outcome);
    const Query query = QueryFor(protocol, Quantity(quantity));
    QCOMPARE(Outcome(query, bytes, false), outcome);
    QCOMPARE(Outcome(query, bytes, true), outcome);
  }

  // At the broadcast address 00 the radio answers from its own address.
  void civBroadcastAddress() {
    const Query query = QueryFor(kCiv, Quantity::Signal, 0x00);
    QCOMPARE(Outcome(query, Hex("FEFE00E01502FDFEFEE05815020120FD"), true),
             QStringLiteral("raw 120 / echo"));
  }

  void pcr_data() {
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("outcome");
    const int s = int(Quantity::Signal), q = int(Quantity::Squelch);
    QTest::newRow("level") << s << QByteArray("I1A3\r\n") << "raw 163";
    QTest::newRow("acks first") << s << QByteArray("G000\r\nG001\r\nI100\r\n")
                                << "raw 0 / ack,refusal";
    QTest::newRow("squelch answer is not a level")
        << s << QByteArray("I007\r\nI1FF\r\n") << "raw 255 / other";
    QTest::newRow("open 07") << q << QByteArray("I007\r\n") << "open";
    QTest::newRow("shut 04") << q << QByteArray("I004\r\n") << "shut";
    QTest::newRow("lower-case hex") << s << QByteArray("I1a3\r\n") << "raw 163";
    QTest::newRow("power state skipped") << q << QByteArray("H101\r\nI007\r\n") << "open / other";
    QTest::newRow("no line end yet") << s << QByteArray("I1A3") << "none";
    QTest::newRow("garbage then level")
        << s << QByteArray("xI1Z9\r\nI1I1\r\nI110\r\n") << "raw 16 / garbage";
  }
  void pcr() {
    QFETCH(int, quantity);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, outcome);
    const Query query = QueryFor(kPcr, Quantity(quantity));
    QCOMPARE(Outcome(query, bytes, false), outcome);
    QCOMPARE(Outcome(query, bytes, true), outcome);
  }

  // AR8000 (squelch in bit 7), AR2700 (a level means open), AR3000A.
  void aorFamily_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("ar8000 open") << kAr8000 << QByteArray("LM9A\r\n") << "raw 26 open";
    QTest::newRow("ar8000 bit clear") << kAr8000 << QByteArray("LM1A\r\n") << "raw 26 shut";
    QTest::newRow("ar8000 percent") << kAr8000 << QByteArray("LM%\r\n") << "shut";
    QTest::newRow("ar8000 after refusal")
        << kAr8000 << QByteArray("?\r\nRF162.55\rLM85\r") << "raw 5 open / refusal,other";
    QTest::newRow("ar8000 not hex") << kAr8000 << QByteArray("LMXY\r") << "none / garbage";
    QTest::newRow("ar2700 blank, clamped") << kAr2700 << QByteArray("LM 7F\r") << "raw 63 open";
    QTest::newRow("ar3000a letter") << kAr3000A << QByteArray("\nH\r\n") << "raw 72 open";
    QTest::newRow("ar3000a percent") << kAr3000A << QByteArray("%\r\n") << "raw 37 shut";
    QTest::newRow("ar3000a other lines")
        << kAr3000A << QByteArray("Q\r\nAB\r\nP\r\n") << "raw 80 open / other";
    QTest::newRow("overlong line") << kAr8000 << QByteArray(40, 'x') + "\rLM81\r"
                                   << "raw 1 open / garbage,other";
  }
  void aorFamily() {
    QFETCH(int, protocol);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, outcome);
    const Query query = QueryFor(protocol, Quantity::Signal);
    QCOMPARE(Outcome(query, bytes, false), outcome);
    QCOMPARE(Outcome(query, bytes, true), outcome);
  }

  // BC-895XLT, tuned to 162.55 MHz: a level on another frequency is from
  // before a retune.
  void bc895_data() {
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("outcome");
    const int s = int(Quantity::Signal), q = int(Quantity::Squelch);
    QTest::newRow("level and frequency")
        << s << QByteArray("S018 F01625500\r") << "raw 18 162550000";
    QTest::newRow("level alone") << s << QByteArray("S18\r") << "raw 18";
    QTest::newRow("acks, refusals")
        << s << QByteArray("OK\rNG\rERR\rS032 F01625500\r") << "raw 32 162550000 / ack,refusal";
    QTest::newRow("another frequency") << s << QByteArray("S018 F08594375\r") << "none / other";
    QTest::newRow("level 256") << s << QByteArray("S256 F01625500\r") << "none / garbage";
    QTest::newRow("short frequency") << s << QByteArray("S018 F0162550\r") << "none / garbage";
    QTest::newRow("open") << q << QByteArray("OK\r+\r") << "open / ack";
    QTest::newRow("shut") << q << QByteArray("-\r") << "shut";
    QTest::newRow("level is not a squelch")
        << q << QByteArray("S018 F01625500\r-\r") << "shut / other";
  }
  void bc895() {
    QFETCH(int, quantity);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, outcome);
    const Query query = QueryFor(kBc, Quantity(quantity), 0, qint64(162550000));
    QCOMPARE(Outcome(query, bytes, false), outcome);
    QCOMPARE(Outcome(query, bytes, true), outcome);
  }

  // Raw values to dB and S-units, between and beyond the points; raw where
  // no calibration is known.
  void calibration_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("shown");
    QTest::newRow("civ S9") << kCiv << 120 << "~S9 (0 dB)";
    QTest::newRow("civ S0") << kCiv << 0 << "~S0 (-54 dB)";
    QTest::newRow("civ halfway to S9") << kCiv << 60 << "~S4 (-27 dB)";
    QTest::newRow("civ S9+60 and beyond") << kCiv << 255 << "~S9+60 (60 dB)";
    QTest::newRow("pcr mid-scale") << kPcr << 127 << "~S9 (0 dB)";
    QTest::newRow("bc 22") << kBc << 22 << "~S7 (-8 dB)";
    QTest::newRow("ar3000a A is S1") << kAr3000A << int('A') << "S1 (-48 dB)";
    QTest::newRow("ar3000a P") << kAr3000A << int('P') << "S9+20 (20 dB)";
    QTest::newRow("os456 raw") << kOs << 200 << "raw 200/255";
    QTest::newRow("ar8000 raw") << kAr8000 << 26 << "raw 26/127";
  }
  void calibration() {
    QFETCH(int, protocol);
    QFETCH(int, raw);
    QFETCH(QString, shown);
    QCOMPARE(describe(*forProtocol(protocol), raw), shown);
  }

  // Settle times and deadlines: a default for radios without a reading, and
  // a deadline that grows with a slow line.
  void timing() {
    QCOMPARE(settleMs(kAr3000), kDefaultSettleMs);
    QCOMPARE(settleMs(kOs), 20);
    const Query civ = QueryFor(kCiv, Quantity::Signal);
    QVERIFY(replyDeadline(civ, 1200) > replyDeadline(civ, 19200));
    // Query, echo and a 15-byte answer at 9600 baud: 29 bytes, 31 ms on the
    // wire, and the radio's turnaround.
    QCOMPARE(replyDeadline(civ, 9600).count(), 30 + 31);
    LinkFacts pcr;
    pcr.protocol = kPcr;
    pcr.commandDelayMs = 10;
    QCOMPARE(queryGap(pcr).count(), 2);
  }
};

CORVALO_TEST_GUILESS_MAIN(TestReadings)
#include "tst_readings.moc"
