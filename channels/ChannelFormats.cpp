#include "channels/ChannelFormats.h"

#include <QFileInfo>
#include <algorithm>

#include "channels/FormatParsers.h"
#include "channels/TextInput.h"
#include "radio/FrequencyText.h"

namespace channels {

QString FormatKey(Format format) {
  switch (format) {
    case Format::Corvalo:
      return QStringLiteral("corvalo");
    case Format::Gqrx:
      return QStringLiteral("gqrx");
    case Format::SdrPlusPlus:
      return QStringLiteral("sdrpp");
    case Format::Chirp:
      return QStringLiteral("chirp");
  }
  return QString();
}

std::optional<Format> FormatFromKey(const QString& key) {
  for (Format format : kFormats) {
    if (FormatKey(format).compare(key.trimmed(), Qt::CaseInsensitive) == 0) return format;
  }
  return std::nullopt;
}

QString FormatTitle(Format format) {
  switch (format) {
    case Format::Corvalo:
      return QStringLiteral("Corvalo channel list");
    case Format::Gqrx:
      return QStringLiteral("gqrx bookmarks");
    case Format::SdrPlusPlus:
      return QStringLiteral("SDR++ bookmarks");
    case Format::Chirp:
      return QStringLiteral("CHIRP CSV");
  }
  return QString();
}

QString FormatFilter(Format format) {
  return FormatTitle(format) +
         (format == Format::SdrPlusPlus ? QStringLiteral(" (*.json)") : QStringLiteral(" (*.csv)"));
}

std::optional<Format> DetectFormat(const QByteArray& data) {
  QByteArrayView bytes(data);
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
  const QByteArrayView trimmed = bytes.trimmed();
  if (trimmed.startsWith('{')) return Format::SdrPlusPlus;
  qsizetype start = 0;
  for (int lines = 0; lines < 50 && start < bytes.size(); ++lines) {
    qsizetype end = bytes.indexOf('\n', start);
    if (end < 0) end = bytes.size();
    QByteArrayView line = bytes.sliced(start, end - start).trimmed();
    start = end + 1;
    if (line.isEmpty()) continue;
    if (line.startsWith("# Tag name") || line.startsWith("# Frequency")) return Format::Gqrx;
    if (line.startsWith('#')) continue;
    if (line.startsWith('"') || line.startsWith('\'')) line = line.sliced(1);
    if (line.startsWith("Location")) return Format::Chirp;
    if (line.startsWith("Frequency")) return Format::Corvalo;
    if (line.contains(';')) return Format::Gqrx;
    return std::nullopt;
  }
  return std::nullopt;
}

Format FormatForFileName(const QString& fileName) {
  return QFileInfo(fileName).suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0
             ? Format::SdrPlusPlus
             : Format::Corvalo;
}

ParseOutcome ParseChannels(Format format, const QByteArray& data, const RowSink& sink) {
  if (format == Format::SdrPlusPlus) return formats::ParseSdrpp(data, sink);
  QByteArrayView text;
  ParseOutcome outcome;
  if (!text::CheckText(data, &text, &outcome.fatal)) return outcome;
  switch (format) {
    case Format::Corvalo:
      return formats::ParseCorvalo(text, sink);
    case Format::Gqrx:
      return formats::ParseGqrx(text, sink);
    case Format::Chirp:
      return formats::ParseChirp(text, sink);
    case Format::SdrPlusPlus:
      break;
  }
  return outcome;
}

QStringList ExportNotes::lines() const {
  QStringList result;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
    result.append(QStringLiteral("%1 %2: %3")
                      .arg(it.value())
                      .arg(it.value() == 1 ? QStringLiteral("channel") : QStringLiteral("channels"),
                           it.key()));
  }
  return result;
}

QByteArray WriteChannels(Format format, const QList<Channel>& channels, ExportNotes* notes) {
  ExportNotes ignored;
  if (notes == nullptr) notes = &ignored;
  switch (format) {
    case Format::Corvalo:
      return formats::WriteCorvalo(channels);
    case Format::Gqrx:
      return formats::WriteGqrx(channels, notes);
    case Format::SdrPlusPlus:
      return formats::WriteSdrpp(channels, notes);
    case Format::Chirp:
      return formats::WriteChirp(channels, notes);
  }
  return QByteArray();
}

namespace formats {

void NoteLostFields(const Channel& channel, bool keepsComment, bool keepsTags, bool keepsLockout,
                    ExportNotes* notes) {
  if (!keepsComment && !channel.comment.isEmpty()) notes->add(QStringLiteral("comment not kept"));
  if (!keepsTags && !channel.tags.isEmpty()) notes->add(QStringLiteral("tags not kept"));
  if (!keepsLockout && channel.lockout) notes->add(QStringLiteral("lockout not kept"));
}

QString AppendToComment(const QString& comment, const QString& addition) {
  if (comment.isEmpty()) return addition;
  if (comment.contains(addition)) return comment;
  return comment + QStringLiteral("; ") + addition;
}

}  // namespace formats

QList<ImportRow> RowsFromPresets(const QList<PresetValues>& presets) {
  QList<ImportRow> rows;
  for (const PresetValues& preset : presets) {
    if (preset.frequencyText.trimmed().isEmpty()) continue;
    const QString group = QString(QChar(u'A' + std::clamp(preset.group, 0, 2)));
    ImportRow row;
    row.line = preset.group * 10 + preset.number;
    row.where = QStringLiteral("Preset %1%2").arg(group).arg(preset.number);
    Channel& channel = row.channel;
    double mhz = 0;
    const QString mode = preset.mode.trimmed();
    if (!freqtext::ParseNumber(preset.frequencyText, &mhz)) {
      row.problem = QStringLiteral("malformed number \"%1\"").arg(preset.frequencyText);
    } else if (!ParseMhz(preset.frequencyText, &channel.frequencyHz)) {
      row.problem = QStringLiteral("frequency out of range (%1 MHz)").arg(preset.frequencyText);
    } else if (ModeIndex(mode) < 0) {
      row.problem = QStringLiteral("unknown mode \"%1\"").arg(preset.mode);
    } else if (preset.filter < 0 || preset.filter >= kFilterCount) {
      row.problem = QStringLiteral("filter out of range (%1)").arg(preset.filter);
    }
    if (row.problem.isEmpty()) {
      channel.mode = ModeCode(ModeIndex(mode));
      channel.filter = preset.filter;
      channel.name =
          preset.description.trimmed().isEmpty() ? row.where : preset.description.trimmed();
      channel.tags = {QStringLiteral("Group %1").arg(group)};
      if (preset.attenuate) {
        channel.comment = QStringLiteral("Attenuator on");
        row.notes.append(
            QStringLiteral("the attenuator has no place in a channel: kept in the comment"));
      }
    }
    rows.append(row);
  }
  return rows;
}

}  // namespace channels
