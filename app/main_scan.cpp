// The scan and search panel below the top panel: its controls drive the
// session's scan and search (a search that steps the radio upward until a
// signal is received, and a timed scan that steps once a second while no
// signal is present), and show their pass count and signal mark. The Tools
// menu shows or hides the panel and remembers the choice.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "app/main.h"
#include "components/SignalMeter.h"
#include "radio/ScanSearch.h"
#include "radio/SignalScanner.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

namespace {

constexpr int kPanelHeight = 64;
constexpr int kLimitEditWidth = 66;

constexpr char kLimitHint[] = "Frequency Display and Input";
constexpr char kDefaultUpperLimit[] = "162.55";
constexpr char kDefaultLowerLimit[] = "162.4";

// Ends a running search when the window closes (the program is ending) or a
// modal dialog blocks it: the operator has turned to something else, perhaps
// to reconfigure the radio, and the search must not take up again by itself
// when the dialog closes.
class SearchStopper : public QObject {
 public:
  SearchStopper(QWidget* window, std::function<void()> stop)
      : QObject(window), window_(window), stop_(std::move(stop)) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ &&
        (event->type() == QEvent::Close || event->type() == QEvent::WindowBlocked)) {
      stop_();
    }
    return false;
  }

 private:
  QWidget* window_;
  std::function<void()> stop_;
};

}  // namespace

// One row of the scan panel: its widgets sit 4 pixels apart.
QHBoxLayout* TMainForm::AddPanelRow(QVBoxLayout* rows) {
  auto* row = new QHBoxLayout;
  row->setSpacing(4);
  rows->addLayout(row);
  return row;
}

void TMainForm::BuildScanPanel() {
  // Three rows, so that the panel fits the narrowest top panel (all sliders
  // hidden): the choices; the timer, skip and pass count; the limits.
  auto* rows = new QVBoxLayout(Panel2);
  rows->setContentsMargins(4, 3, 4, 3);
  rows->setSpacing(3);

  RadioGroup1 = new QGroupBox(Panel2);
  RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
  auto* choices = new QHBoxLayout(RadioGroup1);
  choices->setContentsMargins(4, 1, 4, 1);
  const char* const captions[3] = {"Search", "Scan", "Manual"};
  for (int i = 0; i < 3; ++i) {
    // Radio buttons of one parent exclude each other; none is chosen at start.
    auto* item = new QRadioButton(QString::fromLatin1(captions[i]), RadioGroup1);
    item->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
    choices->addWidget(item);
    RadioGroup1Items[i] = item;
  }
  QHBoxLayout* row = AddPanelRow(rows);
  row->addWidget(RadioGroup1);
  row->addStretch();

  CheckBox1 = new QCheckBox(QStringLiteral("Scan timer"), Panel2);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  Button12 = new QPushButton(QStringLiteral("Skip"), Panel2);
  Button12->setObjectName(QStringLiteral("Button12"));
  Label1 = new QLabel(Panel2);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setToolTip(QStringLiteral("Passes in the last second"));
  row = AddPanelRow(rows);
  row->addWidget(CheckBox1);
  row->addWidget(Button12);
  row->addWidget(Label1, 1);

  auto limitEdit = [this](const char* name, const char* text) {
    auto* edit = new QLineEdit(QString::fromLatin1(text), Panel2);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setToolTip(QString::fromLatin1(kLimitHint));
    edit->setMaximumWidth(kLimitEditWidth);
    return edit;
  };
  auto limitLabel = [this](const char* caption, QLineEdit* buddy) {
    auto* label = new QLabel(QString::fromLatin1(caption), Panel2);
    label->setBuddy(buddy);
    return label;
  };
  LowerLimitEdit = limitEdit("LowerLimitEdit", kDefaultLowerLimit);
  UpperLimitEdit = limitEdit("UpperLimitEdit", kDefaultUpperLimit);
  row = AddPanelRow(rows);
  row->addWidget(limitLabel("Lower:", LowerLimitEdit));
  row->addWidget(LowerLimitEdit);
  row->addWidget(limitLabel("Upper:", UpperLimitEdit));
  row->addWidget(UpperLimitEdit);
  row->addStretch();

  BuildSignalScan(rows);

  Panel2->resize(Panel2->width(), std::max(kPanelHeight, rows->sizeHint().height()));

  ToolsMenu->addSeparator();
  ScanandSearch1 = ToolsMenu->addAction(QStringLiteral("&Scan and Search"));
  ScanandSearch1->setObjectName(QStringLiteral("ScanandSearch1"));
  ScanandSearch1->setCheckable(true);

  for (QRadioButton* item : RadioGroup1Items) {
    connect(item, &QRadioButton::clicked, this, run(&TMainForm::RadioGroup1Click));
  }
  connect(CheckBox1, &QCheckBox::clicked, this, run(&TMainForm::CheckBox1Click));
  connect(Button12, &QPushButton::clicked, this, run(&TMainForm::Button12Click));
  connect(ScanandSearch1, &QAction::triggered, this, run(&TMainForm::ScanandSearch1Click));
  ConnectScan();
  ConnectSignalScan();
  BuildChannelItems();

  new SearchStopper(this, [this] { session_.scan().stopSearch(); });

  Guarded([this] {
    bool shown = sn::kDefaultShowScanPanel;
    {
      SettingsSession session(store_);
      shown = store_.ReadFlag(sn::kGeneral, sn::kShowScanPanel, sn::kDefaultShowScanPanel);
    }
    ScanandSearch1->setChecked(shown);
    if (shown) ShowScanPanel(true);
  });
}

