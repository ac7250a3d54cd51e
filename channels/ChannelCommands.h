#pragma once

#include <QString>
#include <optional>

#include "channels/ChannelFormats.h"

// The channel commands of the command line, for scripts: they run without a
// window and report on standard output and standard error.
namespace channels {

struct CommandOutcome {
  int exitCode = 0;  // 0 done, 1 failed, 2 the command itself is wrong
  QString out;       // for standard output
  QString err;       // for standard error
};

// Imports the file into the list (the file's name when empty) of the
// database; the format from the content when not given.
CommandOutcome RunImportCommand(const QString& databasePath, const QString& filePath,
                                const QString& listName, const QString& format, bool skipBadRows);
// Writes the list to the file; the format from the file's name when not given.
CommandOutcome RunExportCommand(const QString& databasePath, const QString& listName,
                                const QString& filePath, const QString& format);

}  // namespace channels
