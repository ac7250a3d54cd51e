#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStatusBar;
class QTabWidget;
class SettingsStore;

// The link values the dialog shows and changes: the protocol and port, the
// coverage in force and the PCR1000's default AM filter.
struct ConfigurationLink {
  int Protocol = 0;
  QString PortName;
  double LowestFrequency = 0.1;
  double HighestFrequency = 1300.0;
  int Pcr1000DefaultAmFilter = 1;
};

// The configuration dialog: serial port, rate, protocol and address; the
// radio's coverage and supported modes; which controls the main window shows;
// and the general behaviours. It reads the stored settings when shown, lets
// the operator edit them (picking a protocol proposes that radio's values),
// and on "Close" checks and stores them. It updates the link's in-memory
// connection values and the two window flags it is given, and announces the
// features through featuresApplied(); it never talks to the radio itself. The
// caller re-applies the connection after the dialog closed with Accepted.
//
// The settings store it is given is held open from the dialog's showing to
// its hiding.
class TConfigurationForm : public QDialog {
  Q_OBJECT

 public:
  // link: the values in force, shown where the dialog shows them and changed
  // as the operator confirms them (link()). showIcon, alwaysOnTop: the main
  // window's flags, shown when the dialog opens and set when it is confirmed.
  TConfigurationForm(SettingsStore& store, const ConfigurationLink& link, bool& showIcon,
                     bool& alwaysOnTop, QWidget* parent = nullptr);
  const ConfigurationLink& link() const { return link_; }
  ~TConfigurationForm() override;

  // The configured port name is used up to this many characters.
  static constexpr int kPortNameLength = 14;

  // The operator's texts.
  static const char kInvalidCoverageMessage[];
  static const char kInvertedCoverageMessage[];
  static const char kInvalidAddressMessage[];

  // A coverage limit is a valid number from 0 to 9999.99999 MHz; on success
  // the text is rewritten in its stored form (five decimals, nine wide).
  static bool CheckCoverageText(QString& text);
  // A bus address is one or two hexadecimal digits.
  static bool IsValidAddress(const QString& text);

  // ---- Handlers ----
  void FormShow();
  void ProtocolComboBoxChange();
  void ShowHintsCheckBoxClick();
  void Button1Click();
  void Button2Click();
  // Whether the dialog may close now: both coverage texts must pass the check.
  bool FormCloseQuery();
  void FormHide();

  // ---- Controls, in tab order ----
  QTabWidget* PageControl;

  QWidget* Connection;
  QComboBox* ComPortComboBox;
  QComboBox* RateComboBox;
  QComboBox* ProtocolComboBox;
  QLabel* AddressLabel;
  QLineEdit* AddressEdit;
  QCheckBox* IC735CheckBox;

  QWidget* CoverageTabSheet;
  QLineEdit* HighestFrequencyEdit;
  QLineEdit* LowestFrequencyEdit;
  QListWidget* ModeLB;
  QLabel* PCR1000AMFilterLabel;
  QComboBox* DefaultPCR1000AMFilterComboBox;

  QWidget* FeaturesTabSheet;
  QCheckBox* MuteCheckBox;
  QCheckBox* VolumeCheckBox;
  QCheckBox* SquelchCheckBox;
  QCheckBox* IFShiftCheckBox;
  QCheckBox* ATTCheckBox;
  QCheckBox* AGCCheckBox;
  QCheckBox* NBCheckBox;
  QCheckBox* FiltersCheckBox;

  QWidget* General;
  QCheckBox* ShowIconCheckBox;
  QCheckBox* AlwaysOnTopCheckBox;
  QCheckBox* PowerOffCheckBox;
  QCheckBox* ShowHintsCheckBox;
  QCheckBox* ReleasePortAfterStartupCheckBox;

  QPushButton* Button1;
  QPushButton* Button2;
  QStatusBar* StatusBar;
  QLabel* ProfileCaptionPanel;
  QLabel* ProfilePanel;

  // The eight feature boxes in the bit order of protocols::Feature.
  std::array<QCheckBox*, 8> featureCheckBoxes() const;
  // The protocols::Feature bits of the ticked feature boxes.
  unsigned checkedFeatures() const;

 signals:
  // Emitted when the dialog is confirmed, after the features were stored:
  // the main window shows exactly the controls of these protocols::Feature
  // bits.
  void featuresApplied(unsigned features);

 public slots:
  // Every way of closing (the buttons, Escape, the close box) ends here and
  // is refused while a coverage text is invalid.
  void done(int result) override;
  // Escape: the same as the Cancel button.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildConnectionPage();
  void buildCoveragePage();
  void buildFeaturesPage();
  void buildGeneralPage();
  // Runs one step of loading the stored values; a failure of the store is
  // noted and the remaining steps still run.
  template <typename Step>
  void loadStep(Step&& step);
  void saveAll();

  SettingsStore& store_;
  ConfigurationLink link_;
  bool& showIcon_;
  bool& alwaysOnTop_;
  QStringList loadErrors_;
};
