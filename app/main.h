#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "components/UpDown.h"
#include "radio/RadioSession.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QStatusBar;
class QTimer;
class PresetsHost;
class RadioSession;
class SettingsStore;
class SignalMeter;
class RemoteServer;
class TPresetsForm;
class TTaskIcon;
class ChannelsHost;
class ChannelsWindow;
class HitLogWindow;
class SurveyWindow;
class QHBoxLayout;
class QVBoxLayout;

namespace channels {
class ChannelStore;
}

// Registers the program's pictures (they live in the GUI library).
void InitPictures();

// The version the about box shows; set by the program entry.
extern QString VersionText;
inline constexpr char kVersionText[] = "1.0e Beta 5/10/99";

// The main window: the tuning row, the preset buttons, the level sliders and
// switches, the port toggle, the scan panel and the tray icon. It is a view of
// the radio session it is given: it shows the session's state and turns the
// operator's gestures into session requests; it holds no radio logic and
// never waits for the radio.
//
// One class, implemented by concern: main.cpp (lifecycle and the port),
// main_layout.cpp (the designed widget tree), main_view.cpp (following the
// session), main_tuning.cpp (frequency, mode, filter, steps),
// main_levels.cpp (sliders and switches), main_tray.cpp (tray icon,
// minimising, about box), main_presets.cpp (preset buttons and the presets
// dialog), main_scan.cpp (the scan and search panel), main_configure.cpp
// (the configuration dialog) and main_remote.cpp (remote control by other
// programs).
//
// Setting a control from the program never runs its handler; only the
// operator's gestures do.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // Show commands the program can be started with.
  static constexpr int kShowMinimized = 2;
  static constexpr int kShowMaximized = 3;
  static constexpr int kMinimize = 6;
  static constexpr int kShowMinNoActive = 7;
  static constexpr int kShowDefault = 10;

  // Creating the window reads the window settings from `store` (the store of
  // the session's profile) and opens the radio session's link (the power-up
  // runs on the link's thread).
  TMainForm(RadioSession& session, SettingsStore& store, int startupShowCommand = kShowDefault,
            QWidget* parent = nullptr);
  // Saves the window state and shuts the session down (saved tuning, the
  // power-off when configured).
  ~TMainForm() override;

  RadioSession& session() { return session_; }
  // The presets dialog, made by the program entry; it lives for the run.
  void setPresetsForm(TPresetsForm* form) { PresetsForm = form; }
  // What the presets dialog is given to reach this window.
  PresetsHost& presetsHost();
  // The remote-control server (its port, for the programs that use it).
  RemoteServer* remoteServer() const { return remoteServer_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The top panel's width with every slider column shown.
  static constexpr int kPanelWidth = 347;

  // ---- Window-wide values ----
  bool ShowIcon = true;      // "General"/"Show Icon"
  bool AlwaysOnTop = false;  // "General"/"Always On Top"
  int TrayPopupX = 0;        // where the tray menu was last opened
  int TrayPopupY = 0;

  // ---- Controls ----
  QFrame* Panel1 = nullptr;
  QLabel* Image1 = nullptr;
  QLineEdit* FrequencyEdit = nullptr;
  TUpDown* UpDown1 = nullptr;
  QComboBox* ModeComboBox = nullptr;
  QComboBox* FilterComboBox = nullptr;
  QPushButton* EnterButton = nullptr;
  QPushButton* PresetButtons[10] = {};  // Button1 .. Button10
  QPushButton* AGCButton = nullptr;
  QPushButton* NBButton = nullptr;
  QPushButton* ATTButton = nullptr;
  QPushButton* TogglePortButton = nullptr;
  QPushButton* MuteButton = nullptr;
  QSlider* VolumeTrackBar = nullptr;
  QSlider* SquelchTrackBar = nullptr;
  QSlider* IFShiftTrackBar = nullptr;
  QLabel* SquelchLabel = nullptr;
  QLabel* IFShiftLabel = nullptr;
  QLabel* OnImage = nullptr;
  QLabel* OffImage = nullptr;
  QFrame* Panel2 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QLabel* StatusPanels[2] = {};         // the scan state; "*" while a signal is present
  SignalMeter* SignalMeter1 = nullptr;  // in StatusBar1
  TTaskIcon* CorvaloTaskIcon = nullptr;

  // ---- Menus ----
  QMenu* PresetMenu = nullptr;
  QAction* ConfigurePresets1 = nullptr;
  QAction* GroupA = nullptr;
  QAction* GroupB = nullptr;
  QAction* GroupC = nullptr;
  QMenu* ToolsMenu = nullptr;
  QAction* ConfigureMenu = nullptr;
  QAction* ChangeStepSize2 = nullptr;
  QAction* AutoSetStepSize2 = nullptr;
  QAction* RemoteControl1 = nullptr;
  QMenu* HelpMenu = nullptr;
  QAction* About1 = nullptr;

  QMenu* PresetsPopupMenu = nullptr;  // on FrequencyEdit and Image1
  QAction* Presets1 = nullptr;        // the bold title item
  QAction* CB1 = nullptr;
  QAction* TV1 = nullptr;
  QAction* Weather1 = nullptr;
  QAction* Time1 = nullptr;
  QAction* Configure1 = nullptr;

  QMenu* PopupMenu1 = nullptr;  // on the preset buttons
  QAction* SetthisPresettoCurrentFrequencyModeetc1 = nullptr;
  QAction* GroupA1 = nullptr;
  QAction* GroupB1 = nullptr;
  QAction* GroupC1 = nullptr;

  QMenu* StepSizePopupMenu = nullptr;  // on UpDown1
  QAction* ChangeStepSize1 = nullptr;
  QAction* AutoSetStepSize1 = nullptr;

  QMenu* PopupMenu = nullptr;  // the tray icon's menu
  QAction* bCorvalo1 = nullptr;
  QAction* N2 = nullptr;
  QAction* Configure2 = nullptr;
  QAction* TV2 = nullptr;
  QMenu* PresetSubMenu = nullptr;
  QAction* GroupA2 = nullptr;
  QAction* GroupB2 = nullptr;
  QAction* GroupC2 = nullptr;
  QAction* PresetItems[10] = {};  // Preset1 .. Preset10
  QAction* Weather2 = nullptr;
  QAction* Time2 = nullptr;
  QAction* Mute1 = nullptr;
  QAction* TogglePortMenu = nullptr;

  // The control a popup menu was last opened on (the preset button of
  // PopupMenu1).
  QWidget* PopupComponent = nullptr;

  // ---- Lifecycle (main.cpp) ----
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormDestroy();

  // ---- The port (main.cpp) ----
  void GetPort();
  void TogglePortButtonClick();
  void TogglePortMenuClick();

  // ---- Tuning (main_tuning.cpp) ----
  void EnterButtonClick();
  void ModeComboBoxChange();
  void FilterComboBoxChange();
  void UpDown1Click(TUpDown::Button button);
  void AutoSetStepSize1Click();
  void AutoSetStepSize2Click();
  void ChangeStepSize1Click();
  void ChangeStepSize2Click();
  void LoadModeListBox();

  // ---- Levels and switches (main_levels.cpp) ----
  void VolumeTrackBarChange();
  void SquelchTrackBarChange();
  void IFShiftTrackBarChange();
  void IFShiftLabelClick();
  void AGCButtonClick();
  void NBButtonClick();
  void ATTButtonClick();
  void MuteButtonClick();
  void Mute1Click();

  // ---- Tray and window behaviour (main_tray.cpp) ----
  void CorvaloTaskIconClick();
  void CorvaloTaskIconRightClick(int x, int y);
  void MyMinimize();
  void About1Click();
  // Places the window in the topmost band or takes it out, keeping its
  // position and size.
  void SetTopmost(bool topmost);

  // ---- Configuration (main_configure.cpp) ----
  void ConfigureMenuClick();
  // Shows the controls of these protocols::Feature bits and hides the others.
  void ShowFeatures(unsigned features);
  // Narrows the top panel for each hidden slider column, closing the shown
  // columns up, and fits the window to it.
  void SizeControlPanel();

  // ---- Remote control (main_remote.cpp) ----
  // Opens the remote-control dialog; a confirmed change is stored and the
  // server started or stopped at once.
  void RemoteControl1Click();
  // Starts, restarts or stops the server as the "Remote" settings say.
  // Returns false (after telling the operator) when it cannot listen.
  bool ApplyRemoteSettings();

  // ---- Presets (main_presets.cpp) ----
  TPresetsForm* PresetsForm = nullptr;
  // "" for group A, "B" or "C", from the main menu's group items.
  QString GroupPrefix() const;
  // Refreshes the preset buttons' hints and the tray's preset captions.
  void LoadPresetLabels();
  void GroupAClick();
  void GroupBClick();
  void GroupCClick();
  void GroupA1Click();
  void GroupB1Click();
  void GroupC1Click();
  void GroupA2Click();
  void GroupB2Click();
  void GroupC2Click();
  // Recalls the preset of a preset button or a tray preset item (sender).
  void Button10Click(QObject* sender);
  void SetthisPresettoCurrentFrequencyModeetc1Click();
  void ConfigurePresets1Click();
  void CB1Click();
  void TV1Click();
  void Weather1Click();
  void Time1Click();
  void Configure1Click();

  // ---- Scan and search (main_scan.cpp) ----
  // Panel2's controls. RadioGroup1 holds the three exclusive choices
  // "Search", "Scan" and "Manual" (RadioGroup1Items, in that order).
  QGroupBox* RadioGroup1 = nullptr;
  QRadioButton* RadioGroup1Items[3] = {};
  QCheckBox* CheckBox1 = nullptr;   // "Scan timer"
  QPushButton* Button12 = nullptr;  // "Skip"
  QLabel* Label1 = nullptr;         // passes counted in the last second
  QLineEdit* LowerLimitEdit = nullptr;
  QLineEdit* UpperLimitEdit = nullptr;
  QAction* ScanandSearch1 = nullptr;  // Tools menu: shows or hides Panel2
  // The chosen item of RadioGroup1: 0 Search, 1 Scan, 2 Manual, -1 none.
  int RadioGroup1ItemIndex() const;
  void RadioGroup1Click();
  void CheckBox1Click();
  void Button12Click();
  void ScanandSearch1Click();

  // ---- Signal scan, hit log and band survey (main_signalscan.cpp) ----
  // The panel's "Signal scan" group: the source (a range from LowerLimitEdit
  // to UpperLimitEdit at ScanStepEdit kHz, a channel list, a tag, the
  // presets), the threshold and hang time, Start/Stop, Skip and Lock out.
  QComboBox* ScanSourceComboBox = nullptr;
  QComboBox* ScanListComboBox = nullptr;  // the lists or the tags
  QLabel* ScanStepLabel = nullptr;
  QLineEdit* ScanStepEdit = nullptr;
  QSpinBox* ThresholdSpinBox = nullptr;   // raw scale; -1: the squelch decides
  QDoubleSpinBox* HangSpinBox = nullptr;  // seconds
  QPushButton* SignalScanButton = nullptr;
  QPushButton* SignalSkipButton = nullptr;
  QPushButton* LockoutButton = nullptr;
  QAction* SignalSkip1 = nullptr;  // the key shortcuts of the two buttons
  QAction* Lockout1 = nullptr;
  QAction* HitLog1 = nullptr;  // Tools menu
  QAction* BandSurvey1 = nullptr;
  QAction* ScanOptions1 = nullptr;  // the longest listen and the priority channel
  HitLogWindow* hitLogWindow_ = nullptr;
  SurveyWindow* surveyWindow_ = nullptr;
  std::unique_ptr<channels::ChannelStore> channelStore_;
  // ---- Channel lists (main_channels.cpp) ----
  QAction* Channels1 = nullptr;       // Tools menu: the Channels window
  QAction* Channels2 = nullptr;       // the same in the tray menu
  QAction* AddToChannels1 = nullptr;  // the tuning into the chosen list, one key
  ChannelsWindow* channelsWindow_ = nullptr;
  class ChannelsHostImpl;
  ChannelsHost* channelsHost_ = nullptr;  // a child object of the window
  void BuildChannelItems();
  void Channels1Click();
  void AddToChannels1Click();
  // The channel lists, opened at first use.
  channels::ChannelStore& ChannelLists();
  void BuildSignalScan(QVBoxLayout* rows);
  void ConnectSignalScan();
  void ScanSourceComboBoxChange();
  void SignalScanButtonClick();
  void SignalSkipButtonClick();
  void LockoutButtonClick();
  void HitLog1Click();
  void BandSurvey1Click();
  void ScanOptions1Click();
  // The lists or tags offered for the source chosen.
  void FillScanChooser();
  // What the panel asks to scan, or nullopt with the reason.
  std::optional<scanning::ScanPlan> SignalScanPlan(QString* refusal);
  void StoreLockout(const scanning::ScanChannel& channel);
  // The scan's state in a line ("Scanning 162.40000 - pass 2 - 1 hit"), or
  // an empty text while it is idle.
  QString SignalScanText() const;
  void ShowSignalScanState();
  void ShowSignalScanMessage(const QString& text);
  // The tray hint while the window is hidden: the tuning and the signal, or
  // what the scan is doing.
  void ShowHiddenHint();

  // Runs an operation; a failure of the settings store ends it with the
  // store's message in an error box.
  void Guarded(const std::function<void()>& operation);
  // A slot that runs the handler under that guard.
  std::function<void()> run(void (TMainForm::*handler)());
  // A Tools menu item before the separator that leads to "Scan and Search"
  // (the menu's last item).
  QAction* AddToolsItem(const char* name, const char* caption);
  // A key that works wherever the focus is in the window, with no menu item.
  QAction* AddWindowKey(const char* name, QKeyCombination keys);

  // main_layout.cpp
  void BuildControls();
  void BuildMenus();
  void ConnectControls();
  // main_view.cpp: the window follows the session.
  void ConnectSession();
  void ShowTuning(const RadioSession::Tuning& tuning);
  void ShowTrayHint(const QString& frequencyText);
  void ShowLevels();
  void ShowSwitches();
  void ShowPortState();
  void ShowLinkPicture(bool open);
  void ShowLinkMessage(const QString& text, RadioSession::Origin origin);
  // The signal meter: shown in the status bar while the radio can tell
  // what it hears and readings are on; the tray hint carries the signal
  // while the window is hidden.
  void ShowMeterArea();
  void ShowReading();
  void ShowRetry(int seconds);
  void SetBusy(bool busy);
  // Shows a refused request the operator made, and hands the frequency
  // field the focus.
  void ShowRefusal(const RadioSession::Result& result);
  // main_levels.cpp
  static void SetSliderQuietly(QSlider* slider, int position);
  // Turns a slider's reported change into its handler.
  void SliderChanged(QSlider* slider);
  // main_scan.cpp
  void BuildScanPanel();
  static QHBoxLayout* AddPanelRow(QVBoxLayout* rows);
  void ShowScanPanel(bool show);
  // What the scan panel and the status bar take below the top panel now,
  // and fitting the window's height to a change of it.
  int LowerAreaHeight() const;
  void FitLowerArea(int before);
  void ConnectScan();
  // main_presets.cpp
  void ConnectPresetActions();
  // Makes a group active in all three sets of group items (chosen: the item
  // the operator picked) and reloads the labels, unless it is active.
  void SelectPresetGroup(int group, QAction* chosen);

  RadioSession& session_;
  SettingsStore& store_;
  int StartupShowCommand = kShowDefault;
  bool minimizedAtStart_ = false;  // the start-up minimise has been done
  bool shown_ = false;             // FormShow has run
  bool fitHeight_ = false;         // no height stored: fit the window to its panel
  bool destroyed_ = false;         // FormDestroy has run
  int busyDepth_ = 0;
  int wheelRemainder_ = 0;  // wheel turn not yet worth a step
  QString trayHint_;        // the tray hint of the last tuning
  QActionGroup* groupMenu_ = nullptr;
  QActionGroup* groupButtons_ = nullptr;
  QActionGroup* groupTray_ = nullptr;
  class PresetsHostImpl;
  PresetsHost* presetsHost_ = nullptr;  // a child object of the window
  // main_remote.cpp: the server and its view of the session (child objects)
  void StartRemoteControl();
  QObject* remoteTarget_ = nullptr;
  RemoteServer* remoteServer_ = nullptr;
};
