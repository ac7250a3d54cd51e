#include "dialogs/Configure.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "components/MessageBox.h"
#include "dialogs/Hints.h"
#include "radio/FrequencyText.h"
#include "radio/Protocols.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

const char TConfigurationForm::kInvalidCoverageMessage[] =
    "Invalid Frequency. Please enter a number between 0.00 to 9999.99999.";
const char TConfigurationForm::kInvalidAddressMessage[] =
    "Invalid Address. Please enter the radio's address as one or two hexadecimal digits "
    "(0 to 9, A to F), for example 80.";

namespace {

// The coverage limits the dialog accepts, MHz.
constexpr double kCoverageLow = 0.0;
constexpr double kCoverageHigh = 9999.99999;

// The configured port name is used up to this many characters.
constexpr int kPortNameLength = 14;

constexpr char kInternet[] = "Internet";
constexpr std::array<const char*, 6> kRates = {"1200", "2400", "4800", "9600", "19200", "38400"};
constexpr std::array<const char*, 4> kAmFilters = {"3K", "6K", "15K", "50K"};

// The modes the dialog shows as supported when nothing is stored.
constexpr unsigned kDefaultSupportedModes = (1u << 0) | (1u << 2) | (1u << 3);  // AM, FMN, FMW

constexpr char kFeatureHint[] = "Check if your radio supports this feature (function).";

QString supportsName(int mode) {
  return QString::fromLatin1(sn::kSupportsPrefix) +
         QString::fromLatin1(protocols::kModeCodes[static_cast<size_t>(mode)]);
}

// The profile in use: what follows the base key in the settings root, or
// "Default" for the base key itself.
QString profileName() {
  const QString base = QString::fromLatin1(kSettingsBaseKey) + QLatin1Char('\\');
  if (SettingsRoot.startsWith(base, Qt::CaseInsensitive) && SettingsRoot.size() > base.size()) {
    return SettingsRoot.mid(base.size());
  }
  return QStringLiteral("Default");
}

QCheckBox* makeCheckBox(const char* caption, const char* name, const char* hint, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setToolTip(QString::fromLatin1(hint));
  return box;
}

QComboBox* makeList(const char* name, const char* hint, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  if (hint) box->setToolTip(QString::fromLatin1(hint));
  box->setEditable(false);
  return box;
}

}  // namespace

