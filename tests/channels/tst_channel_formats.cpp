#include <QTemporaryDir>
#include <QtTest/QtTest>

#include "ChannelTestSupport.h"
#include "TestMain.h"
#include "channels/ChannelFiles.h"
#include "channels/ChannelFormats.h"

using namespace channels;
using channeltest::MakeChannel;

Q_DECLARE_METATYPE(channels::Format)

namespace {

struct Parsed {
  QList<Channel> channels;
  QStringList problems;  // "line: reason"
  QStringList notes;
  ParseOutcome outcome;
};

Parsed parse(Format format, const QByteArray& data) {
  Parsed parsed;
  parsed.outcome = ParseChannels(format, data, [&](const ImportRow& row) {
    if (row.problem.isEmpty()) {
      parsed.channels.append(row.channel);
    } else {
      parsed.problems.append(QStringLiteral("%1: %2").arg(row.line).arg(row.problem));
    }
    parsed.notes.append(row.notes);
    return true;
  });
  return parsed;
}

// What each format keeps of a channel; the rest is cleared before comparing.
Channel keptBy(Format format, Channel channel) {
  channel.id = channel.listId = 0;
  if (format != Format::Corvalo) channel.createdMs = channel.updatedMs = 0;
  if (format == Format::Gqrx || format == Format::SdrPlusPlus) {
    channel.comment.clear();
    channel.lockout = false;
  }
  if (format == Format::SdrPlusPlus || format == Format::Chirp) channel.tags.clear();
  if (format == Format::Chirp) channel.filter = kNoFilter;
  return channel;
}

Channel with(Channel channel, const char* comment, bool lockout = false) {
  channel.comment = QString::fromUtf8(comment);
  channel.lockout = lockout;
  return channel;
}

const QByteArray kGqrx =
    "# Tag name          ;  color\n"
    "Marine              ; #00ff00\n"
    "Air                 ; #c0c0c0\n"
    "\n"
    "# Frequency ; Name                     ; Modulation          ;  Bandwidth; Tags\n"
    "   156800000; Channel 16               ; Narrow FM           ;      10000; Marine\n"
    "   121500000; Guard                    ; AM                  ;       6000; Air,Marine\n"
    "    14070000; PSK, 20 m                ; USB                 ;       2700; Untagged\n"
    "   100100000; Radio                    ; WFM (oirt)          ;     160000; \n"
    "     1000000; IQ                       ; Raw I/Q             ;      10000; Air\n";

const QByteArray kSdrpp = R"({
    "bookmarks": {
        "NOAA 1": {
            "bandwidth": 12500.0,
            "frequency": 162550000.0,
            "mode": 0
        },
        "BBC R4 LW": {"bandwidth": 10000.0, "frequency": 198000.0, "mode": 2},
        "Esc\u00e9 \"q\"": {"bandwidth": 6000, "frequency": 7100000.4, "mode": 6},
        "CB": {"frequency": 27185000, "bandwidth": 4600.0, "mode": 3}
    }
})";

// SDR++'s own settings file: every list, each bookmark tagged with its list.
const QByteArray kSdrppSettings =
    R"({"bookmarkDisplayMode": 1, "lists": {"General": {"bookmarks": {"A": {"bandwidth": 0.0,)"
    R"( "frequency": 145500000.0, "mode": 7}}, "showOnWaterfall": true}, "Air": {"bookmarks":)"
    R"( {"B": {"bandwidth": 8333.0, "frequency": 118000000.0, "mode": 2}}, "showOnWaterfall":)"
    R"( false}}, "selectedList": "General"})";

// Shaped like CHIRP's stock files: BOM, CRLF, a comment line, the older
// short header, quoted fields, an empty memory, location 0.
const QByteArray kChirp =
    "\xEF\xBB\xBF# Exported from CHIRP\r\n"
    "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,Mode,"
    "TStep,Skip,Comment,URCALL,RPT1CALL,RPT2CALL\r\n"
    "0,WX1,162.550000,,0.000000,,88.5,88.5,023,NN,FM,5.00,,,,,\r\n"
    "1,\"Rpt, \"\"North\"\"\",146.94,-,0.600000,TSQL,88.5,100.0,023,NN,FM,5.00,S,\"up, "
    "hill\",,,\r\n"
    "2,,,,0.000000,,88.5,88.5,023,NN,FM,5.00,,,,,\r\n"
    "3,D-STAR,145.670000,,0.000000,,88.5,88.5,023,NN,DV,5.00,P,,CQCQCQ,,\r\n"
    "4,Air,121.5 MHz,,0.000000,,88.5,88.5,023,NN,AM,25.00,,,,,\r\n";

}  // namespace

