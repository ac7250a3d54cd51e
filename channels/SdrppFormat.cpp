// SDR++ frequency manager bookmarks: JSON. Its export is
//
//   {"bookmarks": {"NOAA 1": {"bandwidth": 12500.0, "frequency": 162550000.0, "mode": 0}}}
//
// and its own settings file keeps every list as
//
//   {"lists": {"General": {"bookmarks": {...}, "showOnWaterfall": true}}, ...}
//
// Both are read; from the settings file each bookmark is tagged with the
// name of its list. The name is the key, so it is unique within a list;
// frequency and bandwidth are numbers in hertz, mode a number 0..7.
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cmath>
#include <functional>

#include "channels/FormatParsers.h"
#include "channels/ModeTable.h"

namespace channels::formats {

namespace {

int lineAt(QByteArrayView bytes, qsizetype offset) {
  return static_cast<int>(bytes.first(std::clamp<qsizetype>(offset, 0, bytes.size())).count('\n')) +
         1;
}

// Calls visit(list, name, line) for each bookmark name of a valid JSON
// text, in the order the file has them: the members of the "bookmarks"
// object at the top (list empty) or of each list's "bookmarks" in the
// settings file. Stops when visit returns false; returns false then.
using BookmarkVisitor = std::function<bool(const QString& list, const QString& name, int line)>;

bool visitBookmarks(QByteArrayView json, const BookmarkVisitor& visit) {
  struct Frame {
    bool object;
    QString key;  // the key this container is the value of
  };
  QList<Frame> stack;
  QString pendingKey;
  bool expectKey = false;
  int line = 1;
  for (qsizetype i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (c == '\n') {
      ++line;
    } else if (c == '"') {
      const qsizetype start = i;
      bool escaped = false;
      for (++i; i < json.size(); ++i) {
        if (escaped) {
          escaped = false;
        } else if (json[i] == '\\') {
          escaped = true;
        } else if (json[i] == '"') {
          break;
        }
      }
      if (!expectKey || stack.isEmpty() || !stack.last().object) continue;
      const QByteArrayView raw = json.sliced(start, std::min(i, json.size() - 1) - start + 1);
      pendingKey =
          raw.contains('\\')
              ? QJsonDocument::fromJson("[" + raw.toByteArray() + "]").array().at(0).toString()
              : QString::fromUtf8(raw.sliced(1, raw.size() - 2));
      const bool exported = stack.size() == 2 && stack[1].key == QLatin1String("bookmarks");
      const bool listed = stack.size() == 4 && stack[1].key == QLatin1String("lists") &&
                          stack[3].key == QLatin1String("bookmarks");
      if ((exported || listed) && !visit(listed ? stack[2].key : QString(), pendingKey, line)) {
        return false;
      }
    } else if (c == '{' || c == '[') {
      stack.append({c == '{', pendingKey});
      pendingKey.clear();
      expectKey = c == '{';
    } else if (c == '}' || c == ']') {
      if (!stack.isEmpty()) stack.removeLast();
      expectKey = false;
    } else if (c == ':') {
      expectKey = false;
    } else if (c == ',') {
      expectKey = !stack.isEmpty() && stack.last().object;
    }
  }
  return true;
}

// The channel of one bookmark, or the reason there is none.
QString readBookmark(const QJsonValue& value, ImportRow* row) {
  if (!value.isObject()) {
    return QStringLiteral("not a bookmark (an object with frequency, bandwidth and mode)");
  }
  const QJsonObject bookmark = value.toObject();
  const QJsonValue frequency = bookmark.value(QLatin1String("frequency"));
  const QJsonValue modeNumber = bookmark.value(QLatin1String("mode"));
  const QJsonValue bandwidth = bookmark.value(QLatin1String("bandwidth"));
  if (frequency.isUndefined()) return QStringLiteral("no frequency");
  if (!frequency.isDouble()) return QStringLiteral("malformed number (frequency)");
  const double hz = frequency.toDouble();
  if (!std::isfinite(hz) || hz < kLowestHz - 0.5 || hz > kHighestHz + 0.5) {
    return QStringLiteral("frequency out of range (%1 Hz)").arg(hz, 0, 'f', 0);
  }
  if (modeNumber.isUndefined()) return QStringLiteral("no mode");
  const double number = modeNumber.toDouble(-1);
  if (!modeNumber.isDouble() || number != std::floor(number)) {
    return QStringLiteral("malformed mode (a number 0 to 7)");
  }
  const std::optional<modes::ImportedMode> mode =
      std::abs(number) < 1e6 ? modes::FromSdrpp(static_cast<int>(number)) : std::nullopt;
  if (!mode) return QStringLiteral("unknown mode %1").arg(number, 0, 'f', 0);
  if (!bandwidth.isUndefined() && !bandwidth.isDouble()) {
    return QStringLiteral("malformed number (bandwidth)");
  }
  Channel& channel = row->channel;
  channel.frequencyHz = std::llround(hz);
  channel.mode = mode->mode;
  channel.filter = modes::FilterForBandwidth(
      bandwidth.toDouble(0), modes::SdrppDefaultBandwidth(static_cast<int>(number)));
  if (mode->kept) {
    const QString name = modes::SdrppName(static_cast<int>(number));
    channel.comment = QStringLiteral("SDR++ mode ") + name;
    row->notes.append(
        QStringLiteral("SDR++ mode %1 has no counterpart: tuned as %2, kept in the comment")
            .arg(name, channel.mode));
  }
  return QString();
}

}  // namespace

ParseOutcome ParseSdrpp(const QByteArray& data, const RowSink& sink) {
  ParseOutcome outcome;
  QByteArrayView bytes(data);
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
  QJsonParseError error;
  // Read in place: the file is not copied.
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray::fromRawData(bytes.data(), bytes.size()), &error);
  if (error.error != QJsonParseError::NoError) {
    outcome.fatal = QStringLiteral("The file is not valid JSON (line %1): %2.")
                        .arg(lineAt(bytes, error.offset))
                        .arg(error.errorString());
    return outcome;
  }
  // The bookmarks of each list; the empty name for the export's one list.
  QHash<QString, QJsonObject> lists;
  const QJsonObject root = document.object();
  if (root.value(QLatin1String("bookmarks")).isObject()) {
    lists.insert(QString(), root.value(QLatin1String("bookmarks")).toObject());
  } else if (root.value(QLatin1String("lists")).isObject()) {
    const QJsonObject all = root.value(QLatin1String("lists")).toObject();
    for (auto it = all.begin(); it != all.end(); ++it) {
      const QJsonValue bookmarks = it.value().toObject().value(QLatin1String("bookmarks"));
      if (bookmarks.isObject()) lists.insert(it.key(), bookmarks.toObject());
    }
  }
  if (lists.isEmpty()) {
    outcome.fatal = QStringLiteral("The file holds no SDR++ bookmarks (no \"bookmarks\" object).");
    return outcome;
  }

