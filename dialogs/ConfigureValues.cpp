// The configuration dialog's values: shown from the values it is given,
// proposed by the protocol list, checked, saved through the caller and
// returned on "Close"; and the ways of closing it.

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>

#include "components/ComboText.h"
#include "components/MessageBox.h"
#include "dialogs/Configure.h"
#include "dialogs/Hints.h"
#include "radio/FrequencyText.h"
#include "radio/Protocols.h"
#include "radio/Readings.h"

const char TConfigurationForm::kInvalidCoverageMessage[] =
    "Invalid Frequency. Please enter a number between 0.00 to 9999.99999.";
const char TConfigurationForm::kInvertedCoverageMessage[] =
    "Invalid Frequency. The lowest frequency must not be above the highest frequency.";
const char TConfigurationForm::kInvalidAddressMessage[] =
    "Invalid Address. Please enter the radio's address as one or two hexadecimal digits "
    "(0 to 9, A to F), for example 80.";
const char TConfigurationForm::kInvalidReadingsMessage[] =
    "Invalid Readings Per Second. Please enter a whole number from 0 to 50 (0 turns the "
    "readings off).";
const char TConfigurationForm::kInvalidSettleTimeMessage[] =
    "Invalid Settle Time. Please enter a whole number of milliseconds from 0 to 2000, or leave "
    "it empty for the radio's own time.";

namespace {

// A whole number from 0 to `most`: decimal digits only, blanks around them
// ignored.
bool ParseCount(const QString& text, int most, int* value) {
  const QString digits = text.trimmed();
  if (digits.isEmpty() || digits.size() > 9) return false;
  for (QChar c : digits) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  }
  const int number = digits.toInt();
  if (number > most) return false;
  *value = number;
  return true;
}

}  // namespace

bool TConfigurationForm::CheckCoverageText(QString& text) {
  return freqtext::ValidateFrequencyText(text, freqtext::kStoredWidth, freqtext::kDecimals,
                                         kLowestCoverageMhz, kHighestCoverageMhz);
}

bool TConfigurationForm::IsValidAddress(const QString& text) {
  if (text.isEmpty() || text.size() > 2) return false;
  for (QChar c : text) {
    const char l = c.unicode() < 128 ? c.toLatin1() : 'g';
    const bool hex = (l >= '0' && l <= '9') || (l >= 'a' && l <= 'f') || (l >= 'A' && l <= 'F');
    if (!hex) return false;
  }
  return true;
}

bool TConfigurationForm::ParseReadingsPerSecond(const QString& text, int* perSecond) {
  return ParseCount(text, kMostReadingsPerSecond, perSecond);
}

bool TConfigurationForm::ParseSettleTime(const QString& text, const QString& ownText, int* ms) {
  const QString shown = text.trimmed();
  if (shown.isEmpty() || shown == ownText.trimmed()) {
    *ms = -1;
    return true;
  }
  return ParseCount(shown, kLongestSettleMs, ms);
}

QString TConfigurationForm::RadioOwnSettleText(int protocol) {
  return QStringLiteral("radio's own (%1 ms)").arg(readings::settleMs(protocol));
}

int TConfigurationForm::shownProtocol() const {
  const protocols::ProtocolInfo* p = protocols::byListPosition(ProtocolComboBox->currentIndex());
  return p ? p->number : values_.protocol;
}

void TConfigurationForm::showRadioOwnSettleText() {
  // The entry follows the protocol; a number typed in stays as it is.
  const QString shown = SettleTimeComboBox->currentText();
  const bool own = shown == SettleTimeComboBox->itemText(0);
  SettleTimeComboBox->setItemText(0, RadioOwnSettleText(shownProtocol()));
  SettleTimeComboBox->setEditText(own ? SettleTimeComboBox->itemText(0) : shown);
}

