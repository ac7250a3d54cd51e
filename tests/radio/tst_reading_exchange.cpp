// A reading on a real line: the query goes out through the serial transport
// to a pseudo-terminal, whose far end answers as a radio would (with echoes,
// acknowledgements, other devices' frames, answers in pieces, late or not at
// all), or to the running virtual radio, which answers from its band.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <thread>

#include "PseudoTerminal.h"
#include "TestMain.h"
#include "VirtualRadioProcess.h"
#include "radio/Protocols.h"
#include "radio/ReadingExchange.h"
#include "radio/ReplyParsers.h"
#include "radio/Transport.h"
#include "radio/TuneCommand.h"

using namespace readings;

namespace {

constexpr int kCiv = protocols::kIcomCiv, kOs = protocols::kOs456, kAr8000 = protocols::kAr8000,
              kAr2700 = protocols::kAr2700, kBc = protocols::kBc895Xlt, kPcr = protocols::kPcr1000,
              kAr3000A = protocols::kAr3000A;

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

QString Describe(const std::optional<Reading>& r) {
  if (!r) return QStringLiteral("none");
  QStringList parts;
  if (r->raw) parts << QStringLiteral("raw %1").arg(*r->raw);
  if (r->squelchOpen) parts << (*r->squelchOpen ? "open" : "shut");
  if (r->frequencyHz) parts << QString::number(*r->frequencyHz);
  return parts.join(' ');
}

// The radio at the far end of a pseudo-terminal: once the query has
// arrived, it writes its answer in pieces of pieceSize bytes (0: at once),
// pauseMs before each.
class Responder {
 public:
  Responder(PseudoTerminal& pty, qsizetype queryBytes, QByteArray answer, int pieceSize,
            int pauseMs)
      : thread_([&pty, queryBytes, answer, pieceSize, pauseMs] {
          if (pty.waitFor(queryBytes, 3000).size() < queryBytes) return;
          const qsizetype step = pieceSize > 0 ? pieceSize : qMax<qsizetype>(answer.size(), 1);
          for (qsizetype i = 0; i < answer.size(); i += step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
            pty.write(answer.mid(i, step));
          }
        }) {}
  ~Responder() { thread_.join(); }

 private:
  std::thread thread_;
};

LinkFacts Link(int protocol, int baud = 9600) {
  LinkFacts link;
  link.protocol = protocol;
  link.address = protocol == kOs ? 0x80 : 0x58;
  link.tunedHz = 162550000;
  link.baudRate = baud;
  return link;
}

}  // namespace

class TestReadingExchange : public QObject {
  Q_OBJECT

