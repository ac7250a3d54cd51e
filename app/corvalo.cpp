// The program entry: fixes the settings location, creates the main window
// (which opens the radio link and powers the radio up before anything is
// visible) and runs the event loop until the main window is closed.

#include <QIcon>
#include <QStringList>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/CorvaloApplication.h"
#include "app/TerminationSignals.h"
#include "app/main.h"
#include "components/MessageBox.h"
#include "dialogs/presets.h"
#include "radio/RadioLink.h"
#include "settings/SettingsStore.h"

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

  // The application object takes out the toolkit's own options (-platform,
  // -style, ...), so they are never taken for a profile name.
  CorvaloApplication app(argc, argv);
  const CommandLine commandLine = CommandLine::Parse(app.arguments().mid(1));

  SetSettingsProfile(commandLine.profile);
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

  RadioLink link;
  int result = 1;
  try {
    TMainForm mainForm(link, commandLine.showCommand);
    TPresetsForm presetsForm(mainForm.presetsHost());
    mainForm.PresetsForm = &presetsForm;
    mainForm.show();
    result = app.exec();
  } catch (const SettingsError& error) {
    ShowError(nullptr, error.message());
  }
  return result;
}
