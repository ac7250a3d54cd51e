#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <utility>

#include "radio/ConfigurationValues.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStatusBar;
class QTabWidget;

// The configuration dialog: serial port, rate, protocol and address, how
// often the radio is asked what it hears and how long a scan lets it settle;
// the radio's coverage and supported modes; which controls the main window
// shows; and the general behaviours. It shows the values it is given, lets
// the operator edit them (picking a protocol proposes that radio's values),
// and on "Close" checks them, hands them to the caller's save and, once that
// succeeded, returns them (values()) and announces the features through
// featuresApplied(). It reads and writes no settings and never talks to the
// radio; the caller applies the values after the dialog closed with Accepted.
class TConfigurationForm : public QDialog {
  Q_OBJECT

 public:
  // Stores confirmed values; returns why they could not be stored, or an
  // empty text. A failure keeps the dialog open with that message.
  using Save = std::function<QString(const ConfigurationValues&)>;

  // values: what the dialog shows (the stored values, with those in force
  // where the caller keeps its own); profile: the settings profile's name,
  // empty for the default settings.
  TConfigurationForm(const ConfigurationValues& values, const QString& profile,
                     QWidget* parent = nullptr);
  ~TConfigurationForm() override;

  // The values handed in, or the confirmed ones once the dialog was accepted.
  const ConfigurationValues& values() const { return values_; }
  void setSave(Save save) { save_ = std::move(save); }
  // Messages for the operator (what reading the values met), told in one
  // error box once the dialog is on screen.
  void tellOnShow(const QStringList& messages) { messages_ = messages; }

  // The operator's texts.
  static const char kInvalidCoverageMessage[];
  static const char kInvertedCoverageMessage[];
  static const char kInvalidAddressMessage[];
  static const char kInvalidReadingsMessage[];
  static const char kInvalidSettleTimeMessage[];

  // A coverage limit is a valid number from 0 to 9999.99999 MHz; on success
  // the text is rewritten in its stored form (five decimals, nine wide).
  static bool CheckCoverageText(QString& text);
  // A bus address is one or two hexadecimal digits.
  static bool IsValidAddress(const QString& text);
  // Readings per second: a whole number from 0 to kMostReadingsPerSecond,
  // blanks around it ignored.
  static bool ParseReadingsPerSecond(const QString& text, int* perSecond);
  // A settle time: a whole number of milliseconds from 0 to
  // kLongestSettleMs, or the radio's own (-1) for an empty text or the
  // radio's-own entry `ownText`; blanks around it ignored.
  static bool ParseSettleTime(const QString& text, const QString& ownText, int* ms);
  // The settle time list's entry for the radio's own: "radio's own (25 ms)".
  static QString RadioOwnSettleText(int protocol);

  // ---- Handlers ----
  void FormShow();
  void ProtocolComboBoxChange();
  void ShowHintsCheckBoxClick();
  void Button1Click();
  void Button2Click();
  // Whether the dialog may close now: both coverage texts must pass the check.
  bool FormCloseQuery();

  // ---- Controls, in tab order ----
  QTabWidget* PageControl;

  QWidget* Connection;
  QComboBox* ComPortComboBox;
  QComboBox* RateComboBox;
  QComboBox* ProtocolComboBox;
  QLabel* AddressLabel;
  QLineEdit* AddressEdit;
  QCheckBox* IC735CheckBox;
  QLabel* ReadingsPerSecondLabel;
  QLineEdit* ReadingsPerSecondEdit;
  QLabel* SettleTimeLabel;
  QComboBox* SettleTimeComboBox;  // editable: the radio's own, or a number of ms

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
  // Emitted when the dialog is confirmed, after the values were stored:
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
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildConnectionPage();
  void buildCoveragePage();
  void buildFeaturesPage();
  void buildGeneralPage();
  // The protocol the settle time's radio's-own entry follows: the listed one
  // chosen, else the one handed in.
  int shownProtocol() const;
  void showRadioOwnSettleText();
  // Tells `message` and hands the operator the field of the Connection page.
  void refuseConnectionField(QWidget* field, const char* message);
  // The values as the controls show them; the number fields have passed
  // their checks.
  ConfigurationValues shownValues() const;

  ConfigurationValues values_;
  QString profile_;
  Save save_;
  QStringList messages_;
};
