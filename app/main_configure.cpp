// The configuration dialog as the main window runs it: hand it the stored
// values, store what it confirms, show the features it confirms at once, and
// after it was confirmed close the radio link and reopen it with the new
// connection, then bring the window's flags, mode list, caption, sliders,
// port button, tray picture and panel in line.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "app/main.h"
#include "components/MessageBox.h"
#include "components/TaskIcon.h"
#include "dialogs/Configure.h"
#include "radio/Protocols.h"
#include "settings/SettingsStore.h"

void TMainForm::ConfigureMenuClick() {
  // The stored values, with the coverage in force and the window's own flags
  // where the window keeps its own; what reading them met is told by the
  // dialog once it is up.
  ConfigurationValues values = ReadConfiguration(store_);
  values.lowestMhz = session_.lowestMhz();
  values.highestMhz = session_.highestMhz();
  values.showIcon = ShowIcon;
  values.alwaysOnTop = AlwaysOnTop;
  int result = QDialog::Rejected;
  {
    TConfigurationForm dialog(values, store_.profile(), this);
    dialog.tellOnShow(store_.takeMessages());
    dialog.setSave([this](const ConfigurationValues& confirmed) {
      return SaveConfiguration(store_, confirmed);
    });
    connect(&dialog, &TConfigurationForm::featuresApplied, this, &TMainForm::ShowFeatures);
    result = dialog.exec();
    values = dialog.values();
  }
  if (result != QDialog::Accepted) return;
  ShowIcon = values.showIcon;
  AlwaysOnTop = values.alwaysOnTop;

  // The radio running now is closed as at the end of the run (its own
  // power-off sequence when so configured), and the link opens again with
  // the stored connection. A store that fails is reported; the new
  // connection still opens.
  try {
    session_.reopen();
  } catch (const SettingsError& error) {
    ShowStoreMessages(store_, this, {error.message()});
  }
  LoadModeListBox();  // the modes as the new connection reads them
  ShowTuning(session_.tuning());

  SetTopmost(AlwaysOnTop);
  setWindowTitle(session_.caption());
  ShowPortState();
  // "Internet" has no port and shows as on, as after start-up; a real port
  // shows its state once the link has opened it (or failed to).
  if (!session_.hasPort()) ShowLinkPicture(true);
  SizeControlPanel();
}

void TMainForm::ShowFeatures(unsigned features) {
  const auto on = [features](protocols::Feature feature) { return (features & feature) != 0; };
  MuteButton->setVisible(on(protocols::kMute));
  VolumeTrackBar->setVisible(on(protocols::kVolume));
  SquelchTrackBar->setVisible(on(protocols::kSquelch));
  SquelchLabel->setVisible(on(protocols::kSquelch));
  IFShiftTrackBar->setVisible(on(protocols::kIfShift));
  IFShiftLabel->setVisible(on(protocols::kIfShift));
  AGCButton->setVisible(on(protocols::kAgc));
  NBButton->setVisible(on(protocols::kNb));
  ATTButton->setVisible(on(protocols::kAttenuate));
  FilterComboBox->setVisible(on(protocols::kFilters));
}
