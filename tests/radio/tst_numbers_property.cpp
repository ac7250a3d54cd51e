// Properties of the number texts and of the tuning encoders over many random
// inputs: the one number parser accepts exactly its grammar, every accepted
// frequency lies within its limits and reads back the same, stored numbers
// round-trip, no frequency ever yields a malformed command, and none of this
// depends on the user's locale.
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <charconv>
#include <clocale>
#include <cmath>
#include <random>
#include <vector>

#include "TestMain.h"
#include "radio/FrequencyText.h"
#include "radio/Protocols.h"
#include "radio/TuneCommand.h"
#include "settings/SettingsStore.h"

namespace {

constexpr int kRounds = 20000;

// The grammar of a valid number text, written independently of the parser.
const QRegularExpression& numberGrammar() {
  static const QRegularExpression re(
      QStringLiteral("^ *[+-]?(?:[0-9]+(?:\\.[0-9]+)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?$"));
  return re;
}

class Random {
 public:
  explicit Random(unsigned seed) : engine_(seed) {}
  int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
  double real(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(engine_);
  }
  QChar pick(const char* alphabet) {
    const int n = static_cast<int>(qstrlen(alphabet));
    return QLatin1Char(alphabet[between(0, n - 1)]);
  }
  QString digits(int count) {
    QString s;
    for (int i = 0; i < count; ++i) s += pick("0123456789");
    return s;
  }

  // A number text that is usually valid, sometimes mutated by one character.
  QString numberText() {
    QString s = QString(between(0, 2), QLatin1Char(' '));
    if (between(0, 4) == 0) s += pick("+-");
    if (between(0, 5) != 0) s += digits(between(1, 5));
    if (between(0, 2) != 0) s += QLatin1Char('.') + digits(between(0, 7));
    if (between(0, 6) == 0) s += pick("eE") + QString(pick("+-")) + digits(between(0, 3));
    if (between(0, 3) == 0) mutate(s);
    return s;
  }
  // Any characters that may appear in what an operator types or a hand-edited
  // settings file holds.
  QString noise() {
    QString s;
    const int n = between(0, 14);
    for (int i = 0; i < n; ++i)
      s += pick(
          " +-.eE0123456789,x\tX\xe4"
          "aF");
    return s;
  }
  void mutate(QString& s) {
    const int at = s.isEmpty() ? 0 : between(0, static_cast<int>(s.size()) - 1);
    switch (between(0, 2)) {
      case 0:
        s.insert(at, pick(" .,e+-x0"));
        break;
      case 1:
        if (!s.isEmpty()) s.remove(at, 1);
        break;
      default:
        if (!s.isEmpty()) s[at] = pick(" .,e+-x9");
        break;
    }
  }

