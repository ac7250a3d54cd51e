// Byte-exact checks of every command the radios receive, built without a port.
#include <QtTest/QtTest>

#include "TestMain.h"
#include "radio/AorCommands.h"
#include "radio/Ar3000Commands.h"
#include "radio/Bc895Commands.h"
#include "radio/CivCommands.h"
#include "radio/PcrCommands.h"
#include "radio/Protocols.h"
#include "radio/TuneCommand.h"

using namespace encoders;

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

TuneParameters link(int protocol, quint8 address = 0x4A, bool ic735 = false, int amFilter = 1) {
  TuneParameters p;
  p.protocol = protocol;
  p.civAddress = address;
  p.ic735 = ic735;
  p.pcrDefaultAmFilter = amFilter;
  return p;
}

}  // namespace

class EncodersTest : public QObject {
  Q_OBJECT

 private slots:
  void tuning_data();
  void tuning();
  void modeFrame_data();
  void modeFrame();
  void refusals_data();
  void refusals();
  void pcrFilter_data();
  void pcrFilter();
  void commands_data();
  void commands();
  void bc895Reply_data();
  void bc895Reply();
};

void EncodersTest::tuning_data() {
  QTest::addColumn<int>("protocol");
  QTest::addColumn<int>("address");
  QTest::addColumn<bool>("ic735");
  QTest::addColumn<int>("amFilter");
  QTest::addColumn<QString>("frequency");
  QTest::addColumn<QString>("mode");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("waitAfter");
  QTest::addColumn<QString>("currentFrequency");  // empty: the frequency text itself
  QTest::addColumn<int>("filterIndex");

  using namespace protocols;
  const QString f16255 = QStringLiteral("162.55");

  // Icom CI-V: exact hertz, lowest digits first, 5 bytes (4 with the IC-735
  // below 100 MHz), whatever the frequency.
  QTest::newRow("civ 162.55 exact hertz, no added 1 Hz")
      << int(kIcomCiv) << 0x4A << false << 1 << f16255 << "FMN"
      << hex("FE FE 4A E0 05 00 00 55 62 01 FD") << 15 << "" << -1;
  QTest::newRow("civ ic735 from 100 MHz keeps 5 bytes")
      << int(kIcomCiv) << 0x4A << true << 1 << f16255 << "FMN"
      << hex("FE FE 4A E0 05 00 00 55 62 01 FD") << 15 << "" << -1;
  QTest::newRow("civ 7.1 MHz 5 bytes")
      << int(kIcomCiv) << 0x4A << false << 1 << "7.1"
      << "USB" << hex("FE FE 4A E0 05 00 00 10 07 00 FD") << 15 << "" << -1;
  QTest::newRow("civ ic735 7.1 MHz 4 bytes")
      << int(kIcomCiv) << 0x4A << true << 1 << "7.1"
      << "USB" << hex("FE FE 4A E0 05 00 00 10 07 FD") << 15 << "" << -1;
  QTest::newRow("civ 0.5 MHz 5 bytes")
      << int(kIcomCiv) << 0x4A << false << 1 << "0.5"
      << "AM" << hex("FE FE 4A E0 05 00 00 50 00 00 FD") << 15 << "" << -1;
  QTest::newRow("civ ic735 0.5 MHz 4 bytes")
      << int(kIcomCiv) << 0x4A << true << 1 << "0.5"
      << "AM" << hex("FE FE 4A E0 05 00 00 50 00 FD") << 15 << "" << -1;
  QTest::newRow("civ 1300 MHz") << int(kIcomCiv) << 0x4A << false << 1 << "1300"
                                << "FMN" << hex("FE FE 4A E0 05 00 00 00 00 13 FD") << 15 << ""
                                << -1;
  QTest::newRow("civ below 0.01 MHz keeps 5 bytes")
      << int(kIcomCiv) << 0x4A << false << 1 << "0.005"
      << "AM" << hex("FE FE 4A E0 05 00 50 00 00 00 FD") << 15 << "" << -1;
  QTest::newRow("civ ic735 0 MHz keeps 4 bytes")
      << int(kIcomCiv) << 0x4A << true << 1 << "0"
      << "AM" << hex("FE FE 4A E0 05 00 00 00 00 FD") << 15 << "" << -1;
  QTest::newRow("civ single hertz")
      << int(kIcomCiv) << 0x4A << false << 1 << "145.123456"
      << "FMN" << hex("FE FE 4A E0 05 56 34 12 45 01 FD") << 15 << "" << -1;
  QTest::newRow("civ top of the field")
      << int(kIcomCiv) << 0x4A << false << 1 << "9999.999999"
      << "FMN" << hex("FE FE 4A E0 05 99 99 99 99 99 FD") << 15 << "" << -1;
  QTest::newRow("civ ic735 rounding up to 100 MHz takes 5 bytes")
      << int(kIcomCiv) << 0x4A << true << 1 << "99.9999996"
      << "FMN" << hex("FE FE 4A E0 05 00 00 00 00 01 FD") << 15 << "" << -1;
  QTest::newRow("civ address 00 keeps the frame whole")
      << int(kIcomCiv) << 0x00 << false << 1 << f16255 << "FMN"
      << hex("FE FE 00 E0 05 00 00 55 62 01 FD") << 15 << "" << -1;
  QTest::newRow("civ leading blanks")
      << int(kIcomCiv) << 0x4A << false << 1 << "  162.55000"
      << "FMN" << hex("FE FE 4A E0 05 00 00 55 62 01 FD") << 15 << "" << -1;

  // OS456/OS535: resolved to 10 Hz, thousands and hundreds last.
  QTest::newRow("os 162.55 address 80") << int(kOs456) << 0x80 << false << 1 << f16255 << "FMN"
                                        << hex("FE FE 80 E0 05 00 00 55 62 01 FD") << 0 << "" << -1;
  QTest::newRow("os 29 MHz") << int(kOs456) << 0x80 << false << 1 << "29"
                             << "AM" << hex("FE FE 80 E0 05 00 00 00 29 00 FD") << 0 << "" << -1;
  QTest::newRow("os 7.5 MHz below 10")
      << int(kOs456) << 0x80 << false << 1 << "7.5"
      << "AM" << hex("FE FE 80 E0 05 00 00 50 07 00 FD") << 0 << "" << -1;
  QTest::newRow("os four-digit megahertz")
      << int(kOs456) << 0x80 << false << 1 << "1234.56789"
      << "AM" << hex("FE FE 80 E0 05 90 78 56 34 12 FD") << 0 << "" << -1;
  QTest::newRow("os rounds to 10 Hz")
      << int(kOs456) << 0x80 << false << 1 << "162.555557"
      << "AM" << hex("FE FE 80 E0 05 60 55 55 62 01 FD") << 0 << "" << -1;
  QTest::newRow("os address 0 keeps the frame whole")
      << int(kOs456) << 0x00 << false << 1 << f16255 << "FMN"
      << hex("FE FE 00 E0 05 00 00 55 62 01 FD") << 0 << "" << -1;

  // AR8000/AR2700: three lines ended by CR LF.
  QTest::newRow("ar8000 162.55 FMN")
      << int(kAr8000) << 0 << false << 1 << f16255 << "FMN"
      << QByteArray("RF162.55\r\nST0.1\r\nMD1\r\n") << 36 << "" << -1;
  QTest::newRow("ar8000 AUT") << int(kAr8000) << 0 << false << 1 << f16255 << "AUT"
                              << QByteArray("RF162.55\r\nST0.1\r\nAU1\r\n") << 36 << "" << -1;
  QTest::newRow("ar8000 FM1 has no digit")
      << int(kAr8000) << 0 << false << 1 << f16255 << "FM1"
      << QByteArray("RF162.55\r\nST0.1\r\nMD\r\n") << 36 << "" << -1;
  QTest::newRow("ar8000 leading blanks not sent")
      << int(kAr8000) << 0 << false << 1 << "  162.55000"
      << "FMW" << QByteArray("RF162.55000\r\nST0.1\r\nMD0\r\n") << 36 << "" << -1;
  QTest::newRow("ar8000 mode ignores case")
      << int(kAr8000) << 0 << false << 1 << "7.1"
      << "usb" << QByteArray("RF7.1\r\nST0.1\r\nMD3\r\n") << 36 << "" << -1;
  QTest::newRow("ar8000 exponent sent in shown form")
      << int(kAr8000) << 0 << false << 1 << "1.6255E2"
      << "LSB" << QByteArray("RF162.55000\r\nST0.1\r\nMD4\r\n") << 36 << "" << -1;
  QTest::newRow("ar8000 point without digits before")
      << int(kAr8000) << 0 << false << 1 << ".5"
      << "CW" << QByteArray("RF0.50000\r\nST0.1\r\nMD5\r\n") << 36 << "" << -1;
  QTest::newRow("ar8000 text over 11 places brought to shown form")
      << int(kAr8000) << 0 << false << 1 << "162.550000001"
      << "AM" << QByteArray("RF162.55000\r\nST0.1\r\nMD2\r\n") << 36 << "  162.55000" << -1;
  QTest::newRow("ar2700 as ar8000") << int(kAr2700) << 0 << false << 1 << f16255 << "AM"
                                    << QByteArray("RF162.55\r\nST0.1\r\nMD2\r\n") << 36 << "" << -1;

  // BC-895XLT: units of 100 Hz, tens of hertz dropped, no mode.
  QTest::newRow("bc895 162.55") << int(kBc895Xlt) << 0 << false << 1 << f16255 << "FMN"
                                << QByteArray("RF01625500\r") << 0 << "" << -1;
  QTest::newRow("bc895 29.0") << int(kBc895Xlt) << 0 << false << 1 << "29.0"
                              << "AM" << QByteArray("RF00290000\r") << 0 << "" << -1;
  QTest::newRow("bc895 tens of hertz dropped")
      << int(kBc895Xlt) << 0 << false << 1 << "162.55678"
      << "AM" << QByteArray("RF01625567\r") << 0 << "" << -1;
  QTest::newRow("bc895 lowest") << int(kBc895Xlt) << 0 << false << 1 << "10"
                                << "AM" << QByteArray("RF00100000\r") << 0 << "" << -1;
  QTest::newRow("bc895 highest") << int(kBc895Xlt) << 0 << false << 1 << "999.9999"
                                 << "AM" << QByteArray("RF09999999\r") << 0 << "" << -1;
  QTest::newRow("bc895 any mode") << int(kBc895Xlt) << 0 << false << 1 << f16255 << "AUT"
                                  << QByteArray("RF01625500\r") << 0 << "" << -1;

  // PCR1000: frequency in hertz to 10 Hz, mode, filter, "00".
  QTest::newRow("pcr 162.55 FMN") << int(kPcr1000) << 0 << false << 1 << f16255 << "FMN"
                                  << QByteArray("K00162550000050200\r\n") << 0 << "162.55000" << 2;
  QTest::newRow("pcr 0.5 AM outside the windows")
      << int(kPcr1000) << 0 << false << 1 << "0.5"
      << "AM" << QByteArray("K00000500000020200\r\n") << 0 << "0.50000" << 2;
  QTest::newRow("pcr 120 AM aviation band default 1")
      << int(kPcr1000) << 0 << false << 1 << "120.0"
      << "AM" << QByteArray("K00120000000020100\r\n") << 0 << "120.00000" << 1;
  QTest::newRow("pcr 108 AM band edge")
      << int(kPcr1000) << 0 << false << 2 << "108"
      << "AM" << QByteArray("K00108000000020200\r\n") << 0 << "108.00000" << 2;
  QTest::newRow("pcr 138 AM band edge")
      << int(kPcr1000) << 0 << false << 1 << "138"
      << "AM" << QByteArray("K00138000000020100\r\n") << 0 << "138.00000" << 1;
  QTest::newRow("pcr 138.00001 AM outside")
      << int(kPcr1000) << 0 << false << 1 << "138.00001"
      << "AM" << QByteArray("K00138000010020200\r\n") << 0 << "138.00001" << 2;
  QTest::newRow("pcr 26.965 AM CB lower edge")
      << int(kPcr1000) << 0 << false << 1 << "26.965"
      << "AM" << QByteArray("K00026965000020100\r\n") << 0 << "26.96500" << 1;
  QTest::newRow("pcr 27.405 AM CB upper edge")
      << int(kPcr1000) << 0 << false << 1 << "27.405"
      << "AM" << QByteArray("K00027405000020100\r\n") << 0 << "27.40500" << 1;
  QTest::newRow("pcr 27.406 AM outside CB")
      << int(kPcr1000) << 0 << false << 1 << "27.406"
      << "AM" << QByteArray("K00027406000020200\r\n") << 0 << "27.40600" << 2;
  QTest::newRow("pcr AM window default 0 sends 00")
      << int(kPcr1000) << 0 << false << 0 << "120"
      << "AM" << QByteArray("K00120000000020000\r\n") << 0 << "120.00000" << 0;
  QTest::newRow("pcr AM window default 3 sends 03")
      << int(kPcr1000) << 0 << false << 3 << "27"
      << "AM" << QByteArray("K00027000000020300\r\n") << 0 << "27.00000" << 3;
  QTest::newRow("pcr stored default 7 reads as 6K")
      << int(kPcr1000) << 0 << false << 7 << "120"
      << "AM" << QByteArray("K00120000000020100\r\n") << 0 << "120.00000" << 1;
  QTest::newRow("pcr CW 3K") << int(kPcr1000) << 0 << false << 1 << "7.1"
                             << "CW" << QByteArray("K00007100000030000\r\n") << 0 << "7.10000" << 0;
  QTest::newRow("pcr LSB 3K") << int(kPcr1000) << 0 << false << 1 << "3.7"
                              << "LSB" << QByteArray("K00003700000000000\r\n") << 0 << "3.70000"
                              << 0;
  QTest::newRow("pcr USB 3K") << int(kPcr1000) << 0 << false << 1 << "14.2"
                              << "USB" << QByteArray("K00014200000010000\r\n") << 0 << "14.20000"
                              << 0;
  QTest::newRow("pcr FMW 230K") << int(kPcr1000) << 0 << false << 1 << "98.5"
                                << "FMW" << QByteArray("K00098500000060400\r\n") << 0 << "98.50000"
                                << 4;
  QTest::newRow("pcr 10 Hz steps")
      << int(kPcr1000) << 0 << false << 1 << "0.01"
      << "AM" << QByteArray("K00000010000020200\r\n") << 0 << "0.01000" << 2;
  QTest::newRow("pcr top of the field")
      << int(kPcr1000) << 0 << false << 1 << "9999.99999"
      << "FMN" << QByteArray("K09999999990050200\r\n") << 0 << "9999.99999" << 2;
  QTest::newRow("pcr rounding to 10 Hz")
      << int(kPcr1000) << 0 << false << 1 << "999.999996"
      << "FMN" << QByteArray("K01000000000050200\r\n") << 0 << "1000.00000" << 2;

  // AR3000/AR3000A: the text as it stands, the mode letter, CR LF.
  QTest::newRow("ar3000 162.55 FMN") << int(kAr3000) << 0 << false << 1 << f16255 << "FMN"
                                     << QByteArray("162.55N\r\n") << 0 << "" << -1;
  QTest::newRow("ar3000 keeps the leading blanks")
      << int(kAr3000) << 0 << false << 1 << "  162.55000"
      << "FMN" << QByteArray("  162.55000N\r\n") << 0 << "" << -1;
  QTest::newRow("ar3000a as ar3000") << int(kAr3000A) << 0 << false << 1 << "7.1"
                                     << "LSB" << QByteArray("7.1L\r\n") << 0 << "" << -1;
  QTest::newRow("ar3000 letters") << int(kAr3000) << 0 << false << 1 << "1"
                                  << "CW" << QByteArray("1C\r\n") << 0 << "" << -1;
  QTest::newRow("ar3000 exponent sent in shown form")
      << int(kAr3000) << 0 << false << 1 << "1.6255e2"
      << "USB" << QByteArray("  162.55000U\r\n") << 0 << "" << -1;
  QTest::newRow("ar3000 text over 11 places brought to shown form")
      << int(kAr3000A) << 0 << false << 1 << "0000162.5500"
      << "AM" << QByteArray("  162.55000A\r\n") << 0 << "  162.55000" << -1;

  QTest::newRow("protocol 4 sends nothing")
      << 4 << 0 << false << 1 << f16255 << "FMN" << QByteArray() << 0 << "" << -1;
  QTest::newRow("protocol 7 sends nothing")
      << 7 << 0 << false << 1 << f16255 << "AM" << QByteArray() << 0 << "" << -1;
}

