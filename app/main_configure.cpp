// The configuration dialog as the main window runs it: open it modally, show
// the features it confirms at once, and after it was confirmed close the
// radio link and reopen it with the new connection, then bring the window's
// mode list, caption, sliders, port button, tray picture and panel in line.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "app/main.h"
#include "components/MessageBox.h"
#include "components/TaskIcon.h"
#include "dialogs/Configure.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"
#include "settings/SettingsStore.h"

namespace {

constexpr char kNoPort[] = "Internet";

}  // namespace

void TMainForm::ConfigureMenuClick() {
  // The radio the link talks to now; the dialog replaces the link's protocol
  // and port with the stored (and then the confirmed) ones.
  const int runningProtocol = link_.Protocol;
  const QString runningPort = link_.PortName;
  int result = QDialog::Rejected;
  {
    TConfigurationForm dialog(link_, ShowIcon, AlwaysOnTop, this);
    connect(&dialog, &TConfigurationForm::featuresApplied, this, &TMainForm::ShowFeatures);
    result = dialog.exec();
  }
  if (result != QDialog::Accepted) return;

  SetBusy(true);
  struct BusyEnd {
    TMainForm* form;
    ~BusyEnd() { form->SetBusy(false); }
  } busyEnd{this};

  LoadModeListBox();
  ComboboxSetText(ModeComboBox, link_.CurrentMode);

  // The old radio is switched off (when so configured) with its own
  // sequence, not with the one of the protocol just chosen: the port still
  // open is the old radio's. Opening reads the new protocol and port from the
  // store. A store that fails here is reported and the re-application
  // carries on, so the new connection still opens.
  link_.Protocol = runningProtocol;
  link_.PortName = runningPort;
  try {
    link_.CloseRadioLink();
  } catch (const SettingsError& error) {
    ShowError(this, error.message());
    if (link_.portOpen()) link_.ReleasePort();
  }

  SetTopmost(AlwaysOnTop);

  try {
    link_.OpenRadioLink();
  } catch (const SettingsError& error) {
    ShowError(this, error.message());
  }

  setWindowTitle(protocols::caption(link_.PortName, link_.Protocol));

  SetSliderQuietly(VolumeTrackBar, link_.VolumeMax - link_.VolumeLevel);
  SetSliderQuietly(SquelchTrackBar, link_.SquelchMax - link_.SquelchLevel);
  SetSliderQuietly(IFShiftTrackBar, link_.IfShiftMax - link_.IfShiftLevel);

  TogglePortButton->setChecked(false);
  TogglePortButton->setText(QStringLiteral("Close &Port"));
  // A port that could not be opened keeps the port-closed picture; "Internet"
  // has no port and shows as on, as after start-up.
  const bool shownOpen = link_.portOpen() || link_.PortName == QLatin1String(kNoPort);
  CorvaloTaskIcon->SetIcon(QIcon((shownOpen ? OnImage : OffImage)->pixmap()));
  CorvaloTaskIcon->UpdateIcon();

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