void TConfigurationForm::FormShow() {
  ProfilePanel->setText(profile_.isEmpty() ? QStringLiteral("Default") : profile_);
  const ConfigurationValues& v = values_;

  if (const protocols::ProtocolInfo* p = protocols::byNumber(v.protocol)) {
    ProtocolComboBox->setCurrentIndex(p->listPosition);
  }
  // The proposals of the protocol first; the values given then replace them.
  ProtocolComboBoxChange();

  SelectComboText(RateComboBox, QString::number(v.rate));
  AddressEdit->setText(v.address);
  IC735CheckBox->setChecked(v.ic735);
  ShowIconCheckBox->setChecked(v.showIcon);
  AlwaysOnTopCheckBox->setChecked(v.alwaysOnTop);
  // A port chosen earlier that this machine does not list now (an adapter
  // that is unplugged) stays choosable, so that saving keeps it.
  if (!v.portName.isEmpty() && ComPortComboBox->findText(v.portName) < 0) {
    ComPortComboBox->insertItem(ComPortComboBox->count() - 1, v.portName);
  }
  SelectComboText(ComPortComboBox, v.portName);
  ReadingsPerSecondEdit->setText(QString::number(v.readingsPerSecond));
  SettleTimeComboBox->setEditText(v.settleMs < 0 ? SettleTimeComboBox->itemText(0)
                                                 : QString::number(v.settleMs));

  PowerOffCheckBox->setChecked(v.powerOff);
  // Ticking the box from the program runs its click: a true switches the
  // hints on at once.
  ShowHintsCheckBox->setChecked(v.showHints);
  ReleasePortAfterStartupCheckBox->setChecked(v.releasePortAfterStartup);

  for (int mode = 0; mode < ModeLB->count(); ++mode) {
    ModeLB->item(mode)->setSelected((v.supportedModes >> mode) & 1u);
  }
  LowestFrequencyEdit->setText(
      freqtext::FormatFixed(v.lowestMhz, freqtext::kDecimals, freqtext::kStoredWidth));
  HighestFrequencyEdit->setText(
      freqtext::FormatFixed(v.highestMhz, freqtext::kDecimals, freqtext::kStoredWidth));
  const auto boxes = featureCheckBoxes();
  for (size_t i = 0; i < boxes.size(); ++i) boxes[i]->setChecked((v.features >> i) & 1u);
  DefaultPCR1000AMFilterComboBox->setCurrentIndex(
      v.pcrAmFilter >= 0 && v.pcrAmFilter < DefaultPCR1000AMFilterComboBox->count() ? v.pcrAmFilter
                                                                                    : -1);

  if (!messages_.isEmpty()) {
    // Told once the dialog is on screen; the values show what could be read.
    const QString text = messages_.join(QLatin1Char('\n'));
    messages_.clear();
    QTimer::singleShot(0, this, [this, text] { ShowError(this, text); });
  }
}

void TConfigurationForm::ProtocolComboBoxChange() {
  PCR1000AMFilterLabel->hide();
  DefaultPCR1000AMFilterComboBox->hide();
  showRadioOwnSettleText();
  const protocols::ProtocolInfo* p = protocols::byListPosition(ProtocolComboBox->currentIndex());
  if (!p) return;

  AddressLabel->setVisible(p->showAddress);
  AddressEdit->setVisible(p->showAddress);
  IC735CheckBox->setVisible(p->showIc735);
  if (p->proposedAddress) AddressEdit->setText(QString::fromLatin1(p->proposedAddress));

  LowestFrequencyEdit->setText(QString::fromLatin1(p->lowest));
  HighestFrequencyEdit->setText(QString::fromLatin1(p->highest));
  // Entries 0..11 follow the radio; "AMW", "AM2" and "AM3" stay as they are.
  for (int mode = 0; mode < 12; ++mode) {
    ModeLB->item(mode)->setSelected((p->modes >> mode) & 1u);
  }
  const auto boxes = featureCheckBoxes();
  for (size_t i = 0; i < boxes.size(); ++i) boxes[i]->setChecked((p->features >> i) & 1u);
  if (p->showPcrAmFilter) {
    PCR1000AMFilterLabel->show();
    DefaultPCR1000AMFilterComboBox->show();
  }
}

void TConfigurationForm::ShowHintsCheckBoxClick() {
  HintDisplay::setEnabled(ShowHintsCheckBox->isChecked());
}

void TConfigurationForm::refuseConnectionField(QWidget* field, const char* message) {
  ShowInformation(this, QString::fromLatin1(message));
  PageControl->setCurrentWidget(Connection);
  field->setFocus();
  if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
  if (auto* list = qobject_cast<QComboBox*>(field)) list->lineEdit()->selectAll();
}