void EncodersTest::tuning() {
  QFETCH(int, protocol);
  QFETCH(int, address);
  QFETCH(bool, ic735);
  QFETCH(int, amFilter);
  QFETCH(QString, frequency);
  QFETCH(QString, mode);
  QFETCH(QByteArray, bytes);
  QFETCH(int, waitAfter);
  QFETCH(QString, currentFrequency);
  QFETCH(int, filterIndex);

  const TuneCommand c =
      EncodeTuning(link(protocol, static_cast<quint8>(address), ic735, amFilter), frequency, mode);
  QVERIFY2(c.refusal.isEmpty(), qPrintable(c.refusal));
  QCOMPARE(c.bytes.toHex(' '), bytes.toHex(' '));
  QCOMPARE(c.waitAfterMs, waitAfter);
  QCOMPARE(c.frequencyText, currentFrequency.isEmpty() ? frequency : currentFrequency);
  QCOMPARE(c.filterIndex, filterIndex);
  const bool framed = protocol == protocols::kIcomCiv || protocol == protocols::kOs456;
  QCOMPARE(c.modeFrame.isEmpty(), !framed);
}

void EncodersTest::modeFrame_data() {
  QTest::addColumn<int>("protocol");
  QTest::addColumn<QString>("mode");
  QTest::addColumn<QByteArray>("frame");

  struct Row {
    const char* mode;
    const char* civ;
    const char* os;
  };
  const Row rows[] = {
      {"LSB", "00", "00"},       {"USB", "01", "01"},       {"AM", "02", "02"},
      {"CW", "03", "03"},        {"FSK", "04", "04"},       {"FMN", "05 02", "05"},
      {"FMW", "05", "06"},       {"FM9", "06", "06"},       {"SSB", "05 00", "05 00"},
      {"FM1", "05 01", "05 01"}, {"FM3", "05 03", "05 03"}, {"AMW", "02 01", "02 01"},
      {"AM2", "02 02", "02 02"}, {"AM3", "02 03", "02 03"}, {"AUT", "", ""},
      {"fmn", "05 02", "05"},
  };
  for (const Row& r : rows) {
    QTest::addRow("civ %s", r.mode) << int(protocols::kIcomCiv) << QString::fromLatin1(r.mode)
                                    << hex("FE FE 4A E0 06") + hex(r.civ) + hex("FD");
    QTest::addRow("os %s", r.mode) << int(protocols::kOs456) << QString::fromLatin1(r.mode)
                                   << hex("FE FE 4A E0 06") + hex(r.os) + hex("FD");
  }
}

