// The signal scan's part of the scan panel, and the hit log and band survey
// windows of the Tools menu. The panel reads the operator's choices into a
// scan plan and hands it to the session's signal scanner; the scanner's
// state (what it is tuned to, passes, hits, a radio that stopped answering)
// shows in the status bar, and in the tray hint while the window is hidden.
// A lockout asked for while stopped on a list's channel is stored in the
// channel lists, so the next scan passes over it too.

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>
#include <cmath>

#include "app/main.h"
#include "channels/ChannelStore.h"
#include "components/MessageBox.h"
#include "components/TaskIcon.h"
#include "dialogs/HitLogWindow.h"
#include "dialogs/ScanOptionsDialog.h"
#include "dialogs/ScanSources.h"
#include "dialogs/SurveyWindow.h"
#include "radio/FrequencyText.h"
#include "radio/Readings.h"
#include "radio/ScanOptions.h"
#include "radio/SignalScanner.h"
#include "settings/SettingsStore.h"

namespace {

// The places of ScanSourceComboBox.
enum Source { kRange, kList, kTag, kPresets };

constexpr char kDefaultStepKhz[] = "12.5";
constexpr double kDefaultHangSeconds = 2.0;
constexpr double kLongestHangSeconds = 60.0;
constexpr int kStatusMessageMs = 10000;
constexpr int kStepEditWidth = 40;
// The keys of Skip and Lock out: no control of the window uses them (the
// line edits take Ctrl+K, the Channels window's Ctrl+L locks out too).
constexpr auto kSkipKey = Qt::CTRL | Qt::Key_N;
constexpr auto kLockoutKey = Qt::CTRL | Qt::Key_L;

// "162.55000 NOAA 1", or the frequency alone.
QString ChannelText(const scanning::ScanChannel& channel) {
  const QString mhz = freqtext::MhzText(channel.frequencyHz);
  return channel.name.isEmpty() ? mhz : mhz + QLatin1Char(' ') + channel.name;
}

}  // namespace

void TMainForm::BuildSignalScan(QVBoxLayout* rows) {
  auto* box = new QGroupBox(QStringLiteral("Signal scan"), Panel2);
  box->setObjectName(QStringLiteral("SignalScanBox"));
  auto* lines = new QVBoxLayout(box);
  lines->setContentsMargins(4, 1, 4, 2);
  lines->setSpacing(3);
  auto named = [](auto* widget, const char* name, const char* tip) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setToolTip(QString::fromLatin1(tip));
    return widget;
  };

  // Source, and beside it what the source needs: the step of a range (from
  // the Lower to the Upper limit), or the list or tag to go through.
  ScanSourceComboBox = named(new QComboBox(box), "ScanSourceComboBox",
                             "What the scan goes through: the range from Lower to Upper, a "
                             "channel list, a tag across the lists, or the thirty presets");
  ScanSourceComboBox->addItems({QStringLiteral("Range"), QStringLiteral("List"),
                                QStringLiteral("Tag"), QStringLiteral("Presets")});
  ScanListComboBox = named(new QComboBox(box), "ScanListComboBox", "The list or tag to scan");
  ScanListComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ScanListComboBox->setMinimumContentsLength(6);
  ScanListComboBox->hide();
  ScanStepEdit = named(new QLineEdit(QString::fromLatin1(kDefaultStepKhz), box), "ScanStepEdit",
                       "The step of the range, in kHz");
  ScanStepEdit->setMaximumWidth(kStepEditWidth);
  ScanStepLabel = new QLabel(QStringLiteral("Step (kHz):"), box);
  ScanStepLabel->setObjectName(QStringLiteral("ScanStepLabel"));
  QHBoxLayout* row = AddPanelRow(lines);
  row->addWidget(ScanSourceComboBox);
  row->addWidget(ScanListComboBox, 1);
  row->addWidget(ScanStepLabel);
  row->addWidget(ScanStepEdit);
  row->addStretch();

  ThresholdSpinBox = named(new QSpinBox(box), "ThresholdSpinBox",
                           "The level on the radio's scale that counts as a signal; "
                           "\"squelch\": the radio's squelch alone decides");
  ThresholdSpinBox->setRange(-1, 255);
  ThresholdSpinBox->setSpecialValueText(QStringLiteral("squelch"));
  ThresholdSpinBox->setValue(-1);
  HangSpinBox = named(new QDoubleSpinBox(box), "HangSpinBox",
                      "How long a signal must be gone before the scan goes on");
  HangSpinBox->setRange(0, kLongestHangSeconds);
  HangSpinBox->setDecimals(1);
  HangSpinBox->setSingleStep(0.5);
  HangSpinBox->setSuffix(QStringLiteral(" s"));
  HangSpinBox->setValue(kDefaultHangSeconds);
  row = AddPanelRow(lines);
  row->addWidget(new QLabel(QStringLiteral("Level:"), box));
  row->addWidget(ThresholdSpinBox);
  row->addWidget(new QLabel(QStringLiteral("Hang:"), box));
  row->addWidget(HangSpinBox);
  row->addStretch();

  SignalScanButton = named(new QPushButton(QStringLiteral("Start"), box), "SignalScanButton",
                           "Start or stop the scan that stops on signals");
  SignalSkipButton = named(new QPushButton(QStringLiteral("Skip"), box), "SignalSkipButton",
                           "Pass over this channel for the rest of this scan (Ctrl+N)");
  LockoutButton = named(new QPushButton(QStringLiteral("Lock out"), box), "LockoutButton",
                        "Lock this channel of a list out of every scan (Ctrl+L)");
  row = AddPanelRow(lines);
  row->addWidget(SignalScanButton);
  row->addWidget(SignalSkipButton);
  row->addWidget(LockoutButton);
  row->addStretch();

  rows->addWidget(box);
}

