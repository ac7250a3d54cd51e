// Corvalo's own channel list: comma-separated, one header line, every field
// of a channel, so that export and import give back exactly what was stored.
//
//   Frequency,Mode,Filter,Name,Tags,Lockout,Comment,Created,Updated
//   162550000,FMN,15K,NOAA 1,"weather,wx",0,,2024-05-01T12:00:00.000Z,2024-05-01T12:00:00.000Z
//
// Frequency in hertz; Filter a filter code or empty; Tags separated by
// commas; Lockout 0 or 1; times in UTC (ISO 8601 with milliseconds), empty
// for "now". Columns are found by name, in any order.
#include <QDateTime>
#include <array>

#include "channels/FormatParsers.h"
#include "channels/TextInput.h"

namespace channels::formats {

namespace {

const QStringList kColumns = {
    QStringLiteral("Frequency"), QStringLiteral("Mode"),    QStringLiteral("Filter"),
    QStringLiteral("Name"),      QStringLiteral("Tags"),    QStringLiteral("Lockout"),
    QStringLiteral("Comment"),   QStringLiteral("Created"), QStringLiteral("Updated")};
enum Column { kFrequency, kMode, kFilter, kName, kTags, kLockout, kComment, kCreated, kUpdated };

QString timeText(qint64 ms) {
  return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

// A time text, or 0 for an empty one; false when it is not a time.
bool parseTime(const QString& text, qint64* ms) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) {
    *ms = 0;
    return true;
  }
  const QDateTime time = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
  if (!time.isValid()) return false;
  *ms = time.toMSecsSinceEpoch();
  return true;
}

}  // namespace

// Hertz as decimal digits; the problem otherwise.
QString ParseHertz(const QString& text, qint64* hz) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty() || trimmed.size() > 18) {
    return trimmed.isEmpty() ? QStringLiteral("no frequency")
                             : QStringLiteral("frequency out of range (%1 Hz)").arg(trimmed);
  }
  qint64 value = 0;
  for (const QChar c : trimmed) {
    if (c < u'0' || c > u'9') return QStringLiteral("malformed number \"%1\"").arg(trimmed);
    value = value * 10 + (c.unicode() - u'0');
  }
  if (value < kLowestHz || value > kHighestHz) {
    return QStringLiteral("frequency out of range (%1 Hz)").arg(trimmed);
  }
  *hz = value;
  return QString();
}

namespace {

// The channel of one row, or the reason there is none.
template <typename Field>
QString readChannel(const Field& field, Channel* channel) {
  if (QString problem = ParseHertz(field(kFrequency), &channel->frequencyHz); !problem.isEmpty()) {
    return problem;
  }
  const int mode = ModeIndex(field(kMode).trimmed().toUpper());
  if (mode < 0) return QStringLiteral("unknown mode \"%1\"").arg(field(kMode));
  channel->mode = ModeCode(mode);
  channel->filter = FilterIndexOf(field(kFilter).trimmed());
  if (channel->filter < kNoFilter) {
    return QStringLiteral("unknown filter \"%1\"").arg(field(kFilter));
  }
  const QString lockout = field(kLockout).trimmed();
  if (!lockout.isEmpty() && lockout != QLatin1String("0") && lockout != QLatin1String("1")) {
    return QStringLiteral("malformed lockout \"%1\" (0 or 1)").arg(lockout);
  }
  channel->lockout = lockout == QLatin1String("1");
  if (!parseTime(field(kCreated), &channel->createdMs) ||
      !parseTime(field(kUpdated), &channel->updatedMs)) {
    return QStringLiteral("malformed time (ISO 8601 expected)");
  }
  channel->name = field(kName);
  channel->tags = TagsFromText(field(kTags));
  channel->comment = field(kComment);
  return QString();
}

}  // namespace

ParseOutcome ParseCorvalo(QByteArrayView text, const RowSink& sink) {
  ParseOutcome outcome;
  text::CsvReader reader(text, ',');
  QStringList fields;
  std::array<qsizetype, 9> at;  // field index of each Column, -1 when missing
  at.fill(-1);
  qsizetype headerSize = 0;
  while (reader.next(&fields)) {
    if (text::IsBlank(fields) || fields.first().startsWith(u'#')) continue;
    if (headerSize == 0) {
      headerSize = fields.size();
      for (qsizetype i = fields.size() - 1; i >= 0; --i) {
        const qsizetype column = kColumns.indexOf(fields[i].trimmed());
        if (column >= 0) at[static_cast<size_t>(column)] = i;
      }
      if (at[kFrequency] < 0 || at[kMode] < 0) {
        outcome.fatal =
            fields.size() == 1 && (fields[0].contains(u';') || fields[0].contains(u'\t'))
                ? QStringLiteral("The file is not separated by commas (line %1).")
                      .arg(reader.line())
                : QStringLiteral("The header (line %1) has no Frequency or no Mode column.")
                      .arg(reader.line());
        return outcome;
      }
      continue;
    }
    ImportRow row;
    row.line = reader.line();
    row.position = reader.position();
    row.total = text.size();
    const auto field = [&](Column column) {
      const qsizetype index = at[static_cast<size_t>(column)];
      return index >= 0 && index < fields.size() ? fields[index] : QString();
    };
    if (reader.unterminated()) {
      row.problem = QStringLiteral("a quoted field is not closed before the end of the file");
    } else if (fields.size() < headerSize) {
      row.problem =
          QStringLiteral("%1 fields, the header has %2").arg(fields.size()).arg(headerSize);
    } else {
      row.problem = readChannel(field, &row.channel);
    }
    if (!sink(row)) {
      outcome.stopped = true;
      return outcome;
    }
  }
  if (headerSize == 0) outcome.fatal = QStringLiteral("The file has no header line.");
  return outcome;
}

QByteArray WriteCorvalo(const QList<Channel>& channels) {
  QString out = kColumns.join(u',') + QStringLiteral("\r\n");
  for (const Channel& channel : channels) {
    out +=
        text::CsvRecord({QString::number(channel.frequencyHz), channel.mode,
                         FilterCode(channel.filter), channel.name, channel.tags.join(u','),
                         channel.lockout ? QStringLiteral("1") : QStringLiteral("0"),
                         channel.comment, timeText(channel.createdMs), timeText(channel.updatedMs)},
                        u',');
    out += QStringLiteral("\r\n");
  }
  return out.toUtf8();
}

}  // namespace channels::formats
