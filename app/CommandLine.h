#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. The options --minimized, --maximized,
// --help and --version may stand anywhere and are taken out first; the first
// argument left names the settings profile, verbatim, unless it would open
// the default settings or another spelling's profile (profileError says so).
// Further arguments are ignored.
//
// The channel commands run without a window: --import FILE [--list NAME]
// and --export LIST FILE, with --format NAME and --skip-bad-rows.
struct CommandLine {
  QString profile;
  QString profileError;  // why the profile's name cannot be used; empty when it can
  int showCommand = 10;  // 2 minimised, 3 maximised, 10 the default
  bool help = false;
  bool version = false;

  QString importFile;
  QString exportList;
  QString exportFile;
  QString listName;  // --list
  QString format;    // --format
  bool skipBadRows = false;
  QString error;  // a channel option without its value

  bool channelCommand() const {
    return !importFile.isEmpty() || !exportList.isEmpty() || !error.isEmpty();
  }

  // arguments without the program name.
  static CommandLine Parse(const QStringList& arguments);
  static QString Usage();
};
