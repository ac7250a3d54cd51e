#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "channels/Channel.h"
#include "channels/ImportTypes.h"

// The channel-list files Corvalo reads and writes: its own CSV, which keeps
// every field, and the files of gqrx, SDR++ and CHIRP. Parsers are pure
// functions of the file's bytes; they never fail on bad input, they report it.
namespace channels {

enum class Format {
  Corvalo,      // Corvalo's channel list: CSV with every field
  Gqrx,         // gqrx bookmarks: tag block, then "frequency; name; modulation; bandwidth; tags"
  SdrPlusPlus,  // SDR++ frequency manager: JSON, {"bookmarks": {name: {...}}}
  Chirp,        // CHIRP generic CSV: "Location,Name,Frequency,...", MHz
};

inline constexpr std::array<Format, 4> kFormats = {Format::Corvalo, Format::Gqrx,
                                                   Format::SdrPlusPlus, Format::Chirp};

// Files larger than this are refused before they are read.
inline constexpr qint64 kMaxImportBytes = 64 * 1024 * 1024;

// "corvalo", "gqrx", "sdrpp", "chirp": the names of the command line.
QString FormatKey(Format format);
std::optional<Format> FormatFromKey(const QString& key);
// "gqrx bookmarks (*.csv)": a file dialog's filter.
QString FormatFilter(Format format);
QString FormatTitle(Format format);

// The format a file's content shows, if any.
std::optional<Format> DetectFormat(const QByteArray& data);
// The format an export file's name suggests: ".json" SDR++, otherwise
// Corvalo's own.
Format FormatForFileName(const QString& fileName);

// Reads every row of the file and hands it to the sink, in file order.
ParseOutcome ParseChannels(Format format, const QByteArray& data, const RowSink& sink);

// What an export could not keep, counted by kind.
struct ExportNotes {
  QMap<QString, int> counts;
  void add(const QString& note) { ++counts[note]; }
  QStringList lines() const;
};

// The file for the channels. Lossless for Corvalo's own format; for the
// others, what their files have no place for is counted in *notes.
QByteArray WriteChannels(Format format, const QList<Channel>& channels, ExportNotes* notes);

// The stored values of one of the thirty presets, as the presets store
// holds them.
struct PresetValues {
  int group = 0;          // 0 A, 1 B, 2 C
  int number = 1;         // 1..10
  QString frequencyText;  // MHz; empty when the preset was never saved
  QString mode;
  int filter = 0;  // index into the five filter codes
  QString description;
  bool attenuate = false;
};

// The presets as rows of a list: named by their description (or "Preset
// B3"), tagged with their group, the attenuator kept in the comment. A
// preset never saved is left out.
QList<ImportRow> RowsFromPresets(const QList<PresetValues>& presets);

}  // namespace channels
