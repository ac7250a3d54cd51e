// The main window's designed widget tree: every control at its place on the
// top panel, the hidden panel and status bar below it, the main menu and the
// four popup menus, with their hints.

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>

#include "app/main.h"
#include "components/SignalMeter.h"
#include "radio/Protocols.h"

namespace {

constexpr int kPanelHeight = 88;
constexpr int kLevelMaximum = 255;
constexpr int kTickSpacing = 64;

constexpr char kIfShiftHint[] =
    "IF Shift Slider adjusts the upper and lower edges of an IF Filter to reduce interference. "
    "Click IF to Center.";

template <typename W>
W* place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

QSlider* makeSlider(QWidget* parent, const char* name, int left, int pageStep, const char* hint) {
  auto* slider = place(new QSlider(Qt::Vertical, parent), name, left, 3, 25, 51);
  slider->setRange(0, kLevelMaximum);
  slider->setSingleStep(1);
  slider->setPageStep(pageStep);
  // Position 0 is at the top: the top of the slider is the highest level, and
  // the up key and the wheel turned up move the thumb up.
  slider->setInvertedAppearance(true);
  slider->setInvertedControls(true);
  slider->setTickPosition(QSlider::TicksBothSides);
  slider->setTickInterval(kTickSpacing);
  slider->setToolTip(QString::fromLatin1(hint));
  return slider;
}

QPushButton* makeSwitch(QWidget* parent, const char* name, const char* caption, int left, int top,
                        int width, const char* hint) {
  auto* button =
      place(new QPushButton(QString::fromLatin1(caption), parent), name, left, top, width, 25);
  button->setCheckable(true);
  button->setToolTip(QString::fromLatin1(hint));
  return button;
}

QAction* addItem(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromLatin1(caption));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

QMenu* makeMenu(QWidget* parent, const char* name, const char* caption = "") {
  auto* menu = new QMenu(QString::fromLatin1(caption), parent);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
  return menu;
}

// Three group items that keep exactly one checked; group A as built.
QActionGroup* makeGroupItems(QMenu* menu, QObject* owner, const char* names[3],
                             const char* captions[3], QAction** items[3]) {
  auto* group = new QActionGroup(owner);
  group->setExclusive(true);
  for (int i = 0; i < 3; ++i) {
    QAction* action = addItem(menu, names[i], captions[i]);
    action->setCheckable(true);
    action->setChecked(i == 0);
    group->addAction(action);
    *items[i] = action;
  }
  return group;
}

}  // namespace

void InitPictures() { Q_INIT_RESOURCE(corvalo); }

