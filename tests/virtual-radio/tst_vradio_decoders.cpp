// The virtual radio's decoders, fed byte strings written from the radios'
// byte layouts: every command kind of every family, the framing of bytes
// that arrive in pieces, and everything that must be flagged rather than
// dropped.

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest/QtTest>

#include "ProtocolArgument.h"
#include "TestMain.h"
#include "VirtualRadio.h"

namespace {

constexpr int kCiv = 0, kOs = 1, kAr8000 = 2, kAr2700 = 3, kBc = 5, kPcr = 6, kAr3000 = 8,
              kAr3000A = 9;

VirtualRadio Radio(int protocol) {
  RadioOptions o;
  o.protocol = protocol;
  return VirtualRadio(o);
}

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

QString Kinds(const std::vector<RadioEvent>& events) {
  QStringList k;
  for (const RadioEvent& e : events) k << e.kind;
  return k.join(QLatin1Char(','));
}

}  // namespace

class TestDecoders : public QObject {
  Q_OBJECT

 private slots:
  // One complete command, one event: its kind, one field and whether it is
  // flagged.
  void commands_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("flagged");

    const auto row = [](const char* name, int p, const QByteArray& b, const char* kind,
                        const char* field, const QVariant& v, bool flagged = false) {
      QTest::newRow(name) << p << b << QString::fromLatin1(kind) << QString::fromLatin1(field) << v
                          << flagged;
    };
    // CI-V: exact hertz, five bytes (four on the IC-735 below 100 MHz).
    row("civ 162.55 exact", kCiv, Hex("FEFE08E0050000556201FD"), "tune", "frequencyHz",
        qint64(162550000));
    row("civ 1 Hz is read as sent", kCiv, Hex("FEFE08E0050100556201FD"), "tune", "frequencyHz",
        qint64(162550001));
    row("civ 0.5 MHz", kCiv, Hex("FEFE08E0050000500000FD"), "tune", "frequencyHz", qint64(500000));
    row("civ 1300 MHz", kCiv, Hex("FEFE08E0050000000013FD"), "tune", "frequencyHz",
        qint64(1300000000));
    row("civ ic735 4 bytes", kCiv, Hex("FEFE08E00500001007FD"), "tune", "frequencyBytes", 4);
    row("civ address 00 full frame", kCiv, Hex("FEFE00E0050000556201FD"), "tune", "address", "00");
    row("civ 3 frequency bytes", kCiv, Hex("FEFE08E005005562FD"), "unknown", "", {}, true);
    row("civ 6 frequency bytes", kCiv, Hex("FEFE08E005000055620100FD"), "unknown", "", {}, true);
    row("civ not packed decimal", kCiv, Hex("FEFE08E00500005A6201FD"), "unknown", "", {}, true);
    row("civ FMN", kCiv, Hex("FEFE08E0060502FD"), "mode", "mode", "FMN");
    row("civ FMW", kCiv, Hex("FEFE08E00605FD"), "mode", "mode", "FMW");
    row("civ SSB", kCiv, Hex("FEFE08E0060500FD"), "mode", "mode", "SSB");
    row("civ LSB", kCiv, Hex("FEFE08E00600FD"), "mode", "mode", "LSB");
    row("civ AM3", kCiv, Hex("FEFE08E0060203FD"), "mode", "mode", "AM3");
    row("civ mode without byte", kCiv, Hex("FEFE08E006FD"), "unknown", "", {}, true);
    row("civ mode 07", kCiv, Hex("FEFE08E00607FD"), "unknown", "", {}, true);
    row("civ volume 50", kCiv, Hex("FEFE08E014010050FD"), "volume", "level", 50);
    row("civ volume 0", kCiv, Hex("FEFE08E014010000FD"), "volume", "level", 0);
    row("civ volume 200", kCiv, Hex("FEFE08E014010200FD"), "volume", "level", 200);
    row("civ squelch 255", kCiv, Hex("FEFE08E014030255FD"), "squelch", "level", 255);
    row("civ one-byte level", kCiv, Hex("FEFE08E0140150FD"), "unknown", "", {}, true);
    row("civ level 256", kCiv, Hex("FEFE08E014010256FD"), "unknown", "", {}, true);
    row("civ level sub 02", kCiv, Hex("FEFE08E014020050FD"), "unknown", "", {}, true);
    row("civ att 20 dB", kCiv, Hex("FEFE08E01120FD"), "attenuator", "dB", 20);
    row("civ att off", kCiv, Hex("FEFE08E01100FD"), "attenuator", "on", false);
    row("civ att 15", kCiv, Hex("FEFE08E01115FD"), "unknown", "", {}, true);
    row("civ att without code", kCiv, Hex("FEFE08E011FD"), "unknown", "", {}, true);
    row("civ has no 7F", kCiv, Hex("FEFE08E07F02FD"), "unknown", "", {}, true);
    row("civ command 19", kCiv, Hex("FEFE08E019FD"), "unknown", "", {}, true);
    row("civ header only", kCiv, Hex("FEFE08E0FD"), "unknown", "", {}, true);
    // OS456/OS535: five frequency bytes always; its own FM codes; 7F power/audio.
    row("os 162.55", kOs, Hex("FEFE80E0050000556201FD"), "tune", "frequencyHz", qint64(162550000));
    row("os 4 bytes", kOs, Hex("FEFE80E00500001007FD"), "unknown", "", {}, true);
    row("os FMN is 05", kOs, Hex("FEFE80E00605FD"), "mode", "mode", "FMN");
    row("os FMW is 06", kOs, Hex("FEFE80E00606FD"), "mode", "mode", "FMW");
    row("os power on", kOs, Hex("FEFE80E07F02FD"), "power", "on", true);
    row("os power off", kOs, Hex("FEFE80E07F01FD"), "power", "on", false);
    row("os audio off", kOs, Hex("FEFE80E07F0BFD"), "mute", "on", true);
    row("os 7F 06", kOs, Hex("FEFE80E07F06FD"), "unknown", "", {}, true);
    row("os has no volume", kOs, Hex("FEFE80E014010050FD"), "unknown", "", {}, true);
    row("os address 0", kOs, Hex("FEFE00E07F02FD"), "power", "address", "00");
    // AR8000/AR2700: lines ended by CR LF.
    row("aor RF", kAr8000, "RF162.55\r\n", "tune", "frequencyHz", qint64(162550000));
    row("aor RF 5 decimals", kAr2700, "RF0.50000\r\n", "tune", "frequencyHz", qint64(500000));
    row("aor RF exponent", kAr8000, "RF1.6255E2\r\n", "unknown", "", {}, true);
    row("aor RF blank", kAr8000, "RF 162.55\r\n", "tune", "frequencyHz", qint64(162550000));
    row("aor ST", kAr8000, "ST0.1\r\n", "step", "step", "0.1");
    row("aor MD1", kAr8000, "MD1\r\n", "mode", "mode", "FMN");
    row("aor MD5", kAr2700, "MD5\r\n", "mode", "mode", "CW");
    row("aor MD without digit", kAr8000, "MD\r\n", "unknown", "", {}, true);
    row("aor MD6", kAr8000, "MD6\r\n", "unknown", "", {}, true);
    row("aor AU1", kAr8000, "AU1\r\n", "mode", "mode", "AUT");
    row("aor AT1", kAr8000, " AT1\r\n", "attenuator", "on", true);
    row("aor AT0", kAr2700, " AT0\r\n", "attenuator", "on", false);
    row("aor MC1", kAr8000, "MC1\r\n", "mute", "on", true);
    row("aor MC0", kAr8000, "MC0\r\n", "mute", "on", false);
    row("aor EX", kAr8000, "EX\r\n", "exit", "terminator", "CRLF");
    row("aor LF alone", kAr8000, "RF162.55\n", "tune", "terminator", "LF", true);
    row("aor CR alone", kAr8000, "MD1\r", "mode", "terminator", "CR");
    row("aor lower case", kAr8000, "md1\r\n", "unknown", "", {}, true);
    // BC-895XLT: CR alone.
    row("bc RF 162.55", kBc, "RF01625500\r", "tune", "frequencyHz", qint64(162550000));
    row("bc RF 29", kBc, "RF00290000\r", "tune", "frequencyHz", qint64(29000000));
    row("bc RF 7 digits", kBc, "RF0162550\r", "unknown", "", {}, true);
    row("bc RF letter", kBc, "RF0162550A\r", "unknown", "", {}, true);
    row("bc KEY13", kBc, "KEY13\r", "key", "key", "13");
    row("bc KEY01", kBc, "KEY01\r", "key", "key", "01");
    row("bc MUN", kBc, "MUN\r", "mute", "on", true);
    row("bc MUA", kBc, "MUA\r", "mute", "on", false);
    row("bc CR alone", kBc, "\r", "empty", "terminator", "CR");
    row("bc model query", kBc, "MD\r", "model-query", "reply", "MD07");
    // PCR1000: CR LF.
    row("pcr K0 162.55 FMN", kPcr, "K00162550000050200\r\n", "tune", "filter", "15K");
    row("pcr K0 0.5 AM", kPcr, "K00000500000020200\r\n", "tune", "frequencyHz", qint64(500000));
    row("pcr K0 USB 3K", kPcr, "K00007100000010000\r\n", "tune", "filter", "3K");
    row("pcr K0 50K", kPcr, "K00120000000020300\r\n", "tune", "filter", "50K");
    row("pcr K0 15 digits", kPcr, "K0016255000005020\r\n", "unknown", "", {}, true);
    row("pcr K0 mode 07", kPcr, "K00162550000070200\r\n", "unknown", "", {}, true);
    row("pcr K0 filter 05", kPcr, "K00162550000050500\r\n", "unknown", "", {}, true);
    row("pcr K0 tail 01", kPcr, "K00162550000050201\r\n", "unknown", "", {}, true);
    row("pcr volume 100", kPcr, "J4064\r\n", "volume", "level", 100);
    row("pcr volume 0", kPcr, "J4000\r\n", "volume", "level", 0);
    row("pcr squelch FF", kPcr, "J41FF\r\n", "squelch", "level", 255);
    row("pcr if shift 7F", kPcr, "J437F\r\n", "if-shift", "level", 127);
    row("pcr if shift lower hex", kPcr, "J437f\r\n", "if-shift", "level", 127);
    row("pcr level not hex", kPcr, "J40G1\r\n", "unknown", "", {}, true);
    row("pcr level 3 digits", kPcr, "J40100\r\n", "unknown", "", {}, true);
    row("pcr AGC on", kPcr, "J4501\r\n", "agc", "on", true);
    row("pcr NB off", kPcr, "J4600\r\n", "nb", "on", false);
    row("pcr ATT on", kPcr, "J4701\r\n", "attenuator", "on", true);
    row("pcr switch 02", kPcr, "J4702\r\n", "unknown", "", {}, true);
    row("pcr J42", kPcr, "J4210\r\n", "unknown", "", {}, true);
    row("pcr power on", kPcr, "H101\r\n", "power", "on", true);
    row("pcr power off", kPcr, "H100\r\n", "power", "on", false);
    row("pcr G105", kPcr, "G105\r\n", "radio-rate", "rate", 38400);
    row("pcr G300", kPcr, "G300\r\n", "status-reports", "on", false);
    // AR3000/AR3000A: frequency text and mode letter, CR LF.
    row("ar3000 162.55N", kAr3000, "162.55N\r\n", "tune", "mode", "FMN");
    row("ar3000 blanks kept", kAr3000, "  162.55000N\r\n", "tune", "frequencyHz",
        qint64(162550000));
    row("ar3000 AM", kAr3000A, "0.50000A\r\n", "tune", "mode", "AM");
    row("ar3000 no letter", kAr3000, "162.55\r\n", "tune", "frequencyHz", qint64(162550000));
    row("ar3000 bad letter", kAr3000, "162.55Q\r\n", "unknown", "", {}, true);
    row("ar3000 has no R", kAr3000, "R\r\n", "unknown", "", {}, true);
    row("ar3000a R", kAr3000A, "R\r\n", "attenuator", "on", true);
    row("ar3000a T", kAr3000A, "T\r\n", "attenuator", "on", false);
    row("ar3000a E", kAr3000A, "E\r\n", "mute", "on", true);
    row("ar3000a G", kAr3000A, "G\r\n", "mute", "on", false);
  }
  void commands() {
    QFETCH(int, protocol);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, kind);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(bool, flagged);
    VirtualRadio radio = Radio(protocol);
    if (protocol == kPcr || protocol == kOs) {
      radio.feed(protocol == kPcr ? QByteArray("H101\r\n") : Hex("FEFE00E07F02FD"));
    }
    const std::vector<RadioEvent> events = radio.feed(bytes);
    QCOMPARE(Kinds(events), kind);
    const RadioEvent& e = events.front();
    QCOMPARE(e.flagged(), flagged);
    QCOMPARE(e.raw, bytes);
    if (!field.isEmpty()) QCOMPARE(e.fields.value(field).toVariant(), value);
    if (kind == QLatin1String("unknown")) QVERIFY(!e.fields.value("reason").toString().isEmpty());
    QVERIFY(!radio.hasPartialCommand());
  }

  // Pieces of any size give the same events as one piece.
  void bytesInPieces_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("civ frames") << kCiv << Hex("FEFE08E0050000556201FDFEFE08E0060502FD");
    QTest::newRow("os frames") << kOs << Hex("FEFE80E07F02FDFEFE80E07F0AFD");
    QTest::newRow("pcr lines") << kPcr << QByteArray("H101\r\nK00162550000050200\r\nJ4064\r\n");
    QTest::newRow("aor lines") << kAr8000 << QByteArray("RF162.55\r\nST0.1\r\nMD1\r\n");
    QTest::newRow("bc lines") << kBc << QByteArray("MD\rKEY13\r\rKEY01\r");
  }
  void bytesInPieces() {
    QFETCH(int, protocol);
    QFETCH(QByteArray, bytes);
    VirtualRadio whole = Radio(protocol);
    const QString expected = Kinds(whole.feed(bytes));
    for (int size = 1; size <= 3; ++size) {
      VirtualRadio pieces = Radio(protocol);
      std::vector<RadioEvent> all;
      for (qsizetype i = 0; i < bytes.size(); i += size) {
        for (RadioEvent& e : pieces.feed(bytes.mid(i, size))) all.push_back(e);
      }
      QCOMPARE(Kinds(all), expected);
      QCOMPARE(pieces.stateSummary(), whole.stateSummary());
    }
    QVERIFY(!expected.contains(QLatin1String("unknown")));
  }

  // Nothing is dropped silently: stray bytes, broken frames and lines.
  void framingFaults() {
    VirtualRadio civ = Radio(kCiv);
    // Stray bytes before a frame, and a lone FE.
    auto events = civ.feed(Hex("0011FE22FEFE08E00605FD"));
    QCOMPARE(Kinds(events), QStringLiteral("unknown,mode"));
    QCOMPARE(events[0].raw, Hex("0011FE22"));
    // A frame cut short by the next one: both reported.
    events = civ.feed(Hex("FEFE08E0050000FEFE08E01120FD"));
    QCOMPARE(Kinds(events), QStringLiteral("unknown,attenuator"));
    QCOMPARE(events[0].raw, Hex("FEFE08E0050000"));
    QVERIFY(events[0].text.contains(QLatin1String("without FD")));
    // A frame that never ends: reported once it is too long.
    QByteArray endless = Hex("FEFE08E005");
    endless += QByteArray(40, '\x11');
    events = civ.feed(endless);
    QCOMPARE(Kinds(events), QStringLiteral("unknown"));
    QVERIFY(events[0].text.contains(QLatin1String("without FD")));
    // Whatever is left at idle.
    civ.flushIdle();
    civ.feed(Hex("FEFE08E00500"));
    QVERIFY(civ.hasPartialCommand());
    events = civ.flushIdle();
    QCOMPARE(Kinds(events), QStringLiteral("unknown"));
    QCOMPARE(events[0].raw, Hex("FEFE08E00500"));
    QVERIFY(!civ.hasPartialCommand());
    civ.feed(Hex("33"));
    QCOMPARE(Kinds(civ.flushIdle()), QStringLiteral("unknown"));

    VirtualRadio pcr = Radio(kPcr);
    // An overlong line is reported once and skipped to its end.
    QByteArray longLine(100, 'K');
    events = pcr.feed(longLine + "\r\nH101\r\n");
    QCOMPARE(Kinds(events), QStringLiteral("unknown,power"));
    QVERIFY(events[0].text.contains(QLatin1String("longer than")));
    // A line without an end, at idle.
    pcr.feed("J40");
    events = pcr.flushIdle();
    QCOMPARE(Kinds(events), QStringLiteral("unknown"));
    QCOMPARE(events[0].raw, QByteArray("J40"));
    // A NUL inside a line.
    events =
        pcr.feed(QByteArray("J4\0"
                            "64\r\n",
                            7));
    QCOMPARE(Kinds(events), QStringLiteral("unknown"));
    QVERIFY(events[0].text.contains(QLatin1String("<00>")));

    // CR LF split across pieces is one line end; on the CR-only radio the LF
    // is flagged.
    VirtualRadio aor = Radio(kAr8000);
    QCOMPARE(Kinds(aor.feed("MC1\r")), QStringLiteral("mute"));
    QCOMPARE(Kinds(aor.feed("\n")), QString());
    VirtualRadio bc = Radio(kBc);
    QCOMPARE(Kinds(bc.feed("MUN\r\n")), QStringLiteral("mute,unknown"));
  }

  // Frames for another address change nothing.
  void otherAddress() {
    RadioOptions o;
    o.protocol = kOs;
    o.address = 0x80;
    VirtualRadio radio(o);
    auto events = radio.feed(Hex("FEFE7FE07F02FD"));
    QCOMPARE(Kinds(events), QStringLiteral("other-address"));
    QVERIFY(events[0].flagged());
    QCOMPARE(events[0].fields.value("address").toString(), QStringLiteral("7F"));
    QVERIFY(!radio.state().powered);
    events = radio.feed(Hex("FEFE80E07F02FD"));
    QCOMPARE(Kinds(events), QStringLiteral("power"));
    QVERIFY(radio.state().powered);
  }

  // The BC-895XLT answers the model query with its configured reply, or not
  // at all.
  void modelReply() {
    RadioOptions o;
    o.protocol = kBc;
    VirtualRadio standard(o);
    standard.feed("MD\r");
    QCOMPARE(standard.takeReply(), QByteArray("MD07\r"));
    QCOMPARE(standard.takeReply(), QByteArray());

    o.modelReply = "MD99";
    VirtualRadio other(o);
    const auto events = other.feed("MD\r");
    QCOMPARE(events[0].fields.value("reply").toString(), QStringLiteral("MD99"));
    QCOMPARE(other.takeReply(), QByteArray("MD99\r"));

    o.silentModel = true;
    VirtualRadio silent(o);
    const auto quiet = silent.feed("MD\r");
    QCOMPARE(quiet[0].fields.value("answered").toBool(), false);
    QCOMPARE(silent.takeReply(), QByteArray());

    // Other radios never answer.
    VirtualRadio aor = Radio(kAr8000);
    aor.feed("MD\r\n");
    QCOMPARE(aor.takeReply(), QByteArray());
  }

  // Commands to a radio that is switched off are flagged; the power-up
  // sequence switches it on.
  void powerState() {
    VirtualRadio pcr = Radio(kPcr);
    auto events = pcr.feed("J4064\r\n");
    QVERIFY(events[0].flagged());
    QVERIFY(events[0].warning.contains(QLatin1String("off")));
    pcr.feed("H100\r\nH101\r\nG300\r\nG105\r\nJ4064\r\nJ414B\r\nK00162550000050200\r\nJ4701\r\n");
    const QJsonObject s = pcr.stateFields();
    QCOMPARE(s.value("power").toBool(), true);
    QCOMPARE(s.value("frequencyHz").toInteger(), 162550000);
    QCOMPARE(s.value("mode").toString(), QStringLiteral("FMN"));
    QCOMPARE(s.value("filter").toString(), QStringLiteral("15K"));
    QCOMPARE(s.value("volume").toInt(), 100);
    QCOMPARE(s.value("squelch").toInt(), 75);
    QCOMPARE(s.value("attenuator").toBool(), true);
    QCOMPARE(s.value("radioRate").toInt(), 38400);
    QCOMPARE(pcr.stateSummary(),
             QStringLiteral("power on, 162.550000 MHz FMN filter 15K, volume 100, squelch 75, "
                            "attenuator on, mute off, radio at 38400 baud"));

    // Radios without a power-up command are on from the start.
    VirtualRadio aor = Radio(kAr8000);
    QVERIFY(!aor.feed("RF162.55\r\n")[0].flagged());
  }

  void megahertzTexts_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("hertz");  // -1: refused
    QTest::newRow("plain") << QByteArray("162.55") << qint64(162550000);
    QTest::newRow("shown form") << QByteArray("  0.50000") << qint64(500000);
    QTest::newRow("whole") << QByteArray("1300") << qint64(1300000000);
    QTest::newRow("six decimals") << QByteArray("0.000001") << qint64(1);
    QTest::newRow("point first") << QByteArray(".5") << qint64(500000);
    QTest::newRow("seven decimals") << QByteArray("1.2345678") << qint64(-1);
    QTest::newRow("point last") << QByteArray("12.") << qint64(-1);
    QTest::newRow("exponent") << QByteArray("1e3") << qint64(-1);
    QTest::newRow("sign") << QByteArray("-1") << qint64(-1);
    QTest::newRow("trailing blank") << QByteArray("1.5 ") << qint64(-1);
    QTest::newRow("empty") << QByteArray() << qint64(-1);
    QTest::newRow("blanks") << QByteArray("   ") << qint64(-1);
    QTest::newRow("huge") << QByteArray("12345678") << qint64(-1);
  }
  void megahertzTexts() {
    QFETCH(QByteArray, text);
    QFETCH(qint64, hertz);
    const std::optional<qint64> parsed = ParseMegahertz(text);
    QCOMPARE(parsed.value_or(-1), hertz);
  }

  void protocolArgument_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("number");
    QTest::newRow("number") << "6" << kPcr;
    QTest::newRow("list text") << "Icom PCR1000" << kPcr;
    QTest::newRow("without maker") << "pcr-1000" << kPcr;
    QTest::newRow("civ") << "CI-V" << kCiv;
    QTest::newRow("os456") << "OS456" << kOs;
    QTest::newRow("os535") << "os535" << kOs;
    QTest::newRow("os both") << "OS456/OS535" << kOs;
    QTest::newRow("bc") << "BC-895XLT" << kBc;
    QTest::newRow("ar3000 not ar3000a") << "AR3000" << kAr3000;
    QTest::newRow("ar3000a") << "ar3000a" << kAr3000A;
    QTest::newRow("ar2700") << "3" << kAr2700;
    QTest::newRow("number 4") << "4" << -1;
    QTest::newRow("number 7") << "7" << -1;
    QTest::newRow("number 10") << "10" << -1;
    QTest::newRow("unknown") << "IC-R7000" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("punctuation") << "--" << -1;
  }
  void protocolArgument() {
    QFETCH(QString, argument);
    QFETCH(int, number);
    QCOMPARE(ParseProtocolArgument(argument), number);
  }

  // The two output forms carry the same facts.
  void formatting() {
    VirtualRadio pcr = Radio(kPcr);
    pcr.feed("H101\r\n");
    const RadioEvent tune = pcr.feed("K00162550000050200\r\n").front();
    const QTime at(12, 0, 1, 234);
    QCOMPARE(FormatReadable(tune, at, true),
             QStringLiteral("12:00:01.234  tune 162.550000 MHz FMN filter 15K  "
                            "[K00162550000050200<CR><LF>] -> [G000<CR><LF>]"));
    const QJsonObject o = QJsonDocument::fromJson(FormatJson(tune, at, 1.5)).object();
    QCOMPARE(o.value("event").toString(), QStringLiteral("tune"));
    QCOMPARE(o.value("time").toString(), QStringLiteral("12:00:01.234"));
    QCOMPARE(o.value("ms").toDouble(), 1.5);
    QCOMPARE(o.value("frequencyHz").toInteger(), 162550000);
    QCOMPARE(o.value("line").toString(), QStringLiteral("K00162550000050200"));
    QCOMPARE(o.value("answer").toString(), QStringLiteral("G000<CR><LF>"));
    QVERIFY(!o.contains("flagged"));

    VirtualRadio civ = Radio(kCiv);
    const RadioEvent bad = civ.feed(Hex("FEFE08E0140150FD")).front();
    QVERIFY(FormatReadable(bad, at, false).startsWith(QLatin1String("12:00:01.234  ! unknown")));
    // The radio refuses what it cannot read (NG, FA).
    QVERIFY(FormatReadable(bad, at, false)
                .endsWith(QLatin1String("[FE FE 08 E0 14 01 50 FD] -> [FE FE E0 08 FA FD]")));
    const QJsonObject b = QJsonDocument::fromJson(FormatJson(bad, at, 0)).object();
    QCOMPARE(b.value("flagged").toBool(), true);
    QCOMPARE(b.value("hex").toString(), QStringLiteral("FE FE 08 E0 14 01 50 FD"));

    QCOMPARE(MegahertzText(0), QStringLiteral("0.000000 MHz"));
    QCOMPARE(MegahertzText(9999999990), QStringLiteral("9999.999990 MHz"));
  }
};

CORVALO_TEST_GUILESS_MAIN(TestDecoders)
#include "tst_vradio_decoders.moc"
