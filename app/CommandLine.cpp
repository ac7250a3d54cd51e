#include "app/CommandLine.h"

#include "app/main.h"
#include "settings/ProfileName.h"

CommandLine CommandLine::Parse(const QStringList& arguments) {
  CommandLine result;
  QStringList rest;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    // The values of a channel option follow it.
    const auto take = [&](QString* value) {
      if (i + 1 < arguments.size()) {
        *value = arguments[++i];
      } else {
        result.error = QStringLiteral("%1 needs a value").arg(argument);
      }
    };
    if (argument == QLatin1String("--import")) {
      take(&result.importFile);
    } else if (argument == QLatin1String("--export")) {
      take(&result.exportList);
      if (result.error.isEmpty()) take(&result.exportFile);
    } else if (argument == QLatin1String("--list")) {
      take(&result.listName);
    } else if (argument == QLatin1String("--format")) {
      take(&result.format);
    } else if (argument == QLatin1String("--skip-bad-rows")) {
      result.skipBadRows = true;
    } else if (argument == QLatin1String("--minimized")) {
      result.showCommand = TMainForm::kShowMinimized;
    } else if (argument == QLatin1String("--maximized")) {
      result.showCommand = TMainForm::kShowMaximized;
    } else if (argument == QLatin1String("--help")) {
      result.help = true;
    } else if (argument == QLatin1String("--version")) {
      result.version = true;
    } else {
      rest.append(argument);
    }
  }
  if (!rest.isEmpty()) result.profile = rest.first();
  result.profileError = profiles::NameProblem(result.profile);
  return result;
}

QString CommandLine::Usage() {
  return QStringLiteral(
      "Usage: corvalo [--minimized | --maximized] [PROFILE]\n"
      "       corvalo --import FILE [--list NAME] [--format FORMAT] [--skip-bad-rows]\n"
      "       corvalo --export LIST FILE [--format FORMAT]\n"
      "\n"
      "Controls a radio receiver or scanner connected to a serial port.\n"
      "\n"
      "  PROFILE      use the settings kept under this name (several radios can be\n"
      "               run from separate profiles); without it the default settings;\n"
      "               a \"\\\" nests a profile in another, as in Shack\\Roof\n"
      "  --minimized  start minimised\n"
      "  --maximized  start maximised\n"
      "  --help       show this text and exit\n"
      "  --version    show the version and exit\n"
      "\n"
      "Channel lists, without a window:\n"
      "  --import FILE    import a file into the list NAME (default: the file's name\n"
      "                   without its suffix); a file with bad rows imports nothing\n"
      "                   unless --skip-bad-rows is given\n"
      "  --export LIST FILE  write the list to the file\n"
      "  --format FORMAT  corvalo, gqrx, sdrpp or chirp; by default an import reads\n"
      "                   the format from the file's content, an export takes SDR++\n"
      "                   for a .json file and Corvalo's own CSV otherwise\n"
      "Exit status 0 when done, 1 when it failed (the reason on standard error),\n"
      "2 for a wrong command or a profile name that cannot be used.\n");
}