void EncodersTest::modeFrame() {
  QFETCH(int, protocol);
  QFETCH(QString, mode);
  QFETCH(QByteArray, frame);
  QCOMPARE(ModeFrame(protocol, 0x4A, mode).toHex(' '), frame.toHex(' '));
  // The tuning carries the same frame for the mode decision.
  QCOMPARE(EncodeTuning(link(protocol), QStringLiteral("145"), mode).modeFrame.toHex(' '),
           frame.toHex(' '));
}

void EncodersTest::refusals_data() {
  QTest::addColumn<int>("protocol");
  QTest::addColumn<QString>("frequency");
  QTest::addColumn<QString>("mode");
  QTest::addColumn<QString>("message");  // empty: any non-empty message

  using namespace protocols;
  QTest::newRow("bc895 below 10 MHz")
      << int(kBc895Xlt) << "5"
      << "AM"
      << "The BC-895XLT cannot tune 5.00000 MHz: its commands cover 10 to 999.9999 MHz.";
  QTest::newRow("bc895 rounding stays below 10") << int(kBc895Xlt) << "9.999994"
                                                 << "AM"
                                                 << "";
  QTest::newRow("bc895 from 1000 MHz")
      << int(kBc895Xlt) << "1000"
      << "AM"
      << "The BC-895XLT cannot tune 1000.00000 MHz: its commands cover 10 to 999.9999 MHz.";
  QTest::newRow("bc895 rounding up to 1000") << int(kBc895Xlt) << "999.999996"
                                             << "AM"
                                             << "";
  QTest::newRow("pcr from 10000 MHz") << int(kPcr1000) << "10000"
                                      << "FMN"
                                      << "";
  QTest::newRow("pcr rounding up to 10000") << int(kPcr1000) << "9999.999996"
                                            << "FMN"
                                            << "";
  QTest::newRow("pcr mode FM1")
      << int(kPcr1000) << "162.55"
      << "FM1"
      << "The Icom PCR1000 cannot use the mode \"FM1\": its commands know only LSB, USB, AM, CW, "
         "FMN and FMW.";
  QTest::newRow("pcr mode RTY has no filter") << int(kPcr1000) << "162.55"
                                              << "RTY"
                                              << "";
  QTest::newRow("pcr mode compared with case") << int(kPcr1000) << "162.55"
                                               << "fmn"
                                               << "";
  QTest::newRow("os from 10000 MHz") << int(kOs456) << "10000"
                                     << "FMN"
                                     << "";
  QTest::newRow("os rounding up to 10000") << int(kOs456) << "9999.999996"
                                           << "FMN"
                                           << "";
  QTest::newRow("civ from 10000 MHz") << int(kIcomCiv) << "10000"
                                      << "FMN"
                                      << "";
  QTest::newRow("civ rounding up to 10000") << int(kIcomCiv) << "9999.9999996"
                                            << "FMN"
                                            << "";
  QTest::newRow("civ huge exponent") << int(kIcomCiv) << "1E300"
                                     << "FMN"
                                     << "";
  QTest::newRow("ar8000 from 10000 MHz")
      << int(kAr8000) << "10000"
      << "FMN"
      << "The AR8000 cannot tune 10000.00000 MHz: its commands cover 0 to 9999.99999 MHz.";
  QTest::newRow("ar2700 huge exponent") << int(kAr2700) << "1e30"
                                        << "FMN"
                                        << "";
  QTest::newRow("ar3000 rounding up to 10000") << int(kAr3000) << "9999.999996"
                                               << "FMN"
                                               << "";
  QTest::newRow("ar3000a from 10000 MHz") << int(kAr3000A) << "10000"
                                          << "FMN"
                                          << "";
  QTest::newRow("ar3000 mode AUT")
      << int(kAr3000) << "162.55"
      << "AUT"
      << "The AR3000 cannot use the mode \"AUT\": its commands know only AM, FMN, FMW, LSB, USB "
         "and CW.";
  QTest::newRow("ar3000a mode compared with case") << int(kAr3000A) << "162.55"
                                                   << "am"
                                                   << "";
  QTest::newRow("not a number") << int(kIcomCiv) << "abc"
                                << "FMN"
                                << "\"abc\" is not a valid frequency.";
  QTest::newRow("empty text") << int(kAr8000) << ""
                              << "FMN"
                              << "";
  QTest::newRow("trailing blank") << int(kAr3000) << "162.55 "
                                  << "FMN"
                                  << "";
  for (int p : {0, 1, 2, 3, 5, 6, 8, 9, 4}) {
    QTest::addRow("negative on protocol %d", p) << p << "-1"
                                                << "AM"
                                                << "";
  }
  QTest::newRow("negative message")
      << int(kAr8000) << "-7.1"
      << "AM"
      << "The AR8000 cannot tune -7.10000 MHz: a frequency cannot be negative.";
}

