#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>

#include "components/UpDown.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QStatusBar;
class QTimer;
class PresetsHost;
class RadioLink;
class RemoteServer;
class TPresetsForm;
class TTaskIcon;

// Registers the program's pictures (they live in the GUI library).
void InitPictures();

// The version the about box shows; set by the program entry.
extern QString VersionText;
inline constexpr char kVersionText[] = "1.0e Beta 5/10/99";

// The main window: the tuning row, the preset buttons, the level sliders and
// switches, the port toggle and the tray icon. It turns the operator's
// gestures into commands of the radio link it is given.
//
// One class, implemented by concern: main.cpp (lifecycle and the port),
// main_layout.cpp (the designed widget tree), main_tuning.cpp (frequency,
// mode, filter, steps), main_levels.cpp (sliders and switches),
// main_tray.cpp (tray icon, minimising, about box), main_scan.cpp (the
// scan and search panel) and main_remote.cpp (remote control by other
// programs).
//
// Setting a control from the program never runs its handler; only the
// operator's gestures do. Where the program wants a handler's action it
// presses the button or calls the handler itself.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // Show commands the program can be started with.
  static constexpr int kShowMinimized = 2;
  static constexpr int kShowMaximized = 3;
  static constexpr int kMinimize = 6;
  static constexpr int kShowMinNoActive = 7;
  static constexpr int kShowDefault = 10;

  // Creating the window reads the window settings and opens the radio link
  // (the radio is powered up before the window is visible).
  explicit TMainForm(RadioLink& link, int startupShowCommand = kShowDefault,
                     QWidget* parent = nullptr);
  // Saves the window state and closes the radio link.
  ~TMainForm() override;

  RadioLink& link() { return link_; }

  // ---- Window-wide values ----
  bool ShowIcon = true;      // "General"/"Show Icon"
  bool AlwaysOnTop = false;  // "General"/"Always On Top"
  double StepSize = 0.0005;  // the tuning step, MHz; 0 means none set
  int TrayPopupX = 0;        // where the tray menu was last opened
  int TrayPopupY = 0;
  // The frequency and mode texts of the last Enter action.
  QString TuneFrequencyText;
  QString TuneModeText;

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
  static void ComboboxSetText(QComboBox* box, const QString& text);

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
  // Narrows the top panel for each hidden slider column and fits the window
  // to it.
  void SizeControlPanel();

  // ---- Remote control (main_remote.cpp) ----
  // Opens the remote-control dialog; a confirmed change is stored and the
  // server started or stopped at once.
  void RemoteControl1Click();
  // Starts, restarts or stops the server as the "Remote" settings say.
  // Returns false (after telling the operator) when it cannot listen.
  bool ApplyRemoteSettings();
  RemoteServer* remoteServer() const { return remoteServer_; }

  // ---- Presets (main_presets.cpp) ----
  // The presets dialog, made by the program entry; it lives for the run.
  TPresetsForm* PresetsForm = nullptr;
  // What the presets dialog is given to reach this window.
  PresetsHost& presetsHost();
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
  QTimer* Timer1 = nullptr;           // the scan tick, 1000 ms
  QAction* ScanandSearch1 = nullptr;  // Tools menu: shows or hides Panel2
  bool ScanSkip = false;              // the next scan tick steps even on a signal
  int PassCount = 0;                  // passes since PassTickStart
  qint64 PassTickStart = 0;           // monotonic milliseconds
  // The chosen item of RadioGroup1: 0 Search, 1 Scan, 2 Manual, -1 none.
  int RadioGroup1ItemIndex() const;
  void RadioGroup1Click();
  void CheckBox1Click();
  void Button12Click();
  void Timer1Timer();
  void ScanandSearch1Click();

  // The frequency in its shown form: five decimals, right-aligned in 11.
  static QString ShownFrequency(double megahertz);

  // Runs an operation; a failure of the settings store ends it with the
  // store's message in an error box.
  void Guarded(const std::function<void()>& operation);

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // main_layout.cpp
  void BuildControls();
  void BuildMenus();
  void ConnectControls();
  // main.cpp
  void ConnectLink();
  void ShowLinkPicture(bool open);
  void ShowPortReleased();
  void SetBusy(bool busy);
  // main_levels.cpp
  static void SetSliderQuietly(QSlider* slider, int position);
  // Turns a slider's reported change into its handler.
  void SliderChanged(QSlider* slider);
  // main_scan.cpp
  void BuildScanPanel();
  void ShowScanPanel(bool show);
  bool SearchPass();
  bool searching_ = false;  // the search loop is running
  // main_presets.cpp
  void ConnectPresetActions();
  // Makes a group active in all three sets of group items (chosen: the item
  // the operator picked) and reloads the labels, unless it is active.
  void SelectPresetGroup(int group, QAction* chosen);

  RadioLink& link_;
  int StartupShowCommand = kShowDefault;
  bool minimizedAtStart_ = false;  // the start-up minimise has been done
  bool shown_ = false;             // FormShow has run
  bool fitHeight_ = false;         // no height stored: fit the window to its panel
  bool destroyed_ = false;         // FormDestroy has run
  int busyDepth_ = 0;
  int wheelRemainder_ = 0;  // wheel turn not yet worth a step
  QActionGroup* groupMenu_ = nullptr;
  QActionGroup* groupButtons_ = nullptr;
  QActionGroup* groupTray_ = nullptr;
  PresetsHost* presetsHost_ = nullptr;  // a child object of the window
  // main_remote.cpp: the server and its view of this window (child objects)
  class RemoteTarget;
  void StartRemoteControl();
  RemoteTarget* remoteTarget_ = nullptr;
  RemoteServer* remoteServer_ = nullptr;
};
