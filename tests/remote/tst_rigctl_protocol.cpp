// The rigctld text protocol without sockets: each line a client may send, the
// exact answer, and what reached the radio's side.

#include <QtTest/QtTest>
#include <cmath>

#include "FakeTarget.h"
#include "TestMain.h"
#include "remote/RigctlProtocol.h"

namespace {

// Runs the commands of a line one after the other, as the server does, and
// joins their answers. A change whose answer the target holds is answered
// when the target releases it; the next command runs only after that. A
// command answered other than exactly once shows in the reply.
QByteArray Answer(FakeTarget& target, const QByteArray& line, bool* quit = nullptr) {
  QByteArray reply;
  bool anyQuit = false;
  for (const rigctl::Command& command : rigctl::ParseLine(line)) {
    int answers = 0;
    rigctl::Execute(target, command, [&](const QByteArray& text, bool q) {
      ++answers;
      reply += text;
      anyQuit = anyQuit || q;
    });
    target.releaseAnswers();
    if (answers != 1) reply += "<answered " + QByteArray::number(answers) + " times>";
  }
  if (quit) *quit = anyQuit;
  return reply;
}

}  // namespace

class RigctlProtocolTest : public QObject {
  Q_OBJECT

 private slots:
  void answers_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("calls");
    const QStringList none;

