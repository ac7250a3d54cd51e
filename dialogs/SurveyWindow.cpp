#include "dialogs/SurveyWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

#include "channels/ChannelStore.h"
#include "components/MessageBox.h"
#include "components/SurveyPlot.h"
#include "dialogs/ScanSources.h"
#include "radio/BandSurvey.h"
#include "radio/FrequencyText.h"
#include "radio/RadioSession.h"

namespace {

constexpr int kEditWidth = 80;

}  // namespace

SurveyWindow::SurveyWindow(RadioSession& session, StoreAccess store, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), store_(std::move(store)) {
  setObjectName(QStringLiteral("SurveyWindow"));
  setWindowTitle(QStringLiteral("Band Survey - Corvalo"));

  auto named = [](auto* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
  };
  auto edit = [&](const char* name, const char* text, const char* tip) {
    auto* field = named(new QLineEdit(QString::fromLatin1(text), this), name);
    field->setMaximumWidth(kEditWidth);
    field->setToolTip(QString::fromLatin1(tip));
    return field;
  };
  from_ = edit("surveyFrom", "162.4", "Where the sweep starts, in MHz");
  to_ = edit("surveyTo", "162.55", "Where the sweep stops, in MHz");
  step_ = edit("surveyStep", "12.5", "The step, in kHz");
  repeat_ = named(new QCheckBox(QStringLiteral("&Repeat"), this), "surveyRepeat");
  repeat_->setToolTip(QStringLiteral("Sweep again and again until cancelled; the peaks add up"));
  start_ = named(new QPushButton(QStringLiteral("&Start"), this), "surveyStart");
  cancel_ = named(new QPushButton(QStringLiteral("&Cancel"), this), "surveyCancel");
  cancel_->setEnabled(false);

  threshold_ = named(new QSpinBox(this), "surveyThreshold");
  threshold_->setRange(-1, 255);
  threshold_->setValue(-1);
  threshold_->setSpecialValueText(QStringLiteral("none"));
  threshold_->setToolTip(QStringLiteral("The level drawn as the threshold line (raw scale)"));
  markers_ = named(new QComboBox(this), "surveyMarkers");
  markers_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  markers_->setMinimumContentsLength(12);
  markers_->setToolTip(QStringLiteral("The channel list whose frequencies are marked"));
  auto* resetZoom = named(new QPushButton(QStringLiteral("Reset &Zoom"), this), "surveyResetZoom");
  auto* csv = named(new QPushButton(QStringLiteral("Export CS&V"), this), "surveyCsv");
  auto* png = named(new QPushButton(QStringLiteral("Save &PNG"), this), "surveyPng");

  plot_ = new SurveyPlot(this);
  plot_->setToolTip(QString());
  plot_->setLevelText([&session = session_](int raw) { return session.levelText(raw); });
  status_ = named(new QLabel(this), "surveyStatus");
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status_->setTextFormat(Qt::PlainText);

  auto label = [this](const char* caption, QWidget* buddy) {
    auto* text = new QLabel(QString::fromLatin1(caption), this);
    text->setBuddy(buddy);
    return text;
  };
  auto* range = new QHBoxLayout;
  range->addWidget(label("&From:", from_));
  range->addWidget(from_);
  range->addWidget(label("&To:", to_));
  range->addWidget(to_);
  range->addWidget(label("St&ep (kHz):", step_));
  range->addWidget(step_);
  range->addWidget(repeat_);
  range->addStretch();
  range->addWidget(start_);
  range->addWidget(cancel_);
  auto* view = new QHBoxLayout;
  view->addWidget(label("T&hreshold:", threshold_));
  view->addWidget(threshold_);
  view->addWidget(label("&Markers:", markers_));
  view->addWidget(markers_);
  view->addStretch();
  view->addWidget(resetZoom);
  view->addWidget(csv);
  view->addWidget(png);
  auto* rows = new QVBoxLayout(this);
  rows->addLayout(range);
  rows->addLayout(view);
  rows->addWidget(plot_, 1);
  rows->addWidget(status_);

  connect(start_, &QPushButton::clicked, this, &SurveyWindow::start);
  connect(cancel_, &QPushButton::clicked, this, [this] {
    session_.survey().cancel();
    say(QStringLiteral("Cancelled."));
  });
  connect(threshold_, &QSpinBox::valueChanged, this, [this](int raw) {
    plot_->setThreshold(raw >= 0 ? std::optional<int>(raw) : std::nullopt);
  });
  connect(markers_, &QComboBox::activated, this, &SurveyWindow::showMarkers);
  connect(resetZoom, &QPushButton::clicked, plot_, &SurveyPlot::resetZoom);
  connect(csv, &QPushButton::clicked, this, &SurveyWindow::exportCsv);
  connect(png, &QPushButton::clicked, this, &SurveyWindow::exportPng);
  connect(plot_, &SurveyPlot::frequencyClicked, this, &SurveyWindow::tune);

  BandSurvey& survey = session_.survey();
  connect(&survey, &BandSurvey::started, this, &SurveyWindow::started);
  connect(&survey, &BandSurvey::pointRead, this, &SurveyWindow::pointRead);
  connect(&survey, &BandSurvey::sweepFinished, this, [this](int sweeps) {
    say(QStringLiteral("Sweep %1 done: %2 steps.")
            .arg(sweeps)
            .arg(session_.survey().points().size()));
  });
  connect(&survey, &BandSurvey::finished, this, &SurveyWindow::ended);
  connect(&survey, &BandSurvey::message, this, &SurveyWindow::say);
  resize(sizeHint().expandedTo(QSize(720, 380)));
}