void EncodersTest::refusals() {
  QFETCH(int, protocol);
  QFETCH(QString, frequency);
  QFETCH(QString, mode);
  QFETCH(QString, message);
  const TuneCommand c = EncodeTuning(link(protocol), frequency, mode);
  QVERIFY(!c.refusal.isEmpty());
  if (!message.isEmpty()) QCOMPARE(c.refusal, message);
  QVERIFY(c.bytes.isEmpty());
  QVERIFY(c.modeFrame.isEmpty());
}

void EncodersTest::pcrFilter_data() {
  QTest::addColumn<QString>("frequency");
  QTest::addColumn<QString>("mode");
  QTest::addColumn<int>("filter");
  QTest::addColumn<QByteArray>("bytes");  // empty: refused

  QTest::newRow("FMN to 3K") << "162.55000"
                             << "FMN" << 0 << QByteArray("K00162550000050000\r\n");
  QTest::newRow("FMN to 230K") << "162.55000"
                               << "FMN" << 4 << QByteArray("K00162550000050400\r\n");
  QTest::newRow("AM in the aviation band to 50K")
      << "120.00000"
      << "AM" << 3 << QByteArray("K00120000000020300\r\n");
  QTest::newRow("stored frequency with blanks")
      << "  0.50000"
      << "USB" << 1 << QByteArray("K00000500000010100\r\n");
  QTest::newRow("filter outside the list") << "162.55000"
                                           << "FMN" << 5 << QByteArray();
  QTest::newRow("mode without a code") << "162.55000"
                                       << "FM1" << 1 << QByteArray();
  // Rounds to zero, but no radio takes a negative frequency.
  QTest::newRow("a hair below zero") << "-0.000004"
                                     << "FMN" << 1 << QByteArray();
}