void TMainForm::BuildControls() {
  InitPictures();
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Corvalo (PCR-1000)"));
  QFont small = font();
  small.setPointSize(8);
  setFont(small);

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(client);

  Panel1 = place(new QFrame(client), "Panel1", 0, 0, kPanelWidth, kPanelHeight);
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Raised);

  Image1 = place(new QLabel(Panel1), "Image1", 1, 1, 345, 86);
  Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/panel.png")));
  Image1->setScaledContents(true);
  Image1->setContextMenuPolicy(Qt::CustomContextMenu);

  FrequencyEdit = place(new QLineEdit(Panel1), "FrequencyEdit", 4, 3, 66, 21);
  FrequencyEdit->setToolTip(QStringLiteral("Frequency Display and Input"));
  FrequencyEdit->setContextMenuPolicy(Qt::CustomContextMenu);

  UpDown1 = place(new TUpDown(Panel1), "UpDown1", 70, 3, 15, 21);
  UpDown1->setToolTip(QStringLiteral(
      "Tune Up or Down by the selected Step Size. Right-Click to select Step Size."));
  UpDown1->setContextMenuPolicy(Qt::CustomContextMenu);
  for (QToolButton* arrow : {UpDown1->upButton(), UpDown1->downButton()}) {
    arrow->setToolTip(UpDown1->toolTip());
    arrow->setContextMenuPolicy(Qt::NoContextMenu);
  }

  ModeComboBox = place(new QComboBox(Panel1), "ModeComboBox", 86, 3, 50, 21);
  ModeComboBox->setEditable(false);
  ModeComboBox->setToolTip(QStringLiteral("Mode Display and Input"));

  FilterComboBox = place(new QComboBox(Panel1), "FilterComboBox", 143, 3, 50, 21);
  FilterComboBox->setEditable(false);
  for (const char* code : protocols::kFilterCodes) {
    FilterComboBox->addItem(QString::fromLatin1(code));
  }
  FilterComboBox->setToolTip(QStringLiteral("IF Filter Display and Input"));

  EnterButton =
      place(new QPushButton(QStringLiteral("Enter"), Panel1), "EnterButton", 200, 3, 44, 21);
  EnterButton->setDefault(true);
  EnterButton->setToolTip(
      QStringLiteral("Enter Button to tune Radio to Selected Frequency, Mode, Etc."));

  for (int i = 0; i < 10; ++i) {
    const int left = 3 + 27 * (i % 5);
    const int top = i < 5 ? 30 : 59;
    const QString caption = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
    auto* button = new QPushButton(caption, Panel1);
    button->setObjectName(QStringLiteral("Button%1").arg(i + 1));
    button->setGeometry(left, top, 25, 25);
    button->setProperty("Tag", i + 1);
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    PresetButtons[i] = button;
  }

  AGCButton =
      makeSwitch(Panel1, "AGCButton", "AGC", 143, 30, 32,
                 "Automatic Gain Control helps regulate fluctuating audio output in some modes.");
  NBButton = makeSwitch(Panel1, "NBButton", "NB", 177, 30, 32,
                        "Noise Blanker eliminates pulse-type noise.");
  ATTButton = makeSwitch(Panel1, "ATTButton", "ATT", 211, 30, 32,
                         "Attenuator reduces signal strength from intefering signals.");
  TogglePortButton = makeSwitch(Panel1, "TogglePortButton", "Close &Port", 143, 59, 100,
                                "Release the serial port for other programs, or take it back.");
  MuteButton = makeSwitch(Panel1, "MuteButton", "", 251, 59, 25, "Mute turns speaker on and off.");
  MuteButton->setIcon(QIcon(QStringLiteral(":/pictures/speaker.png")));
  MuteButton->setIconSize(QSize(16, 16));

  VolumeTrackBar = makeSlider(Panel1, "VolumeTrackBar", 251, 16, "Volume Slider adjusts volume.");
  SquelchTrackBar =
      makeSlider(Panel1, "SquelchTrackBar", 284, 64, "Squelch Slider adjusts Radio's Squelch.");
  IFShiftTrackBar = makeSlider(Panel1, "IFShiftTrackBar", 317, 64, kIfShiftHint);

  SquelchLabel = new QLabel(QStringLiteral("&S"), Panel1);
  SquelchLabel->setObjectName(QStringLiteral("SquelchLabel"));
  SquelchLabel->move(291, 64);
  SquelchLabel->adjustSize();
  SquelchLabel->setBuddy(SquelchTrackBar);
  SquelchLabel->setToolTip(SquelchTrackBar->toolTip());

  IFShiftLabel = new QLabel(QStringLiteral("&IF"), Panel1);
  IFShiftLabel->setObjectName(QStringLiteral("IFShiftLabel"));
  IFShiftLabel->move(324, 64);
  IFShiftLabel->adjustSize();
  IFShiftLabel->setBuddy(IFShiftTrackBar);
  IFShiftLabel->setToolTip(QString::fromLatin1(kIfShiftHint));
  IFShiftLabel->setCursor(Qt::PointingHandCursor);

  // Picture sources for the tray icon; never shown themselves.
  OnImage = place(new QLabel(Panel1), "OnImage", 330, 70, 15, 15);
  OnImage->setPixmap(QPixmap(QStringLiteral(":/pictures/link-on.png")));
  OnImage->hide();
  OffImage = place(new QLabel(Panel1), "OffImage", 312, 70, 15, 15);
  OffImage->setPixmap(QPixmap(QStringLiteral(":/pictures/link-off.png")));
  OffImage->hide();

  Image1->lower();

  // The scan and search panel, hidden below the top panel.
  Panel2 = place(new QFrame(client), "Panel2", 0, kPanelHeight, kPanelWidth, 64);
  Panel2->setFrameShape(QFrame::Panel);
  Panel2->setFrameShadow(QFrame::Raised);
  Panel2->hide();

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  for (int i = 0; i < 2; ++i) {
    auto* part = new QLabel(i == 1 ? QStringLiteral("Signal") : QString(), StatusBar1);
    part->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    part->setMinimumWidth(50);
    // The first part tells the scan's state: it takes the width the other
    // parts leave, and a long line is cut rather than widening the compact
    // window.
    if (i == 0) part->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusBar1->addWidget(part, i == 0 ? 1 : 0);
    StatusPanels[i] = part;
  }
  SignalMeter1 = new SignalMeter(StatusBar1);
  StatusBar1->addPermanentWidget(SignalMeter1);
  SignalMeter1->hide();
  setStatusBar(StatusBar1);
  StatusBar1->hide();

  setWindowIcon(QIcon(QStringLiteral(":/pictures/corvalo-64.png")));
  FrequencyEdit->setFocus();
}

void TMainForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));

  // Alt+P is the port button's ("Close &Port"): the presets take Alt+R.
  PresetMenu = makeMenu(this, "PresetMenu", "P&resets...");
  ConfigurePresets1 = addItem(PresetMenu, "ConfigurePresets1", "Configure and Select Presets...");
  PresetMenu->addSeparator();
  {
    const char* names[3] = {"GroupA", "GroupB", "GroupC"};
    const char* captions[3] = {"Group A", "Group &B", "Group &C"};
    QAction** items[3] = {&GroupA, &GroupB, &GroupC};
    groupMenu_ = makeGroupItems(PresetMenu, this, names, captions, items);
  }
  bar->addMenu(PresetMenu);

  ToolsMenu = makeMenu(this, "ToolsMenu", "&Tools");
  ConfigureMenu = addItem(ToolsMenu, "ConfigureMenu", "&Configure...");
  ChangeStepSize2 = addItem(ToolsMenu, "ChangeStepSize2", "Change &Step Size...");
  AutoSetStepSize2 = addItem(ToolsMenu, "AutoSetStepSize2", "&Auto Set Step Size");
  RemoteControl1 = addItem(ToolsMenu, "RemoteControl1", "&Remote Control...");
  bar->addMenu(ToolsMenu);

  HelpMenu = makeMenu(this, "HelpMenu", "&Help");
  About1 = addItem(HelpMenu, "About1", "&About...");
  bar->addMenu(HelpMenu);

  PresetsPopupMenu = makeMenu(this, "PresetsPopupMenu");
  Presets1 = addItem(PresetsPopupMenu, "Presets1", "Presets");
  PresetsPopupMenu->setDefaultAction(Presets1);
  PresetsPopupMenu->addSeparator();
  CB1 = addItem(PresetsPopupMenu, "CB1", "C&B...");
  TV1 = addItem(PresetsPopupMenu, "TV1", "&TV...");
  Weather1 = addItem(PresetsPopupMenu, "Weather1", "&Weather...");
  Time1 = addItem(PresetsPopupMenu, "Time1", "Ti&me...");
  Configure1 = addItem(PresetsPopupMenu, "Configure1", "&Configure...");

  PopupMenu1 = makeMenu(this, "PopupMenu1");
  SetthisPresettoCurrentFrequencyModeetc1 =
      addItem(PopupMenu1, "SetthisPresettoCurrentFrequencyModeetc1",
              "Set this Preset to Current Frequency, Mode, etc.");
  PopupMenu1->addSeparator();
  {
    const char* names[3] = {"GroupA1", "GroupB1", "GroupC1"};
    const char* captions[3] = {"Group &A", "Group &B", "Group &C"};
    QAction** items[3] = {&GroupA1, &GroupB1, &GroupC1};
    groupButtons_ = makeGroupItems(PopupMenu1, this, names, captions, items);
  }

  StepSizePopupMenu = makeMenu(this, "StepSizePopupMenu");
  ChangeStepSize1 = addItem(StepSizePopupMenu, "ChangeStepSize1", "&Change Step Size...");
  AutoSetStepSize1 = addItem(StepSizePopupMenu, "AutoSetStepSize1", "&Auto Set Step Size");

  PopupMenu = makeMenu(this, "PopupMenu");
  bCorvalo1 = addItem(PopupMenu, "bCorvalo1", "Corvalo");
  PopupMenu->setDefaultAction(bCorvalo1);
  N2 = addItem(PopupMenu, "N2", "&CB...");
  Configure2 = addItem(PopupMenu, "Configure2", "Con&figure...");
  TV2 = addItem(PopupMenu, "TV2", "&TV...");
  // P is the port item's once it names the button's action.
  PresetSubMenu = makeMenu(PopupMenu, "PresetSubMenu", "P&resets");
  {
    const char* names[3] = {"GroupA2", "GroupB2", "GroupC2"};
    const char* captions[3] = {"Group &A", "Group &B", "Group &C"};
    QAction** items[3] = {&GroupA2, &GroupB2, &GroupC2};
    groupTray_ = makeGroupItems(PresetSubMenu, this, names, captions, items);
  }
  PresetSubMenu->addSeparator();
  for (int i = 0; i < 10; ++i) {
    const QString caption = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
    QAction* item = PresetSubMenu->addAction(caption);
    item->setObjectName(QStringLiteral("Preset%1").arg(i + 1));
    PresetItems[i] = item;
  }
  PopupMenu->addMenu(PresetSubMenu);
  Weather2 = addItem(PopupMenu, "Weather2", "&Weather...");
  Time2 = addItem(PopupMenu, "Time2", "T&ime...");
  Mute1 = addItem(PopupMenu, "Mute1", "&Mute");
  TogglePortMenu = addItem(PopupMenu, "TogglePortMenu", "Close Port");
}

