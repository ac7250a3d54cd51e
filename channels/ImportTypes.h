#pragma once

#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <functional>

#include "channels/Channel.h"

// What the file parsers hand to the store, and what an import reports.
namespace channels {

// A row of an imported file, good or bad. A parser hands every row it reads
// to a RowSink, in file order.
struct ImportRow {
  int line = 0;         // physical line of the file where the row starts (1-based)
  QString where;        // names the row instead of its line ("Preset B3"), when set
  Channel channel;      // the channel read (valid when problem is empty)
  QString problem;      // why the row cannot be imported ("malformed number \"1x\"")
  QStringList notes;    // what the channel could not keep, or kept in its comment
  qint64 position = 0;  // how far into the input the parser is ...
  qint64 total = 0;     // ... of how much, for progress
};

// Takes one row; returns false to stop reading (cancelled, or the store
// failed in a way no further row can change).
using RowSink = std::function<bool(const ImportRow&)>;

// How reading a whole file ended. A fatal error means the file as a whole
// is not what it should be (not text, truncated JSON, no header): nothing
// is imported then, whatever the operator chose about bad rows.
struct ParseOutcome {
  QString fatal;
  bool stopped = false;  // the sink asked to stop
};

// A bad row, named by line (or by `where`) and reason.
struct RowProblem {
  int line = 0;
  QString where;
  QString reason;

  QString text() const;
  bool operator==(const RowProblem&) const = default;
};

// The outcome of an import. Rows go in all together or not at all: with bad
// rows, nothing is imported unless skipBadRows was chosen, and then every
// good row is.
struct ImportReport {
  // Only the first problems are kept; problemCount counts all of them.
  static constexpr int kMaxProblems = 1000;

  QString listName;
  int imported = 0;      // channels now in the list
  int goodRows = 0;      // rows that could be imported
  int problemCount = 0;  // bad rows
  QList<RowProblem> problems;
  // Notes by text, with how many rows they concern and the first of them.
  struct Note {
    int count = 0;
    int firstLine = 0;
    QString firstWhere;
  };
  QMap<QString, Note> notes;
  QString error;  // why nothing was imported at all (fatal file error, store failure)
  bool cancelled = false;
  bool skippedBadRows = false;

  // True when the import took place.
  bool ok() const { return error.isEmpty() && !cancelled && (problemCount == 0 || skippedBadRows); }
  void addProblem(int line, const QString& where, const QString& reason);
  void addNote(const ImportRow& row, const QString& note);
  // One paragraph for the operator: what was imported, what was not and why.
  QString summary() const;
  // Every kept problem and note, one a line.
  QStringList details() const;
};

}  // namespace channels

Q_DECLARE_METATYPE(channels::ImportReport)