// The four file formats: files shaped like the peers' own, with their odd
// corners, read as the right channels and written back to the same; every
// malformed file reported by line, never a crash or a hang.
class ChannelFormatsTest : public QObject {
  Q_OBJECT

 private slots:
  void readsPeersFilesAndRoundTrips_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<Channel>>("expected");
    QTest::addColumn<QStringList>("notes");

    const QList<Channel> gqrx = {
        MakeChannel(156'800'000, "FMN", "Channel 16", {"Marine"}),
        MakeChannel(121'500'000, "AM", "Guard", {"Air", "Marine"}, 1),
        MakeChannel(14'070'000, "USB", "PSK, 20 m"), MakeChannel(100'100'000, "FMW", "Radio"),
        with(MakeChannel(1'000'000, "AM", "IQ", {"Air"}), "gqrx mode Raw I/Q")};
    const QStringList gqrxNotes = {
        "gqrx mode \"Raw I/Q\" has no counterpart: tuned as AM, kept in the comment"};
    QTest::newRow("gqrx") << Format::Gqrx << kGqrx << gqrx << gqrxNotes;
    QByteArray crlf = kGqrx;
    crlf.replace("\n", "\r\n");
    QTest::newRow("gqrx, BOM and CRLF")
        << Format::Gqrx << "\xEF\xBB\xBF" + crlf << gqrx << gqrxNotes;

