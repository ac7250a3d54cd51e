#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Reading and writing the text of channel files: checking, lines and the
// comma-separated form the spreadsheet programs and CHIRP share. Files are
// read as UTF-8 bytes as they are, never copied whole into a wider form, so
// an import holds little more than the file itself.
namespace channels::text {

// The UTF-8 text of a file without its byte-order mark. Fails, with a
// message naming the line, for binary data (a NUL byte), UTF-16 and bytes
// that are not UTF-8.
bool CheckText(const QByteArray& data, QByteArrayView* text, QString* fatal);

// The physical lines of a text: "\n", "\r\n" and a lone "\r" end a line.
class LineReader {
 public:
  explicit LineReader(QByteArrayView text) : text_(text) {}
  bool next(QByteArrayView* line);
  int line() const { return line_; }  // of the line last read, 1-based
  qsizetype position() const { return position_; }

 private:
  QByteArrayView text_;
  qsizetype position_ = 0;
  int line_ = 0;
};

// Records of delimiter-separated values: a field that begins with '"' is
// quoted and may hold delimiters, line ends and doubled quotes; anything
// after its closing quote belongs to the field, as Python's csv module reads
// it. A line end inside quotes is kept as "\n".
class CsvReader {
 public:
  CsvReader(QByteArrayView text, char delimiter) : text_(text), delimiter_(delimiter) {}
  // The next record; false at the end of the text. A blank line is a
  // record of one empty field.
  bool next(QStringList* fields);
  int line() const { return recordLine_; }  // where the record last read starts
  // The record last read ran to the end of the text inside quotes.
  bool unterminated() const { return unterminated_; }
  qsizetype position() const { return position_; }

 private:
  QByteArrayView text_;
  char delimiter_;
  qsizetype position_ = 0;
  int nextLine_ = 1;
  int recordLine_ = 0;
  bool unterminated_ = false;
};

// A record with one empty field: a blank line.
inline bool IsBlank(const QStringList& fields) {
  return fields.isEmpty() || (fields.size() == 1 && fields.first().trimmed().isEmpty());
}

// A field quoted when it holds the delimiter, a quote, a line end, or blanks
// at either end.
QString CsvField(const QString& value, QChar delimiter);
QString CsvRecord(const QStringList& fields, QChar delimiter);

}  // namespace channels::text
