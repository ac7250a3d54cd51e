#pragma once

// Helpers for the window suites: a main window driving a real
// pseudo-terminal, and what its tests look at.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QtTest/QtTest>
#include <algorithm>
#include <memory>

#include "PseudoTerminal.h"
#include "SettingsFile.h"
#include "app/main.h"
#include "components/TaskIcon.h"
#include "components/UpDown.h"
#include "radio/RadioSession.h"
#include "settings/SettingsStore.h"

namespace guitest {

// A control of a window by its object name; the test fails when it has none.
template <typename T>
T* Find(QObject* window, const char* name) {
  T* found = window->findChild<T*>(QString::fromLatin1(name));
  if (found == nullptr) qFatal("no control named %s", name);
  return found;
}

// The main window's controls, found by name as an operator finds them by
// sight: the tests drive the window through them.
struct Controls {
  explicit Controls(TMainForm* form) {
    Panel1 = Find<QFrame>(form, "Panel1");
    Image1 = Find<QLabel>(form, "Image1");
    FrequencyEdit = Find<QLineEdit>(form, "FrequencyEdit");
    UpDown1 = Find<TUpDown>(form, "UpDown1");
    ModeComboBox = Find<QComboBox>(form, "ModeComboBox");
    FilterComboBox = Find<QComboBox>(form, "FilterComboBox");
    EnterButton = Find<QPushButton>(form, "EnterButton");
    AGCButton = Find<QPushButton>(form, "AGCButton");
    NBButton = Find<QPushButton>(form, "NBButton");
    ATTButton = Find<QPushButton>(form, "ATTButton");
    TogglePortButton = Find<QPushButton>(form, "TogglePortButton");
    MuteButton = Find<QPushButton>(form, "MuteButton");
    VolumeTrackBar = Find<QSlider>(form, "VolumeTrackBar");
    SquelchTrackBar = Find<QSlider>(form, "SquelchTrackBar");
    IFShiftTrackBar = Find<QSlider>(form, "IFShiftTrackBar");
    SquelchLabel = Find<QLabel>(form, "SquelchLabel");
    IFShiftLabel = Find<QLabel>(form, "IFShiftLabel");
    OnImage = Find<QLabel>(form, "OnImage");
    OffImage = Find<QLabel>(form, "OffImage");
    Panel2 = Find<QFrame>(form, "Panel2");
    StatusBar1 = Find<QStatusBar>(form, "StatusBar1");
    CorvaloTaskIcon = Find<TTaskIcon>(form, "CorvaloTaskIcon");
    PresetMenu = Find<QMenu>(form, "PresetMenu");
    ConfigurePresets1 = Find<QAction>(form, "ConfigurePresets1");
    GroupA = Find<QAction>(form, "GroupA");
    GroupB = Find<QAction>(form, "GroupB");
    GroupC = Find<QAction>(form, "GroupC");
    ToolsMenu = Find<QMenu>(form, "ToolsMenu");
    ConfigureMenu = Find<QAction>(form, "ConfigureMenu");
    ChangeStepSize2 = Find<QAction>(form, "ChangeStepSize2");
    AutoSetStepSize2 = Find<QAction>(form, "AutoSetStepSize2");
    RemoteControl1 = Find<QAction>(form, "RemoteControl1");
    HelpMenu = Find<QMenu>(form, "HelpMenu");
    About1 = Find<QAction>(form, "About1");
    PresetsPopupMenu = Find<QMenu>(form, "PresetsPopupMenu");
    Presets1 = Find<QAction>(form, "Presets1");
    CB1 = Find<QAction>(form, "CB1");
    TV1 = Find<QAction>(form, "TV1");
    Weather1 = Find<QAction>(form, "Weather1");
    Time1 = Find<QAction>(form, "Time1");
    Configure1 = Find<QAction>(form, "Configure1");
    PopupMenu1 = Find<QMenu>(form, "PopupMenu1");
    SetthisPresettoCurrentFrequencyModeetc1 =
        Find<QAction>(form, "SetthisPresettoCurrentFrequencyModeetc1");
    GroupA1 = Find<QAction>(form, "GroupA1");
    GroupB1 = Find<QAction>(form, "GroupB1");
    GroupC1 = Find<QAction>(form, "GroupC1");
    StepSizePopupMenu = Find<QMenu>(form, "StepSizePopupMenu");
    ChangeStepSize1 = Find<QAction>(form, "ChangeStepSize1");
    AutoSetStepSize1 = Find<QAction>(form, "AutoSetStepSize1");
    PopupMenu = Find<QMenu>(form, "PopupMenu");
    bCorvalo1 = Find<QAction>(form, "bCorvalo1");
    N2 = Find<QAction>(form, "N2");
    Configure2 = Find<QAction>(form, "Configure2");
    TV2 = Find<QAction>(form, "TV2");
    PresetSubMenu = Find<QMenu>(form, "PresetSubMenu");
    GroupA2 = Find<QAction>(form, "GroupA2");
    GroupB2 = Find<QAction>(form, "GroupB2");
    GroupC2 = Find<QAction>(form, "GroupC2");
    Weather2 = Find<QAction>(form, "Weather2");
    Time2 = Find<QAction>(form, "Time2");
    Mute1 = Find<QAction>(form, "Mute1");
    TogglePortMenu = Find<QAction>(form, "TogglePortMenu");
    RadioGroup1 = Find<QGroupBox>(form, "RadioGroup1");
    CheckBox1 = Find<QCheckBox>(form, "CheckBox1");
    Button12 = Find<QPushButton>(form, "Button12");
    Label1 = Find<QLabel>(form, "Label1");
    LowerLimitEdit = Find<QLineEdit>(form, "LowerLimitEdit");
    UpperLimitEdit = Find<QLineEdit>(form, "UpperLimitEdit");
    ScanandSearch1 = Find<QAction>(form, "ScanandSearch1");
    for (int i = 0; i < 10; ++i) {
      PresetButtons[i] = Find<QPushButton>(form, qPrintable(QStringLiteral("Button%1").arg(i + 1)));
      PresetItems[i] = Find<QAction>(form, qPrintable(QStringLiteral("Preset%1").arg(i + 1)));
    }
    for (int i = 0; i < 3; ++i) {
      RadioGroup1Items[i] =
          Find<QRadioButton>(form, qPrintable(QStringLiteral("RadioGroup1Item%1").arg(i)));
    }
  }
  QFrame* Panel1 = nullptr;
  QLabel* Image1 = nullptr;
  QLineEdit* FrequencyEdit = nullptr;
  TUpDown* UpDown1 = nullptr;
  QComboBox* ModeComboBox = nullptr;
  QComboBox* FilterComboBox = nullptr;
  QPushButton* EnterButton = nullptr;
  QPushButton* PresetButtons[10] = {};
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
  QMenu* PresetsPopupMenu = nullptr;
  QAction* Presets1 = nullptr;
  QAction* CB1 = nullptr;
  QAction* TV1 = nullptr;
  QAction* Weather1 = nullptr;
  QAction* Time1 = nullptr;
  QAction* Configure1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* SetthisPresettoCurrentFrequencyModeetc1 = nullptr;
  QAction* GroupA1 = nullptr;
  QAction* GroupB1 = nullptr;
  QAction* GroupC1 = nullptr;
  QMenu* StepSizePopupMenu = nullptr;
  QAction* ChangeStepSize1 = nullptr;
  QAction* AutoSetStepSize1 = nullptr;
  QMenu* PopupMenu = nullptr;
  QAction* bCorvalo1 = nullptr;
  QAction* N2 = nullptr;
  QAction* Configure2 = nullptr;
  QAction* TV2 = nullptr;
  QMenu* PresetSubMenu = nullptr;
  QAction* GroupA2 = nullptr;
  QAction* GroupB2 = nullptr;
  QAction* GroupC2 = nullptr;
  QAction* PresetItems[10] = {};
  QAction* Weather2 = nullptr;
  QAction* Time2 = nullptr;
  QAction* Mute1 = nullptr;
  QAction* TogglePortMenu = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QRadioButton* RadioGroup1Items[3] = {};
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* Button12 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* LowerLimitEdit = nullptr;
  QLineEdit* UpperLimitEdit = nullptr;
  QAction* ScanandSearch1 = nullptr;
};

// Every feature control shown.
inline QMap<QString, QString> AllFeatures() {
  QMap<QString, QString> values;
  for (const char* name :
       {"Mute", "Volume", "Squelch", "IF Shift", "AGC", "NB", "Attenuate", "Filters"}) {
    values.insert(QStringLiteral("Features/") + QLatin1String(name), QStringLiteral("1"));
  }
  return values;
}

// Runs the event loop until everything asked of the session so far has been
// sent, and its results and signals have reached the GUI thread.
inline bool WaitSent(RadioSession& session, int ms = 5000) {
  bool sent = false;
  session.whenSent([&sent](const LinkResult&) { sent = true; });
  return QTest::qWaitFor([&sent] { return sent; }, ms);
}

// A main window on its own profile whose port is a real pseudo-terminal.
class Rig {
 public:
  // protocol: the stored protocol number; extra: further settings.
  explicit Rig(int protocol, QMap<QString, QString> extra = {}, bool show = true)
      : store(NextProfile()), session(store) {
    QMap<QString, QString> values = AllFeatures();
    values.insert(QStringLiteral("Connection/Com Port"), pty.devicePath());
    values.insert(QStringLiteral("Connection/Protocol"), QString::number(protocol));
    values.insert(QStringLiteral("Connection/Address"), QStringLiteral("80"));
    // The wire carries the commands alone: the radio is not asked what it
    // hears unless a test says so.
    values.insert(QStringLiteral("Connection/Readings Per Second"), QStringLiteral("0"));
    for (auto it = extra.begin(); it != extra.end(); ++it) values.insert(it.key(), it.value());
    testsupport::WriteSettings(store, values);
    form = std::make_unique<TMainForm>(session, store);
    c = std::make_unique<Controls>(form.get());
    if (show) {
      form->show();
      QVERIFY2(QTest::qWaitForWindowExposed(form.get()), "main window not shown");
    }
  }
  ~Rig() { form.reset(); }

