// The main window's lifecycle (creation, first showing, activation,
// destruction) and the operator's side of the serial port: releasing it and
// taking it back.

#include "app/main.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <climits>

#include "channels/ChannelStore.h"
#include "components/MessageBox.h"
#include "components/TaskIcon.h"
#include "dialogs/ChannelsWindow.h"
#include "dialogs/Hints.h"
#include "dialogs/HitLogWindow.h"
#include "dialogs/SurveyWindow.h"
#include "radio/ConfigurationValues.h"
#include "radio/FrequencyText.h"
#include "radio/RadioSession.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

QString VersionText = QString::fromLatin1(kVersionText);

namespace {

constexpr int kFrameAllowance = 14;  // window width beyond the top panel
constexpr int kHeightNotStored = INT_MIN;
constexpr int kSliderMargin = 8;  // what a hidden slider column takes with it
constexpr int kStepSizeReadLength = 25;
// Stored window bounds outside these are not used as they stand.
constexpr int kMaxPosition = 32000;
constexpr int kMaxExtent = 8192;

}  // namespace

TMainForm::TMainForm(RadioSession& session, SettingsStore& store, int startupShowCommand,
                     QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      store_(store),
      StartupShowCommand(startupShowCommand) {
  BuildControls();
  BuildMenus();
  ConnectControls();
  ConnectPresetActions();

  CorvaloTaskIcon = new TTaskIcon(this);
  CorvaloTaskIcon->setObjectName(QStringLiteral("CorvaloTaskIcon"));
  CorvaloTaskIcon->SetHint(QStringLiteral("Corvalo for the PCR1000"));
  CorvaloTaskIcon->SetTaskIconID(0);
  CorvaloTaskIcon->SetIcon(windowIcon());
  CorvaloTaskIcon->OnClick = [this](QObject*) { Guarded([this] { CorvaloTaskIconClick(); }); };
  CorvaloTaskIcon->OnRightClick = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x,
                                         int y) {
    Guarded([this, x, y] { CorvaloTaskIconRightClick(x, y); });
  };
  CorvaloTaskIcon->SetEnabled(true);

  ConnectSession();
  Guarded([this] { FormCreate(); });
  BuildScanPanel();
}

TMainForm::~TMainForm() {
  FormDestroy();
  while (busyDepth_ > 0) SetBusy(false);
  // The windows that use the channel lists go before the lists do (and the
  // Channels window before the host it asks about the radio).
  delete channelsWindow_;
  delete hitLogWindow_;
  delete surveyWindow_;
}

void TMainForm::Guarded(const std::function<void()>& operation) {
  QStringList failures;
  try {
    operation();
  } catch (const SettingsError& error) {
    failures << error.message();
  }
  // What the operation's reads of the store met is told with its failure.
  ShowStoreMessages(store_, isVisible() ? this : nullptr, failures);
}

std::function<void()> TMainForm::run(void (TMainForm::*handler)()) {
  return [this, handler] { Guarded([this, handler] { (this->*handler)(); }); };
}

QAction* TMainForm::AddToolsItem(const char* name, const char* caption) {
  const QList<QAction*> items = ToolsMenu->actions();
  auto* action = new QAction(QString::fromLatin1(caption), ToolsMenu);
  action->setObjectName(QString::fromLatin1(name));
  ToolsMenu->insertAction(items.at(items.size() - 2), action);
  return action;
}

QAction* TMainForm::AddWindowKey(const char* name, QKeyCombination keys) {
  auto* action = new QAction(this);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(QKeySequence(keys));
  action->setShortcutContext(Qt::WindowShortcut);
  addAction(action);
  return action;
}

