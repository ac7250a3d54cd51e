// gqrx bookmarks: a block of tags ("name; colour" lines) ended by the first
// empty line, then one bookmark a line, fields separated by ";":
//
//   # Tag name          ;  color
//   Marine              ; #00ff00
//
//   # Frequency ; Name                     ; Modulation          ;  Bandwidth; Tags
//      156800000; Channel 16               ; Narrow FM           ;      10000; Marine
//
// Lines beginning with "#" are comments; fields are trimmed; frequency and
// bandwidth in hertz; tags separated by ","; "Untagged" means no tag. There
// is no quoting: a ";" in a name cannot be written.
#include <QSet>

#include "channels/FormatParsers.h"
#include "channels/ModeTable.h"
#include "channels/TextInput.h"

namespace channels::formats {

namespace {

const QString kUntagged = QStringLiteral("Untagged");
// gqrx's colour of a tag nobody coloured.
const QString kDefaultTagColour = QStringLiteral("#d3d3d3");

QString readBookmark(const QStringList& fields, ImportRow* row) {
  Channel& channel = row->channel;
  if (QString problem = ParseHertz(fields[0], &channel.frequencyHz); !problem.isEmpty()) {
    return problem;
  }
  channel.name = fields[1].trimmed();
  const QString modulation = fields[2].trimmed();
  const auto mode = modes::FromGqrx(modulation);
  if (!mode) return QStringLiteral("unknown mode \"%1\"").arg(modulation);
  channel.mode = mode->mode;
  bool ok = false;
  const QString bandwidthText = fields[3].trimmed();
  const qint64 bandwidth = bandwidthText.toLongLong(&ok);
  if (!ok) return QStringLiteral("malformed number \"%1\" (bandwidth)").arg(bandwidthText);
  channel.filter = modes::FilterForBandwidth(static_cast<double>(bandwidth),
                                             modes::GqrxDefaultBandwidth(modulation));
  QStringList tags;
  for (const QString& tag : fields[4].split(u',')) {
    const QString trimmed = tag.trimmed();
    if (!trimmed.isEmpty() && trimmed != kUntagged) tags.append(trimmed);
  }
  channel.tags = NormalizeTags(tags);
  if (mode->kept) {
    const QString name = modes::GqrxName(modulation);
    channel.comment = QStringLiteral("gqrx mode ") + name;
    row->notes.append(
        QStringLiteral("gqrx mode \"%1\" has no counterpart: tuned as %2, kept in the comment")
            .arg(name, channel.mode));
  }
  return QString();
}

// A text fit for one field of a line: no ";", no line end.
QString fieldText(QString text, QChar replacement, const QString& what, ExportNotes* notes) {
  if (text.contains(u';') || text.contains(u'\n') || text.contains(u'\r')) {
    notes->add(
        QStringLiteral("\";\" or a line end in the %1 replaced (gqrx cannot read them)").arg(what));
    text.replace(u';', replacement);
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
  }
  return text;
}

}  // namespace

ParseOutcome ParseGqrx(QByteArrayView text, const RowSink& sink) {
  ParseOutcome outcome;
  text::LineReader lines(text);
  QByteArrayView line;
  bool inTags = true;
  while (lines.next(&line)) {
    const QString trimmed = QString::fromUtf8(line.trimmed());
    QStringList fields = trimmed.split(u';');
    if (inTags) {
      if (trimmed.isEmpty()) {
        inTags = false;
        continue;
      }
      if (trimmed.startsWith(u'#') || fields.size() == 2) continue;  // a tag's colour
    }
    if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
    ImportRow row;
    row.line = lines.line();
    row.position = lines.position();
    row.total = text.size();
    if (fields.size() == 5) {
      // A file without the tag block starts with bookmarks at once.
      inTags = false;
      row.problem = readBookmark(fields, &row);
    } else if (inTags) {
      row.problem =
          QStringLiteral("expected \"tag; colour\" or a bookmark of 5 fields, found %1 fields")
              .arg(fields.size());
    } else {
      row.problem = QStringLiteral(
                        "expected 5 fields separated by \";\" (frequency; name; modulation; "
                        "bandwidth; tags), found %1")
                        .arg(fields.size());
    }
    if (!sink(row)) {
      outcome.stopped = true;
      return outcome;
    }
  }
  return outcome;
}

QByteArray WriteGqrx(const QList<Channel>& channels, ExportNotes* notes) {
  QStringList tags;
  QSet<QString> seen;
  ExportNotes counted;  // each channel's tags are counted below, once
  for (const Channel& channel : channels) {
    for (const QString& tag : channel.tags) {
      const QString written =
          fieldText(tag, u' ', QStringLiteral("tag"), &counted).replace(u',', u' ');
      if (!seen.contains(written)) {
        seen.insert(written);
        tags.append(written);
      }
    }
  }
  tags = NormalizeTags(tags);
  QString out = QStringLiteral("# Tag name").leftJustified(20) + QStringLiteral(";  color\n");
  for (const QString& tag : tags) {
    out += tag.leftJustified(20) + QStringLiteral("; ") + kDefaultTagColour + u'\n';
  }
  out += u'\n';
  out += QStringLiteral("# Frequency").leftJustified(12) + QStringLiteral("; ") +
         QStringLiteral("Name").leftJustified(25) + QStringLiteral("; ") +
         QStringLiteral("Modulation").leftJustified(20) + QStringLiteral("; ") +
         QStringLiteral("Bandwidth").rightJustified(10) + QStringLiteral("; Tags\n");
  for (const Channel& channel : channels) {
    const modes::ExportedMode mode = modes::ToGqrx(channel.mode);
    if (!mode.exact) {
      notes->add(QStringLiteral("mode %1 written as gqrx's \"%2\"").arg(channel.mode, mode.name));
    }
    NoteLostFields(channel, false, true, false, notes);
    const qint64 bandwidth = static_cast<qint64>(
        modes::BandwidthForFilter(channel.filter, modes::GqrxDefaultBandwidth(mode.name)));
    QStringList channelTags;
    for (const QString& tag : channel.tags) {
      channelTags.append(fieldText(tag, u' ', QStringLiteral("tag"), notes).replace(u',', u' '));
    }
    out += QString::number(channel.frequencyHz).rightJustified(12) + QStringLiteral("; ") +
           fieldText(channel.name, u',', QStringLiteral("name"), notes).leftJustified(25) +
           QStringLiteral("; ") + mode.name.leftJustified(20) + QStringLiteral("; ") +
           QString::number(bandwidth).rightJustified(10) + QStringLiteral("; ") +
           (channelTags.isEmpty() ? kUntagged : channelTags.join(u',')) + u'\n';
  }
  return out.toUtf8();
}

}  // namespace channels::formats