    // Frequency.
    QTest::newRow("get_freq") << QByteArray("f") << QByteArray("162550000\n") << none;
    QTest::newRow("get_freq long form")
        << QByteArray("\\get_freq") << QByteArray("162550000\n") << none;
    QTest::newRow("get_freq extended")
        << QByteArray("+f") << QByteArray("get_freq:\nFrequency: 162550000\nRPRT 0\n") << none;
    QTest::newRow("get_freq extended with ;")
        << QByteArray(";\\get_freq") << QByteArray("get_freq:;Frequency: 162550000;RPRT 0\n")
        << none;
    QTest::newRow("set_freq as the Hamlib client writes it")
        << QByteArray("F 145000000.000000") << QByteArray("RPRT 0\n")
        << QStringList{"setFrequency 145000000"};
    QTest::newRow("set_freq extended")
        << QByteArray("+F 7000000") << QByteArray("set_freq: 7000000\nRPRT 0\n")
        << QStringList{"setFrequency 7000000"};
    QTest::newRow("set_freq with an exponent")
        << QByteArray("\\set_freq 1.4e8") << QByteArray("RPRT 0\n")
        << QStringList{"setFrequency 140000000"};
    QTest::newRow("set_freq refused by the radio")
        << QByteArray("F 5000000000") << QByteArray("RPRT -1\n")
        << QStringList{"setFrequency 5000000000"};
    QTest::newRow("set_freq refused, extended")
        << QByteArray("+F 1") << QByteArray("set_freq: 1\nRPRT -1\n")
        << QStringList{"setFrequency 1"};
    QTest::newRow("set_freq negative") << QByteArray("F -5") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_freq not a number")
        << QByteArray("F abc") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_freq nan") << QByteArray("F nan") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_freq inf") << QByteArray("F inf") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_freq with trailing junk")
        << QByteArray("F 145000000x") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_freq absurdly high")
        << QByteArray("F 1e300") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_freq without its argument")
        << QByteArray("F") << QByteArray("RPRT -1\n") << none;

    // Mode.
    QTest::newRow("get_mode") << QByteArray("m") << QByteArray("FM\n15000\n") << none;
    QTest::newRow("get_mode extended")
        << QByteArray("+m") << QByteArray("get_mode:\nMode: FM\nPassband: 15000\nRPRT 0\n") << none;
    QTest::newRow("set_mode WFM is FMW")
        << QByteArray("M WFM 0") << QByteArray("RPRT 0\n") << QStringList{"setMode FMW 0"};
    QTest::newRow("set_mode with a passband")
        << QByteArray("M USB 2400") << QByteArray("RPRT 0\n") << QStringList{"setMode USB 2400"};
    QTest::newRow("set_mode keeping the passband")
        << QByteArray("M AM -1") << QByteArray("RPRT 0\n") << QStringList{"setMode AM -1"};
    QTest::newRow("set_mode without a passband")
        << QByteArray("M cw") << QByteArray("RPRT 0\n") << QStringList{"setMode CW 0"};
    QTest::newRow("set_mode the radio is not configured for")
        << QByteArray("M RTTY 0") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_mode with no program mode")
        << QByteArray("M PKTUSB 0") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_mode with a bad passband")
        << QByteArray("M FM -7") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_mode with a passband too big for a number")
        << QByteArray("M FM 99999999999 f") << QByteArray("RPRT -1\n162550000\n") << none;
    QTest::newRow("set_mode with a passband too small for a number")
        << QByteArray("M FM -99999999999") << QByteArray("RPRT -1\n") << none;

    // Levels: 0.0 .. 1.0 is 0 .. 255; IF in hertz; ATT in decibels.
    QTest::newRow("set_level AF half")
        << QByteArray("L AF 0.5") << QByteArray("RPRT 0\n") << QStringList{"setLevel 0 128"};
    QTest::newRow("set_level AF top, extended")
        << QByteArray("+L AF 1.000000") << QByteArray("set_level: AF 1.000000\nRPRT 0\n")
        << QStringList{"setLevel 0 255"};
    QTest::newRow("set_level SQL bottom")
        << QByteArray("L SQL 0") << QByteArray("RPRT 0\n") << QStringList{"setLevel 1 0"};
    QTest::newRow("set_level AF above 1")
        << QByteArray("L AF 1.5") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_level AF below 0")
        << QByteArray("L AF -0.1") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_level IF") << QByteArray("L IF -300") << QByteArray("RPRT 0\n")
                                  << QStringList{"setLevel 2 -300"};
    QTest::newRow("set_level IF beyond the shift")
        << QByteArray("L IF 5000") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_level ATT any step is on")
        << QByteArray("L ATT 10") << QByteArray("RPRT 0\n") << QStringList{"setLevel 3 20"};
    QTest::newRow("set_level ATT off")
        << QByteArray("L ATT 0") << QByteArray("RPRT 0\n") << QStringList{"setLevel 3 0"};
    QTest::newRow("set_level unknown")
        << QByteArray("L RFPOWER 1") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_level garbage value")
        << QByteArray("L AF loud") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("get_level AF") << QByteArray("l AF") << QByteArray("0.000000\n") << none;
    QTest::newRow("get_level extended has no label")
        << QByteArray("+l SQL") << QByteArray("get_level: SQL\n0.000000\nRPRT 0\n") << none;
    QTest::newRow("get_level IF in hertz") << QByteArray("l IF") << QByteArray("0\n") << none;

    // Functions.
    QTest::newRow("set_func MUTE")
        << QByteArray("U MUTE 1") << QByteArray("RPRT 0\n") << QStringList{"setSwitch 0 1"};
    QTest::newRow("set_func NB off, extended")
        << QByteArray("+U NB 0") << QByteArray("set_func: NB 0\nRPRT 0\n")
        << QStringList{"setSwitch 1 0"};
    QTest::newRow("set_func bad status")
        << QByteArray("U NB yes") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("set_func unknown") << QByteArray("U TUNER 1") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("get_func") << QByteArray("u MUTE") << QByteArray("0\n") << none;

    // The one VFO, no split, no transmitter.
    QTest::newRow("get_vfo") << QByteArray("v") << QByteArray("VFOA\n") << none;
    QTest::newRow("set_vfo A") << QByteArray("V VFOA") << QByteArray("RPRT 0\n") << none;
    QTest::newRow("set_vfo B") << QByteArray("V VFOB") << QByteArray("RPRT -1\n") << none;
    QTest::newRow("get_split_vfo") << QByteArray("s") << QByteArray("0\nVFOA\n") << none;
    QTest::newRow("get_split_vfo extended")
        << QByteArray("+s") << QByteArray("get_split_vfo:\nSplit: 0\nTX VFO: VFOA\nRPRT 0\n")
        << none;
    QTest::newRow("set_split_vfo off") << QByteArray("S 0 VFOA") << QByteArray("RPRT 0\n") << none;
    QTest::newRow("set_split_vfo on") << QByteArray("S 1 VFOB") << QByteArray("RPRT -11\n") << none;
    QTest::newRow("get_ptt") << QByteArray("t") << QByteArray("0\n") << none;
    QTest::newRow("set_ptt off") << QByteArray("T 0") << QByteArray("RPRT 0\n") << none;
    QTest::newRow("set_ptt on") << QByteArray("T 1") << QByteArray("RPRT -11\n") << none;

    // Special commands.
    QTest::newRow("chk_vfo") << QByteArray("\\chk_vfo") << QByteArray("0\n") << none;
    QTest::newRow("chk_vfo extended")
        << QByteArray("+\\chk_vfo") << QByteArray("ChkVFO: 0\n") << none;
    QTest::newRow("get_dcd") << QByteArray("\\get_dcd") << QByteArray("0\n") << none;
    QTest::newRow("get_powerstat extended")
        << QByteArray("+\\get_powerstat") << QByteArray("get_powerstat:\nPower Status: 1\nRPRT 0\n")
        << none;
    QTest::newRow("quit") << QByteArray("q") << QByteArray("RPRT 0\n") << none;

    // Unknown or malformed input is answered, never met with silence.
    QTest::newRow("unknown short command") << QByteArray("X") << QByteArray("RPRT -4\n") << none;
    QTest::newRow("unknown long command")
        << QByteArray("\\set_powerstat 0") << QByteArray("RPRT -4\n") << none;
    QTest::newRow("two letters run together")
        << QByteArray("fm") << QByteArray("RPRT -4\n") << none;
    QTest::newRow("garbage bytes")
        << QByteArray("\x01\xff\x7f zz", 6) << QByteArray("RPRT -4\n") << none;
    QTest::newRow("a lone prefix") << QByteArray("+") << QByteArray("RPRT -4\n") << none;
    QTest::newRow("blank line") << QByteArray(" \t ") << QByteArray() << none;

    // Several commands on a line, blanks and tabs around them.
    QTest::newRow("commands in a row")
        << QByteArray(" F\t145000000  f m ") << QByteArray("RPRT 0\n145000000\nFM\n15000\n")
        << QStringList{"setFrequency 145000000"};
    QTest::newRow("set_mode then get_freq")
        << QByteArray("M FM f") << QByteArray("RPRT 0\n162550000\n")
        << QStringList{"setMode FMN 0"};
    QTest::newRow("an unknown command ends the line")
        << QByteArray("X F 145000000") << QByteArray("RPRT -4\n") << none;
  }

  // Each row runs against a target answering at once and against one whose
  // radio answers changes later: the client hears the same.
  void answers() {
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, calls);
    for (const bool later : {false, true}) {
      FakeTarget target;
      target.holdAnswers = later;
      QCOMPARE(Answer(target, line), reply);
      QCOMPARE(target.calls, calls);
    }
  }

  // Controls the radio does not have are refused, and nothing reaches it.
  void missingControls() {
    FakeTarget target;
    target.info = rigctl::RadioInfo{};
    target.info.modes = {"AM", "FMN"};
    for (const char* line : {"L AF 0.5", "l SQL", "L IF 0", "L ATT 20", "U MUTE 1", "u NB"}) {
      QCOMPARE(Answer(target, line), QByteArray("RPRT -11\n"));
    }
    QCOMPARE(Answer(target, "M USB 0"), QByteArray("RPRT -1\n"));
    QVERIFY(target.calls.isEmpty());
  }

  // Whatever the radio's side refuses with is what the client hears, plain
  // and extended.
  void refusalsPassThrough() {
    FakeTarget target;
    target.refuseAll = rigctl::kIoError;
    QCOMPARE(Answer(target, "F 145000000"), QByteArray("RPRT -6\n"));
    QCOMPARE(Answer(target, "+M AM 0"), QByteArray("set_mode: AM 0\nRPRT -6\n"));
    target.refuseAll = rigctl::kRejected;
    QCOMPARE(Answer(target, "L AF 0.2"), QByteArray("RPRT -9\n"));
    QCOMPARE(Answer(target, "U NB 1"), QByteArray("RPRT -9\n"));
    target.carrierCode = rigctl::kNotAvailable;
    QCOMPARE(Answer(target, "+\\get_dcd"), QByteArray("get_dcd:\nRPRT -11\n"));
  }

  // A mode the program has no protocol name for reads back as "None".
  void unnamedModeReadsBackAsNone() {
    FakeTarget target;
    target.modeCode = QStringLiteral("AUT");
    target.width = 0;
    QCOMPARE(Answer(target, "m"), QByteArray("None\n0\n"));
  }

  void quitEndsTheConversation() {
    FakeTarget target;
    bool quit = false;
    QCOMPARE(Answer(target, "f", &quit), QByteArray("162550000\n"));
    QVERIFY(!quit);
    QCOMPARE(Answer(target, "Q", &quit), QByteArray("RPRT 0\n"));
    QVERIFY(quit);
  }

  void modeNamesBothWays() {
    const QList<QPair<QString, QByteArray>> pairs = {{"FMN", "FM"},  {"FMW", "WFM"}, {"AM", "AM"},
                                                     {"USB", "USB"}, {"LSB", "LSB"}, {"CW", "CW"},
                                                     {"FSK", "RTTY"}};
    for (const auto& [code, name] : pairs) {
      QCOMPARE(rigctl::ModeName(code), name);
      QCOMPARE(rigctl::ModeCode(name), code);
    }
    for (const char* code : {"FM1", "FM3", "FM9", "SSB", "AUT", "AMW", "AM2", "AM3", ""}) {
      QVERIFY2(rigctl::ModeName(QString::fromLatin1(code)).isEmpty(), code);
    }
    QVERIFY(rigctl::ModeCode("FMN").isEmpty());  // a program code is not a protocol name
  }

  // Every radio level survives the trip to 0.0-1.0 and back; values outside
  // the range are refused rather than clipped.
  void levelScale() {
    for (int level = 0; level <= 255; ++level) {
      QCOMPARE(rigctl::LevelToRadio(rigctl::LevelFromRadio(level)), level);
      const QByteArray shown = QByteArray::number(rigctl::LevelFromRadio(level), 'f', 6);
      QCOMPARE(rigctl::LevelToRadio(shown.toDouble()), level);
    }
    QCOMPARE(rigctl::LevelToRadio(0.5), 128);
    QCOMPARE(rigctl::LevelToRadio(-0.0001), -1);
    QCOMPARE(rigctl::LevelToRadio(1.0001), -1);
    QCOMPARE(rigctl::LevelToRadio(std::nan("")), -1);
  }

  // The radio description, read line by line as a Hamlib client reads it.
  void dumpStateLayout() {
    FakeTarget target;
    const QList<QByteArray> lines = rigctl::DumpState(target.info).split('\n');
    QCOMPARE(lines.last(), QByteArray());  // every line ended
    QCOMPARE(lines[0], QByteArray("0"));   // protocol 0
    // Receive range: AM CW USB LSB FM WFM.
    QCOMPARE(lines[3], QByteArray("100000.000000 1300000000.000000 0x6f -1 -1 0x1 0x0"));
    QCOMPARE(lines[4], QByteArray("0 0 0 0 0 0 0"));
    QCOMPARE(lines[5], QByteArray("0 0 0 0 0 0 0"));  // no transmit range
    QCOMPARE(lines[6], QByteArray("0x6f 1"));
    QCOMPARE(lines[7], QByteArray("0 0"));
    QCOMPARE(lines.mid(8, 6), (QList<QByteArray>{"0x6f 3000", "0x6f 6000", "0x6f 15000",
                                                 "0x6f 50000", "0x6f 230000", "0 0"}));
    QCOMPARE(lines.mid(14, 13), (QList<QByteArray>{"0", "0", "1270", "0", "", "20 ", "0x20002",
                                                   "0x20002", "0x6a", "0x6a", "0x0", "0x0", ""}));

    // No filters, no levels, no functions.
    rigctl::RadioInfo bare;
    bare.lowestHz = 29e6;
    bare.highestHz = 956e6;
    bare.modes = {"AM", "FMN", "AUT"};
    const QList<QByteArray> plain = rigctl::DumpState(bare).split('\n');
    QCOMPARE(plain[3], QByteArray("29000000.000000 956000000.000000 0x21 -1 -1 0x1 0x0"));
    QCOMPARE(plain.mid(7, 15), (QList<QByteArray>{"0 0", "0 0", "0", "0", "0", "0", "", "", "0x0",
                                                  "0x0", "0x0", "0x0", "0x0", "0x0", ""}));
    // Asked for, it is the same text; the extended form wraps it.
    QCOMPARE(Answer(target, "\\dump_state"), rigctl::DumpState(target.info));
    QVERIFY(Answer(target, "+\\dump_state").startsWith("dump_state:\n0\n2\n"));
    QVERIFY(Answer(target, "+\\dump_state").endsWith("0x0\n0x0\nRPRT 0\n"));
  }
};

CORVALO_TEST_GUILESS_MAIN(RigctlProtocolTest)
#include "tst_rigctl_protocol.moc"
