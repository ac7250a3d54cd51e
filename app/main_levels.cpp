// The level sliders (volume, squelch, IF shift) and the switch buttons (AGC,
// noise blanker, attenuator, mute). A slider's level is its Max minus its
// position: the top of a slider is the highest level.

#include <QAction>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "app/main.h"
#include "radio/Capabilities.h"

namespace {

constexpr int kLevelMax = protocols::kLevelMax;

}  // namespace

void TMainForm::SetSliderQuietly(QSlider* slider, int position) {
  const QSignalBlocker quiet(slider);
  slider->setValue(position);
}

void TMainForm::SliderChanged(QSlider* slider) {
  if (slider == VolumeTrackBar) {
    Guarded([this] { VolumeTrackBarChange(); });
  } else if (slider == SquelchTrackBar) {
    Guarded([this] { SquelchTrackBarChange(); });
  } else if (slider == IFShiftTrackBar) {
    Guarded([this] { IFShiftTrackBarChange(); });
  }
}

void TMainForm::VolumeTrackBarChange() {
  session_.setLevel(RadioSession::Level::Volume, kLevelMax - VolumeTrackBar->value());
}

void TMainForm::SquelchTrackBarChange() {
  session_.setLevel(RadioSession::Level::Squelch, kLevelMax - SquelchTrackBar->value());
}

void TMainForm::IFShiftTrackBarChange() {
  session_.setLevel(RadioSession::Level::IfShift, kLevelMax - IFShiftTrackBar->value());
}

void TMainForm::IFShiftLabelClick() { session_.centreIfShift(); }

void TMainForm::AGCButtonClick() {
  session_.setSwitch(RadioSession::Switch::Agc, AGCButton->isChecked());
}

void TMainForm::NBButtonClick() {
  session_.setSwitch(RadioSession::Switch::NoiseBlanker, NBButton->isChecked());
}

void TMainForm::ATTButtonClick() {
  session_.setSwitch(RadioSession::Switch::Attenuator, ATTButton->isChecked());
}

void TMainForm::MuteButtonClick() {
  session_.setMuteButtonDown(MuteButton->isChecked());
  // Whether to mute follows the volume slider, not the button.
  session_.toggleMute();
  if (VolumeTrackBar->isVisible()) VolumeTrackBar->setFocus();
}

void TMainForm::Mute1Click() {
  MuteButton->setChecked(!MuteButton->isChecked());
  MuteButtonClick();
}
