#pragma once

#include <QDialog>
#include <QString>

#include "settings/Presets.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QShowEvent;
class QTabWidget;
class QWidget;
class SettingsStore;

// What the presets dialog needs from the main window that runs it.
class PresetsHost {
 public:
  virtual ~PresetsHost() = default;
  // The radio's coverage: a saved preset frequency must lie within it.
  virtual double LowestFrequency() const = 0;
  virtual double HighestFrequency() const = 0;
  // The filter index the tuning code shares; a mode choice proposes one.
  virtual int FilterIndex() const = 0;
  virtual void SetFilterIndex(int index) = 0;
  // Whether the main window shows its filter list (the "Filters" feature).
  virtual bool FilterListShown() const = 0;
  // Tunes a quick-tune channel: puts the frequency text in the main window,
  // selects the first mode beginning with modeLetters and presses Enter.
  virtual void TuneChannel(const QString& frequencyText, const QString& modeLetters) = 0;
};

// The presets dialog: the "Custom" page edits the stored presets; the "CB",
// "TV", "Weather" and "Time" pages record the channel clicked and close, and
// the main window then tunes it through QuickTune. The dialog lives for the
// whole run and is shown modally; it holds the settings store it is given
// open from its showing to its closing.
class TPresetsForm : public QDialog {
  Q_OBJECT

 public:
  TPresetsForm(PresetsHost& host, SettingsStore& store, QWidget* parent = nullptr);
  ~TPresetsForm() override;

  // ---- Controls ----
  QTabWidget* PageControl1 = nullptr;
  QWidget* Presets = nullptr;  // the "Custom" page
  QWidget* CBTab = nullptr;
  QWidget* TVTab = nullptr;
  QWidget* WXTab = nullptr;
  QWidget* TimeTab = nullptr;

  QWidget* Panel1 = nullptr;
  QComboBox* GroupComboBox = nullptr;
  QComboBox* PresetComboBox = nullptr;
  QLineEdit* FrequencyEdit = nullptr;
  QComboBox* ModeComboBox = nullptr;
  QLabel* FilterLabel = nullptr;
  QComboBox* FilterComboBox = nullptr;
  QLineEdit* DescriptionEdit = nullptr;
  QCheckBox* AttenuateCheckBox = nullptr;
  QPushButton* Button1 = nullptr;

  QListWidget* CBListBox = nullptr;
  QListWidget* TVListBox = nullptr;
  QListWidget* WXListBox = nullptr;
  QListWidget* TimeListBox = nullptr;

  // ---- Quick-tune choices (set by a channel click, reset at each showing) ----
  int TvChannelChoice = -1;       // TV channel number 2..83
  int CbChannelChoice = -1;       // CB list position 0..39
  int WeatherChannelChoice = -1;  // weather list position 0..6
  QString TimeStationChoice;      // the time station's list text

  // Tunes the channel clicked in the dialog, if any, through the host.
  void QuickTune();
  // The preset the editor last loaded or saved.
  const presets::Preset& currentPreset() const { return preset_; }

  // ---- Handlers ----
  void FormShow();
  void FormClose();
  void GroupComboBoxChange();
  void PresetComboBoxChange();
  void ModeComboBoxChange();
  void Button1Click();
  void CBListBoxClick(QListWidgetItem* item);
  void TVListBoxClick(QListWidgetItem* item);
  void WXListBoxClick(QListWidgetItem* item);
  void TimeListBoxClick(QListWidgetItem* item);

  // Every way the dialog closes ends here: the settings store is released.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildCustomPage();
  void BuildChannelPages();
  // The group prefix chosen in GroupComboBox.
  QString ChosenGroupPrefix() const;
  // Reads preset n of the group into the scratch values and the editor.
  void LoadPreset(const QString& prefix, int n);
  // Puts a description into DescriptionEdit without cutting it to the
  // typing limit (a description stored elsewhere may be longer).
  void SetDescriptionText(const QString& text);
  // Runs a handler body; a failure of the settings store ends it with the
  // store's message.
  template <typename Body>
  void Guarded(Body body);

  PresetsHost& host_;
  SettingsStore& store_;
  presets::Preset preset_;
  // How long DescriptionEdit's text may grow by typing: the typing limit, or
  // the length of a longer stored description until the operator shortens it.
  int descriptionLimit_;
};