void TMainForm::FormCreate() {
  // Numbers are read and written with "." whatever the user's locale.
  QLocale::setDefault(QLocale::c());

  {
    SettingsSession session(store_);
    const int left = store_.ReadNumber(sn::kGeneral, sn::kLeft, sn::kDefaultLeft);
    const int top = store_.ReadNumber(sn::kGeneral, sn::kTop, sn::kDefaultTop);
    const int width = store_.ReadNumber(sn::kGeneral, sn::kWidth, sn::kDefaultWidth);
    // The default height is that of the window just holding its top panel
    // where the frame and menu bar are counted in the window's height; here
    // they are not, so with no height stored the window fits its panel.
    int height = store_.ReadNumber(sn::kGeneral, sn::kHeight, kHeightNotStored);
    fitHeight_ = height == kHeightNotStored;
    if (fitHeight_) height = sn::kDefaultHeight;
    move(std::clamp(left, -kMaxPosition, kMaxPosition),
         std::clamp(top, -kMaxPosition, kMaxPosition));
    resize(std::clamp(width, 1, kMaxExtent), std::clamp(height, 1, kMaxExtent));
    ShowIcon = store_.ReadFlag(sn::kGeneral, sn::kShowIcon, true);
    // Hints switched off in the configuration stay off at the next start.
    HintDisplay::setEnabled(store_.ReadFlag(sn::kGeneral, sn::kShowHints, true));
    AlwaysOnTop = store_.ReadFlag(sn::kGeneral, sn::kAlwaysOnTop, false);
    const QString step =
        store_.ReadText(sn::kGeneral, sn::kStepSize, QString::fromLatin1(sn::kDefaultStepSize))
            .left(kStepSizeReadLength);
    double value = 0;
    // A stored step that is not a number leaves the default step.
    if (freqtext::ParseNumber(step, &value)) session_.setStepSize(value);
  }
  // Maximised after the stored bounds are applied, so they are the bounds
  // the window is restored to.
  if (StartupShowCommand == kShowMaximized) {
    setWindowState(windowState() | Qt::WindowMaximized);
  }

  session_.open();

  setWindowTitle(session_.caption());
  SetTopmost(AlwaysOnTop);
}

void TMainForm::FormShow() {
  LoadModeListBox();

  {
    SettingsSession session(store_);
    ShowFeatures(ReadFeatures(store_));
  }

  ShowTuning(session_.tuning());

  if (session_.hasPort()) EnterButton->click();

  for (QSlider* slider : {VolumeTrackBar, SquelchTrackBar, IFShiftTrackBar}) {
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setTickInterval(64);
  }
  ShowLevels();

  // A stored attenuator puts the switch down and sends its command.
  session_.restoreAttenuator();

  SizeControlPanel();
  if (fitHeight_) {
    resize(width(),
           menuBar()->sizeHint().height() + Panel1->geometry().bottom() + 1 + LowerAreaHeight());
  }

  bool releasePort = false;
  int activeGroup = 0;
  {
    SettingsSession session(store_);
    releasePort = store_.ReadFlag(sn::kGeneral, sn::kReleasePortAfterStartup, false);
  }
  if (releasePort) {
    TogglePortButton->setChecked(true);
    TogglePortButtonClick();
  }
  {
    SettingsSession session(store_);
    activeGroup = store_.ReadNumber(sn::kPresets, sn::kActiveGroup, 0);
  }
  QAction* const groups[3][3] = {
      {GroupA, GroupA1, GroupA2}, {GroupB, GroupB1, GroupB2}, {GroupC, GroupC1, GroupC2}};
  if (activeGroup >= 0 && activeGroup <= 2) {
    for (int g = 0; g < 3; ++g) {
      for (QAction* item : groups[g]) item->setChecked(g == activeGroup);
    }
  }

  LoadPresetLabels();
}

void TMainForm::SizeControlPanel() {
  // The slider columns, left to right, each with what stands below its
  // slider: the volume column is shown while its slider or the mute button
  // is. A hidden column takes its width off the panel, and the shown columns
  // right of it close up, so that none of them is cut off by the narrower
  // panel.
  struct Column {
    QWidget* slider;
    QWidget* below;
    bool shown;
  };
  const Column columns[] = {
      {VolumeTrackBar, MuteButton, !VolumeTrackBar->isHidden() || !MuteButton->isHidden()},
      {SquelchTrackBar, SquelchLabel, !SquelchTrackBar->isHidden()},
      {IFShiftTrackBar, IFShiftLabel, !IFShiftTrackBar->isHidden()},
  };
  int panelWidth = kPanelWidth;
  int left = VolumeTrackBar->x();  // the first column never moves
  for (const Column& column : columns) {
    const int belowOffset = column.below->x() - column.slider->x();
    column.slider->move(left, column.slider->y());
    column.below->move(left + belowOffset, column.below->y());
    const int width = column.slider->width() + kSliderMargin;
    if (column.shown) {
      left += width;
    } else {
      panelWidth -= width;
    }
  }
  Panel1->resize(panelWidth, Panel1->height());
  resize(panelWidth + kFrameAllowance, height());
  Panel2->resize(panelWidth, Panel2->height());
}

