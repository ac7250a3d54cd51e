// The tuning row: the Enter action that every way of tuning ends in, the mode
// and filter lists, the stepper and the tuning step.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/main.h"
#include "components/MessageBox.h"
#include "components/TaskIcon.h"
#include "dialogs/StepSize.h"
#include "radio/FrequencyText.h"
#include "radio/Protocols.h"
#include "radio/RadioLink.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

namespace {

constexpr int kTuneTextLength = 11;  // the frequency text handed to the radio
constexpr int kModeTextLength = 3;
constexpr double kDefaultStep = 0.0005;

// The automatic step table, applied in order; a later matching row wins.
struct StepBand {
  double from;
  double to;
  bool toIncluded;
  double step;
};
constexpr StepBand kStepBands[] = {
    {25.0, 87.5, false, 0.05},    {87.5, 108.0, false, 0.1},    {108.0, 136.0, false, 0.0125},
    {136.0, 225.0, false, 0.005}, {225.0, 400.0, false, 0.1},   {400.0, 869.01, false, 0.0125},
    {824.0, 849.0, false, 0.03},  {870.03, 889.98, true, 0.03},
};
constexpr double kUnlistedStep = 0.0125;

}  // namespace

QString TMainForm::ShownFrequency(double megahertz) {
  return freqtext::FormatFixed(megahertz, freqtext::kDecimals, freqtext::kShownWidth);
}

void TMainForm::EnterButtonClick() {
  QString checked = FrequencyEdit->text();
  if (!freqtext::ValidateFrequencyText(checked, freqtext::kStoredWidth, freqtext::kDecimals,
                                       link_.LowestFrequency, link_.HighestFrequency)) {
    ShowInformation(this, QStringLiteral("Not a valid frequency."));
    FrequencyEdit->setFocus();
    return;
  }

  GetPort();

  TuneFrequencyText = FrequencyEdit->text();
  if (TuneFrequencyText.size() > kTuneTextLength) {
    // A longer text (leading zeros or blanks) goes out in its shown form,
    // which always fits.
    double value = 0;
    freqtext::ParseNumber(TuneFrequencyText, &value);
    TuneFrequencyText = ShownFrequency(value);
  }
  TuneModeText = ModeComboBox->currentText().left(kModeTextLength);

  if (!link_.TuneRadio(TuneFrequencyText, TuneModeText)) {
    const QString refusal = link_.lastRefusal();
    if (!refusal.isEmpty()) {
      // The radio cannot take this request: nothing was sent.
      ShowInformation(this, refusal);
      FrequencyEdit->setFocus();
      return;
    }
  }

  double value = 0;
  if (freqtext::ParseNumber(TuneFrequencyText, &value)) TuneFrequencyText = ShownFrequency(value);
  FrequencyEdit->setText(TuneFrequencyText);
  CorvaloTaskIcon->SetHint(QStringLiteral("Corvalo [") + TuneFrequencyText + QLatin1Char(']'));
  CorvaloTaskIcon->UpdateIcon();
  FilterComboBox->setCurrentIndex(link_.FilterIndex);
}

void TMainForm::ModeComboBoxChange() { EnterButtonClick(); }

void TMainForm::FilterComboBoxChange() {
  GetPort();
  if (link_.Protocol == protocols::kPcr1000) link_.SendPcrFilter(FilterComboBox->currentIndex());
}

void TMainForm::UpDown1Click(TUpDown::Button button) {
  if (StepSize == 0) StepSize = kDefaultStep;
  double value = 0;
  if (!freqtext::ParseNumber(FrequencyEdit->text(), &value)) {
    QApplication::beep();
    return;
  }
  value += button == TUpDown::Button::Next ? StepSize : -StepSize;
  FrequencyEdit->setText(ShownFrequency(value));
  EnterButton->click();
}

void TMainForm::AutoSetStepSize1Click() {
  double f = 0;
  if (!freqtext::ParseNumber(FrequencyEdit->text(), &f)) return;
  double step = 0;
  for (const StepBand& band : kStepBands) {
    if (f >= band.from && (f < band.to || (band.toIncluded && f == band.to))) step = band.step;
  }
  StepSize = step == 0 ? kUnlistedStep : step;
}

void TMainForm::AutoSetStepSize2Click() { AutoSetStepSize1Click(); }

void TMainForm::ChangeStepSize1Click() {
  TStepSizeForm dialog(this);
  dialog.SetStepSize(StepSize);
  if (dialog.exec() == QDialog::Accepted) StepSize = dialog.StepSize();
}

void TMainForm::ChangeStepSize2Click() { ChangeStepSize1Click(); }

void TMainForm::LoadModeListBox() {
  SettingsSession session;
  ModeComboBox->clear();
  for (const char* code : protocols::kModeCodes) {
    const QString mode = QString::fromLatin1(code);
    if (Settings.ReadFlag(sn::kCoverage, QString::fromLatin1(sn::kSupportsPrefix) + mode, true)) {
      ModeComboBox->addItem(mode);
    }
  }
  ModeComboBox->setCurrentIndex(-1);
}

void TMainForm::ComboboxSetText(QComboBox* box, const QString& text) {
  for (int i = 0; i < box->count(); ++i) {
    if (box->itemText(i) == text) box->setCurrentIndex(i);
  }
}
