// The level sliders (volume, squelch, IF shift) and the switch buttons (AGC,
// noise blanker, attenuator, mute). A slider's level is its Max minus its
// position: the top of a slider is the highest level.

#include <QAction>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "app/main.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"

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
  GetPort();
  const int level = link_.VolumeMax - VolumeTrackBar->value();
  if (link_.Protocol == protocols::kPcr1000) link_.SendPcrVolume(level);
  if (link_.Protocol == protocols::kIcomCiv) link_.SendCivVolume(level);
  // Moving off the bottom shows the sound as on again; nothing is sent for it.
  if (level > 0) MuteButton->setChecked(false);
}

void TMainForm::SquelchTrackBarChange() {
  GetPort();
  const int level = link_.SquelchMax - SquelchTrackBar->value();
  if (link_.Protocol == protocols::kPcr1000) link_.SendPcrSquelch(level);
  if (link_.Protocol == protocols::kIcomCiv) link_.SendCivSquelch(level);
}

void TMainForm::IFShiftTrackBarChange() {
  GetPort();
  const int level = link_.IfShiftMax - IFShiftTrackBar->value();
  if (link_.Protocol == protocols::kPcr1000) link_.SendPcrIfShift(level);
}

void TMainForm::IFShiftLabelClick() {
  GetPort();
  SetSliderQuietly(IFShiftTrackBar, link_.IfShiftMax - link_.IfShiftMax / 2);
  const int level = link_.IfShiftMax - IFShiftTrackBar->value();
  if (link_.Protocol == protocols::kPcr1000) link_.SendPcrIfShift(level);
}

void TMainForm::AGCButtonClick() {
  GetPort();
  if (link_.Protocol == protocols::kPcr1000) link_.SendPcrAgc(AGCButton->isChecked());
}

void TMainForm::NBButtonClick() {
  GetPort();
  if (link_.Protocol == protocols::kPcr1000) link_.SendPcrNoiseBlanker(NBButton->isChecked());
}

void TMainForm::ATTButtonClick() {
  GetPort();
  if (ATTButton->isChecked()) {
    link_.SwitchAttenuatorOn();
  } else {
    link_.SwitchAttenuatorOff();
  }
}

void TMainForm::MuteButtonClick() {
  GetPort();
  // Whether to mute follows the volume slider, not the button.
  if (VolumeTrackBar->value() < link_.VolumeMax) {
    SetSliderQuietly(VolumeTrackBar, link_.VolumeMax);
    link_.MuteRadio();
  } else {
    SetSliderQuietly(VolumeTrackBar, link_.VolumeMax - link_.VolumeLevel);
    link_.UnmuteRadio();
  }
  if (VolumeTrackBar->isVisible()) VolumeTrackBar->setFocus();
}

void TMainForm::Mute1Click() {
  MuteButton->setChecked(!MuteButton->isChecked());
  MuteButtonClick();
}
