#include "channels/ChannelCommands.h"

#include "channels/ChannelFiles.h"

namespace channels {

namespace {

// The format a --format option names; an outcome with exit code 2 when it
// names none.
std::optional<Format> formatOption(const QString& name, CommandOutcome* outcome) {
  if (name.isEmpty()) return std::nullopt;
  const std::optional<Format> format = FormatFromKey(name);
  if (!format) {
    outcome->exitCode = 2;
    outcome->err =
        QStringLiteral("corvalo: unknown format \"%1\" (corvalo, gqrx, sdrpp or chirp)\n")
            .arg(name);
  }
  return format;
}

}  // namespace

CommandOutcome RunImportCommand(const QString& databasePath, const QString& filePath,
                                const QString& listName, const QString& format, bool skipBadRows) {
  CommandOutcome outcome;
  const std::optional<Format> chosen = formatOption(format, &outcome);
  if (outcome.exitCode != 0) return outcome;
  ChannelStore store(databasePath);
  const ImportReport report = ImportFile(store, {filePath, listName, chosen, skipBadRows});
  QString details;
  for (const QString& line : report.details()) details += line + u'\n';
  if (!report.ok()) {
    outcome.exitCode = 1;
    outcome.err = QStringLiteral("corvalo: ") + report.summary() + u'\n' + details;
    if (report.error.isEmpty() && !report.cancelled && report.goodRows > 0) {
      outcome.err += QStringLiteral("corvalo: --skip-bad-rows imports the other %1 rows.\n")
                         .arg(report.goodRows);
    }
    return outcome;
  }
  outcome.out = report.summary() + u'\n';
  outcome.err = details;
  return outcome;
}

CommandOutcome RunExportCommand(const QString& databasePath, const QString& listName,
                                const QString& filePath, const QString& format) {
  CommandOutcome outcome;
  const std::optional<Format> chosen = formatOption(format, &outcome);
  if (outcome.exitCode != 0) return outcome;
  ChannelStore store(databasePath);
  if (store.isOpen() && !store.openMessage().isEmpty()) {
    outcome.err = QStringLiteral("corvalo: ") + store.openMessage() + u'\n';
  }
  QStringList notes;
  const Status written = ExportList(store, listName, filePath, chosen, &notes);
  if (!written) {
    outcome.exitCode = 1;
    outcome.err = QStringLiteral("corvalo: ") + written.error() + u'\n';
    return outcome;
  }
  for (const QString& note : notes)
    outcome.err += QStringLiteral("corvalo: not kept: ") + note + u'\n';
  return outcome;
}

}  // namespace channels