int TMainForm::LowerAreaHeight() const {
  return (Panel2->isHidden() ? 0 : Panel2->height()) +
         (StatusBar1->isHidden() ? 0 : StatusBar1->sizeHint().height());
}

void TMainForm::FitLowerArea(int before) {
  if (isMaximized() || isFullScreen()) return;
  const int after = LowerAreaHeight();
  const int topPanelBottom = menuBar()->sizeHint().height() + Panel1->geometry().bottom() + 1;
  if (after > before) {
    // Tall enough to hold what was added; a window the operator made taller
    // (or one stored while it was shown) keeps its height.
    resize(width(), std::max(height(), topPanelBottom + after));
  } else if (after < before) {
    resize(width(), std::max(topPanelBottom + after, height() - (before - after)));
  }
}

void TMainForm::ShowScanPanel(bool show) {
  const int before = LowerAreaHeight();
  if (!show) {
    // Nothing may run that the operator can no longer see or stop.
    session_.scan().stopSearch();
    session_.scan().setTimerOn(false);
    session_.signalScanner().stop();
  }
  Panel2->setVisible(show);
  // The status bar stays while the signal meter lives in it.
  StatusBar1->setVisible(show || !SignalMeter1->isHidden());
  FitLowerArea(before);
}

void TMainForm::ScanandSearch1Click() {
  const bool shown = ScanandSearch1->isChecked();
  ShowScanPanel(shown);
  SettingsSession session(store_);
  store_.WriteFlag(sn::kGeneral, sn::kShowScanPanel, shown);
}

int TMainForm::RadioGroup1ItemIndex() const {
  for (int i = 0; i < 3; ++i) {
    if (RadioGroup1Items[i]->isChecked()) return i;
  }
  return -1;
}

void TMainForm::ConnectScan() {
  ScanSearch& scan = session_.scan();
  auto limits = [this] {
    session_.scan().setLimits(LowerLimitEdit->text(), UpperLimitEdit->text());
  };
  connect(LowerLimitEdit, &QLineEdit::textChanged, this, limits);
  connect(UpperLimitEdit, &QLineEdit::textChanged, this, limits);
  limits();
  connect(&scan, &ScanSearch::choiceChanged, this, [this](ScanSearch::Choice choice) {
    const int index = static_cast<int>(choice);
    if (index >= 0 && index < 3) RadioGroup1Items[index]->setChecked(true);
  });
  connect(&scan, &ScanSearch::timerChanged, CheckBox1, &QCheckBox::setChecked);
  connect(&scan, &ScanSearch::passesCounted, this,
          [this](int passes) { Label1->setText(QString::number(passes)); });
  // The second part of StatusBar1: "*" while a signal is present.
  connect(&scan, &ScanSearch::signalChanged, this, [this](bool present) {
    StatusPanels[1]->setText(present ? QStringLiteral("*") : QString());
  });
}

void TMainForm::CheckBox1Click() { session_.scan().setTimerOn(CheckBox1->isChecked()); }

void TMainForm::Button12Click() { session_.scan().skip(); }

void TMainForm::RadioGroup1Click() {
  const int index = RadioGroup1ItemIndex();
  session_.scan().choose(static_cast<ScanSearch::Choice>(index));
}
