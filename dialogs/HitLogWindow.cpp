#include "dialogs/HitLogWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "channels/ChannelStore.h"
#include "components/MessageBox.h"
#include "dialogs/ScanSources.h"
#include "radio/FrequencyText.h"
#include "radio/RadioSession.h"
#include "radio/ScanHitLog.h"

HitLogWindow::HitLogWindow(RadioSession& session, StoreAccess store, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), store_(std::move(store)) {
  setObjectName(QStringLiteral("HitLogWindow"));
  setWindowTitle(QStringLiteral("Hit Log - Corvalo"));

  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("hits"));
  table_->setModel(&session_.hitLog());
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  // Every column as wide as its longest entry (a session's log is short);
  // the channel name takes what is left.
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(ScanHitLog::Channel, QHeaderView::Stretch);

  auto button = [this](const char* name, const char* caption, const char* tip) {
    auto* b = new QPushButton(QString::fromLatin1(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(QString::fromLatin1(tip));
    return b;
  };
  QPushButton* tune = button("tuneHit", "&Tune", "Tune the radio to the chosen hit (Return)");
  QPushButton* add =
      button("addHitToList", "&Add to List...", "Store the chosen hit in a channel list");
  QPushButton* write = button("writeHits", "&Write CSV",
                              "Write every hit to a new CSV file in the application data folder");
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("hitLogStatus"));
  status_->setTextFormat(Qt::PlainText);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(tune);
  buttons->addWidget(add);
  buttons->addStretch();
  buttons->addWidget(write);
  auto* rows = new QVBoxLayout(this);
  rows->addWidget(table_, 1);
  rows->addLayout(buttons);
  rows->addWidget(status_);

  connect(table_, &QTableView::activated, this, &HitLogWindow::tuneHit);
  connect(tune, &QPushButton::clicked, this,
          [this] { tuneHit(table_->model()->index(chosenRow(), 0)); });
  connect(add, &QPushButton::clicked, this, &HitLogWindow::addToList);
  connect(write, &QPushButton::clicked, this, &HitLogWindow::writeCsv);
  resize(640, 320);
}

int HitLogWindow::chosenRow() const {
  const QModelIndexList rows = table_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void HitLogWindow::say(const QString& text) { status_->setText(text); }

void HitLogWindow::tuneHit(const QModelIndex& index) {
  if (!index.isValid()) {
    say(QStringLiteral("Choose a hit first."));
    return;
  }
  const scanning::ScanChannel& channel = session_.hitLog().hitAt(index.row()).channel;
  RadioSession::Tuning row = session_.tuning();
  row.frequencyText = freqtext::ShownHz(channel.frequencyHz);
  if (!channel.mode.isEmpty()) row.mode = channel.mode;
  row.filterIndex = channel.filterIndex;  // -1 keeps the radio's filter
  const RadioSession::Result result = session_.tuneChannel(row, RadioSession::Origin::Operator);
  if (result.outcome == RadioSession::Outcome::Refused) {
    ShowInformation(this, result.reason);
    return;
  }
  say(QStringLiteral("Tuned to %1 MHz.").arg(row.frequencyText.trimmed()));
}

void HitLogWindow::addToList() {
  const int row = chosenRow();
  if (row < 0) {
    say(QStringLiteral("Choose a hit first."));
    return;
  }
  // Taken now: the log may grow while the operator picks the list.
  const SignalScanner::Hit hit = session_.hitLog().hitAt(row);
  channels::ChannelStore& store = store_();
  const channels::Result<QList<channels::ChannelList>> lists = store.lists();
  if (!lists.ok()) {
    ShowError(this, lists.error());
    return;
  }
  QStringList names;
  for (const channels::ChannelList& list : lists.value()) names << list.name;
  bool ok = false;
  const QString name =
      QInputDialog::getItem(this, QString::fromLatin1(kApplicationTitle),
                            QStringLiteral("Add the hit to the list (or name a new one):"), names,
                            0, true, &ok)
          .trimmed();
  if (!ok || name.isEmpty()) return;

  // List names are unique without regard to case: "weather" is "Weather".
  qint64 listId = 0;
  if (const channels::Result<channels::ChannelList> found = store.findList(name); found.ok()) {
    listId = found.value().id;
  } else {
    const channels::Result<qint64> made = store.createList(name);
    if (!made.ok()) {
      ShowError(this, made.error());
      return;
    }
    listId = made.value();
  }
  channels::Channel channel;
  channel.listId = listId;
  channel.frequencyHz = hit.channel.frequencyHz;
  channel.mode = hit.channel.mode;
  channel.filter = hit.channel.filterIndex >= 0 ? hit.channel.filterIndex : channels::kNoFilter;
  channel.name = hit.channel.name;
  channel.comment = QStringLiteral("Heard %1").arg(hit.started.toString(Qt::ISODate));
  const channels::Result<channels::Channel> added = store.addChannel(channel);
  if (!added.ok()) {
    ShowError(this, added.error());
    return;
  }
  say(QStringLiteral("%1 MHz added to \"%2\".")
          .arg(channels::FormatMhz(channel.frequencyHz), name));
}

void HitLogWindow::writeCsv() {
  const QString path = scansources::ExportPath(QStringLiteral("hits"), QStringLiteral("csv"));
  const QString failure = session_.hitLog().writeCsv(path);
  if (!failure.isEmpty()) {
    ShowError(this, failure);
    return;
  }
  say(QStringLiteral("%1 hits written to %2").arg(session_.hitLog().rowCount()).arg(path));
}