void EncodersTest::pcrFilter() {
  QFETCH(QString, frequency);
  QFETCH(QString, mode);
  QFETCH(int, filter);
  QFETCH(QByteArray, bytes);
  const TuneCommand c = EncodePcrFilter(link(protocols::kPcr1000), frequency, mode, filter);
  if (bytes.isEmpty()) {
    QVERIFY(!c.refusal.isEmpty());
    QVERIFY(c.bytes.isEmpty());
    return;
  }
  QCOMPARE(c.bytes, bytes);
  QCOMPARE(c.filterIndex, filter);
  QCOMPARE(c.frequencyText, frequency);
}

void EncodersTest::commands_data() {
  QTest::addColumn<QByteArray>("actual");
  QTest::addColumn<QByteArray>("expected");

  // CI-V levels: always two packed-decimal bytes, hundreds first.
  QTest::newRow("civ volume 50") << CivLevelFrame(0x4A, kCivVolume, 50)
                                 << hex("FE FE 4A E0 14 01 00 50 FD");
  QTest::newRow("civ volume 0") << CivLevelFrame(0x4A, kCivVolume, 0)
                                << hex("FE FE 4A E0 14 01 00 00 FD");
  QTest::newRow("civ volume 99") << CivLevelFrame(0x4A, kCivVolume, 99)
                                 << hex("FE FE 4A E0 14 01 00 99 FD");
  QTest::newRow("civ volume 100") << CivLevelFrame(0x4A, kCivVolume, 100)
                                  << hex("FE FE 4A E0 14 01 01 00 FD");
  QTest::newRow("civ volume 200") << CivLevelFrame(0x4A, kCivVolume, 200)
                                  << hex("FE FE 4A E0 14 01 02 00 FD");
  QTest::newRow("civ squelch 255")
      << CivLevelFrame(0x4A, kCivSquelch, 255) << hex("FE FE 4A E0 14 03 02 55 FD");
  QTest::newRow("civ level above 255 held at 255")
      << CivLevelFrame(0x4A, kCivVolume, 1000) << hex("FE FE 4A E0 14 01 02 55 FD");
  QTest::newRow("civ negative level held at 0")
      << CivLevelFrame(0x4A, kCivSquelch, -5) << hex("FE FE 4A E0 14 03 00 00 FD");
  QTest::newRow("civ attenuator 20 dB")
      << CivAttenuatorFrame(0x4A, 20) << hex("FE FE 4A E0 11 20 FD");
  QTest::newRow("civ attenuator off") << CivAttenuatorFrame(0x4A, 0) << hex("FE FE 4A E0 11 00 FD");
  QTest::newRow("civ attenuator 10 dB")
      << CivAttenuatorFrame(0x4A, 10) << hex("FE FE 4A E0 11 10 FD");
  QTest::newRow("civ attenuator 30 dB")
      << CivAttenuatorFrame(0x4A, 30) << hex("FE FE 4A E0 11 30 FD");
  QTest::newRow("civ attenuator other value has no code")
      << CivAttenuatorFrame(0x4A, 15) << hex("FE FE 4A E0 11 FD");

  // OS456/OS535 control frames.
  QTest::newRow("os power up") << OsControlFrame(0x7F, kOsPowerUp) << hex("FE FE 7F E0 7F 02 FD");
  QTest::newRow("os audio on") << OsControlFrame(0x7F, kOsAudioOn) << hex("FE FE 7F E0 7F 0A FD");
  QTest::newRow("os mute") << OsControlFrame(0x7F, kOsAudioOff) << hex("FE FE 7F E0 7F 0B FD");
  QTest::newRow("os power down") << OsControlFrame(0x7F, kOsPowerDown)
                                 << hex("FE FE 7F E0 7F 01 FD");
  QTest::newRow("os address 0 keeps its byte")
      << OsControlFrame(0x00, kOsPowerUp) << hex("FE FE 00 E0 7F 02 FD");

  // PCR1000 levels and switches.
  QTest::newRow("pcr volume 0") << PcrLevelCommand(kPcrVolume, 0) << QByteArray("J4000\r\n");
  QTest::newRow("pcr volume 10") << PcrLevelCommand(kPcrVolume, 10) << QByteArray("J400A\r\n");
  QTest::newRow("pcr if shift 127") << PcrLevelCommand(kPcrIfShift, 127) << QByteArray("J437F\r\n");
  QTest::newRow("pcr squelch 255") << PcrLevelCommand(kPcrSquelch, 255) << QByteArray("J41FF\r\n");
  QTest::newRow("pcr level above 255 held at FF")
      << PcrLevelCommand(kPcrVolume, 300) << QByteArray("J40FF\r\n");
  QTest::newRow("pcr agc on") << PcrSwitchCommand(kPcrAgc, true) << QByteArray("J4501\r\n");
  QTest::newRow("pcr agc off") << PcrSwitchCommand(kPcrAgc, false) << QByteArray("J4500\r\n");
  QTest::newRow("pcr nb on") << PcrSwitchCommand(kPcrNoiseBlanker, true) << QByteArray("J4601\r\n");
  QTest::newRow("pcr nb off") << PcrSwitchCommand(kPcrNoiseBlanker, false)
                              << QByteArray("J4600\r\n");
  QTest::newRow("pcr att on") << PcrSwitchCommand(kPcrAttenuator, true) << QByteArray("J4701\r\n");
  QTest::newRow("pcr att off") << PcrSwitchCommand(kPcrAttenuator, false)
                               << QByteArray("J4700\r\n");
  QTest::newRow("pcr power off") << PcrLine("H100") << QByteArray("H100\r\n");

  // AR8000/AR2700.
  QTest::newRow("ar8000 att on") << Ar8000Attenuator(true) << QByteArray(" AT1\r\n");
  QTest::newRow("ar8000 att off") << Ar8000Attenuator(false) << QByteArray(" AT0\r\n");
  QTest::newRow("ar8000 mute") << Ar8000Mute(true) << QByteArray("MC1\r\n");
  QTest::newRow("ar8000 unmute") << Ar8000Mute(false) << QByteArray("MC0\r\n");
  QTest::newRow("ar8000 exit") << Ar8000Exit() << QByteArray("EX\r\n");

  // BC-895XLT.
  QTest::newRow("bc895 mute") << Bc895Mute(true) << QByteArray("MUN\r");
  QTest::newRow("bc895 unmute") << Bc895Mute(false) << QByteArray("MUA\r");
  QTest::newRow("bc895 query") << Bc895Query() << QByteArray("MD\r");
  QTest::newRow("bc895 key01") << Bc895Key01() << QByteArray("KEY01\r");

  // AR3000A.
  QTest::newRow("ar3000a mute") << Ar3000AMute(true) << QByteArray("E\r\n");
  QTest::newRow("ar3000a unmute") << Ar3000AMute(false) << QByteArray("G\r\n");
  QTest::newRow("ar3000a att on") << Ar3000AAttenuator(true) << QByteArray("R\r\n");
  QTest::newRow("ar3000a att off") << Ar3000AAttenuator(false) << QByteArray("T\r\n");
}

