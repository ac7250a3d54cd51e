// The configuration dialog's pages and controls; showing, checking and
// storing its values is in ConfigureValues.cpp.

#include "dialogs/Configure.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "radio/PortAddress.h"
#include "radio/Protocols.h"

namespace {

constexpr std::array<const char*, 6> kRates = {"1200", "2400", "4800", "9600", "19200", "38400"};
constexpr std::array<const char*, 4> kAmFilters = {"3K", "6K", "15K", "50K"};

constexpr char kFeatureHint[] = "Check if your radio supports this feature (function).";

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

TConfigurationForm::TConfigurationForm(const ConfigurationValues& values, const QString& profile,
                                       QWidget* parent)
    : QDialog(parent), values_(values), profile_(profile) {
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
  ProfilePanel->setTextFormat(Qt::PlainText);  // the profile's name as typed
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
  ComPortComboBox->addItem(QString::fromLatin1(kNoPortName));
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

  ReadingsPerSecondEdit = new QLineEdit(Connection);
  ReadingsPerSecondEdit->setObjectName(QStringLiteral("ReadingsPerSecondEdit"));
  ReadingsPerSecondEdit->setToolTip(
      QStringLiteral("Enter how many times a second Corvalo asks your radio what it hears, from "
                     "0 to 50. 0 turns the signal readings off."));
  SettleTimeComboBox = makeList(
      "SettleTimeComboBox",
      "Enter how long a scan waits after tuning before it reads the signal, in milliseconds from "
      "0 to 2000, or choose your radio's own time.",
      Connection);
  SettleTimeComboBox->setEditable(true);
  SettleTimeComboBox->setInsertPolicy(QComboBox::NoInsert);
  SettleTimeComboBox->addItem(RadioOwnSettleText(-1));

  auto addRow = [&](int row, const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption, Connection);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    return label;
  };
  addRow(0, QStringLiteral("Com. Port:"), ComPortComboBox);
  addRow(1, QStringLiteral("Rate:"), RateComboBox);
  addRow(2, QStringLiteral("Protocol:"), ProtocolComboBox);
  grid->addWidget(AddressLabel, 3, 0);
  grid->addWidget(AddressEdit, 3, 1);
  grid->addWidget(IC735CheckBox, 4, 1);
  ReadingsPerSecondLabel = addRow(5, QStringLiteral("Readings Per Second:"), ReadingsPerSecondEdit);
  ReadingsPerSecondLabel->setObjectName(QStringLiteral("ReadingsPerSecondLabel"));
  SettleTimeLabel = addRow(6, QStringLiteral("Settle Time:"), SettleTimeComboBox);
  SettleTimeLabel->setObjectName(QStringLiteral("SettleTimeLabel"));
  grid->setRowStretch(7, 1);
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
