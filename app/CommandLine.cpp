#include "app/CommandLine.h"

#include "app/main.h"

CommandLine CommandLine::Parse(const QStringList& arguments) {
  CommandLine result;
  QStringList rest;
  for (const QString& argument : arguments) {
    if (argument == QLatin1String("--minimized")) {
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
  return result;
}

QString CommandLine::Usage() {
  return QStringLiteral(
      "Usage: corvalo [--minimized | --maximized] [PROFILE]\n"
      "\n"
      "Controls a radio receiver or scanner connected to a serial port.\n"
      "\n"
      "  PROFILE      use the settings kept under this name (several radios can be\n"
      "               run from separate profiles); without it the default settings\n"
      "  --minimized  start minimised\n"
      "  --maximized  start maximised\n"
      "  --help       show this text and exit\n"
      "  --version    show the version and exit\n");
}