void TMainForm::FormActivate() {
  if (AlwaysOnTop) SetTopmost(true);
  const bool startedMinimized = StartupShowCommand == kShowMinimized ||
                                StartupShowCommand == kMinimize ||
                                StartupShowCommand == kShowMinNoActive;
  // Only the first activation after start minimises, so a window the
  // operator restores stays restored.
  if (startedMinimized && !minimizedAtStart_) {
    minimizedAtStart_ = true;
    QTimer::singleShot(0, this, [this] { showMinimized(); });
  }
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  QStringList failures;
  try {
    SettingsSession session(store_);
    store_.WriteText(
        sn::kGeneral, sn::kStepSize,
        freqtext::FormatFixed(session_.stepSize(), freqtext::kDecimals, freqtext::kStoredWidth));
    store_.WriteNumber(sn::kGeneral, sn::kLeft, x());
    store_.WriteNumber(sn::kGeneral, sn::kTop, y());
    store_.WriteNumber(sn::kGeneral, sn::kWidth, width());
    store_.WriteNumber(sn::kGeneral, sn::kHeight, height());
    store_.WriteFlag(sn::kGeneral, sn::kAttenuate,
                     session_.switchOn(RadioSession::Switch::Attenuator));
    if (GroupA->isChecked()) store_.WriteNumber(sn::kPresets, sn::kActiveGroup, 0);
    if (GroupB->isChecked()) store_.WriteNumber(sn::kPresets, sn::kActiveGroup, 1);
    if (GroupC->isChecked()) store_.WriteNumber(sn::kPresets, sn::kActiveGroup, 2);
  } catch (const SettingsError& error) {
    failures << error.message();
  }
  // The link is closed even when the window state could not be saved, so the
  // port is not left open and a configured power-off still goes out.
  try {
    session_.shutdown();
  } catch (const SettingsError& error) {
    failures << error.message();
  }
  // Both saves failing for one reason make one message.
  ShowStoreMessages(store_, nullptr, failures);
}

void TMainForm::GetPort() { session_.getPort(); }

void TMainForm::TogglePortButtonClick() {
  if (TogglePortButton->isChecked()) {
    session_.releasePort();
  } else {
    session_.retakePort();
  }
  ShowPortState();
  // "Internet" has no port and shows as on, as after start-up; a real port
  // shows its state once the link has opened it (or failed to).
  if (TogglePortButton->isChecked()) {
    ShowLinkPicture(false);
  } else if (!session_.hasPort()) {
    ShowLinkPicture(true);
  }
}

void TMainForm::TogglePortMenuClick() {
  TogglePortButton->setChecked(!TogglePortButton->isChecked());
  TogglePortButtonClick();
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The first showing restores the controls and tunes the radio. Later
  // showings (back from the tray, after a change of the topmost band) do not.
  if (!event->spontaneous() && !shown_) {
    shown_ = true;
    Guarded([this] { FormShow(); });
  }
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    Guarded([this] { FormActivate(); });
  } else if (event->type() == QEvent::WindowStateChange) {
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (isMinimized() && !(change->oldState() & Qt::WindowMinimized)) {
      // Hiding the window is left until the state change has been handled.
      QTimer::singleShot(0, this, [this] { Guarded([this] { MyMinimize(); }); });
    }
  }
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // Return presses the default button, unless a push button has the focus.
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    if (focused && !focused->isCheckable() && focused != EnterButton) {
      focused->click();
    } else {
      EnterButton->click();
    }
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == IFShiftLabel && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton &&
        IFShiftLabel->rect().contains(mouse->position().toPoint())) {
      Guarded([this] { IFShiftLabelClick(); });
      return true;
    }
  } else if (watched == FrequencyEdit && event->type() == QEvent::Wheel) {
    // The wheel over the frequency steps it as the arrows do: one step for
    // each notch, fine-grained wheels adding up to a notch first.
    const auto* wheel = static_cast<QWheelEvent*>(event);
    wheelRemainder_ += wheel->angleDelta().y();
    while (wheelRemainder_ >= QWheelEvent::DefaultDeltasPerStep) {
      wheelRemainder_ -= QWheelEvent::DefaultDeltasPerStep;
      UpDown1->press(TUpDown::Button::Next);
    }
    while (wheelRemainder_ <= -QWheelEvent::DefaultDeltasPerStep) {
      wheelRemainder_ += QWheelEvent::DefaultDeltasPerStep;
      UpDown1->press(TUpDown::Button::Previous);
    }
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}
