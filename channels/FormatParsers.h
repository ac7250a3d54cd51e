#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "channels/ChannelFormats.h"

// The parser and writer of each format, behind ParseChannels and
// WriteChannels. Text formats get the checked UTF-8 text; SDR++'s JSON its bytes.
namespace channels::formats {

ParseOutcome ParseCorvalo(QByteArrayView text, const RowSink& sink);
ParseOutcome ParseGqrx(QByteArrayView text, const RowSink& sink);
ParseOutcome ParseChirp(QByteArrayView text, const RowSink& sink);
ParseOutcome ParseSdrpp(const QByteArray& data, const RowSink& sink);

QByteArray WriteCorvalo(const QList<Channel>& channels);
QByteArray WriteGqrx(const QList<Channel>& channels, ExportNotes* notes);
QByteArray WriteChirp(const QList<Channel>& channels, ExportNotes* notes);
QByteArray WriteSdrpp(const QList<Channel>& channels, ExportNotes* notes);

// Notes every writer of a lossy format shares: the fields it has no place for.
void NoteLostFields(const Channel& channel, bool keepsComment, bool keepsTags, bool keepsLockout,
                    ExportNotes* notes);
// Hertz written as decimal digits: an empty text, or the problem ("malformed
// number", "frequency out of range").
QString ParseHertz(const QString& text, qint64* hz);

// "kept in the comment": appends a note to a comment.
QString AppendToComment(const QString& comment, const QString& addition);

}  // namespace channels::formats
