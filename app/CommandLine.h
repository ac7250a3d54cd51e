#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. The options --minimized, --maximized,
// --help and --version may stand anywhere and are taken out first; the first
// argument left names the settings profile, verbatim. Further arguments are
// ignored.
struct CommandLine {
  QString profile;
  int showCommand = 10;  // 2 minimised, 3 maximised, 10 the default
  bool help = false;
  bool version = false;

  // arguments without the program name.
  static CommandLine Parse(const QStringList& arguments);
  static QString Usage();
};
