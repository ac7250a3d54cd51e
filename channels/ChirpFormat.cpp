// CHIRP's generic CSV: comma-separated with quoting, a header naming the
// columns (their number and order vary between CHIRP versions), frequencies
// in MHz with up to six decimals, "Skip" S for a memory the scan passes over.
//
//   Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,
//   DtcsPolarity,RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,...
//   1,WX1,162.550000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,50W,,,,,
//
// Lines whose first field begins with "#" are comments; a memory with an
// empty or zero frequency is an empty memory and is left out. Duplex, offset
// and tone settings concern transmitting and tone squelch, which a channel
// has no place for: when set they are kept in the comment and reported.
#include <QHash>

#include "channels/FormatParsers.h"
#include "channels/ModeTable.h"
#include "channels/TextInput.h"

namespace channels::formats {

namespace {

const QStringList kHeader = {
    QStringLiteral("Location"),     QStringLiteral("Name"),       QStringLiteral("Frequency"),
    QStringLiteral("Duplex"),       QStringLiteral("Offset"),     QStringLiteral("Tone"),
    QStringLiteral("rToneFreq"),    QStringLiteral("cToneFreq"),  QStringLiteral("DtcsCode"),
    QStringLiteral("DtcsPolarity"), QStringLiteral("RxDtcsCode"), QStringLiteral("CrossMode"),
    QStringLiteral("Mode"),         QStringLiteral("TStep"),      QStringLiteral("Skip"),
    QStringLiteral("Power"),        QStringLiteral("Comment"),    QStringLiteral("URCALL"),
    QStringLiteral("RPT1CALL"),     QStringLiteral("RPT2CALL"),   QStringLiteral("DVCODE")};

bool allDigits(const QString& text) {
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

// CHIRP's frequency text: "146.52", "146.520000", "146" (MHz), "146.52 MHz",
// "12500 kHz". Sets *hz to 0 for an empty text (an empty memory).
QString parseFrequency(const QString& text, qint64* hz) {
  QString value = text.trimmed();
  const auto malformed = [&] {
    return QStringLiteral("malformed number \"%1\"").arg(text.trimmed());
  };
  *hz = 0;
  if (value.isEmpty()) return QString();
  qint64 scale = 1000000;
  if (value.endsWith(QLatin1String(" MHz"))) {
    value.chop(4);
  } else if (value.endsWith(QLatin1String(" kHz"))) {
    value.chop(4);
    scale = 1000;
    if (value.contains(u'.')) return malformed();
  }
  const qsizetype point = value.indexOf(u'.');
  const QString whole = point < 0 ? value : value.left(point);
  const QString fraction = point < 0 ? QString() : value.mid(point + 1);
  if ((whole.isEmpty() && fraction.isEmpty()) || !allDigits(whole) || !allDigits(fraction) ||
      fraction.size() > 6) {
    return malformed();
  }
  if (whole.size() > 7) return QStringLiteral("frequency out of range (%1)").arg(text.trimmed());
  *hz = whole.toLongLong() * scale + QString(fraction).leftJustified(6, u'0').toLongLong();
  if (*hz != 0 && (*hz < kLowestHz || *hz > kHighestHz)) {
    return QStringLiteral("frequency out of range (%1)").arg(text.trimmed());
  }
  return QString();
}

QString chirpFrequency(qint64 hz) {
  return QStringLiteral("%1.%2").arg(hz / 1000000).arg(hz % 1000000, 6, 10, QLatin1Char('0'));
}

// The channel of one memory, or the reason there is none. A memory with no
// frequency comes back with frequency 0 and no problem.
template <typename Field>
QString readMemory(const Field& field, const QString& modeName, ImportRow* row) {
  Channel& channel = row->channel;
  if (QString problem = parseFrequency(field("Frequency"), &channel.frequencyHz);
      !problem.isEmpty() || channel.frequencyHz == 0) {
    return problem;
  }
  const std::optional<modes::ImportedMode> mode = modes::FromChirp(modeName);
  if (!mode) return QStringLiteral("unknown mode \"%1\"").arg(modeName);
  const QString skip = field("Skip").trimmed();
  if (!skip.isEmpty() && skip != QLatin1String("S") && skip != QLatin1String("P")) {
    return QStringLiteral("unknown Skip value \"%1\" (S or P)").arg(skip);
  }
  channel.mode = mode->mode;
  channel.name = field("Name").trimmed();
  channel.comment = field("Comment");
  channel.lockout = skip == QLatin1String("S");
  const auto keep = [&](const QString& addition, const QString& note) {
    channel.comment = AppendToComment(channel.comment, addition);
    row->notes.append(note);
  };
  if (mode->kept) {
    const QString name = modes::ChirpName(modeName);
    keep(QStringLiteral("CHIRP mode ") + name,
         QStringLiteral("CHIRP mode \"%1\" has no counterpart: tuned as %2, kept in the comment")
             .arg(name, channel.mode));
  }
  if (skip == QLatin1String("P")) {
    keep(QStringLiteral("CHIRP priority"),
         QStringLiteral("CHIRP priority (Skip P) kept in the comment"));
  }
  const QString duplex = field("Duplex").trimmed();
  if (!duplex.isEmpty()) {
    keep(QStringLiteral("CHIRP duplex %1 %2").arg(duplex, field("Offset").trimmed()),
         QStringLiteral("CHIRP duplex and offset kept in the comment"));
  }
  const QString tone = field("Tone").trimmed();
  if (!tone.isEmpty()) {
    const char* column = tone.startsWith(QLatin1String("DTCS")) ? "DtcsCode"
                         : tone == QLatin1String("TSQL")        ? "cToneFreq"
                         : tone == QLatin1String("Cross")       ? "CrossMode"
                                                                : "rToneFreq";
    keep(QStringLiteral("CHIRP tone %1 %2").arg(tone, field(column).trimmed()),
         QStringLiteral("CHIRP tone settings kept in the comment"));
  }
  return QString();
}

}  // namespace

ParseOutcome ParseChirp(QByteArrayView text, const RowSink& sink) {
  ParseOutcome outcome;
  text::CsvReader reader(text, ',');
  QStringList fields;
  QHash<QString, qsizetype> at;
  qsizetype headerSize = 0;
  while (reader.next(&fields)) {
    if (text::IsBlank(fields) || fields.first().startsWith(u'#')) continue;
    if (headerSize == 0) {
      headerSize = fields.size();
      for (qsizetype i = fields.size() - 1; i >= 0; --i) at.insert(fields[i].trimmed(), i);
      if (!at.contains(QStringLiteral("Frequency"))) {
        outcome.fatal =
            fields.size() == 1 && (fields[0].contains(u';') || fields[0].contains(u'\t'))
                ? QStringLiteral("The file is not separated by commas (line %1); CHIRP files are.")
                      .arg(reader.line())
                : QStringLiteral("The header (line %1) has no Frequency column.")
                      .arg(reader.line());
        return outcome;
      }
      continue;
    }
    const auto field = [&](const char* name) {
      const qsizetype index = at.value(QLatin1String(name), -1);
      return index >= 0 && index < fields.size() ? fields[index] : QString();
    };
    ImportRow row;
    row.line = reader.line();
    row.position = reader.position();
    row.total = text.size();
    if (reader.unterminated()) {
      row.problem = QStringLiteral("a quoted field is not closed before the end of the file");
    } else if (fields.size() < headerSize) {
      row.problem =
          QStringLiteral("%1 fields, the header has %2").arg(fields.size()).arg(headerSize);
    } else {
      const QString modeName =
          at.contains(QStringLiteral("Mode")) ? field("Mode").trimmed() : QStringLiteral("FM");
      row.problem = readMemory(field, modeName, &row);
      if (row.problem.isEmpty() && row.channel.frequencyHz == 0) continue;  // an empty memory
    }
    if (!sink(row)) {
      outcome.stopped = true;
      return outcome;
    }
  }
  if (headerSize == 0) outcome.fatal = QStringLiteral("The file has no header line.");
  return outcome;
}

QByteArray WriteChirp(const QList<Channel>& channels, ExportNotes* notes) {
  QString out = kHeader.join(u',') + QStringLiteral("\r\n");
  int location = 1;
  for (const Channel& channel : channels) {
    const modes::ExportedMode mode = modes::ToChirp(channel.mode);
    if (!mode.exact) {
      notes->add(QStringLiteral("mode %1 written as CHIRP's \"%2\"").arg(channel.mode, mode.name));
    }
    if (channel.filter != kNoFilter) notes->add(QStringLiteral("filter not kept"));
    NoteLostFields(channel, true, false, true, notes);
    QString name = channel.name;
    name.replace(u'\r', u' ').replace(u'\n', u' ');
    out += text::CsvRecord({QString::number(location++),
                            name,
                            chirpFrequency(channel.frequencyHz),
                            QString(),
                            QStringLiteral("0.000000"),
                            QString(),
                            QStringLiteral("88.5"),
                            QStringLiteral("88.5"),
                            QStringLiteral("023"),
                            QStringLiteral("NN"),
                            QStringLiteral("023"),
                            QStringLiteral("Tone->Tone"),
                            mode.name,
                            QStringLiteral("5.00"),
                            channel.lockout ? QStringLiteral("S") : QString(),
                            QStringLiteral("50W"),
                            channel.comment,
                            QString(),
                            QString(),
                            QString(),
                            QString()},
                           u',');
    out += QStringLiteral("\r\n");
  }
  return out.toUtf8();
}

}  // namespace channels::formats