 private:
  std::mt19937 engine_;
};

// The value a text in the grammar stands for, read by the standard library.
bool referenceValue(const QString& text, double* value, bool* outOfRange) {
  QByteArray latin = text.trimmed().toLatin1();
  if (latin.startsWith('+')) latin.remove(0, 1);
  const auto [end, error] = std::from_chars(latin.constData(), latin.constData() + latin.size(),
                                            *value, std::chars_format::general);
  *outOfRange = error == std::errc::result_out_of_range;
  return error == std::errc() && end == latin.constData() + latin.size();
}

int bcd(char byte) {
  const int b = static_cast<unsigned char>(byte);
  return (b >> 4) > 9 || (b & 15) > 9 ? -1 : (b >> 4) * 10 + (b & 15);
}

// Decodes packed-decimal bytes, lowest pair first; -1 when a nibble is no digit.
qint64 bcdValue(const QByteArray& bytes) {
  qint64 value = 0;
  for (qsizetype i = bytes.size() - 1; i >= 0; --i) {
    const int pair = bcd(bytes[i]);
    if (pair < 0) return -1;
    value = value * 100 + pair;
  }
  return value;
}

const char* const kModes[] = {"AM",  "CW",  "FMN", "FMW", "FM1", "FM3", "FM9", "FSK", "LSB", "SSB",
                              "USB", "AUT", "AMW", "AM2", "AM3", "fmn", "am",  "RTY", ""};
const int kProtocolNumbers[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

// Checks one encoded tuning for well-formedness; returns an empty text when
// it is well formed, else what is wrong.
QString checkTuning(const encoders::TuneParameters& p, double mhz, const encoders::TuneCommand& c) {
  using namespace protocols;
  if (!c.refusal.isEmpty()) {
    return c.bytes.isEmpty() && c.modeFrame.isEmpty() ? QString()
                                                      : QStringLiteral("refused but built bytes");
  }
  if (mhz < 0) return QStringLiteral("negative frequency accepted");
  const QString bytes = QString::fromLatin1(c.bytes.toHex(' '));
  auto match = [&](const char* pattern) {
    return QRegularExpression(QString::fromLatin1(pattern))
        .match(QString::fromLatin1(c.bytes))
        .hasMatch();
  };
  switch (p.protocol) {
    case kIcomCiv:
    case kOs456: {
      const bool short4 = p.protocol == kIcomCiv && p.ic735 && c.bytes.size() == 10;
      if (c.bytes.size() != 11 && !short4) return QStringLiteral("frame length ") + bytes;
      if (!c.bytes.startsWith(QByteArray("\xFE\xFE") + char(p.civAddress) + "\xE0\x05") ||
          !c.bytes.endsWith('\xFD')) {
        return QStringLiteral("frame layout ") + bytes;
      }
      const qint64 value = bcdValue(c.bytes.mid(5, c.bytes.size() - 6));
      if (value < 0) return QStringLiteral("not packed decimal ") + bytes;
      const double sent = p.protocol == kIcomCiv ? value / 1e6 : value / 1e6;
      const double resolution = p.protocol == kIcomCiv ? 0.5e-6 : 5e-6;
      if (std::abs(sent - mhz) > resolution + 1e-9) return QStringLiteral("value ") + bytes;
      if (!c.modeFrame.startsWith(QByteArray("\xFE\xFE") + char(p.civAddress) + "\xE0\x06") ||
          !c.modeFrame.endsWith('\xFD') || c.modeFrame.size() < 6 || c.modeFrame.size() > 9) {
        return QStringLiteral("mode frame");
      }
      return {};
    }
    case kAr8000:
    case kAr2700:
      return match("^RF[0-9]+(\\.[0-9]+)?\\r\\nST0\\.1\\r\\n(AU1|MD[0-5]?)\\r\\n$")
                 ? QString()
                 : QStringLiteral("lines ") + bytes;
    case kBc895Xlt: {
      if (!match("^RF[0-9]{8}\\r$")) return QStringLiteral("command ") + bytes;
      const double sent = c.bytes.mid(2, 8).toLongLong() / 1e4;
      if (sent < 10 || sent >= 1000 || std::abs(sent - mhz) > 1.05e-4) {
        return QStringLiteral("value ") + bytes;
      }
      return {};
    }
    case kPcr1000: {
      if (!match("^K0[0-9]{9}0(00|01|02|03|05|06)0[0-4]00\\r\\n$")) {
        return QStringLiteral("command ") + bytes;
      }
      const double sent = c.bytes.mid(2, 10).toLongLong() / 1e6;
      if (std::abs(sent - mhz) > 5e-6 + 1e-9) return QStringLiteral("value ") + bytes;
      if (c.filterIndex != c.bytes.mid(15, 1).toInt()) return QStringLiteral("filter index");
      return {};
    }
    case kAr3000:
    case kAr3000A:
      return match("^ *[0-9]+(\\.[0-9]+)?[ANWLUC]\\r\\n$") ? QString()
                                                           : QStringLiteral("command ") + bytes;
    default:
      return c.bytes.isEmpty() ? QString() : QStringLiteral("bytes for no protocol");
  }
}

}  // namespace

class NumbersPropertyTest : public QObject {
  Q_OBJECT

 private slots:
  void parserAcceptsExactlyItsGrammar();
  void validatedTextsStayWithinLimitsAndRoundTrip();
  void storedNumbersRoundTrip();
  void noFrequencyGivesAMalformedCommand();
  void commaDecimalLocaleChangesNothing();