void EncodersTest::commands() {
  QFETCH(QByteArray, actual);
  QFETCH(QByteArray, expected);
  QCOMPARE(actual.toHex(' '), expected.toHex(' '));
}

void EncodersTest::bc895Reply_data() {
  QTest::addColumn<QByteArray>("reply");
  QTest::addColumn<QByteArray>("answer");
  for (const char* model : {"MD06", "MD07", "MD08", "MD09", "MD10"}) {
    QTest::addRow("%s answered with KEY13", model)
        << QByteArray(model) + " BC895XLT\r" << QByteArray("KEY13\r");
  }
  QTest::newRow("MD05 gets a lone CR") << QByteArray("MD05\r") << QByteArray("\r");
  QTest::newRow("lower case gets a lone CR") << QByteArray("md07\r") << QByteArray("\r");
  QTest::newRow("short reply gets a lone CR") << QByteArray("MD0") << QByteArray("\r");
  QTest::newRow("model later in the reply gets a lone CR")
      << QByteArray("\rMD07") << QByteArray("\r");
}

void EncodersTest::bc895Reply() {
  QFETCH(QByteArray, reply);
  QFETCH(QByteArray, answer);
  QCOMPARE(Bc895ReplyAnswer(reply), answer);
}

CORVALO_TEST_GUILESS_MAIN(EncodersTest)
#include "tst_encoders.moc"