void TMainForm::ConnectControls() {
  // Each handler runs under the settings-failure guard.
  connect(FrequencyEdit, &QLineEdit::textChanged, this,
          [this](const QString& text) { session_.editFrequencyText(text); });
  connect(EnterButton, &QPushButton::clicked, this, run(&TMainForm::EnterButtonClick));
  connect(ModeComboBox, &QComboBox::activated, this, run(&TMainForm::ModeComboBoxChange));
  connect(FilterComboBox, &QComboBox::activated, this, run(&TMainForm::FilterComboBoxChange));
  connect(UpDown1, &TUpDown::Click, this,
          [this](TUpDown::Button button) { Guarded([this, button] { UpDown1Click(button); }); });

  connect(ChangeStepSize1, &QAction::triggered, this, run(&TMainForm::ChangeStepSize1Click));
  connect(ChangeStepSize2, &QAction::triggered, this, run(&TMainForm::ChangeStepSize2Click));
  connect(AutoSetStepSize1, &QAction::triggered, this, run(&TMainForm::AutoSetStepSize1Click));
  connect(AutoSetStepSize2, &QAction::triggered, this, run(&TMainForm::AutoSetStepSize2Click));
  connect(About1, &QAction::triggered, this, run(&TMainForm::About1Click));
  connect(ConfigureMenu, &QAction::triggered, this, run(&TMainForm::ConfigureMenuClick));
  connect(RemoteControl1, &QAction::triggered, this, run(&TMainForm::RemoteControl1Click));
  StartRemoteControl();

  connect(AGCButton, &QPushButton::clicked, this, run(&TMainForm::AGCButtonClick));
  connect(NBButton, &QPushButton::clicked, this, run(&TMainForm::NBButtonClick));
  connect(ATTButton, &QPushButton::clicked, this, run(&TMainForm::ATTButtonClick));
  connect(MuteButton, &QPushButton::clicked, this, run(&TMainForm::MuteButtonClick));
  connect(TogglePortButton, &QPushButton::clicked, this, run(&TMainForm::TogglePortButtonClick));
  connect(Mute1, &QAction::triggered, this, run(&TMainForm::Mute1Click));
  connect(TogglePortMenu, &QAction::triggered, this, run(&TMainForm::TogglePortMenuClick));

  // Sliders report every change of position the operator makes (mouse,
  // keyboard, wheel); the program sets positions with signals blocked.
  for (QSlider* slider : {VolumeTrackBar, SquelchTrackBar, IFShiftTrackBar}) {
    connect(slider, &QSlider::valueChanged, this, [this, slider] { SliderChanged(slider); });
  }
  IFShiftLabel->installEventFilter(this);
  FrequencyEdit->installEventFilter(this);

  // Context menus.
  auto popupAt = [](QMenu* menu, QWidget* owner) {
    return [menu, owner](const QPoint& at) { menu->popup(owner->mapToGlobal(at)); };
  };
  connect(FrequencyEdit, &QWidget::customContextMenuRequested, this,
          popupAt(PresetsPopupMenu, FrequencyEdit));
  connect(Image1, &QWidget::customContextMenuRequested, this, popupAt(PresetsPopupMenu, Image1));
  connect(UpDown1, &QWidget::customContextMenuRequested, this, popupAt(StepSizePopupMenu, UpDown1));
  for (QPushButton* button : PresetButtons) {
    connect(button, &QWidget::customContextMenuRequested, this, [this, button](const QPoint& at) {
      PopupComponent = button;
      PopupMenu1->popup(button->mapToGlobal(at));
    });
  }
}