  // Waits for the power-up and start-up tuning to finish and forgets them.
  void settleAndClear() {
    QTRY_VERIFY_WITH_TIMEOUT(session.portState() != RadioSession::PortState::Opening, 5000);
    pty.settle(80);
    pty.clear();
  }

  // What reached the radio so far, once the session has sent everything it
  // was asked (its waits included) and the line has gone quiet.
  QByteArray wire() {
    WaitSent(session);
    return pty.settle();
  }

  QString profile() const { return store.profile(); }

  SettingsStore store;
  PseudoTerminal pty;
  RadioSession session;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<Controls> c;

 private:
  static QString NextProfile() {
    static int serial = 0;
    return QStringLiteral("Rig%1").arg(++serial);
  }
};

// A main window on the store's profile without a port, for what sends
// nothing anyway: nothing is opened or sent.
inline std::unique_ptr<TMainForm> OpenWithoutPort(RadioSession& session, SettingsStore& store,
                                                  QMap<QString, QString> values = {},
                                                  bool show = true) {
  values.insert(QStringLiteral("Connection/Com Port"), QStringLiteral("Internet"));
  testsupport::WriteSettings(store, values);
  auto form = std::make_unique<TMainForm>(session, store);
  if (show) form->show();
  return form;
}

// How many descriptors of this process have the pseudo-terminal's port open,
// besides the one the test keeps itself: the port the program holds.
inline int PortDescriptors(const PseudoTerminal& pty) {
  int count = 0;
  const QDir fds(QStringLiteral("/proc/self/fd"));
  for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
    if (fd.symLinkTarget() == pty.devicePath()) ++count;
  }
  return count - 1;
}