TConfigurationForm::TConfigurationForm(const ConfigurationLink& link, bool& showIcon,
                                       bool& alwaysOnTop, QWidget* parent)
    : QDialog(parent), link_(link), showIcon_(showIcon), alwaysOnTop_(alwaysOnTop) {
  setObjectName(QStringLiteral("ConfigurationForm"));
  setWindowTitle(QStringLiteral("Configuration"));
  // A close box and nothing else in the title bar.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));
  buildConnectionPage();
  buildCoveragePage();
  buildFeaturesPage();
  buildGeneralPage();

  Button1 = new QPushButton(QStringLiteral("&Close"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button1->setAutoDefault(true);
  Button2 = new QPushButton(QStringLiteral("Cancel"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setAutoDefault(false);

  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName(QStringLiteral("StatusBar"));
  StatusBar->setSizeGripEnabled(false);
  StatusBar->setToolTip(
      QStringLiteral("Displays the location of where these settings are stored in your Windows "
                     "registry file under the root: \\Software\\Quorvane\\Corvalo"));
  ProfileCaptionPanel = new QLabel(QStringLiteral("Profile:"), StatusBar);
  ProfileCaptionPanel->setObjectName(QStringLiteral("ProfileCaptionPanel"));
  ProfilePanel = new QLabel(StatusBar);
  ProfilePanel->setObjectName(QStringLiteral("ProfilePanel"));
  StatusBar->addWidget(ProfileCaptionPanel);
  StatusBar->addWidget(ProfilePanel, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl, 1);
  layout->addLayout(buttons);
  layout->addWidget(StatusBar);
  layout->setContentsMargins(8, 8, 8, 0);

  connect(ProtocolComboBox, &QComboBox::activated, this,
          &TConfigurationForm::ProtocolComboBoxChange);
  // Ticking the box from the program raises its click as well, but only when
  // its state changes: toggled() is exactly that.
  connect(ShowHintsCheckBox, &QCheckBox::toggled, this,
          &TConfigurationForm::ShowHintsCheckBoxClick);
  connect(Button1, &QPushButton::clicked, this, &TConfigurationForm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TConfigurationForm::Button2Click);
}

TConfigurationForm::~TConfigurationForm() = default;

void TConfigurationForm::buildConnectionPage() {
  Connection = new QWidget;
  Connection->setObjectName(QStringLiteral("Connection"));
  auto* grid = new QGridLayout(Connection);

  ComPortComboBox = makeList("ComPortComboBox",
                             "Choose an com port that your radio is connected to.", Connection);
  for (int i = 1; i <= 9; ++i) ComPortComboBox->addItem(QStringLiteral("COM%1").arg(i));
  // The serial ports this machine has, by the device name the link opens.
  // A name that would not survive the port name's length limit is listed by
  // its short name, which the link resolves the same way.
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    QString name = info.systemLocation();
    if (name.size() > kPortNameLength) name = info.portName();
    if (name.isEmpty() || name.size() > kPortNameLength) continue;
    if (ComPortComboBox->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive) < 0) {
      ComPortComboBox->addItem(name);
    }
  }
  ComPortComboBox->addItem(QString::fromLatin1(kInternet));
  ComPortComboBox->setCurrentIndex(-1);

  RateComboBox = makeList(
      "RateComboBox", "Choose the connection rate that you to match the settings in your radio.",
      Connection);
  for (const char* rate : kRates) RateComboBox->addItem(QString::fromLatin1(rate));
  RateComboBox->setCurrentIndex(-1);

  ProtocolComboBox =
      makeList("ProtocolComboBox", "Choose the communications protocol that controls your radio.",
               Connection);
  for (const protocols::ProtocolInfo& p : protocols::all()) {
    ProtocolComboBox->addItem(QString::fromLatin1(p.listText));
  }
  ProtocolComboBox->setCurrentIndex(-1);

  AddressLabel = new QLabel(QStringLiteral("Address:"), Connection);
  AddressLabel->setObjectName(QStringLiteral("AddressLabel"));
  AddressEdit = new QLineEdit(Connection);
  AddressEdit->setObjectName(QStringLiteral("AddressEdit"));
  AddressEdit->setToolTip(
      QStringLiteral("Enter  the address to match the address in your radio or interface."));
  AddressLabel->setBuddy(AddressEdit);

  IC735CheckBox = makeCheckBox("IC-735", "IC735CheckBox",
                               "Check if you are controlling the Icom IC-735, or another radio "
                               "that uses a 4 byte, instead of a 5 byte frequency packet.",
                               Connection);

  auto addRow = [&](int row, const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption, Connection);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
  };
  addRow(0, QStringLiteral("Com. Port:"), ComPortComboBox);
  addRow(1, QStringLiteral("Rate:"), RateComboBox);
  addRow(2, QStringLiteral("Protocol:"), ProtocolComboBox);
  grid->addWidget(AddressLabel, 3, 0);
  grid->addWidget(AddressEdit, 3, 1);
  grid->addWidget(IC735CheckBox, 4, 1);
  grid->setRowStretch(5, 1);
  grid->setColumnStretch(1, 1);

  // Shown by the protocol handler for the radios that use them.
  AddressLabel->hide();
  AddressEdit->hide();
  IC735CheckBox->hide();
  PageControl->addTab(Connection, QStringLiteral("Connection"));
}

void TConfigurationForm::buildCoveragePage() {
  CoverageTabSheet = new QWidget;
  CoverageTabSheet->setObjectName(QStringLiteral("CoverageTabSheet"));
  auto* grid = new QGridLayout(CoverageTabSheet);

  HighestFrequencyEdit = new QLineEdit(CoverageTabSheet);
  HighestFrequencyEdit->setObjectName(QStringLiteral("HighestFrequencyEdit"));
  HighestFrequencyEdit->setToolTip(
      QStringLiteral("Enter the highest frequency your radio can tune."));
  LowestFrequencyEdit = new QLineEdit(CoverageTabSheet);
  LowestFrequencyEdit->setObjectName(QStringLiteral("LowestFrequencyEdit"));
  LowestFrequencyEdit->setToolTip(
      QStringLiteral("Enter the lowest frequency your radio can tune."));

  ModeLB = new QListWidget(CoverageTabSheet);
  ModeLB->setObjectName(QStringLiteral("ModeLB"));
  ModeLB->setSelectionMode(QAbstractItemView::MultiSelection);
  for (const char* text : protocols::kModeListTexts) ModeLB->addItem(QString::fromLatin1(text));

  PCR1000AMFilterLabel =
      new QLabel(QStringLiteral("PCR1000 AM Filter Width for 26.965-27.405 and 108.0-138.0Mhz."),
                 CoverageTabSheet);
  PCR1000AMFilterLabel->setObjectName(QStringLiteral("PCR1000AMFilterLabel"));
  PCR1000AMFilterLabel->setWordWrap(true);
  DefaultPCR1000AMFilterComboBox =
      makeList("DefaultPCR1000AMFilterComboBox", nullptr, CoverageTabSheet);
  for (const char* filter : kAmFilters) {
    DefaultPCR1000AMFilterComboBox->addItem(QString::fromLatin1(filter));
  }
  DefaultPCR1000AMFilterComboBox->setCurrentIndex(-1);
  PCR1000AMFilterLabel->setBuddy(DefaultPCR1000AMFilterComboBox);

  auto* highestLabel = new QLabel(QStringLiteral("Highest Frequency:"), CoverageTabSheet);
  highestLabel->setBuddy(HighestFrequencyEdit);
  auto* lowestLabel = new QLabel(QStringLiteral("Lowest Frequency:"), CoverageTabSheet);
  lowestLabel->setBuddy(LowestFrequencyEdit);
  grid->addWidget(highestLabel, 0, 0);
  grid->addWidget(HighestFrequencyEdit, 0, 1);
  grid->addWidget(lowestLabel, 1, 0);
  grid->addWidget(LowestFrequencyEdit, 1, 1);
  grid->addWidget(PCR1000AMFilterLabel, 2, 0, 1, 2);
  grid->addWidget(DefaultPCR1000AMFilterComboBox, 3, 1);
  grid->setRowStretch(4, 1);
  grid->addWidget(ModeLB, 0, 2, 5, 1);
  grid->setColumnStretch(2, 1);

  PCR1000AMFilterLabel->hide();
  DefaultPCR1000AMFilterComboBox->hide();
  PageControl->addTab(CoverageTabSheet, QStringLiteral("Coverage"));
}

void TConfigurationForm::buildFeaturesPage() {
  FeaturesTabSheet = new QWidget;
  FeaturesTabSheet->setObjectName(QStringLiteral("FeaturesTabSheet"));
  auto* grid = new QGridLayout(FeaturesTabSheet);
  MuteCheckBox = makeCheckBox("Mute", "MuteCheckBox", kFeatureHint, FeaturesTabSheet);
  VolumeCheckBox = makeCheckBox("Volume", "VolumeCheckBox", kFeatureHint, FeaturesTabSheet);
  SquelchCheckBox = makeCheckBox("Squelch", "SquelchCheckBox", kFeatureHint, FeaturesTabSheet);
  IFShiftCheckBox = makeCheckBox("IFShift", "IFShiftCheckBox", kFeatureHint, FeaturesTabSheet);
  ATTCheckBox = makeCheckBox("Attenuate", "ATTCheckBox", kFeatureHint, FeaturesTabSheet);
  AGCCheckBox = makeCheckBox("AGC", "AGCCheckBox", kFeatureHint, FeaturesTabSheet);
  NBCheckBox = makeCheckBox("NB", "NBCheckBox", kFeatureHint, FeaturesTabSheet);
  FiltersCheckBox =
      makeCheckBox("Filter Widths", "FiltersCheckBox", kFeatureHint, FeaturesTabSheet);
  const auto boxes = featureCheckBoxes();
  for (size_t i = 0; i < boxes.size(); ++i) {
    grid->addWidget(boxes[i], static_cast<int>(i % 4), static_cast<int>(i / 4));
  }
  grid->setRowStretch(4, 1);
  PageControl->addTab(FeaturesTabSheet, QStringLiteral("Features"));
}

void TConfigurationForm::buildGeneralPage() {
  General = new QWidget;
  General->setObjectName(QStringLiteral("General"));
  auto* column = new QVBoxLayout(General);
  ShowIconCheckBox = makeCheckBox("Show Icon", "ShowIconCheckBox",
                                  "UnCheck if you just want the smaller tray icon, and not the "
                                  "regular task bar icon as well.",
                                  General);
  AlwaysOnTopCheckBox = makeCheckBox(
      "Always On Top", "AlwaysOnTopCheckBox",
      "Check to make this program's window stay on top, even if other programs are running.",
      General);
  PowerOffCheckBox = makeCheckBox(
      "Turn Radio Off when Closing", "PowerOffCheckBox",
      "Check to return your radio to local control when this program closes.", General);
  ShowHintsCheckBox = makeCheckBox("Show Hints", "ShowHintsCheckBox",
                                   "Check to see tips like this throughout the program.", General);
  ReleasePortAfterStartupCheckBox =
      makeCheckBox("Release Port After Startup", "ReleasePortAfterStartupCheckBox",
                   "Check if you want Corvalo to release the Com. Port, once it turns the radio "
                   "on after start up.",
                   General);
  for (QCheckBox* box : {ShowIconCheckBox, AlwaysOnTopCheckBox, PowerOffCheckBox, ShowHintsCheckBox,
                         ReleasePortAfterStartupCheckBox}) {
    column->addWidget(box);
  }
  column->addStretch(1);
  PageControl->addTab(General, QStringLiteral("General"));
}

std::array<QCheckBox*, 8> TConfigurationForm::featureCheckBoxes() const {
  return {MuteCheckBox, VolumeCheckBox, SquelchCheckBox, IFShiftCheckBox,
          ATTCheckBox,  AGCCheckBox,    NBCheckBox,      FiltersCheckBox};
}

unsigned TConfigurationForm::checkedFeatures() const {
  unsigned features = 0;
  const auto boxes = featureCheckBoxes();
  for (size_t i = 0; i < boxes.size(); ++i) {
    if (boxes[i]->isChecked()) features |= 1u << i;
  }
  return features;
}

bool TConfigurationForm::CheckCoverageText(QString& text) {
  return freqtext::ValidateFrequencyText(text, freqtext::kStoredWidth, freqtext::kDecimals,
                                         kCoverageLow, kCoverageHigh);
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

void TConfigurationForm::selectText(QComboBox* box, const QString& text) {
  // The last equal item wins; no equal item leaves the selection as it is.
  for (int i = 0; i < box->count(); ++i) {
    if (box->itemText(i) == text) box->setCurrentIndex(i);
  }
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
  ProfilePanel->setText(profileName());
  Settings.open(SettingsRoot);

  loadStep([&] {
    link_.Protocol = Settings.ReadNumber(sn::kConnection, sn::kProtocol, sn::kDefaultProtocol);
    if (const protocols::ProtocolInfo* p = protocols::byNumber(link_.Protocol)) {
      ProtocolComboBox->setCurrentIndex(p->listPosition);
    }
  });
  // The proposals of the protocol first; the stored values then replace them.
  ProtocolComboBoxChange();

  loadStep([&] {
    const int rate =
        Settings.ReadNumber(sn::kConnection, sn::kComPortRate, sn::kDefaultComPortRate);
    selectText(RateComboBox, QString::number(rate));
  });
  loadStep([&] { AddressEdit->setText(Settings.ReadText(sn::kConnection, sn::kAddress, {})); });
  loadStep(
      [&] { IC735CheckBox->setChecked(Settings.ReadFlag(sn::kConnection, sn::kIc735, false)); });

  ShowIconCheckBox->setChecked(showIcon_);
  AlwaysOnTopCheckBox->setChecked(alwaysOnTop_);

  loadStep([&] {
    link_.PortName =
        Settings.ReadText(sn::kConnection, sn::kComPort, sn::kDefaultComPort).left(kPortNameLength);
    // A port chosen earlier that this machine does not list now (an adapter
    // that is unplugged) stays choosable, so that saving keeps it.
    if (!link_.PortName.isEmpty() && ComPortComboBox->findText(link_.PortName) < 0) {
      ComPortComboBox->insertItem(ComPortComboBox->count() - 1, link_.PortName);
    }
    selectText(ComPortComboBox, link_.PortName);
  });

  loadStep(
      [&] { PowerOffCheckBox->setChecked(Settings.ReadFlag(sn::kGeneral, sn::kPowerOff, false)); });
  loadStep([&] {
    ShowHintsCheckBox->setChecked(Settings.ReadFlag(sn::kGeneral, sn::kShowHints, true));
  });
  loadStep([&] {
    ReleasePortAfterStartupCheckBox->setChecked(
        Settings.ReadFlag(sn::kGeneral, sn::kReleasePortAfterStartup, false));
  });

  for (int mode = 0; mode < ModeLB->count(); ++mode) {
    loadStep([&] {
      const bool byDefault = (kDefaultSupportedModes >> mode) & 1u;
      ModeLB->item(mode)->setSelected(
          Settings.ReadFlag(sn::kCoverage, supportsName(mode), byDefault));
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
    loadStep([&] { box->setChecked(Settings.ReadFlag(sn::kFeatures, name, false)); });
  }

  loadStep([&] {
    link_.Pcr1000DefaultAmFilter = Settings.ReadNumber(sn::kConnection, sn::kPcr1000DefaultAmFilter,
                                                       sn::kDefaultPcr1000AmFilter);
    const int index = link_.Pcr1000DefaultAmFilter;
    DefaultPCR1000AMFilterComboBox->setCurrentIndex(
        index >= 0 && index < DefaultPCR1000AMFilterComboBox->count() ? index : -1);
  });

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
    Settings.release();
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
  Settings.WriteNumber(sn::kConnection, sn::kProtocol, link_.Protocol);

  if (RateComboBox->currentIndex() >= 0) {
    Settings.WriteText(sn::kConnection, sn::kComPortRate, RateComboBox->currentText());
  }
  Settings.WriteText(sn::kConnection, sn::kAddress, AddressEdit->text());
  Settings.WriteFlag(sn::kConnection, sn::kIc735, IC735CheckBox->isChecked());

  if (ComPortComboBox->currentIndex() >= 0) {
    link_.PortName = ComPortComboBox->currentText().left(kPortNameLength);
    Settings.WriteText(sn::kConnection, sn::kComPort, link_.PortName);
  }

  showIcon_ = ShowIconCheckBox->isChecked();
  alwaysOnTop_ = AlwaysOnTopCheckBox->isChecked();
  Settings.WriteFlag(sn::kGeneral, sn::kShowIcon, showIcon_);
  Settings.WriteFlag(sn::kGeneral, sn::kAlwaysOnTop, alwaysOnTop_);

  Settings.WriteFlag(sn::kGeneral, sn::kPowerOff, PowerOffCheckBox->isChecked());
  Settings.WriteFlag(sn::kGeneral, sn::kShowHints, ShowHintsCheckBox->isChecked());
  Settings.WriteFlag(sn::kGeneral, sn::kReleasePortAfterStartup,
                     ReleasePortAfterStartupCheckBox->isChecked());

  for (int mode = 0; mode < ModeLB->count(); ++mode) {
    Settings.WriteFlag(sn::kCoverage, supportsName(mode), ModeLB->item(mode)->isSelected());
  }

  if (DefaultPCR1000AMFilterComboBox->currentIndex() >= 0) {
    link_.Pcr1000DefaultAmFilter = DefaultPCR1000AMFilterComboBox->currentIndex();
    Settings.WriteNumber(sn::kConnection, sn::kPcr1000DefaultAmFilter,
                         link_.Pcr1000DefaultAmFilter);
  }

  // Both texts passed the coverage check and are in their stored form.
  const QString lowest = LowestFrequencyEdit->text();
  const QString highest = HighestFrequencyEdit->text();
  Settings.WriteText(sn::kCoverage, sn::kLowestFrequency, lowest);
  Settings.WriteText(sn::kCoverage, sn::kHighestFrequency, highest);
  freqtext::ParseNumber(lowest, &link_.LowestFrequency);
  freqtext::ParseNumber(highest, &link_.HighestFrequency);

  Settings.WriteFlag(sn::kFeatures, sn::kFeatureMute, MuteCheckBox->isChecked());
  Settings.WriteFlag(sn::kFeatures, sn::kFeatureVolume, VolumeCheckBox->isChecked());
  Settings.WriteFlag(sn::kFeatures, sn::kFeatureSquelch, SquelchCheckBox->isChecked());
  Settings.WriteFlag(sn::kFeatures, sn::kFeatureIfShift, IFShiftCheckBox->isChecked());
  Settings.WriteFlag(sn::kFeatures, sn::kFeatureAgc, AGCCheckBox->isChecked());
  Settings.WriteFlag(sn::kFeatures, sn::kFeatureNb, NBCheckBox->isChecked());
  Settings.WriteFlag(sn::kFeatures, sn::kFeatureAttenuate, ATTCheckBox->isChecked());
  Settings.WriteFlag(sn::kFeatures, sn::kFeatureFilters, FiltersCheckBox->isChecked());
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
    Settings.release();
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
