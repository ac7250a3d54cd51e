// The scan and search panel below the top panel: a search that steps the
// radio upward until a signal is received, and a timed scan that steps once a
// second while no signal is present. A signal counts as present while the
// serial port's carrier-detect line is raised. Both stay between the limits
// of the panel (or the radio's coverage) and wrap round to the lower limit.
// The Tools menu shows or hides the panel and remembers the choice.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QEventLoop>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <functional>

#include "app/main.h"
#include "radio/FrequencyText.h"
#include "radio/RadioLink.h"
#include "settings/SettingsNames.h"
#include "settings/SettingsStore.h"

namespace sn = settings_names;

namespace {

// The choices of RadioGroup1.
constexpr int kSearch = 0;
constexpr int kScan = 1;
constexpr int kManual = 2;

constexpr double kScanStepMhz = 0.0125;
constexpr double kSearchStepMhz = 0.05;
constexpr char kScanMode[] = "FMN";
constexpr int kScanIntervalMs = 1000;
constexpr int kPassCountMs = 1000;  // Label1 shows the passes of one second
// A search pass that sends nothing (a signal holds it, no port is open, the
// field holds no number) waits this long for events before the next pass, as
// long as a tuning takes, so that it does not spin the processor.
constexpr int kIdlePassMs = 51;
// Half the last shown decimal: a frequency this close to a limit counts as on
// it, whatever the binary rounding of the sum.
constexpr double kHalfLastDigit = 0.000005;
constexpr int kPanelHeight = 64;
constexpr int kLimitEditWidth = 66;

constexpr char kLimitHint[] = "Frequency Display and Input";
constexpr char kDefaultUpperLimit[] = "162.55";
constexpr char kDefaultLowerLimit[] = "162.4";

qint64 TickCount() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Band {
  double lower;
  double upper;
};

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

void TMainForm::BuildScanPanel() {
  // Three rows, so that the panel fits the narrowest top panel (all sliders
  // hidden): the choices; the timer, skip and pass count; the limits.
  auto* rows = new QVBoxLayout(Panel2);
  rows->setContentsMargins(4, 3, 4, 3);
  rows->setSpacing(3);
  auto addRow = [rows] {
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    rows->addLayout(row);
    return row;
  };

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
  QHBoxLayout* row = addRow();
  row->addWidget(RadioGroup1);
  row->addStretch();

  CheckBox1 = new QCheckBox(QStringLiteral("Scan timer"), Panel2);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  Button12 = new QPushButton(QStringLiteral("Skip"), Panel2);
  Button12->setObjectName(QStringLiteral("Button12"));
  Label1 = new QLabel(Panel2);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setToolTip(QStringLiteral("Passes in the last second"));
  row = addRow();
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
  row = addRow();
  row->addWidget(limitLabel("Lower:", LowerLimitEdit));
  row->addWidget(LowerLimitEdit);
  row->addWidget(limitLabel("Upper:", UpperLimitEdit));
  row->addWidget(UpperLimitEdit);
  row->addStretch();

  Panel2->resize(Panel2->width(), std::max(kPanelHeight, rows->sizeHint().height()));

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kScanIntervalMs);

  ToolsMenu->addSeparator();
  ScanandSearch1 = ToolsMenu->addAction(QStringLiteral("&Scan and Search"));
  ScanandSearch1->setObjectName(QStringLiteral("ScanandSearch1"));
  ScanandSearch1->setCheckable(true);

  auto run = [this](void (TMainForm::*handler)()) {
    return [this, handler] { Guarded([this, handler] { (this->*handler)(); }); };
  };
  for (QRadioButton* item : RadioGroup1Items) {
    connect(item, &QRadioButton::clicked, this, run(&TMainForm::RadioGroup1Click));
  }
  connect(CheckBox1, &QCheckBox::clicked, this, run(&TMainForm::CheckBox1Click));
  connect(Button12, &QPushButton::clicked, this, run(&TMainForm::Button12Click));
  connect(Timer1, &QTimer::timeout, this, run(&TMainForm::Timer1Timer));
  connect(ScanandSearch1, &QAction::triggered, this, run(&TMainForm::ScanandSearch1Click));

  new SearchStopper(this, [this] {
    if (searching_) RadioGroup1Items[kManual]->setChecked(true);
  });

  Guarded([this] {
    bool shown = sn::kDefaultShowScanPanel;
    {
      SettingsSession session;
      shown = Settings.ReadFlag(sn::kGeneral, sn::kShowScanPanel, sn::kDefaultShowScanPanel);
    }
    ScanandSearch1->setChecked(shown);
    if (shown) ShowScanPanel(true);
  });
}

void TMainForm::ShowScanPanel(bool show) {
  // What the panel and its status bar take below the top panel.
  const int extra = Panel2->height() + StatusBar1->sizeHint().height();
  const int topPanelBottom = menuBar()->sizeHint().height() + Panel1->geometry().bottom() + 1;
  const bool resizable = !isMaximized() && !isFullScreen();
  if (show) {
    Panel2->show();
    StatusBar1->show();
    // Tall enough to hold the panel; a window the operator made taller (or
    // one stored while the panel was shown) keeps its height.
    if (resizable) resize(width(), std::max(height(), topPanelBottom + extra));
    return;
  }
  // Nothing may run that the operator can no longer see or stop.
  if (searching_) RadioGroup1Items[kManual]->setChecked(true);
  CheckBox1->setChecked(false);
  CheckBox1Click();
  Panel2->hide();
  StatusBar1->hide();
  if (resizable) resize(width(), std::max(topPanelBottom, height() - extra));
}

