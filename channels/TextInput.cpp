#include "channels/TextInput.h"

namespace channels::text {

namespace {

int lineAt(QByteArrayView bytes, qsizetype index) {
  return static_cast<int>(bytes.first(index).count('\n')) + 1;
}

}  // namespace

bool CheckText(const QByteArray& data, QByteArrayView* text, QString* fatal) {
  QByteArrayView bytes(data);
  if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
    *fatal = QStringLiteral("The file is UTF-16 text; save it as UTF-8 and import it again.");
    return false;
  }
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
  if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) {
    *fatal = QStringLiteral("The file is not text: it holds binary data (line %1).")
                 .arg(lineAt(bytes, nul));
    return false;
  }
  if (!bytes.isValidUtf8()) {
    // Found line by line only now that there is something to find.
    int line = 1;
    for (qsizetype start = 0; start < bytes.size(); ++line) {
      qsizetype end = bytes.indexOf('\n', start);
      if (end < 0) end = bytes.size();
      if (!bytes.sliced(start, end - start).isValidUtf8()) break;
      start = end + 1;
    }
    *fatal = QStringLiteral(
                 "The file is not UTF-8 text (line %1); save it as UTF-8 and import it again.")
                 .arg(line);
    return false;
  }
  *text = bytes;
  return true;
}

bool LineReader::next(QByteArrayView* line) {
  const qsizetype size = text_.size();
  if (position_ >= size) return false;
  const char* data = text_.data();
  qsizetype end = position_;
  while (end < size && data[end] != '\n' && data[end] != '\r') ++end;
  *line = QByteArrayView(data + position_, end - position_);
  if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') ++end;
  position_ = end + 1;
  ++line_;
  return true;
}

bool CsvReader::next(QStringList* fields) {
  fields->clear();
  const qsizetype size = text_.size();
  if (position_ >= size) return false;
  const char* data = text_.data();
  recordLine_ = nextLine_;
  unterminated_ = false;
  QByteArray field;
  bool inQuotes = false;
  bool fieldStarted = false;  // something (a quote or a character) opened the field
  while (position_ < size) {
    const char c = data[position_++];
    if (inQuotes) {
      if (c == '"') {
        if (position_ < size && data[position_] == '"') {
          field.append('"');
          ++position_;
        } else {
          inQuotes = false;
        }
      } else if (c == '\r' || c == '\n') {
        if (c == '\r' && position_ < size && data[position_] == '\n') ++position_;
        ++nextLine_;
        field.append('\n');
      } else {
        field.append(c);
      }
      continue;
    }
    if (c == delimiter_) {
      fields->append(QString::fromUtf8(field));
      field.clear();
      fieldStarted = false;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && position_ < size && data[position_] == '\n') ++position_;
      ++nextLine_;
      fields->append(QString::fromUtf8(field));
      return true;
    } else if (c == '"' && !fieldStarted) {
      inQuotes = true;
      fieldStarted = true;
    } else {
      // An unquoted run: taken in one piece up to the next special character.
      qsizetype end = position_;
      while (end < size && data[end] != delimiter_ && data[end] != '\r' && data[end] != '\n') {
        ++end;
      }
      field.append(data + position_ - 1, end - position_ + 1);
      position_ = end;
      fieldStarted = true;
    }
  }
  unterminated_ = inQuotes;
  fields->append(QString::fromUtf8(field));
  return true;
}

QString CsvField(const QString& value, QChar delimiter) {
  bool quote = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
  for (const QChar c : value) {
    if (c == delimiter || c == u'"' || c == u'\n' || c == u'\r') {
      quote = true;
      break;
    }
  }
  if (!quote) return value;
  QString quoted = value;
  quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvRecord(const QStringList& fields, QChar delimiter) {
  QString record;
  for (qsizetype i = 0; i < fields.size(); ++i) {
    if (i > 0) record.append(delimiter);
    record.append(CsvField(fields[i], delimiter));
  }
  return record;
}

}  // namespace channels::text