  // A name that stands twice in a list: the last one is the bookmark, as in
  // SDR++. Counted only when the file has more names than its lists keep.
  qsizetype total = 0;
  qsizetype named = 0;
  for (const QJsonObject& bookmarks : lists) total += bookmarks.size();
  visitBookmarks(bytes, [&](const QString&, const QString&, int) { return ++named, true; });
  QHash<QString, int> left;  // occurrences still to come, by list and name
  if (named != total) {
    visitBookmarks(bytes, [&](const QString& list, const QString& name, int) {
      return ++left[list + QChar(u'\x1f') + name], true;
    });
  }

  qsizetype position = 0;
  const bool read = visitBookmarks(bytes, [&](const QString& list, const QString& name, int line) {
    ImportRow row;
    row.line = line;
    row.position = ++position;
    row.total = named;
    if (!left.isEmpty() && --left[list + QChar(u'\x1f') + name] > 0) {
      row.problem =
          QStringLiteral("duplicate name \"%1\": a later bookmark of this name replaces it")
              .arg(name);
      return sink(row);
    }
    row.problem = readBookmark(lists.value(list).value(name), &row);
    row.channel.name = name;
    // A tag holds no comma: SDR++'s list names may.
    if (!list.isEmpty()) row.channel.tags = NormalizeTags({QString(list).replace(u',', u' ')});
    return sink(row);
  });
  outcome.stopped = !read;
  return outcome;
}

QByteArray WriteSdrpp(const QList<Channel>& channels, ExportNotes* notes) {
  QJsonObject bookmarks;
  for (const Channel& channel : channels) {
    bool exact = true;
    const int mode = modes::ToSdrpp(channel.mode, &exact);
    if (!exact) {
      notes->add(QStringLiteral("mode %1 written as SDR++'s %2")
                     .arg(channel.mode, modes::SdrppName(mode)));
    }
    NoteLostFields(channel, false, false, false, notes);
    // Names are the keys: an empty one becomes the frequency, a repeated one
    // gets a number, as SDR++ numbers its new bookmarks.
    const QString base = channel.name.isEmpty() ? FormatMhz(channel.frequencyHz) : channel.name;
    QString name = base;
    for (int n = 2; bookmarks.contains(name); ++n)
      name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    if (name != channel.name) notes->add(QStringLiteral("name empty or repeated, made unique"));
    QJsonObject bookmark;
    bookmark.insert(QLatin1String("frequency"), static_cast<double>(channel.frequencyHz));
    bookmark.insert(QLatin1String("bandwidth"),
                    modes::BandwidthForFilter(channel.filter, modes::SdrppDefaultBandwidth(mode)));
    bookmark.insert(QLatin1String("mode"), mode);
    bookmarks.insert(name, bookmark);
  }
  QJsonObject root;
  root.insert(QLatin1String("bookmarks"), bookmarks);
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

}  // namespace channels::formats