void TMainForm::ScanandSearch1Click() {
  const bool shown = ScanandSearch1->isChecked();
  ShowScanPanel(shown);
  SettingsSession session;
  Settings.WriteFlag(sn::kGeneral, sn::kShowScanPanel, shown);
}

int TMainForm::RadioGroup1ItemIndex() const {
  for (int i = 0; i < 3; ++i) {
    if (RadioGroup1Items[i]->isChecked()) return i;
  }
  return -1;
}

namespace {

// Where the scan and the search stay: between the panel's limits when both
// are numbers within the coverage with the lower below the upper, otherwise
// across the whole coverage.
Band SearchBand(const TMainForm& form, const RadioLink& link) {
  double lower = 0;
  double upper = 0;
  if (freqtext::ParseNumber(form.LowerLimitEdit->text(), &lower) &&
      freqtext::ParseNumber(form.UpperLimitEdit->text(), &upper) && lower >= link.LowestFrequency &&
      upper <= link.HighestFrequency && lower < upper) {
    return {lower, upper};
  }
  return {link.LowestFrequency, link.HighestFrequency};
}

// The frequency one step above the text in its shown form; past the upper
// end of the band (or below its lower end) it is the lower end. Empty when the
// text is not a number.
QString NextFrequency(const QString& text, double step, const Band& band) {
  double value = 0;
  if (!freqtext::ParseNumber(text, &value)) return {};
  double next = value + step;
  if (next > band.upper + kHalfLastDigit || next < band.lower - kHalfLastDigit) next = band.lower;
  return TMainForm::ShownFrequency(next);
}

void CountPass(TMainForm& form) {
  ++form.PassCount;
  const qint64 now = TickCount();
  if (now >= form.PassTickStart + kPassCountMs) {
    form.Label1->setText(QString::number(form.PassCount));
    form.PassTickStart = now;
    form.PassCount = 1;
  }
}

// The second part of StatusBar1: "*" while a signal is present.
void ShowSignal(TMainForm& form, bool present) {
  if (auto* mark = form.StatusBar1->findChild<QLabel*>(QStringLiteral("StatusPanel1"))) {
    mark->setText(present ? QStringLiteral("*") : QString());
  }
}

}  // namespace

void TMainForm::CheckBox1Click() {
  if (CheckBox1->isChecked()) {
    Timer1->start();
  } else {
    Timer1->stop();
  }
}

void TMainForm::Button12Click() { ScanSkip = true; }

void TMainForm::Timer1Timer() {
  CountPass(*this);
  if (link_.CarrierDetect() && !ScanSkip) {
    ShowSignal(*this, true);
    return;
  }
  ShowSignal(*this, false);
  if (RadioGroup1ItemIndex() != kScan) return;
  const QString next = NextFrequency(FrequencyEdit->text(), kScanStepMhz, SearchBand(*this, link_));
  if (next.isEmpty()) return;
  TuneFrequencyText = next;
  TuneModeText = QString::fromLatin1(kScanMode);
  // Sends nothing while the port is closed; the scan goes on all the same.
  link_.TuneRadio(TuneFrequencyText, TuneModeText);
  ScanSkip = false;
  FrequencyEdit->setText(next);
}

bool TMainForm::SearchPass() {
  CountPass(*this);
  if (link_.CarrierDetect()) {
    ShowSignal(*this, true);
    return false;
  }
  ShowSignal(*this, false);
  const QString next =
      NextFrequency(FrequencyEdit->text(), kSearchStepMhz, SearchBand(*this, link_));
  if (next.isEmpty()) return false;
  TuneFrequencyText = next;
  const bool sent = link_.TuneRadio(TuneFrequencyText, TuneModeText);
  FrequencyEdit->setText(next);
  return sent;
}

void TMainForm::RadioGroup1Click() {
  CheckBox1->setChecked(false);
  CheckBox1Click();
  // A search that is running goes on: choosing "Search" again starts no
  // second loop inside the first.
  if (RadioGroup1ItemIndex() != kSearch || searching_) return;

  // The window may be gone when the events of a pass have been handled;
  // then nothing of it is touched any more.
  const QPointer<TMainForm> alive(this);
  struct Running {
    const QPointer<TMainForm>& form;
    ~Running() {
      if (form) form->searching_ = false;
    }
  } running{alive};
  searching_ = true;

  while (RadioGroup1ItemIndex() != kManual) {
    const bool sent = SearchPass();
    // The pending events are handled after every pass, so that the operator
    // can use the window (and choose "Manual") while the search runs. A pass
    // that sent nothing also waits for events as long as a tuning takes.
    QEventLoop events;
    QTimer::singleShot(sent ? 0 : kIdlePassMs, &events, &QEventLoop::quit);
    const int result = events.exec();
    if (!alive) return;
    // The program is ending: it cannot while the search runs.
    if (result < 0) break;
  }
  if (RadioGroup1ItemIndex() != kManual) RadioGroup1Items[kManual]->setChecked(true);
}
