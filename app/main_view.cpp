// The main window as a view of the radio session: the tuning row, the
// sliders and switches, the port button and the tray follow the session's
// signals, whoever made the change (the operator, a remote program, the
// scan). The link's messages are shown in a box when the operator caused
// them; a remote program's request never opens a dialog in front of the
// operator: its message goes to the window's status line instead.

#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>

#include "app/main.h"
#include "components/ComboText.h"
#include "components/MessageBox.h"
#include "components/SignalMeter.h"
#include "components/TaskIcon.h"
#include "radio/Capabilities.h"

namespace {

constexpr int kStatusMessageMs = 10000;
constexpr int kLevelMax = protocols::kLevelMax;

}  // namespace

void TMainForm::ConnectSession() {
  connect(&session_, &RadioSession::tuningChanged, this,
          [this](const RadioSession::Tuning& tuning) { ShowTuning(tuning); });
  connect(&session_, &RadioSession::tuned, this,
          [this](const QString& text, RadioSession::Origin origin) {
            // The tray hint names what the operator or a remote program
            // tuned; a scan step leaves it alone.
            if (origin != RadioSession::Origin::Scan) ShowTrayHint(text);
          });
  connect(&session_, &RadioSession::levelsChanged, this, &TMainForm::ShowLevels);
  connect(&session_, &RadioSession::switchesChanged, this, &TMainForm::ShowSwitches);
  connect(&session_, &RadioSession::portStateChanged, this, &TMainForm::ShowPortState);
  connect(&session_, &RadioSession::linkStateChanged, this, &TMainForm::ShowLinkPicture);
  connect(&session_, &RadioSession::busyChanged, this, &TMainForm::SetBusy);
  connect(&session_, &RadioSession::message, this, &TMainForm::ShowLinkMessage);
  connect(&session_, &RadioSession::beep, this, [] { QApplication::beep(); });
  connect(&session_, &RadioSession::readingChanged, this, &TMainForm::ShowReading);
  connect(&session_, &RadioSession::configurationChanged, this, &TMainForm::ShowMeterArea);
  connect(&session_, &RadioSession::retryScheduled, this, &TMainForm::ShowRetry);
}

void TMainForm::ShowMeterArea() {
  const bool shown = session_.hasPort() && session_.canReadSignal() && session_.readingRate() > 0;
  if (shown == !SignalMeter1->isHidden()) return;
  const int before = LowerAreaHeight();
  SignalMeter1->setVisible(shown);
  StatusBar1->setVisible(shown || !Panel2->isHidden());
  FitLowerArea(before);
}

void TMainForm::ShowReading() {
  const RadioSession::Reading& reading = session_.reading();
  if (reading.valid && reading.raw) {
    SignalMeter1->setReading(*reading.raw, reading.rawMax, reading.dbOverS9, reading.squelchOpen,
                             reading.text);
  } else {
    SignalMeter1->clearReading();
  }
  // Hidden in the tray, the window's hint tells the signal too.
  ShowHiddenHint();
}

void TMainForm::ShowRetry(int seconds) {
  if (seconds > 0) {
    StatusBar1->showMessage(QStringLiteral("Port lost: trying again in %1 s").arg(seconds),
                            seconds * 1000 + 500);
  } else {
    StatusBar1->clearMessage();
  }
}

void TMainForm::ShowTuning(const RadioSession::Tuning& tuning) {
  FrequencyEdit->setText(tuning.frequencyText);
  SelectComboText(ModeComboBox, tuning.mode);
  if (tuning.mode.isEmpty()) ModeComboBox->setCurrentIndex(-1);
  FilterComboBox->setCurrentIndex(tuning.filterIndex);
}

void TMainForm::ShowTrayHint(const QString& frequencyText) {
  trayHint_ = QStringLiteral("Corvalo [") + frequencyText + QLatin1Char(']');
  CorvaloTaskIcon->SetHint(trayHint_);
  CorvaloTaskIcon->UpdateIcon();
}

void TMainForm::ShowLevels() {
  // A slider's level is its top minus its position: the top is the highest.
  SetSliderQuietly(VolumeTrackBar, kLevelMax - session_.level(RadioSession::Level::Volume));
  SetSliderQuietly(SquelchTrackBar, kLevelMax - session_.level(RadioSession::Level::Squelch));
  SetSliderQuietly(IFShiftTrackBar, kLevelMax - session_.level(RadioSession::Level::IfShift));
}

void TMainForm::ShowSwitches() {
  AGCButton->setChecked(session_.switchOn(RadioSession::Switch::Agc));
  NBButton->setChecked(session_.switchOn(RadioSession::Switch::NoiseBlanker));
  ATTButton->setChecked(session_.switchOn(RadioSession::Switch::Attenuator));
  MuteButton->setChecked(session_.muteButtonDown());
}

void TMainForm::ShowPortState() {
  const bool released = session_.portReleased();
  TogglePortButton->setChecked(released);
  TogglePortButton->setText(released ? QStringLiteral("Open &Port")
                                     : QStringLiteral("Close &Port"));
  if (released) ShowLinkPicture(false);
}

void TMainForm::ShowLinkPicture(bool open) {
  const QLabel* source = open ? OnImage : OffImage;
  CorvaloTaskIcon->SetIcon(QIcon(source->pixmap()));
  CorvaloTaskIcon->UpdateIcon();
}

void TMainForm::ShowLinkMessage(const QString& text, RadioSession::Origin origin) {
  if (origin == RadioSession::Origin::Operator) {
    ShowMessage(isVisible() ? this : nullptr, text);
    return;
  }
  // Not the operator's doing: said where the operator can see it, without
  // stopping anything.
  StatusBar1->showMessage(text, kStatusMessageMs);
  CorvaloTaskIcon->SetHint(QStringLiteral("Corvalo: ") + text);
  CorvaloTaskIcon->UpdateIcon();
}

void TMainForm::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++busyDepth_;
  } else if (busyDepth_ > 0) {
    QApplication::restoreOverrideCursor();
    --busyDepth_;
  }
}

void TMainForm::ShowRefusal(const RadioSession::Result& result) {
  if (result.outcome != RadioSession::Outcome::Refused) return;
  ShowInformation(this, result.reason);
  FrequencyEdit->setFocus();
}