    QTest::newRow("SDR++ export")
        << Format::SdrPlusPlus << kSdrpp
        << QList<Channel>{MakeChannel(162'550'000, "FMN", "NOAA 1"),
                          MakeChannel(198'000, "AM", "BBC R4 LW"),
                          MakeChannel(7'100'000, "LSB", "Escé \"q\"", {}, 1),
                          with(MakeChannel(27'185'000, "AM", "CB"), "SDR++ mode DSB")}
        << QStringList{"SDR++ mode DSB has no counterpart: tuned as AM, kept in the comment"};
    QTest::newRow("SDR++ settings")
        << Format::SdrPlusPlus << kSdrppSettings
        << QList<Channel>{with(MakeChannel(145'500'000, "AM", "A", {"General"}), "SDR++ mode RAW"),
                          MakeChannel(118'000'000, "AM", "B", {"Air"}, 2)}
        << QStringList{"SDR++ mode RAW has no counterpart: tuned as AM, kept in the comment"};

    QTest::newRow("CHIRP")
        << Format::Chirp << kChirp
        << QList<Channel>{MakeChannel(162'550'000, "FMN", "WX1"),
                          with(MakeChannel(146'940'000, "FMN", "Rpt, \"North\""),
                               "up, hill; CHIRP duplex - 0.600000; CHIRP tone TSQL 100.0", true),
                          with(MakeChannel(145'670'000, "FMN", "D-STAR"),
                               "CHIRP mode DV; CHIRP priority"),
                          MakeChannel(121'500'000, "AM", "Air")}
        << QStringList{"CHIRP duplex and offset kept in the comment",
                       "CHIRP tone settings kept in the comment",
                       "CHIRP mode \"DV\" has no counterpart: tuned as FMN, kept in the "
                       "comment",
                       "CHIRP priority (Skip P) kept in the comment"};

    // Corvalo's own: every field, whatever it holds.
    Channel full =
        MakeChannel(9'999'999'990, "AM3", " lead, \"quoted\"\nsecond line ", {"a b", "Émile"}, 4);
    full.lockout = true;
    full.comment = QStringLiteral("semi; colon, comma");
    full.createdMs = 1'000'000'000'123;
    full.updatedMs = 1'700'000'000'456;
    Channel plain = MakeChannel(1, "FSK");
    plain.createdMs = plain.updatedMs = 86'400'000;
    const QByteArray corvalo = WriteChannels(Format::Corvalo, {plain, full}, nullptr);
    QTest::newRow("Corvalo") << Format::Corvalo << corvalo << QList<Channel>{plain, full}
                             << QStringList();
  }
  void readsPeersFilesAndRoundTrips() {
    QFETCH(Format, format);
    QFETCH(QByteArray, file);
    QFETCH(QList<Channel>, expected);
    QFETCH(QStringList, notes);
    QCOMPARE(DetectFormat(file), std::optional<Format>(format));
    const Parsed parsed = parse(format, file);
    QVERIFY2(parsed.outcome.fatal.isEmpty(), qPrintable(parsed.outcome.fatal));
    QCOMPARE(parsed.problems, QStringList());
    QCOMPARE(parsed.channels, expected);
    QCOMPARE(parsed.notes, notes);

    ExportNotes lost;
    const QByteArray written = WriteChannels(format, parsed.channels, &lost);
    QCOMPARE(DetectFormat(written), std::optional<Format>(format));
    const Parsed again = parse(format, written);
    QCOMPARE(again.problems, QStringList());
    QCOMPARE(again.channels.size(), expected.size());
    for (const Channel& channel : expected) {
      const Channel kept = keptBy(format, channel);
      bool found = false;
      for (const Channel& back : again.channels) found = found || keptBy(format, back) == kept;
      QVERIFY2(found, qPrintable(channel.name));
    }
  }

  // Which file a damaged or foreign input is taken for, and what the
  // operator is told: a reason for the whole file, or each bad row by line.
  void reportsMalformedFiles_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");         // part of the whole-file error
    QTest::addColumn<QStringList>("problems");  // "line: part of the reason"
    const QByteArray gqrxHead = "# Tag name ; color\n\n";
    const QByteArray chirpHead = "Location,Name,Frequency,Mode,Skip\n";
    const QByteArray corvaloHead =
        "Frequency,Mode,Filter,Name,Tags,Lockout,Comment,Created,Updated\n";

    QTest::newRow("empty file") << QByteArray() << "not a channel list" << QStringList();
    QTest::newRow("binary junk") << QByteArray("{\0\x01\x02\xff junk", 10) << "not valid JSON"
                                 << QStringList();
    QTest::newRow("NUL in a text file")
        << gqrxHead + QByteArray("1;a;AM;0;\0", 10) << "binary data (line 3)" << QStringList();
    QTest::newRow("not UTF-8") << gqrxHead + "1000;caf\xe9;AM;0;\n"
                               << "not UTF-8 text (line 3)" << QStringList();
    QTest::newRow("UTF-16") << QByteArray("\xff\xfeL\0o\0", 6) << "UTF-16" << QStringList();
    QTest::newRow("truncated JSON") << QByteArray(R"({"bookmarks": {"A": {"frequency": 1)")
                                    << "not valid JSON (line 1)" << QStringList();
    QTest::newRow("JSON without bookmarks")
        << QByteArray(R"({"lists": 3})") << "no SDR++ bookmarks" << QStringList();
    QTest::newRow("CHIRP separated by semicolons")
        << QByteArray("Location;Name;Frequency;Mode\n1;a;146.52;FM\n") << "not separated by commas"
        << QStringList();
    QTest::newRow("gqrx separated by commas")
        << gqrxHead + "# Frequency ; Name\n156800000,Ch 16,Narrow FM,10000,\n"
        << QString() << QStringList{"4: expected 5 fields"};
    QTest::newRow("gqrx rows")
        << gqrxHead +
               "1e6;a;AM;0;\n0;b;AM;0;\n1000;c;FreeDV;0;\n1000;d;AM;wide;\n1000;e;AM;0;\n"
               "1000;e;AM;0;\n"
        << QString()
        << QStringList{"3: malformed number", "4: frequency out of range", "5: unknown mode",
                       "6: malformed number", "8: duplicate"};
    QTest::newRow("SDR++ bookmarks")
        << QByteArray(
               "{\"bookmarks\": {\n\"a\": {\"frequency\": \"1\", \"mode\": 0},\n"
               "\"b\": {\"frequency\": 1000, \"mode\": 9},\n"
               "\"c\": [],\n\"a\": {\"frequency\": 1e30, \"mode\": 0}}}")
        << QString()
        << QStringList{"2: duplicate name", "3: unknown mode 9", "4: not a bookmark",
                       "5: frequency out of range"};
    QTest::newRow("CHIRP rows")
        << chirpHead +
               "1,a,146.5200001,FM,\n2,b,146.52,FM\n3,\"c, d\",146.52,XYZ,\n"
               "4,e,146.52,FM,Q\n5,f,-146.52,FM,\n6,\"open,146.52,FM,\n"
        << QString()
        << QStringList{"2: malformed number", "3: 4 fields, the header has 5", "4: unknown mode",
                       "5: unknown Skip",     "6: malformed number",           "7: not closed"};
    QTest::newRow("Corvalo rows")
        << corvaloHead + "100,AM,,a,,yes,,,\n100,AM,99K,b,,0,,,\n100,AM,,c,,0,,noon,\n"
        << QString()
        << QStringList{"2: malformed lockout", "3: unknown filter", "4: malformed time"};
    QTest::newRow("a million bad rows") << gqrxHead + QByteArray("x\n").repeated(1'000'000)
                                        << QString() << QStringList{"3: expected 5 fields"};
    QTest::newRow("50 MB of long lines")
        << gqrxHead + (QByteArray(999, 'A') + '\n').repeated(50'000) << QString()
        << QStringList{"3: expected 5 fields"};
  }
  void reportsMalformedFiles() {
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    QFETCH(QStringList, problems);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.txt"));
    channeltest::WriteFile(path, file);
    ChannelStore store(dir.filePath(QStringLiteral("channels.sqlite")));
    const ImportReport report = ImportFile(store, {path, QStringLiteral("In"), {}, false});
    QVERIFY(!report.ok());
    QCOMPARE(report.imported, 0);
    QVERIFY(!store.findList(QStringLiteral("In")));
    QVERIFY2(error.isEmpty() ? report.error.isEmpty() : report.error.contains(error),
             qPrintable(report.error));
    const int shown = std::min<int>(problems.size(), report.problems.size());
    for (int i = 0; i < shown; ++i) {
      const RowProblem& problem = report.problems.at(i);
      const QString expected = problems.at(i);
      QCOMPARE(QString::number(problem.line), expected.section(u':', 0, 0));
      QVERIFY2(problem.reason.contains(expected.section(u':', 1).trimmed()),
               qPrintable(problem.text()));
    }
    if (report.problemCount > ImportReport::kMaxProblems) {
      QCOMPARE(report.problems.size(), ImportReport::kMaxProblems);
    } else {
      QCOMPARE(report.problems.size(), problems.size());
    }
  }

  void refusesFilesTooLargeToRead() {
    QTemporaryDir dir;
    QFile big(dir.filePath(QStringLiteral("big.csv")));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(kMaxImportBytes + 1));  // sparse: nothing is written
    big.close();
    ChannelStore store(dir.filePath(QStringLiteral("channels.sqlite")));
    const ImportReport report = ImportFile(store, {big.fileName(), QString(), {}, false});
    QVERIFY2(report.error.contains("too large"), qPrintable(report.error));
    QCOMPARE(report.listName, QStringLiteral("big"));
  }