 private slots:
  // One query on a pseudo-terminal: exactly the query's bytes reach the
  // line, and only the answer to it is taken, whatever comes around it.
  // What waited on the line before the query is discarded.
  void pseudoTerminal_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QByteArray>("waiting");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<QString>("outcome");
    const int s = int(Quantity::Signal), q = int(Quantity::Squelch);
    const QByteArray meter = Hex("FEFE58E01502FD");
    const QByteArray none;
    QTest::newRow("civ echo, ack, answer")
        << kCiv << s << none << meter + Hex("FEFEE058FBFDFEFEE05815020120FD") << 0 << 0
        << "raw 120";
    QTest::newRow("civ other devices between, byte by byte")
        << kCiv << s << none << meter + Hex("FEFEE05A15020200FDFEFE5AE01502FDFEFEE05815020007FD")
        << 1 << 1 << "raw 7";
    QTest::newRow("civ NG only") << kCiv << s << none << meter + Hex("FEFEE058FAFD") << 0 << 0
                                 << "none";
    QTest::newRow("civ earlier answer discarded")
        << kCiv << s << Hex("FEFEE05815020255FD") << meter + Hex("FEFEE05815020042FD") << 0 << 0
        << "raw 42";
    QTest::newRow("civ squelch shut")
        << kCiv << q << none << Hex("FEFE58E01501FDFEFEE058150100FD") << 0 << 0 << "shut";
    QTest::newRow("os status open")
        << kOs << q << none << Hex("FEFE80E07F05FDFEFEE0807F051102FD") << 0 << 0 << "open";
    QTest::newRow("pcr acks waiting, then acks and answer")
        << kPcr << s << QByteArray("G000\r\nG000\r\nI1FF\r\n") << QByteArray("G000\r\nI1A3\r\n")
        << 0 << 0 << "raw 163";
    QTest::newRow("pcr squelch open")
        << kPcr << q << none << QByteArray("I007\r\n") << 0 << 0 << "open";
    QTest::newRow("pcr silent") << kPcr << s << none << none << 0 << 0 << "none";
    QTest::newRow("pcr late") << kPcr << s << none << QByteArray("I1A3\r\n") << 0 << 600 << "none";
    QTest::newRow("pcr cut short") << kPcr << s << none << QByteArray("I1A") << 0 << 0 << "none";
    QTest::newRow("ar8000 in pieces")
        << kAr8000 << s << none << QByteArray("LM%\r\n") << 1 << 2 << "shut";
    QTest::newRow("ar2700 level") << kAr2700 << q << none << QByteArray("LM21\r\n") << 0 << 0
                                  << "raw 33 open";
    QTest::newRow("bc OK, then level")
        << kBc << s << none << QByteArray("OK\rS018 F01625500\r") << 0 << 0 << "raw 18 162550000";
    QTest::newRow("bc level of another frequency")
        << kBc << s << none << QByteArray("S018 F08594375\r") << 0 << 0 << "none";
    QTest::newRow("bc squelch") << kBc << q << none << QByteArray("OK\r+\r") << 0 << 0 << "open";
    QTest::newRow("ar3000a after line noise")
        << kAr3000A << s << none << QByteArray(200, '\x07') + "\r\nH\r\n"
        << 7 << 1 << "raw 72 open";
    QTest::newRow("ar3000a garbage only")
        << kAr3000A << s << none << QByteArray(4000, '\xA5') << 64 << 0 << "none";
  }
  void pseudoTerminal() {
    QFETCH(int, protocol);
    QFETCH(int, quantity);
    QFETCH(QByteArray, waiting);
    QFETCH(QByteArray, answer);
    QFETCH(int, pieceSize);
    QFETCH(int, pauseMs);
    QFETCH(QString, outcome);
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    const std::unique_ptr<Transport> line = makeTransport(pty.devicePath());
    QVERIFY(line->open(9600));
    const LinkFacts link = Link(protocol);
    const QByteArray query = makeQuery(link, Quantity(quantity))->bytes;
    pty.write(waiting);
    pty.settle(20, 500);  // the far end's bytes have reached the line
    Pacing pacing;
    pacing.deadline = std::chrono::milliseconds(300);
    ReadingResult result;
    {
      Responder radio(pty, query.size(), answer, pieceSize, pauseMs);
      result = takeReading(*line, link, Quantity(quantity), pacing);
    }
    QCOMPARE(Describe(result.reading), outcome);
    QVERIFY(!result.lineFailed);
    QCOMPARE(pty.received(), query);
  }

  // A whole reading: the query, then after the radio's frame gap the second
  // query where the first answer does not tell the squelch.
  void levelAndSquelch() {
    PseudoTerminal pty;
    const std::unique_ptr<Transport> line = makeTransport(pty.devicePath());
    QVERIFY(line->open(9600));
    const LinkFacts link = Link(kCiv);
    const QByteArray meter = Hex("FEFE58E01502FD"), squelch = Hex("FEFE58E01501FD");
    Pacing pacing;
    pacing.deadline = std::chrono::milliseconds(300);
    ReadingResult result;
    {
      Responder first(pty, meter.size(), Hex("FEFEE05815020120FD"), 0, 0);
      Responder second(pty, meter.size() + squelch.size(), Hex("FEFEE058150101FD"), 0, 0);
      result = takeReading(*line, link, pacing);
    }
    QCOMPARE(Describe(result.reading), QStringLiteral("raw 120 open"));
    QCOMPARE(result.queries, 2);
    QCOMPARE(pty.received(), meter + squelch);
    QVERIFY(pty.gapMs(meter.size() - 1, meter.size()) >= queryGap(link).count());
  }

  // Through the running virtual radio, for every protocol with a reading:
  // on the station the level comes with the squelch open, off it the
  // squelch is shut; a radio that keeps silent gives no reading.
  void virtualRadio_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("mode");
    QTest::newRow("Icom CI-V") << kCiv << "FMN";
    QTest::newRow("OS456/OS535") << kOs << "FMN";
    QTest::newRow("AR8000") << kAr8000 << "FMN";
    QTest::newRow("AR2700") << kAr2700 << "FMN";
    QTest::newRow("BC-895XLT") << kBc << "FMN";
    QTest::newRow("Icom PCR1000") << kPcr << "FMN";
    QTest::newRow("AR3000A") << kAr3000A << "FMN";
  }
  void virtualRadio() {
    QFETCH(int, protocol);
    QFETCH(QString, mode);
    QTemporaryDir dir;
    const QString stations = dir.filePath(QStringLiteral("stations.csv"));
    QFile file(stations);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("162.55, FMN, 20, on\n");
    file.close();
    for (const bool silent : {false, true}) {
      // Settled at once: a loaded machine may have the radio take a retune in
      // late (the settle wait is the scanner's test).
      QStringList arguments{
          "--protocol", QString::number(protocol), "--stations", stations, "--settle", "0"};
      if (silent) arguments << "--no-readings";
      VirtualRadioProcess radio(arguments);
      QVERIFY2(radio.started(), qPrintable(radio.startError()));
      const std::unique_ptr<Transport> line = makeTransport(radio.devicePath());
      QVERIFY(line->open(9600));
      LinkFacts link = Link(protocol);
      encoders::TuneParameters tuning;
      tuning.protocol = protocol;
      tuning.civAddress = link.address;
      // The radios that start switched off are switched on first.
      if (protocol == kPcr) QVERIFY(line->write("H101\r\n"));
      if (protocol == kOs) QVERIFY(line->write(Hex("FEFE80E07F02FD")));
      Pacing pacing;
      // Generous where an answer comes: a loaded machine is slow.
      pacing.deadline = std::chrono::milliseconds(silent ? 300 : 2000);
      QStringList seen;
      for (const char* frequency : {"162.55", "150.00"}) {
        const encoders::TuneCommand tune =
            encoders::EncodeTuning(tuning, QString::fromLatin1(frequency), mode);
        QVERIFY(line->write(tune.bytes + tune.modeFrame));
        // Read once the radio has settled on the new frequency.
        pacing.notBefore = Clock::now() + std::chrono::milliseconds(settleMs(protocol));
        link.tunedHz = qRound64(QByteArray(frequency).toDouble() * 1e6);
        const ReadingResult r = takeReading(*line, link, pacing);
        seen << (!r.reading                ? QStringLiteral("none")
                 : !r.reading->squelchOpen ? QStringLiteral("no squelch")
                 : *r.reading->squelchOpen ? QStringLiteral("open")
                                           : QStringLiteral("shut"));
        if (r.reading && *r.reading->squelchOpen) QVERIFY(r.reading->raw.has_value());
      }
      QCOMPARE(seen, silent ? QStringList({"none", "none"}) : QStringList({"open", "shut"}));
      line->close();
      QVERIFY(radio.waitForEvent(QStringLiteral("port-closed")));
      QCOMPARE(radio.flagged(), QStringList());
    }
  }

  // An IC-735 refuses the meter query with NG: no reading, nothing taken
  // for one.
  void ic735Refuses() {
    VirtualRadioProcess radio({"--protocol", "0", "--ic735"});
    QVERIFY2(radio.started(), qPrintable(radio.startError()));
    const std::unique_ptr<Transport> line = makeTransport(radio.devicePath());
    QVERIFY(line->open(9600));
    const std::optional<Query> query = makeQuery(Link(kCiv), Quantity::Signal);
    const Exchange e = exchange(*line, *query, Clock::now(), std::chrono::milliseconds(500));
    QVERIFY(!e.reading);
    QCOMPARE(e.echoes, 1);
    QCOMPARE(e.refusals, 1);
  }
};

CORVALO_TEST_GUILESS_MAIN(TestReadingExchange)
#include "tst_reading_exchange.moc"