void TConfigurationForm::Button1Click() {
  QString lowest = LowestFrequencyEdit->text();
  QString highest = HighestFrequencyEdit->text();
  const bool lowestValid = CheckCoverageText(lowest);
  const bool highestValid = CheckCoverageText(highest);
  if (!lowestValid || !highestValid) {
    ShowInformation(this, QString::fromLatin1(kInvalidCoverageMessage));
    PageControl->setCurrentWidget(CoverageTabSheet);
    (highestValid ? LowestFrequencyEdit : HighestFrequencyEdit)->setFocus();
    return;
  }
  // Compared in their stored form, as they will be read back.
  double lowestMhz = 0;
  double highestMhz = 0;
  freqtext::ParseNumber(lowest, &lowestMhz);
  freqtext::ParseNumber(highest, &highestMhz);
  if (lowestMhz > highestMhz) {
    ShowInformation(this, QString::fromLatin1(kInvertedCoverageMessage));
    PageControl->setCurrentWidget(CoverageTabSheet);
    LowestFrequencyEdit->setFocus();
    return;
  }
  // The address is checked only where the radio uses it; a hidden field
  // keeps whatever it holds. Blanks around the digits are dropped.
  if (!AddressEdit->isHidden()) AddressEdit->setText(AddressEdit->text().trimmed());
  if (!AddressEdit->isHidden() && !IsValidAddress(AddressEdit->text())) {
    refuseConnectionField(AddressEdit, kInvalidAddressMessage);
    return;
  }
  int number = 0;
  if (!ParseReadingsPerSecond(ReadingsPerSecondEdit->text(), &number)) {
    refuseConnectionField(ReadingsPerSecondEdit, kInvalidReadingsMessage);
    return;
  }
  if (!ParseSettleTime(SettleTimeComboBox->currentText(), SettleTimeComboBox->itemText(0),
                       &number)) {
    refuseConnectionField(SettleTimeComboBox, kInvalidSettleTimeMessage);
    return;
  }
  LowestFrequencyEdit->setText(lowest);
  HighestFrequencyEdit->setText(highest);

  const ConfigurationValues confirmed = shownValues();
  // Saved now, so that a store that cannot be written is reported here and
  // the dialog stays open instead of closing as if the settings had been
  // saved.
  if (save_) {
    const QString failure = save_(confirmed);
    if (!failure.isEmpty()) {
      ShowError(this, failure);
      return;
    }
  }
  values_ = confirmed;
  emit featuresApplied(values_.features);
  done(QDialog::Accepted);
}

ConfigurationValues TConfigurationForm::shownValues() const {
  // Nothing selected in one of the lists leaves that value as it was given.
  ConfigurationValues v = values_;
  v.protocol = shownProtocol();
  if (RateComboBox->currentIndex() >= 0) v.rate = RateComboBox->currentText().toInt();
  v.address = AddressEdit->text();
  v.ic735 = IC735CheckBox->isChecked();
  if (ComPortComboBox->currentIndex() >= 0) {
    v.portName = ComPortComboBox->currentText().left(kPortNameLength);
  }
  ParseReadingsPerSecond(ReadingsPerSecondEdit->text(), &v.readingsPerSecond);
  ParseSettleTime(SettleTimeComboBox->currentText(), SettleTimeComboBox->itemText(0), &v.settleMs);

  v.showIcon = ShowIconCheckBox->isChecked();
  v.alwaysOnTop = AlwaysOnTopCheckBox->isChecked();
  v.powerOff = PowerOffCheckBox->isChecked();
  v.showHints = ShowHintsCheckBox->isChecked();
  v.releasePortAfterStartup = ReleasePortAfterStartupCheckBox->isChecked();

  v.supportedModes = 0;
  for (int mode = 0; mode < ModeLB->count(); ++mode) {
    if (ModeLB->item(mode)->isSelected()) v.supportedModes |= 1u << mode;
  }
  if (DefaultPCR1000AMFilterComboBox->currentIndex() >= 0) {
    v.pcrAmFilter = DefaultPCR1000AMFilterComboBox->currentIndex();
  }
  // Both texts passed the coverage check and are in their stored form.
  freqtext::ParseNumber(LowestFrequencyEdit->text(), &v.lowestMhz);
  freqtext::ParseNumber(HighestFrequencyEdit->text(), &v.highestMhz);
  v.features = checkedFeatures();
  return v;
}

void TConfigurationForm::Button2Click() {
  // Texts that pass the closing check; nothing is saved.
  LowestFrequencyEdit->setText(QStringLiteral("0.0"));
  HighestFrequencyEdit->setText(QStringLiteral("9999.99999"));
  done(QDialog::Rejected);
}

bool TConfigurationForm::FormCloseQuery() {
  QString lowest = LowestFrequencyEdit->text();
  QString highest = HighestFrequencyEdit->text();
  return CheckCoverageText(lowest) && CheckCoverageText(highest);
}

void TConfigurationForm::done(int result) {
  if (!FormCloseQuery()) return;
  QDialog::done(result);
}

void TConfigurationForm::reject() { Button2Click(); }

void TConfigurationForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TConfigurationForm::closeEvent(QCloseEvent* event) {
  // The close box closes like a button would, without the Cancel button's
  // reset of the coverage texts: an invalid text keeps the dialog open.
  if (isVisible()) {
    done(QDialog::Rejected);
    if (isVisible()) {
      event->ignore();
      return;
    }
  }
  event->accept();
}