void TMainForm::ConnectSignalScan() {
  HitLog1 = AddToolsItem("HitLog1", "&Hit Log...");
  BandSurvey1 = AddToolsItem("BandSurvey1", "&Band Survey...");
  ScanOptions1 = AddToolsItem("ScanOptions1", "Scan &Options...");
  connect(HitLog1, &QAction::triggered, this, run(&TMainForm::HitLog1Click));
  connect(BandSurvey1, &QAction::triggered, this, run(&TMainForm::BandSurvey1Click));
  connect(ScanOptions1, &QAction::triggered, this, run(&TMainForm::ScanOptions1Click));

  // The keys work wherever the focus is in the window (and in the hit log
  // window); they are enabled only while a scan runs.
  SignalSkip1 = AddWindowKey("SignalSkip1", kSkipKey);
  Lockout1 = AddWindowKey("Lockout1", kLockoutKey);

  connect(ScanSourceComboBox, &QComboBox::activated, this,
          run(&TMainForm::ScanSourceComboBoxChange));
  connect(SignalScanButton, &QPushButton::clicked, this, run(&TMainForm::SignalScanButtonClick));
  connect(SignalSkipButton, &QPushButton::clicked, this, run(&TMainForm::SignalSkipButtonClick));
  connect(SignalSkip1, &QAction::triggered, this, run(&TMainForm::SignalSkipButtonClick));
  connect(LockoutButton, &QPushButton::clicked, this, run(&TMainForm::LockoutButtonClick));
  connect(Lockout1, &QAction::triggered, this, run(&TMainForm::LockoutButtonClick));

  SignalScanner& scanner = session_.signalScanner();
  connect(&scanner, &SignalScanner::stateChanged, this, &TMainForm::ShowSignalScanState);
  connect(&scanner, &SignalScanner::channelChanged, this, &TMainForm::ShowSignalScanState);
  connect(&scanner, &SignalScanner::passCompleted, this, &TMainForm::ShowSignalScanState);
  connect(&scanner, &SignalScanner::hitStarted, this, &TMainForm::ShowSignalScanState);
  connect(&scanner, &SignalScanner::message, this, &TMainForm::ShowSignalScanMessage);
  connect(&scanner, &SignalScanner::lockoutRequested, this, &TMainForm::StoreLockout);
  // The threshold is on the scale of the radio in use.
  auto scale = [this] {
    const readings::ProtocolReadings* radio = readings::forProtocol(session_.protocol());
    ThresholdSpinBox->setMaximum(radio ? radio->rawMax : 255);
  };
  connect(&session_, &RadioSession::configurationChanged, this, scale);
  scale();
  ShowSignalScanState();
}

channels::ChannelStore& TMainForm::ChannelLists() {
  if (!channelStore_) {
    channelStore_ = std::make_unique<channels::ChannelStore>();
    if (!channelStore_->openMessage().isEmpty()) {
      ShowInformation(isVisible() ? this : nullptr, channelStore_->openMessage());
    }
  }
  return *channelStore_;
}

