#include "radio/ScanHitLog.h"

#include <QSaveFile>

#include "radio/FrequencyText.h"

namespace {

QString Seconds(qint64 ms) { return QString::number(double(ms) / 1000, 'f', 1); }

// A CSV field: quoted when it holds a comma, a quote or a line end.
QString CsvField(QString text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
      !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
    return text;
  }
  text.replace(QLatin1String("\""), QLatin1String("\"\""));
  return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

ScanHitLog::ScanHitLog(QObject* parent) : QAbstractTableModel(parent) {}

void ScanHitLog::follow(const SignalScanner& scanner) {
  connect(&scanner, &SignalScanner::hitStarted, this, &ScanHitLog::add);
  connect(&scanner, &SignalScanner::hitUpdated, this, &ScanHitLog::update);
  connect(&scanner, &SignalScanner::hitEnded, this, &ScanHitLog::update);
}

void ScanHitLog::setLevelText(std::function<QString(int)> text) {
  levelText_ = std::move(text);
  if (!hits_.isEmpty()) {
    emit dataChanged(index(0, Peak), index(int(hits_.size()) - 1, Peak));
  }
}

int ScanHitLog::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(hits_.size());
}

int ScanHitLog::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QString ScanHitLog::levelText(const SignalScanner::Hit& hit) const {
  if (!hit.peakRaw) return {};
  return levelText_ ? levelText_(*hit.peakRaw) : QString::number(*hit.peakRaw);
}

QVariant ScanHitLog::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= hits_.size()) return {};
  const SignalScanner::Hit& hit = hits_.at(index.row());
  if (role == Qt::TextAlignmentRole) {
    const bool number = index.column() == Frequency || index.column() == Duration;
    return QVariant::fromValue(Qt::Alignment(number ? Qt::AlignRight | Qt::AlignVCenter
                                                    : Qt::AlignLeft | Qt::AlignVCenter));
  }
  if (role == Qt::UserRole) return hit.channel.frequencyHz;
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case Time:
      return hit.started.toString(QStringLiteral("HH:mm:ss"));
    case Frequency:
      return freqtext::MhzText(hit.channel.frequencyHz);
    case Channel:
      return hit.channel.name;
    case Mode:
      return hit.channel.mode;
    case Peak:
      return levelText(hit);
    case Duration:
      return hit.ended ? Seconds(hit.durationMs) + QStringLiteral(" s")
                       : Seconds(hit.durationMs) + QStringLiteral(" s…");
    default:
      return {};
  }
}

QVariant ScanHitLog::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[ColumnCount] = {"Time", "Frequency (MHz)", "Channel", "Mode",
                                                   "Peak", "Duration"};
  if (section < 0 || section >= ColumnCount) return {};
  return QString::fromLatin1(kTitles[section]);
}

void ScanHitLog::add(const SignalScanner::Hit& hit) {
  beginInsertRows({}, 0, 0);
  hits_.prepend(hit);
  endInsertRows();
}

void ScanHitLog::update(const SignalScanner::Hit& hit) {
  for (int row = 0; row < hits_.size(); ++row) {
    if (hits_[row].serial != hit.serial) continue;
    hits_[row] = hit;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    return;
  }
  add(hit);
}

void ScanHitLog::clear() {
  beginResetModel();
  hits_.clear();
  endResetModel();
}

QString ScanHitLog::writeCsv(const QString& path) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    return QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
  }
  QByteArray text = "start,frequency_mhz,channel,mode,peak_raw,peak,duration_s\n";
  for (auto it = hits_.crbegin(); it != hits_.crend(); ++it) {
    const QStringList fields = {it->started.toString(Qt::ISODateWithMs),
                                freqtext::MhzText(it->channel.frequencyHz),
                                CsvField(it->channel.name),
                                CsvField(it->channel.mode),
                                it->peakRaw ? QString::number(*it->peakRaw) : QString(),
                                CsvField(levelText(*it)),
                                Seconds(it->durationMs)};
    text += fields.join(QLatin1Char(',')).toUtf8() + '\n';
  }
  if (file.write(text) != text.size() || !file.commit()) {
    return QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
  }
  return {};
}