  void presetsBecomeAList() {
    QList<PresetValues> presets = {
        {0, 1, QStringLiteral("  162.55000"), QStringLiteral("FMN"), 2, QStringLiteral("Weather"),
         true},
        {1, 3, QStringLiteral("7.1"), QStringLiteral("LSB"), 0, QString(), false},
        {1, 4, QString(), QStringLiteral("AM"), 2, QString(), false},  // never saved
        {2, 1, QStringLiteral("abc"), QStringLiteral("AM"), 2, QString(), false},
        {2, 2, QStringLiteral("10000"), QStringLiteral("AM"), 2, QString(), false},
        {2, 3, QStringLiteral("100"), QStringLiteral("XYZ"), 2, QString(), false},
        {2, 4, QStringLiteral("100"), QStringLiteral("AM"), 7, QString(), false}};
    const QList<ImportRow> rows = RowsFromPresets(presets);
    QStringList problems;
    QList<Channel> channels;
    for (const ImportRow& row : rows) {
      if (row.problem.isEmpty())
        channels.append(row.channel);
      else
        problems.append(row.where + QStringLiteral(": ") + row.problem);
    }
    QCOMPARE(channels,
             QList<Channel>(
                 {with(MakeChannel(162'550'000, "FMN", "Weather", {"Group A"}, 2), "Attenuator on"),
                  MakeChannel(7'100'000, "LSB", "Preset B3", {"Group B"}, 0)}));
    QCOMPARE(rows.first().notes.size(), 1);
    QCOMPARE(problems, QStringList({"Preset C1: malformed number \"abc\"",
                                    "Preset C2: frequency out of range (10000 MHz)",
                                    "Preset C3: unknown mode \"XYZ\"",
                                    "Preset C4: filter out of range (7)"}));
    // Through the store: the bad presets skipped, or nothing imported.
    QTemporaryDir dir;
    ChannelStore store(dir.filePath(QStringLiteral("channels.sqlite")));
    QCOMPARE(ImportPresets(store, presets, QStringLiteral("Presets"), false).imported, 0);
    const ImportReport report = ImportPresets(store, presets, QStringLiteral("Presets"), true);
    QCOMPARE(report.imported, 2);
    QCOMPARE(report.problems.first().text(), QStringLiteral("Preset C1: malformed number \"abc\""));
  }
};

CORVALO_TEST_GUILESS_MAIN(ChannelFormatsTest)
#include "tst_channel_formats.moc"
