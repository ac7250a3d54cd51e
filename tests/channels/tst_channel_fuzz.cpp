#include <QRandomGenerator>
#include <QtTest/QtTest>

#include "ChannelTestSupport.h"
#include "TestMain.h"
#include "channels/ChannelFormats.h"

using namespace channels;
using channeltest::MakeChannel;

// Every parser of imported files against random and mutated input (fixed
// seed, so a failure repeats): none may crash, hang or hand over a channel
// the store would refuse, and every row it reports lies inside the file.
class ChannelFuzzTest : public QObject {
  Q_OBJECT

 private:
  static QList<QByteArray> seeds() {
    Channel locked = MakeChannel(9'999'999'990, "AM3", "x, \"y\"\nz", {"a b", "c"}, 4);
    locked.lockout = true;
    locked.comment = QStringLiteral("; ,\"");
    const QList<Channel> channels = {MakeChannel(162'550'000, "FMN", "NOAA", {"wx"}, 2),
                                     MakeChannel(1, "FSK"), locked,
                                     MakeChannel(7'100'000, "LSB", "", {}, 0)};
    QList<QByteArray> result;
    for (Format format : kFormats) result.append(WriteChannels(format, channels, nullptr));
    result.append(R"({"lists": {"A, B": {"bookmarks": {"x": {"frequency": 1e6, "mode": 3,)"
                  R"( "bandwidth": 7}}}, "C": {"bookmarks": {"y\u0041": {"frequency": 2e6,)"
                  R"( "mode": 1}}}}})");
    return result;
  }

  static QByteArray mutate(QByteArray data, QRandomGenerator& random) {
    static constexpr char kChars[] = ";,\"\n\r{}[]:#\\\0\xEF\xBB\xBF\xff 0.-e";
    static const QByteArray kSpecial(kChars, sizeof kChars - 1);
    const int edits = 1 + random.bounded(8);
    for (int i = 0; i < edits; ++i) {
      const int at = data.isEmpty() ? 0 : random.bounded(data.size());
      switch (random.bounded(6)) {
        case 0:  // flip a bit
          if (!data.isEmpty()) data[at] = char(data[at] ^ (1 << random.bounded(8)));
          break;
        case 1:  // insert a character that means something to some format
          data.insert(at, kSpecial[random.bounded(kSpecial.size())]);
          break;
        case 2:  // cut the end off
          data.truncate(at);
          break;
        case 3:  // delete a span
          data.remove(at, random.bounded(16));
          break;
        case 4:  // repeat a span
          data.insert(at, data.mid(at, random.bounded(64)));
          break;
        default:  // a long run of digits
          data.insert(at, QByteArray(random.bounded(30), char('0' + random.bounded(10))));
          break;
      }
    }
    return data;
  }

  static void check(Format format, const QByteArray& data) {
    const int lines = static_cast<int>(data.count('\n') + data.count('\r')) + 1;
    const ParseOutcome outcome = ParseChannels(format, data, [&](const ImportRow& row) {
      if (row.line < 1 || row.line > lines) {
        QTest::qFail(qPrintable(QStringLiteral("row line %1 outside the file").arg(row.line)),
                     __FILE__, __LINE__);
      }
      if (row.problem.isEmpty()) {
        const QString why = ValidateChannel(row.channel);
        if (!why.isEmpty()) {
          QTest::qFail(qPrintable(QStringLiteral("a good row the store refuses: ") + why), __FILE__,
                       __LINE__);
        }
      }
      return true;
    });
    Q_UNUSED(outcome);
  }

 private slots:
  void parsersSurviveMutatedInput() {
    QRandomGenerator random(20240501);
    const QList<QByteArray> bases = seeds();
    for (int i = 0; i < 50000; ++i) {
      const QByteArray input = mutate(bases[random.bounded(bases.size())], random);
      DetectFormat(input);
      for (Format format : kFormats) check(format, input);
      if (QTest::currentTestFailed()) {
        qWarning() << "input" << i << input.toPercentEncoding();
        return;
      }
    }
  }

  void parsersSurviveRandomBytes() {
    QRandomGenerator random(7);
    for (int i = 0; i < 10000; ++i) {
      QByteArray input(random.bounded(512), Qt::Uninitialized);
      for (char& c : input) c = char(random.bounded(256));
      DetectFormat(input);
      for (Format format : kFormats) check(format, input);
      if (QTest::currentTestFailed()) return;
    }
  }
};

CORVALO_TEST_GUILESS_MAIN(ChannelFuzzTest)
#include "tst_channel_fuzz.moc"