void TMainForm::ScanSourceComboBoxChange() {
  const int source = ScanSourceComboBox->currentIndex();
  ScanStepLabel->setVisible(source == kRange);
  ScanStepEdit->setVisible(source == kRange);
  ScanListComboBox->setVisible(source == kList || source == kTag);
  FillScanChooser();
}

void TMainForm::FillScanChooser() {
  const int source = ScanSourceComboBox->currentIndex();
  if (source != kList && source != kTag) return;
  const QString chosen = ScanListComboBox->currentText();
  ScanListComboBox->clear();
  channels::ChannelStore& store = ChannelLists();
  if (source == kList) {
    const channels::Result<QList<channels::ChannelList>> lists = store.lists();
    if (!lists.ok()) ShowSignalScanMessage(lists.error());
    for (const channels::ChannelList& list : lists.value()) {
      ScanListComboBox->addItem(list.name, list.id);
    }
  } else {
    const channels::Result<QStringList> tags = store.tags();
    if (!tags.ok()) ShowSignalScanMessage(tags.error());
    ScanListComboBox->addItems(tags.value());
  }
  ScanListComboBox->setCurrentIndex(std::max(0, ScanListComboBox->findText(chosen)));
}

std::optional<scanning::ScanPlan> TMainForm::SignalScanPlan(QString* refusal) {
  const int source = ScanSourceComboBox->currentIndex();
  if (source == kRange) {
    std::optional<scanning::RangeSpec> range = scansources::ReadRange(
        LowerLimitEdit->text(), UpperLimitEdit->text(), ScanStepEdit->text(), refusal);
    if (!range) return std::nullopt;
    return scanning::ScanPlan::range(*range);
  }
  scansources::Channels chosen;
  if (source == kPresets) {
    SettingsSession settings(store_);
    chosen = scansources::FromPresets(store_);
  } else {
    // The lists may have changed since they were offered.
    FillScanChooser();
    const QString name = ScanListComboBox->currentText();
    if (ScanListComboBox->count() == 0) {
      chosen.refusal = source == kList
                           ? QStringLiteral("There is no channel list to scan.")
                           : QStringLiteral("No channel has a tag: there is nothing to scan.");
    } else if (source == kList) {
      chosen =
          scansources::FromList(ChannelLists(), ScanListComboBox->currentData().toLongLong(), name);
    } else {
      chosen = scansources::FromTag(ChannelLists(), name);
    }
  }
  scansources::KeepTunable(chosen, session_.tuningLimits());
  if (chosen.channels.empty()) {
    *refusal = chosen.refusal;
    return std::nullopt;
  }
  return scanning::ScanPlan::channels(std::move(chosen.channels));
}

void TMainForm::SignalScanButtonClick() {
  SignalScanner& scanner = session_.signalScanner();
  if (scanner.running()) {
    scanner.stop();
    return;
  }
  QString refusal;
  std::optional<scanning::ScanPlan> plan = SignalScanPlan(&refusal);
  if (plan) {
    SignalScanner::Settings settings;
    if (ThresholdSpinBox->value() >= 0) settings.thresholdRaw = ThresholdSpinBox->value();
    settings.hangMs = int(std::lround(HangSpinBox->value() * 1000));
    ReadScanOptions(store_).applyTo(settings);
    // A range starts from the tuned frequency, as the search does.
    double mhz = 0;
    if (plan->isRange() && freqtext::ParseNumber(session_.tuning().frequencyText, &mhz)) {
      settings.startAt = std::max<qsizetype>(0, plan->nearest(std::llround(mhz * 1e6)));
    }
    refusal = scanner.start(std::move(*plan), settings);
  }
  if (!refusal.isEmpty()) ShowInformation(this, refusal);
}

void TMainForm::ScanOptions1Click() {
  ScanOptionsDialog dialog(ReadScanOptions(store_), session_.modeList(), session_.lowestMhz(),
                           session_.highestMhz(), this);
  if (dialog.exec() == QDialog::Accepted) WriteScanOptions(store_, dialog.options());
}

void TMainForm::SignalSkipButtonClick() {
  SignalScanner& scanner = session_.signalScanner();
  if (!scanner.running()) return;
  const scanning::ScanChannel channel = scanner.current();
  scanner.skip();
  StatusBar1->showMessage(QStringLiteral("Skipped for this scan: %1").arg(ChannelText(channel)),
                          kStatusMessageMs);
}