// Bytes written as hexadecimal digits (blanks between frames allowed).
inline QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// Types a frequency as the operator would and presses Return.
inline void EnterFrequency(TMainForm* form, const QString& text) {
  QLineEdit* edit = Find<QLineEdit>(form, "FrequencyEdit");
  edit->setFocus();
  edit->selectAll();
  edit->setText(text);
  QTest::keyClick(edit, Qt::Key_Return);
}

// Two pictures are the same when their pixels are.
inline bool SamePicture(const QPixmap& a, const QPixmap& b) {
  return a.toImage().convertToFormat(QImage::Format_ARGB32) ==
         b.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Which tray picture the main window shows: 1 OnImage, 0 OffImage, -1 other.
inline int TrayPicture(TMainForm* form) {
  const QPixmap shown = Find<TTaskIcon>(form, "CorvaloTaskIcon")->Icon().pixmap(QSize(15, 15));
  if (SamePicture(shown, Find<QLabel>(form, "OnImage")->pixmap())) return 1;
  if (SamePicture(shown, Find<QLabel>(form, "OffImage")->pixmap())) return 0;
  return -1;
}

// What an operator would find wrong with the top panel: a control cut off by
// the panel's edge, two controls on top of each other, a caption wider than
// its button, a blank column after the last control, a window that cuts the
// panel off or leaves a column's width blank beside it, or a scan panel not
// as wide as the top panel. Empty when the window fits its panel.
inline QString PanelFitProblem(QMainWindow* form) {
  const auto* panel = Find<QFrame>(form, "Panel1");
  const int column = Find<QSlider>(form, "VolumeTrackBar")->width();
  QList<const QWidget*> shown;
  for (const QWidget* w : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    // The picture behind the controls may be cut by a narrowed panel.
    if (!w->isHidden() && w->objectName() != QLatin1String("Image1")) shown << w;
  }
  int right = 0;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    const QRect at = shown[i]->geometry();
    const QString name = shown[i]->objectName();
    if (!panel->rect().contains(at)) return name + QStringLiteral(" is cut off");
    if (const auto* button = qobject_cast<const QPushButton*>(shown[i])) {
      const QString caption = QString(button->text()).remove(QLatin1Char('&'));
      if (button->fontMetrics().horizontalAdvance(caption) > at.width()) {
        return name + QStringLiteral("'s caption is cut off");
      }
    }
    for (qsizetype j = i + 1; j < shown.size(); ++j) {
      if (at.intersects(shown[j]->geometry())) {
        return name + QStringLiteral(" overlaps ") + shown[j]->objectName();
      }
    }
    right = std::max(right, at.right() + 1);
  }
  if (panel->width() - right >= column) return QStringLiteral("a blank column ends the panel");
  if (form->width() < panel->width()) return QStringLiteral("the window cuts the panel off");
  if (form->width() - panel->width() >= column) {
    return QStringLiteral("a blank column beside the panel");
  }
  if (Find<QFrame>(form, "Panel2")->width() != panel->width()) {
    return QStringLiteral("the scan panel is not as wide as the top panel");
  }
  return {};
}

}  // namespace guitest
