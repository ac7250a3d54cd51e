// The configuration dialog's values: shown from the settings store and the
// values in force, proposed by the protocol list, checked and stored on
// "Close"; and the ways of closing it.

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHideEvent>
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
#include "radio/LinkSettings.h"
#include "radio/Protocols.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

const char TConfigurationForm::kInvalidCoverageMessage[] =
    "Invalid Frequency. Please enter a number between 0.00 to 9999.99999.";
const char TConfigurationForm::kInvertedCoverageMessage[] =
    "Invalid Frequency. The lowest frequency must not be above the highest frequency.";
const char TConfigurationForm::kInvalidAddressMessage[] =
    "Invalid Address. Please enter the radio's address as one or two hexadecimal digits "
    "(0 to 9, A to F), for example 80.";

namespace {

// The modes the dialog shows as supported when nothing is stored.
constexpr unsigned kDefaultSupportedModes = (1u << 0) | (1u << 2) | (1u << 3);  // AM, FMN, FMW

QString supportsName(int mode) {
  return QString::fromLatin1(sn::kSupportsPrefix) +
         QString::fromLatin1(protocols::kModeCodes[static_cast<size_t>(mode)]);
}

// The profile in use: what follows the base key in the settings root, or
// "Default" for the base key itself.
QString profileName(const SettingsStore& store) {
  return store.profile().isEmpty() ? QStringLiteral("Default") : store.profile();
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

template <typename Step>
void TConfigurationForm::loadStep(Step&& step) {
  try {
    step();
  } catch (const SettingsError& e) {
    loadErrors_ << e.message();
  }
}

void TConfigurationForm::FormShow() {
  loadErrors_.clear();
  ProfilePanel->setText(profileName(store_));
  store_.open();

  loadStep([&] {
    link_.Protocol = store_.ReadNumber(sn::kConnection, sn::kProtocol, sn::kDefaultProtocol);
    if (const protocols::ProtocolInfo* p = protocols::byNumber(link_.Protocol)) {
      ProtocolComboBox->setCurrentIndex(p->listPosition);
    }
  });
  // The proposals of the protocol first; the stored values then replace them.
  ProtocolComboBoxChange();

  loadStep([&] {
    const int rate = store_.ReadNumber(sn::kConnection, sn::kComPortRate, sn::kDefaultComPortRate);
    SelectComboText(RateComboBox, QString::number(rate));
  });
  loadStep([&] { AddressEdit->setText(store_.ReadText(sn::kConnection, sn::kAddress, {})); });
  loadStep([&] { IC735CheckBox->setChecked(store_.ReadFlag(sn::kConnection, sn::kIc735, false)); });

  ShowIconCheckBox->setChecked(showIcon_);
  AlwaysOnTopCheckBox->setChecked(alwaysOnTop_);

  loadStep([&] {
    link_.PortName =
        store_.ReadText(sn::kConnection, sn::kComPort, sn::kDefaultComPort).left(kPortNameLength);
    // A port chosen earlier that this machine does not list now (an adapter
    // that is unplugged) stays choosable, so that saving keeps it.
    if (!link_.PortName.isEmpty() && ComPortComboBox->findText(link_.PortName) < 0) {
      ComPortComboBox->insertItem(ComPortComboBox->count() - 1, link_.PortName);
    }
    SelectComboText(ComPortComboBox, link_.PortName);
  });

  loadStep(
      [&] { PowerOffCheckBox->setChecked(store_.ReadFlag(sn::kGeneral, sn::kPowerOff, false)); });
  loadStep(
      [&] { ShowHintsCheckBox->setChecked(store_.ReadFlag(sn::kGeneral, sn::kShowHints, true)); });
  loadStep([&] {
    ReleasePortAfterStartupCheckBox->setChecked(
        store_.ReadFlag(sn::kGeneral, sn::kReleasePortAfterStartup, false));
  });

  for (int mode = 0; mode < ModeLB->count(); ++mode) {
    loadStep([&] {
      const bool byDefault = (kDefaultSupportedModes >> mode) & 1u;
      ModeLB->item(mode)->setSelected(
          store_.ReadFlag(sn::kCoverage, supportsName(mode), byDefault));
    });
  }

  LowestFrequencyEdit->setText(
      freqtext::FormatFixed(link_.LowestFrequency, freqtext::kDecimals, freqtext::kStoredWidth));
  HighestFrequencyEdit->setText(
      freqtext::FormatFixed(link_.HighestFrequency, freqtext::kDecimals, freqtext::kStoredWidth));

  const std::array<std::pair<QCheckBox*, const char*>, 8> features = {{
      {MuteCheckBox, sn::kFeatureMute},
      {VolumeCheckBox, sn::kFeatureVolume},
      {SquelchCheckBox, sn::kFeatureSquelch},
      {IFShiftCheckBox, sn::kFeatureIfShift},
      {AGCCheckBox, sn::kFeatureAgc},
      {NBCheckBox, sn::kFeatureNb},
      {ATTCheckBox, sn::kFeatureAttenuate},
      {FiltersCheckBox, sn::kFeatureFilters},
  }};
  for (const auto& [box, name] : features) {
    loadStep([&] { box->setChecked(store_.ReadFlag(sn::kFeatures, name, false)); });
  }

  loadStep([&] {
    link_.Pcr1000DefaultAmFilter = store_.ReadNumber(sn::kConnection, sn::kPcr1000DefaultAmFilter,
                                                     sn::kDefaultPcr1000AmFilter);
    const int index = link_.Pcr1000DefaultAmFilter;
    DefaultPCR1000AMFilterComboBox->setCurrentIndex(
        index >= 0 && index < DefaultPCR1000AMFilterComboBox->count() ? index : -1);
  });

  // Reads give their defaults and keep what they met for the operator.
  loadErrors_ << store_.takeMessages();
  if (!loadErrors_.isEmpty()) {
    // The first failure is reported once the dialog is on screen; the values
    // that could be read are shown, the others as the dialog proposed them.
    const QString text = loadErrors_.first();
    QTimer::singleShot(0, this, [this, text] { ShowError(this, text); });
  }
}

void TConfigurationForm::ProtocolComboBoxChange() {
  PCR1000AMFilterLabel->hide();
  DefaultPCR1000AMFilterComboBox->hide();
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
    ShowInformation(this, QString::fromLatin1(kInvalidAddressMessage));
    PageControl->setCurrentWidget(Connection);
    AddressEdit->setFocus();
    AddressEdit->selectAll();
    return;
  }
  LowestFrequencyEdit->setText(lowest);
  HighestFrequencyEdit->setText(highest);

  try {
    saveAll();
    // Written through now, so that a store that cannot be written is
    // reported here and the dialog stays open instead of closing as if the
    // settings had been saved.
    store_.release();
  } catch (const SettingsError& e) {
    // The store stays closed: a retry opens it afresh, so that a store that
    // has become writable again is written.
    ShowError(this, e.message());
    return;
  }
  emit featuresApplied(checkedFeatures());
  done(QDialog::Accepted);
}

void TConfigurationForm::saveAll() {
  // Nothing selected in one of the lists leaves that stored value as it is.
  if (const protocols::ProtocolInfo* p =
          protocols::byListPosition(ProtocolComboBox->currentIndex())) {
    link_.Protocol = p->number;
  }
  store_.WriteNumber(sn::kConnection, sn::kProtocol, link_.Protocol);

  if (RateComboBox->currentIndex() >= 0) {
    store_.WriteText(sn::kConnection, sn::kComPortRate, RateComboBox->currentText());
  }
  store_.WriteText(sn::kConnection, sn::kAddress, AddressEdit->text());
  store_.WriteFlag(sn::kConnection, sn::kIc735, IC735CheckBox->isChecked());

  if (ComPortComboBox->currentIndex() >= 0) {
    link_.PortName = ComPortComboBox->currentText().left(kPortNameLength);
    store_.WriteText(sn::kConnection, sn::kComPort, link_.PortName);
  }

  showIcon_ = ShowIconCheckBox->isChecked();
  alwaysOnTop_ = AlwaysOnTopCheckBox->isChecked();
  store_.WriteFlag(sn::kGeneral, sn::kShowIcon, showIcon_);
  store_.WriteFlag(sn::kGeneral, sn::kAlwaysOnTop, alwaysOnTop_);

  store_.WriteFlag(sn::kGeneral, sn::kPowerOff, PowerOffCheckBox->isChecked());
  store_.WriteFlag(sn::kGeneral, sn::kShowHints, ShowHintsCheckBox->isChecked());
  store_.WriteFlag(sn::kGeneral, sn::kReleasePortAfterStartup,
                   ReleasePortAfterStartupCheckBox->isChecked());

  for (int mode = 0; mode < ModeLB->count(); ++mode) {
    store_.WriteFlag(sn::kCoverage, supportsName(mode), ModeLB->item(mode)->isSelected());
  }

  if (DefaultPCR1000AMFilterComboBox->currentIndex() >= 0) {
    link_.Pcr1000DefaultAmFilter = DefaultPCR1000AMFilterComboBox->currentIndex();
    store_.WriteNumber(sn::kConnection, sn::kPcr1000DefaultAmFilter, link_.Pcr1000DefaultAmFilter);
  }

  // Both texts passed the coverage check and are in their stored form.
  const QString lowest = LowestFrequencyEdit->text();
  const QString highest = HighestFrequencyEdit->text();
  store_.WriteText(sn::kCoverage, sn::kLowestFrequency, lowest);
  store_.WriteText(sn::kCoverage, sn::kHighestFrequency, highest);
  freqtext::ParseNumber(lowest, &link_.LowestFrequency);
  freqtext::ParseNumber(highest, &link_.HighestFrequency);

  store_.WriteFlag(sn::kFeatures, sn::kFeatureMute, MuteCheckBox->isChecked());
  store_.WriteFlag(sn::kFeatures, sn::kFeatureVolume, VolumeCheckBox->isChecked());
  store_.WriteFlag(sn::kFeatures, sn::kFeatureSquelch, SquelchCheckBox->isChecked());
  store_.WriteFlag(sn::kFeatures, sn::kFeatureIfShift, IFShiftCheckBox->isChecked());
  store_.WriteFlag(sn::kFeatures, sn::kFeatureAgc, AGCCheckBox->isChecked());
  store_.WriteFlag(sn::kFeatures, sn::kFeatureNb, NBCheckBox->isChecked());
  store_.WriteFlag(sn::kFeatures, sn::kFeatureAttenuate, ATTCheckBox->isChecked());
  store_.WriteFlag(sn::kFeatures, sn::kFeatureFilters, FiltersCheckBox->isChecked());
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

void TConfigurationForm::FormHide() {
  try {
    store_.release();
  } catch (const SettingsError& e) {
    ShowError(parentWidget(), e.message());
  }
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

void TConfigurationForm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) FormHide();
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
