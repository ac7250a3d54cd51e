// Importing rows into a list in one transaction, and the report of it.
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

#include "channels/ChannelStore.h"

namespace channels {

QString RowProblem::text() const {
  const QString place = where.isEmpty() ? QStringLiteral("Line %1").arg(line) : where;
  return place + QStringLiteral(": ") + reason;
}

void ImportReport::addProblem(int line, const QString& where, const QString& reason) {
  ++problemCount;
  if (problems.size() < kMaxProblems) problems.append({line, where, reason});
}

void ImportReport::addNote(const ImportRow& row, const QString& note) {
  Note& entry = notes[note];
  if (entry.count++ == 0) {
    entry.firstLine = row.line;
    entry.firstWhere = row.where;
  }
}

QString ImportReport::summary() const {
  const QString list = QStringLiteral("\"%1\"").arg(listName);
  if (cancelled) return QStringLiteral("The import was cancelled: nothing was imported.");
  if (!error.isEmpty()) return QStringLiteral("Nothing was imported: %1").arg(error);
  if (problemCount > 0 && !skippedBadRows) {
    return QStringLiteral("Nothing was imported: %1 of %2 rows cannot be imported.")
        .arg(problemCount)
        .arg(problemCount + goodRows);
  }
  QString text = QStringLiteral("Imported %1 channels into the list %2.").arg(imported).arg(list);
  if (problemCount > 0) text += QStringLiteral(" %1 bad rows were skipped.").arg(problemCount);
  return text;
}

QStringList ImportReport::details() const {
  QStringList lines;
  for (const RowProblem& problem : problems) lines.append(problem.text());
  if (problemCount > problems.size()) {
    lines.append(QStringLiteral("... and %1 more bad rows.").arg(problemCount - problems.size()));
  }
  for (auto it = notes.cbegin(); it != notes.cend(); ++it) {
    const QString first =
        it->firstWhere.isEmpty() ? QStringLiteral("line %1").arg(it->firstLine) : it->firstWhere;
    lines.append(
        it->count == 1
            ? QStringLiteral("Note (%1): %2").arg(first, it.key())
            : QStringLiteral("Note (%1 rows, first %2): %3").arg(it->count).arg(first, it.key()));
  }
  return lines;
}

ImportReport ChannelStore::importRows(const QString& listName, const RowProducer& produce,
                                      bool skipBadRows, const std::atomic<bool>* cancel) {
  ImportReport report;
  report.listName = listName.trimmed();
  report.skippedBadRows = skipBadRows;
  if (Status ok = writable(); !ok) {
    report.error = open_ ? openMessage_ : ok.error();
    return report;
  }
  if (report.listName.isEmpty()) {
    report.error = QStringLiteral("A list needs a name.");
    return report;
  }
  if (Status started = begin(); !started) {
    report.error = started.error();
    return report;
  }

  qint64 listId = 0;
  {
    QSqlQuery find = prepare(QStringLiteral("SELECT id FROM lists WHERE name = ?"));
    find.addBindValue(report.listName);
    if (find.exec() && find.next()) listId = find.value(0).toLongLong();
    find.finish();
    if (listId == 0) {
      QSqlQuery create = prepare(QStringLiteral("INSERT INTO lists (name, created) VALUES (?, ?)"));
      create.addBindValue(report.listName);
      create.addBindValue(QDateTime::currentMSecsSinceEpoch());
      if (!create.exec()) {
        report.error = failed(QStringLiteral("Cannot create the list"), create.lastError()).error();
        create = QSqlQuery();
        rollback();
        return report;
      }
      listId = create.lastInsertId().toLongLong();
    }
  }

  QString storeError;
  ParseOutcome outcome;
  {
    QSqlQuery insert = prepare(insertChannelSql());
    QSqlQuery insertTag = prepare(insertTagSql());
    const RowSink sink = [&](const ImportRow& row) {
      if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
        report.cancelled = true;
        return false;
      }
      if (!row.problem.isEmpty()) {
        report.addProblem(row.line, row.where, row.problem);
        return true;
      }
      Channel channel = row.channel;
      channel.id = 0;
      channel.listId = listId;
      channel.tags = NormalizeTags(channel.tags);
      if (const QString why = ValidateChannel(channel); !why.isEmpty()) {
        report.addProblem(row.line, row.where, why);
        return true;
      }
      if (Status stored = insertChannel(insert, insertTag, channel, false); !stored) {
        if (stored.error().startsWith(QLatin1String("duplicate"))) {
          report.addProblem(row.line, row.where, stored.error());
          return true;
        }
        storeError = stored.error();
        return false;
      }
      ++report.goodRows;
      for (const QString& note : row.notes) report.addNote(row, note);
      return true;
    };
    outcome = produce(sink);
  }

  if (!storeError.isEmpty()) {
    report.error = storeError;
  } else if (!outcome.fatal.isEmpty()) {
    report.error = outcome.fatal;
  } else if (report.goodRows == 0 && report.problemCount == 0 && !report.cancelled) {
    report.error = QStringLiteral("the file holds no channels.");
  } else if (report.goodRows == 0 && skipBadRows && !report.cancelled) {
    report.error = QStringLiteral("none of its %1 rows can be imported.").arg(report.problemCount);
  }
  if (cancel != nullptr && cancel->load()) report.cancelled = true;
  if (!report.ok() || report.goodRows == 0) {
    rollback();
    return report;
  }
  if (Status done = commit(QStringLiteral("Cannot store the imported channels")); !done) {
    report.error = done.error();
    return report;
  }
  report.imported = report.goodRows;
  return report;
}

}  // namespace channels
