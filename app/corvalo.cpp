// The program entry: makes the settings store of the profile the command line
// names, creates the main window
// (which opens the radio link and powers the radio up before anything is
// visible) and runs the event loop until the main window is closed.

#include <QIcon>
#include <QStringList>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/CorvaloApplication.h"
#include "app/TerminationSignals.h"
#include "app/main.h"
#include "channels/ChannelCommands.h"
#include "channels/ChannelStore.h"
#include "components/MessageBox.h"
#include "dialogs/presets.h"
#include "radio/RadioSession.h"
#include "settings/SettingsStore.h"

namespace {

// Runs --import or --export on the user's channel database; returns the
// exit status.
int RunChannelCommand(const CommandLine& command) {
  channels::CommandOutcome outcome;
  const QString database = channels::ChannelStore::defaultPath();
  if (!command.error.isEmpty()) {
    outcome = {2, QString(), QStringLiteral("corvalo: %1\n").arg(command.error)};
  } else if (!command.importFile.isEmpty() && !command.exportList.isEmpty()) {
    outcome = {2, QString(), QStringLiteral("corvalo: --import and --export go one at a time\n")};
  } else if (!command.importFile.isEmpty()) {
    outcome = channels::RunImportCommand(database, command.importFile, command.listName,
                                         command.format, command.skipBadRows);
  } else {
    outcome = channels::RunExportCommand(database, command.exportList, command.exportFile,
                                         command.format);
  }
  std::fputs(outcome.out.toLocal8Bit().constData(), stdout);
  std::fputs(outcome.err.toLocal8Bit().constData(), stderr);
  return outcome.exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version need no display: answer them before anything else.
  QStringList raw;
  for (int i = 1; i < argc; ++i) raw.append(QString::fromLocal8Bit(argv[i]));
  const CommandLine early = CommandLine::Parse(raw);
  if (early.help) {
    std::fputs(qPrintable(CommandLine::Usage()), stdout);
    return 0;
  }
  if (early.version) {
    std::printf("Corvalo %s\n", kVersionText);
    return 0;
  }
  // So do the channel commands: a script imports or exports a list.
  if (early.channelCommand()) {
    QCoreApplication core(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
    return RunChannelCommand(early);
  }

  // The application object takes out the toolkit's own options (-platform,
  // -style, ...), so they are never taken for a profile name.
  CorvaloApplication app(argc, argv);
  const CommandLine commandLine = CommandLine::Parse(app.arguments().mid(1));
  if (!commandLine.profileError.isEmpty()) {
    // Refused before anything is read or written.
    std::fputs(qPrintable(QStringLiteral("corvalo: %1\n").arg(commandLine.profileError)), stderr);
    return 2;
  }

  // The one store of the run, handed to everything that reads or writes
  // settings.
  SettingsStore store(commandLine.profile);
  app.setSettingsStore(&store);
  VersionText = QString::fromLatin1(kVersionText);

  QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
  QApplication::setOrganizationName(QStringLiteral("Quorvane"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/corvalo-64.png")));
  app.setProperty("helpFile", QString::fromLatin1(CorvaloApplication::kHelpFile));

  // A termination signal ends the program as closing its window does; one
  // that arrives during the start-up takes effect once the event loop runs.
  TerminationSignals termination;
  QObject::connect(&termination, &TerminationSignals::terminationRequested, &app,
                   [] { QCoreApplication::exit(0); });

  RadioSession session(store);
  int result = 1;
  try {
    TMainForm mainForm(session, store, commandLine.showCommand);
    TPresetsForm presetsForm(mainForm.presetsHost(), store);
    mainForm.setPresetsForm(&presetsForm);
    mainForm.show();
    result = app.exec();
  } catch (const SettingsError& error) {
    ShowStoreMessages(store, nullptr, {error.message()});
  }
  app.setSettingsStore(nullptr);  // the store ends before the application object
  return result;
}