void TMainForm::LockoutButtonClick() {
  SignalScanner& scanner = session_.signalScanner();
  if (!scanner.running()) return;
  const scanning::ScanChannel channel = scanner.current();
  // A list's channel is stored as locked out (StoreLockout); any other is
  // passed over for this scan only.
  scanner.lockout();
  if (channel.channelId == 0) {
    StatusBar1->showMessage(
        QStringLiteral("Not a channel of a list: %1 is passed over for this scan only.")
            .arg(ChannelText(channel)),
        kStatusMessageMs);
  }
}

void TMainForm::StoreLockout(const scanning::ScanChannel& channel) {
  const channels::Status stored = ChannelLists().setLockout({channel.channelId}, true);
  if (!stored.ok()) {
    ShowError(isVisible() ? this : nullptr,
              QStringLiteral("The lockout of %1 cannot be stored (it is passed over for this "
                             "scan only): %2")
                  .arg(ChannelText(channel), stored.error()));
    return;
  }
  StatusBar1->showMessage(QStringLiteral("Locked out: %1").arg(ChannelText(channel)),
                          kStatusMessageMs);
}

QString TMainForm::SignalScanText() const {
  const SignalScanner& scanner = session_.signalScanner();
  QString doing;
  switch (scanner.state()) {
    case SignalScanner::State::Idle:
      return {};
    case SignalScanner::State::Scanning:
      doing = QStringLiteral("Scanning %1").arg(ChannelText(scanner.current()));
      break;
    case SignalScanner::State::Listening:
      doing = QStringLiteral("Stopped on %1").arg(ChannelText(scanner.current()));
      break;
    case SignalScanner::State::Paused:
      doing = QStringLiteral("Paused: no reading from the radio");
      break;
  }
  const int hits = scanner.hitCount();
  return QStringLiteral("%1 - pass %2 - %3 %4")
      .arg(doing)
      .arg(scanner.passes() + 1)
      .arg(hits)
      .arg(hits == 1 ? QStringLiteral("hit") : QStringLiteral("hits"));
}

void TMainForm::ShowSignalScanState() {
  const SignalScanner& scanner = session_.signalScanner();
  const bool running = scanner.running();
  SignalScanButton->setText(running ? QStringLiteral("Stop") : QStringLiteral("Start"));
  SignalSkipButton->setEnabled(running);
  LockoutButton->setEnabled(running);
  SignalSkip1->setEnabled(running);
  Lockout1->setEnabled(running);
  const QString text = SignalScanText();
  StatusPanels[0]->setText(text);
  StatusPanels[0]->setToolTip(text);
  ShowHiddenHint();
}

void TMainForm::ShowSignalScanMessage(const QString& text) {
  StatusBar1->showMessage(text, kStatusMessageMs);
  if (!isVisible()) {
    CorvaloTaskIcon->SetHint(QStringLiteral("Corvalo: ") + text);
    CorvaloTaskIcon->UpdateIcon();
  }
}

void TMainForm::ShowHiddenHint() {
  if (isVisible()) return;
  const RadioSession::Reading& reading = session_.reading();
  const QString scan = SignalScanText();
  QString hint;
  if (!scan.isEmpty()) {
    hint = QStringLiteral("Corvalo: ") + scan;
  } else if (!trayHint_.isEmpty()) {
    hint = trayHint_;
  } else {
    return;
  }
  if (reading.valid && !reading.text.isEmpty()) hint += QLatin1Char(' ') + reading.text;
  CorvaloTaskIcon->SetHint(hint);
  CorvaloTaskIcon->UpdateIcon();
}

void TMainForm::HitLog1Click() {
  if (hitLogWindow_ == nullptr) {
    hitLogWindow_ = new HitLogWindow(
        session_, [this]() -> channels::ChannelStore& { return ChannelLists(); }, this);
    // Skip and Lock out by their keys while the operator watches the log.
    hitLogWindow_->addActions({SignalSkip1, Lockout1});
  }
  hitLogWindow_->show();
  hitLogWindow_->raise();
  hitLogWindow_->activateWindow();
}

void TMainForm::BandSurvey1Click() {
  if (surveyWindow_ == nullptr) {
    surveyWindow_ = new SurveyWindow(
        session_, [this]() -> channels::ChannelStore& { return ChannelLists(); }, this);
    surveyWindow_->propose(LowerLimitEdit->text(), UpperLimitEdit->text(), ScanStepEdit->text(),
                           ThresholdSpinBox->value());
  }
  surveyWindow_->show();
  surveyWindow_->raise();
  surveyWindow_->activateWindow();
}