void SurveyWindow::propose(const QString& fromMhz, const QString& toMhz, const QString& stepKhz,
                           int thresholdRaw) {
  from_->setText(fromMhz.trimmed());
  to_->setText(toMhz.trimmed());
  step_->setText(stepKhz.trimmed());
  threshold_->setValue(thresholdRaw);
}

void SurveyWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) fillMarkerLists();
}

void SurveyWindow::say(const QString& text) { status_->setText(text); }

void SurveyWindow::start() {
  QString refusal;
  const std::optional<scanning::RangeSpec> range =
      scansources::ReadRange(from_->text(), to_->text(), step_->text(), &refusal);
  if (range) refusal = session_.survey().start(*range, repeat_->isChecked());
  if (!refusal.isEmpty()) ShowInformation(this, refusal);
}

void SurveyWindow::started() {
  const BandSurvey& survey = session_.survey();
  plot_->reset(survey.range().startHz, survey.range().stepHz, qsizetype(survey.points().size()),
               survey.rawMax());
  threshold_->setMaximum(survey.rawMax());
  start_->setEnabled(false);
  cancel_->setEnabled(true);
  say(QStringLiteral("Sweeping %1 steps...").arg(survey.points().size()));
}

void SurveyWindow::pointRead(qsizetype index) {
  const BandSurvey::Point& point = session_.survey().points()[size_t(index)];
  plot_->setPoint(index, point.raw, point.peak);
  plot_->setSweepPosition(index);
}

void SurveyWindow::ended() {
  plot_->setSweepPosition(-1);
  start_->setEnabled(true);
  cancel_->setEnabled(false);
}

// Refilled each time the window is shown: lists may have been renamed,
// deleted or edited in the Channels window meanwhile, and the plot's markers
// follow what the list holds now.
void SurveyWindow::fillMarkerLists() {
  const QVariant shown = markers_->currentData();
  markers_->clear();
  markers_->addItem(QStringLiteral("(none)"), qint64(0));
  const channels::Result<QList<channels::ChannelList>> lists = store_().lists();
  if (!lists.ok()) {
    say(lists.error());
  } else {
    for (const channels::ChannelList& list : lists.value()) markers_->addItem(list.name, list.id);
    markers_->setCurrentIndex(std::max(0, markers_->findData(shown)));
  }
  showMarkers();
}

void SurveyWindow::showMarkers() {
  QList<SurveyPlot::Marker> marks;
  const qint64 listId = markers_->currentData().toLongLong();
  if (listId != 0) {
    const channels::Result<QList<channels::Channel>> channels = store_().channels(listId);
    if (!channels.ok()) say(channels.error());
    for (const channels::Channel& channel : channels.value()) {
      marks.append({channel.frequencyHz, channel.name});
    }
  }
  plot_->setMarkers(marks);
}

void SurveyWindow::tune(qint64 hz) {
  RadioSession::Tuning row = session_.tuning();
  row.frequencyText = freqtext::ShownHz(hz);
  row.filterIndex = -1;  // the radio keeps its filter
  const RadioSession::Result result = session_.tuneChannel(row, RadioSession::Origin::Operator);
  if (result.outcome == RadioSession::Outcome::Refused) {
    ShowInformation(this, result.reason);
  } else {
    say(QStringLiteral("Tuned to %1 MHz.").arg(row.frequencyText.trimmed()));
  }
}

void SurveyWindow::exportCsv() {
  const QString path = scansources::ExportPath(QStringLiteral("survey"), QStringLiteral("csv"));
  const QString failure = session_.survey().writeCsv(path);
  if (!failure.isEmpty()) {
    ShowError(this, failure);
    return;
  }
  say(QStringLiteral("Levels written to %1").arg(path));
}

void SurveyWindow::exportPng() {
  const QString path = scansources::ExportPath(QStringLiteral("survey"), QStringLiteral("png"));
  if (!plot_->grab().save(path, "PNG")) {
    ShowError(this, QStringLiteral("%1 cannot be written.").arg(path));
    return;
  }
  say(QStringLiteral("Plot written to %1").arg(path));
}