 private:
  // The encoded bytes of a fixed sample, for comparison across locales.
  QByteArray sampleEncoding();
};

void NumbersPropertyTest::parserAcceptsExactlyItsGrammar() {
  Random random(20240611);
  for (int i = 0; i < kRounds; ++i) {
    const QString text = (i % 2) ? random.numberText() : random.noise();
    double value = -12345;
    const bool accepted = freqtext::ParseNumber(text, &value);
    const bool grammatical = numberGrammar().match(text).hasMatch();
    double reference = 0;
    bool outOfRange = false;
    const bool readable = grammatical && referenceValue(text, &reference, &outOfRange);
    if (!grammatical) {
      QVERIFY2(!accepted, qPrintable(QStringLiteral("accepted \"%1\"").arg(text)));
      QCOMPARE(value, -12345.0);  // left untouched
    } else if (readable) {
      QVERIFY2(accepted, qPrintable(QStringLiteral("refused \"%1\"").arg(text)));
      QCOMPARE(value, reference);
    } else if (accepted) {
      QVERIFY(outOfRange && std::isfinite(value));  // an underflow may read as 0
    }
  }
  // Overflow is no number.
  double value = 0;
  QVERIFY(!freqtext::ParseNumber(QStringLiteral("1e400"), &value));
}

void NumbersPropertyTest::validatedTextsStayWithinLimitsAndRoundTrip() {
  Random random(7);
  struct Limits {
    double low, high;
  };
  const Limits limits[] = {{0.1, 1300.0}, {0.0, 9999.99999}, {29.0, 956.0}, {0.01, 2036.0}};
  for (int i = 0; i < kRounds; ++i) {
    const Limits l = limits[i % 4];
    const int width = (i % 3) ? 9 : 11;
    QString text = (i % 5) ? random.numberText() : random.noise();
    const QString before = text;
    if (!freqtext::ValidateFrequencyText(text, width, 5, l.low, l.high)) {
      QCOMPARE(text, before);
      continue;
    }
    double value = 0;
    QVERIFY2(freqtext::ParseNumber(text, &value), qPrintable(text));
    QVERIFY2(value >= l.low && value <= l.high, qPrintable(before + " -> " + text));
    QVERIFY(text.size() >= width);
    QVERIFY(QRegularExpression(QStringLiteral("^ *-?[0-9]+\\.[0-9]{5}$")).match(text).hasMatch());
    // The rewritten text passes again unchanged.
    QString again = text;
    QVERIFY(freqtext::ValidateFrequencyText(again, width, 5, l.low, l.high));
    QCOMPARE(again, text);
  }
  // Every frequency of 10 Hz resolution in the coverage reads back exactly.
  for (int i = 0; i < kRounds; ++i) {
    const qint64 tenHertz = random.between(0, 999999999);
    const double mhz = tenHertz / 1e5;
    const QString shown = freqtext::FormatFixed(mhz, 5, 11);
    double back = 0;
    QVERIFY(freqtext::ParseNumber(shown, &back));
    QCOMPARE(std::llround(back * 1e5), tenHertz);
  }
}

void NumbersPropertyTest::storedNumbersRoundTrip() {
  Random random(99);
  for (int i = 0; i < kRounds; ++i) {
    const int v = (i % 3) ? random.between(INT_MIN, INT_MAX) : random.between(-300, 300);
    int back = 0;
    QVERIFY(SettingsStore::ParseStoredNumber(QString::number(v), &back));
    QCOMPARE(back, v);
    if (v >= 0) {
      QVERIFY(
          SettingsStore::ParseStoredNumber(QStringLiteral("0x") + QString::number(v, 16), &back));
      QCOMPARE(back, v);
    }
  }
  const QRegularExpression decimal(QStringLiteral("^ *[+-]?[0-9]+$"));
  const QRegularExpression hexadecimal(QStringLiteral("^0[xX][0-9a-fA-F]+$"));
  for (int i = 0; i < kRounds; ++i) {
    QString text = random.noise();
    if (i % 4 == 0) text = QStringLiteral("0x") + text;
    int value = 424242;
    const bool accepted = SettingsStore::ParseStoredNumber(text, &value);
    if (!accepted) {
      QCOMPARE(value, 424242);
      continue;
    }
    const bool isHex = text.size() > 2 && hexadecimal.match(text).hasMatch();
    QVERIFY2(isHex || decimal.match(text).hasMatch(), qPrintable(text));
    bool ok = false;
    const qlonglong wide = isHex ? text.mid(2).toLongLong(&ok, 16) : text.trimmed().toLongLong(&ok);
    QVERIFY(ok);
    QCOMPARE(qlonglong(value), wide);  // within int: a wider value is refused
  }
  int value = 0;
  QVERIFY(!SettingsStore::ParseStoredNumber(QStringLiteral("2147483648"), &value));
  QVERIFY(!SettingsStore::ParseStoredNumber(QStringLiteral("0x80000000"), &value));
}

void NumbersPropertyTest::noFrequencyGivesAMalformedCommand() {
  Random random(4242);
  for (int i = 0; i < kRounds * 2; ++i) {
    encoders::TuneParameters p;
    p.protocol = kProtocolNumbers[random.between(0, 9)];
    p.civAddress = static_cast<quint8>(random.between(0, 255));
    p.ic735 = random.between(0, 1) == 1;
    p.pcrDefaultAmFilter = random.between(-2, 6);
    QString text;
    switch (i % 4) {
      case 0:
        text = freqtext::FormatFixed(random.real(-5, 12000), random.between(0, 9));
        break;
      case 1:
        text = freqtext::FormatFixed(random.real(0, 1), random.between(0, 9));
        break;
      case 2:  // around the edges of the fields
        text =
            freqtext::FormatFixed(std::vector<double>{10, 100, 1000, 10000}[random.between(0, 3)] +
                                      random.real(-1e-5, 1e-5),
                                  random.between(4, 8));
        break;
      default:
        text = random.numberText();
        break;
    }
    const QString mode = QString::fromLatin1(kModes[random.between(0, 18)]);
    const encoders::TuneCommand c = encoders::EncodeTuning(p, text, mode);
    double mhz = -1;
    if (!freqtext::ParseNumber(text, &mhz)) {
      QVERIFY2(!c.refusal.isEmpty(), qPrintable(text));
      continue;
    }
    const QString fault = checkTuning(p, mhz, c);
    QVERIFY2(
        fault.isEmpty(),
        qPrintable(
            QStringLiteral("protocol %1, \"%2\" %3: %4").arg(p.protocol).arg(text, mode, fault)));
  }
}

QByteArray NumbersPropertyTest::sampleEncoding() {
  QByteArray all;
  const char* const texts[] = {"162.55", "  162.55000", "1.6255E2", "0.5", "27.405", "999.9999"};
  for (int protocol : kProtocolNumbers) {
    for (const char* text : texts) {
      encoders::TuneParameters p;
      p.protocol = protocol;
      p.civAddress = 0x80;
      const encoders::TuneCommand c =
          encoders::EncodeTuning(p, QString::fromLatin1(text), QStringLiteral("AM"));
      all += c.bytes + c.modeFrame + c.frequencyText.toLatin1() + c.refusal.toUtf8();
    }
  }
  QString validated = QStringLiteral("162.55");
  freqtext::ValidateFrequencyText(validated, 9, 5, 0.1, 1300);
  return all + validated.toLatin1() + freqtext::FormatFixed(1234.5, 5, 11).toLatin1();
}

void NumbersPropertyTest::commaDecimalLocaleChangesNothing() {
  const QByteArray inC = sampleEncoding();

  // The German locale of the C library, generated for this run when the
  // machine has none installed.
  QTemporaryDir localeDir;
  const QByteArray previous = std::setlocale(LC_ALL, nullptr);
  bool cLocale = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  if (!cLocale && localeDir.isValid() &&
      QProcess::execute(
          QStringLiteral("localedef"),
          {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
           QStringLiteral("UTF-8"), localeDir.filePath(QStringLiteral("de_DE.UTF-8"))}) == 0) {
    qputenv("LOCPATH", localeDir.path().toLocal8Bit());
    cLocale = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  if (cLocale) {
    QCOMPARE(QByteArray(std::localeconv()->decimal_point), QByteArray(","));
  } else {
    qWarning("no de_DE locale of the C library: only Qt's default locale is changed");
  }
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));

  const QByteArray inGerman = sampleEncoding();
  double value = 0;
  const bool commaAccepted = freqtext::ParseNumber(QStringLiteral("162,55"), &value);
  const bool pointAccepted = freqtext::ParseNumber(QStringLiteral("162.55"), &value);

  std::setlocale(LC_ALL, previous.constData());
  QLocale::setDefault(QLocale::c());
  qunsetenv("LOCPATH");

  QCOMPARE(inGerman, inC);
  QVERIFY(!commaAccepted);
  QVERIFY(pointAccepted);
  QCOMPARE(value, 162.55);
}

CORVALO_TEST_GUILESS_MAIN(NumbersPropertyTest)
#include "tst_numbers_property.moc"
