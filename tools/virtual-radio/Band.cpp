#include "Band.h"

#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kNoiseFloorDb = -54.0;  // S0
constexpr double kNoiseSpanDb = 6.0;
constexpr double kEdgeLossDb = 6.0;
constexpr double kSkirtDbPerHalfWidth = 60.0;

// A well-mixed 64-bit hash (splitmix64's finaliser).
quint64 Mix(quint64 x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

QString Number(double value) { return QString::number(value, 'g', 10); }

std::optional<double> ParseNumber(const QString& text) {
  bool ok = false;
  const double v = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

bool ParsePattern(const QString& text, Station* s) {
  const QString t = text.trimmed().toLower();
  if (t == QLatin1String("on")) {
    s->onS = s->offS = s->phaseS = 0;
    return true;
  }
  if (t == QLatin1String("off")) {
    s->onS = 0;
    s->offS = 1;
    s->phaseS = 0;
    return true;
  }
  const QStringList cycle = t.split(QLatin1Char('@'));
  if (cycle.size() > 2) return false;
  const QStringList parts = cycle[0].split(QLatin1Char('/'));
  if (parts.size() != 2) return false;
  const std::optional<double> on = ParseNumber(parts[0]);
  const std::optional<double> off = ParseNumber(parts[1]);
  const std::optional<double> phase = cycle.size() == 2 ? ParseNumber(cycle[1]) : 0.0;
  if (!on || !off || !phase || *on <= 0 || *off < 0 || *phase < 0) return false;
  s->onS = *on;
  s->offS = *off;
  s->phaseS = *phase;
  return true;
}

}  // namespace

bool Station::keyed(double atS) const {
  if (offS <= 0) return true;
  if (onS <= 0) return false;
  const double period = onS + offS;
  return std::fmod(std::max(atS, 0.0) + phaseS, period) < onS;
}

QString Station::patternText() const {
  if (offS <= 0) return QStringLiteral("on");
  if (onS <= 0) return QStringLiteral("off");
  QString text = Number(onS) + QLatin1Char('/') + Number(offS);
  if (phaseS > 0) text += QLatin1Char('@') + Number(phaseS);
  return text;
}

Band::Band(std::vector<Station> stations, quint32 seed)
    : stations_(std::move(stations)), seed_(seed) {}

double Band::noiseDb(qint64 hz, double atS) const {
  const quint64 kilohertz = static_cast<quint64>(std::max<qint64>(hz, 0) / 1000);
  const quint64 quarter = static_cast<quint64>(std::max(atS, 0.0) * 4.0);
  const quint64 h = Mix(Mix(Mix(seed_) ^ kilohertz) ^ quarter);
  return kNoiseFloorDb + kNoiseSpanDb * double(h % 1001) / 1000.0;
}

double Band::levelDb(qint64 tunedHz, qint64 bandwidthHz, double atS, double attenuationDb) const {
  const double halfWidth = std::max<double>(bandwidthHz, 100) / 2.0;
  double level = noiseDb(tunedHz, atS);
  for (const Station& s : stations_) {
    if (!s.keyed(atS)) continue;
    const double x = std::abs(double(s.hz - tunedHz)) / halfWidth;
    const double loss =
        x <= 1.0 ? kEdgeLossDb * x * x : kEdgeLossDb + kSkirtDbPerHalfWidth * (x - 1.0);
    level = std::max(level, s.db - loss - attenuationDb);
  }
  return level;
}

QString Band::toCsv() const {
  QString out = QStringLiteral("# frequency MHz, mode, dB over S9, pattern\n");
  for (const Station& s : stations_) {
    out += QStringLiteral("%1,%2,%3,%4\n")
               .arg(QString::number(double(s.hz) / 1e6, 'f', 6), s.mode, Number(s.db),
                    s.patternText());
  }
  return out;
}

std::vector<Station> DefaultStations() {
  std::vector<Station> band;
  const auto add = [&](const char* line) {
    QString error;
    band.push_back(*ParseStationLine(QString::fromLatin1(line), &error));
  };
  // Always on: weather broadcasts, a time signal, an FM broadcast station.
  add("162.400, FMN, 10, on");
  add("162.475, FMN, -12, on");
  add("162.550, FMN, 20, on");
  add("10.000, AM, -20, on");
  add("98.100, FMW, 30, on");
  // Keying up and dropping.
  add("146.520, FMN, -6, 4/11");
  add("118.100, AM, -18, 3/7@2");
  add("460.125, FMN, 0, 5/10@5");
  add("27.185, AM, -24, 6/9@1");
  return band;
}

std::optional<Station> ParseStationLine(const QString& line, QString* error) {
  QString ignored;
  if (!error) error = &ignored;
  const QStringList fields = line.split(QLatin1Char(','));
  if (fields.size() != 4) {
    *error =
        QStringLiteral("expected 4 fields (frequency MHz, mode, dB over S9, pattern), found %1")
            .arg(fields.size());
    return std::nullopt;
  }
  Station s;
  const std::optional<double> mhz = ParseNumber(fields[0]);
  if (!mhz || *mhz <= 0 || *mhz >= 10000) {
    *error = QStringLiteral("\"%1\" is not a frequency in MHz").arg(fields[0].trimmed());
    return std::nullopt;
  }
  s.hz = std::llround(*mhz * 1e6);
  s.mode = fields[1].trimmed().toUpper();
  if (s.mode.isEmpty()) {
    *error = QStringLiteral("the mode is empty");
    return std::nullopt;
  }
  const std::optional<double> db = ParseNumber(fields[2]);
  if (!db || *db < -120 || *db > 120) {
    *error = QStringLiteral("\"%1\" is not a strength in dB over S9 (-120 to 120)")
                 .arg(fields[2].trimmed());
    return std::nullopt;
  }
  s.db = *db;
  if (!ParsePattern(fields[3], &s)) {
    *error = QStringLiteral("\"%1\" is not a pattern (on, off, or ON/OFF seconds[@PHASE])")
                 .arg(fields[3].trimmed());
    return std::nullopt;
  }
  return s;
}

bool ReadStations(const QString& path, std::vector<Station>* stations, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return false;
  }
  QTextStream in(&file);
  std::vector<Station> read;
  int number = 0;
  while (!in.atEnd()) {
    ++number;
    QString line = in.readLine();
    const qsizetype hash = line.indexOf(QLatin1Char('#'));
    if (hash >= 0) line.truncate(hash);
    if (line.trimmed().isEmpty()) continue;
    // A header line names the columns instead of giving a frequency.
    if (read.empty() && !ParseNumber(line.section(QLatin1Char(','), 0, 0))) continue;
    QString why;
    const std::optional<Station> s = ParseStationLine(line, &why);
    if (!s) {
      *error = QStringLiteral("%1 line %2: %3").arg(path).arg(number).arg(why);
      return false;
    }
    read.push_back(*s);
  }
  *stations = std::move(read);
  return true;
}

qint64 BandwidthHz(const QString& mode, const QString& filter) {
  static const struct {
    const char* code;
    qint64 hz;
  } kFilters[] = {{"3K", 2800}, {"6K", 6000}, {"15K", 15000}, {"50K", 50000}, {"230K", 230000}};
  for (const auto& f : kFilters) {
    if (filter == QLatin1String(f.code)) return f.hz;
  }
  static const struct {
    const char* mode;
    qint64 hz;
  } kModes[] = {{"LSB", 2800}, {"USB", 2800},   {"SSB", 2800},   {"CW", 2800},
                {"FSK", 2800}, {"RTY", 2800},   {"AM", 6000},    {"AM2", 6000},
                {"AM3", 2800}, {"AMW", 15000},  {"FMN", 15000},  {"FM1", 15000},
                {"FM3", 6000}, {"FMW", 230000}, {"FM9", 230000}, {"AUT", 15000}};
  for (const auto& m : kModes) {
    if (mode == QLatin1String(m.mode)) return m.hz;
  }
  return 15000;
}
