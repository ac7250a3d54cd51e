#include "dialogs/ChannelsWindow.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "components/MessageBox.h"

using channels::Channel;
using channels::ChannelTableModel;

namespace {

constexpr int kMessageMs = 8000;  // how long a status-bar message stays

// Greys the rows the radio cannot tune; edits mode and filter with a list of
// what the radio offers.
class ChannelDelegate : public QStyledItemDelegate {
 public:
  ChannelDelegate(const ChannelTableModel& model, QObject* parent)
      : QStyledItemDelegate(parent), model_(model) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!index.data(Qt::ToolTipRole).toString().isEmpty()) {
      option->palette.setColor(QPalette::Text,
                               option->palette.color(QPalette::Disabled, QPalette::Text));
    }
  }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    if (index.column() != ChannelTableModel::kMode &&
        index.column() != ChannelTableModel::kFilter) {
      return QStyledItemDelegate::createEditor(parent, option, index);
    }
    auto* box = new QComboBox(parent);
    if (index.column() == ChannelTableModel::kMode) {
      for (int i = 0; !channels::ModeCode(i).isEmpty(); ++i) {
        if (model_.capabilities().hasMode(channels::ModeCode(i)))
          box->addItem(channels::ModeCode(i));
      }
    } else {
      box->addItem(QString());
      for (int i = 0; i < channels::kFilterCount; ++i) box->addItem(channels::FilterCode(i));
    }
    return box;
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
      box->setCurrentIndex(std::max(0, box->findText(index.data(Qt::EditRole).toString())));
      return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
      model->setData(index, box->currentText(), Qt::EditRole);
      return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
  }

 private:
  const ChannelTableModel& model_;
};

}  // namespace

ChannelsWindow::ChannelsWindow(channels::ChannelStore& store, ChannelsHost& host, QWidget* parent)
    : QMainWindow(parent), store_(store), host_(host) {
  setWindowTitle(QStringLiteral("Channels"));
  model_ = new ChannelTableModel(store_, this);
  proxy_ = new channels::ChannelFilterProxy(this);
  proxy_->setSourceModel(model_);
  capabilitiesChanged();
  model_->setRefusalCheck([this](const Channel& channel) { return host_.refusal(channel); });
  // Shown once the edit has ended, never from inside the editor's commit.
  connect(model_, &ChannelTableModel::editRefused, this, &ChannelsWindow::showRefusedEdit,
          Qt::QueuedConnection);
  buildWidgets();
  buildMenus();
  if (!store_.openMessage().isEmpty()) {
    banner_->setText(store_.openMessage());
    banner_->show();
  }
  refreshLists(0, true);
  resize(820, 480);
}

ChannelsWindow::~ChannelsWindow() {
  if (importJob_) importJob_->cancel();
  // Hiding the view below (in the base destructor) can still ask rows for
  // their tooltip; by then neither this window nor its host may be asked.
  model_->setRefusalCheck({});
}

void ChannelsWindow::buildWidgets() {
  auto* splitter = new QSplitter(this);
  lists_ = new QListWidget(splitter);
  lists_->setObjectName(QStringLiteral("lists"));
  auto* right = new QWidget(splitter);
  auto* layout = new QVBoxLayout(right);
  layout->setContentsMargins(0, 0, 0, 0);
  banner_ = new QLabel(right);
  banner_->setTextFormat(Qt::PlainText);  // the store's message names its file
  banner_->setWordWrap(true);
  banner_->hide();
  search_ = new QLineEdit(right);
  search_->setObjectName(QStringLiteral("search"));
  search_->setPlaceholderText(QStringLiteral("Search names, frequencies and tags"));
  search_->setClearButtonEnabled(true);
  table_ = new QTableView(right);
  table_->setObjectName(QStringLiteral("channels"));
  table_->setModel(proxy_);
  table_->setItemDelegate(new ChannelDelegate(*model_, table_));
  table_->setSortingEnabled(true);
  table_->sortByColumn(ChannelTableModel::kFrequency, Qt::AscendingOrder);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  table_->setWordWrap(false);
  // Fixed row heights and column widths: nothing is measured per row, so a
  // list of thousands opens at once.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setColumnWidth(ChannelTableModel::kFrequency, 120);
  table_->setColumnWidth(ChannelTableModel::kMode, 60);
  table_->setColumnWidth(ChannelTableModel::kFilter, 60);
  table_->setColumnWidth(ChannelTableModel::kName, 180);
  table_->setColumnWidth(ChannelTableModel::kLockout, 70);
  layout->addWidget(banner_);
  layout->addWidget(search_);
  layout->addWidget(table_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({180, 640});
  setCentralWidget(splitter);

  connect(search_, &QLineEdit::textChanged, proxy_, &channels::ChannelFilterProxy::setSearchText);
  connect(lists_, &QListWidget::currentRowChanged, this, &ChannelsWindow::showList);
  connect(table_, &QAbstractItemView::activated, this, &ChannelsWindow::tuneRow);
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &ChannelsWindow::updateActions);
  lists_->setContextMenuPolicy(Qt::ActionsContextMenu);
  table_->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void ChannelsWindow::buildMenus() {
  const auto add = [this](QMenu* menu, const QString& text, const QKeySequence& keys, auto slot) {
    QAction* action = menu->addAction(text);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  editActions_.append(add(file, QStringLiteral("&Import..."), QKeySequence(Qt::CTRL | Qt::Key_I),
                          &ChannelsWindow::chooseImport));
  add(file, QStringLiteral("&Export..."), QKeySequence(Qt::CTRL | Qt::Key_E),
      &ChannelsWindow::chooseExport);
  file->addSeparator();
  add(file, QStringLiteral("&Close"), QKeySequence::Close, &QWidget::close);

  QMenu* list = menuBar()->addMenu(QStringLiteral("&List"));
  QAction* newList = add(list, QStringLiteral("&New List..."),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), &ChannelsWindow::newList);
  QAction* rename = add(list, QStringLiteral("&Rename List..."), QKeySequence(Qt::Key_F2),
                        &ChannelsWindow::renameList);
  rename->setShortcutContext(Qt::WidgetShortcut);
  QAction* remove =
      add(list, QStringLiteral("&Delete List..."), QKeySequence(), &ChannelsWindow::deleteList);
  lists_->addActions({newList, rename, remove});
  editActions_.append({newList, rename, remove});

  QMenu* channel = menuBar()->addMenu(QStringLiteral("&Channel"));
  QAction* addTuning = add(channel, QStringLiteral("&Add Current Tuning"),
                           QKeySequence(Qt::Key_Insert), &ChannelsWindow::addCurrentTuning);
  QAction* deleteAction = add(channel, QStringLiteral("&Delete"), QKeySequence::Delete,
                              &ChannelsWindow::deleteSelected);
  undoAction_ =
      add(channel, QStringLiteral("&Undo Delete"), QKeySequence::Undo, &ChannelsWindow::undoDelete);
  QAction* lockout = add(channel, QStringLiteral("&Lock Out"), QKeySequence(Qt::CTRL | Qt::Key_L),
                         &ChannelsWindow::toggleLockout);
  QMenu* moveTo = channel->addMenu(QStringLiteral("&Move To"));
  QMenu* copyTo = channel->addMenu(QStringLiteral("&Copy To"));
  connect(moveTo, &QMenu::aboutToShow, this, [this, moveTo] { fillTargetMenu(moveTo, true); });
  connect(copyTo, &QMenu::aboutToShow, this, [this, copyTo] { fillTargetMenu(copyTo, false); });
  channel->addSeparator();
  add(channel, QStringLiteral("&Find"), QKeySequence::Find, [this] { search_->setFocus(); });
  table_->addActions(
      {addTuning, deleteAction, undoAction_, lockout, moveTo->menuAction(), copyTo->menuAction()});
  editActions_.append(
      {addTuning, deleteAction, lockout, moveTo->menuAction(), copyTo->menuAction()});
  updateActions();
}

void ChannelsWindow::updateActions() {
  // During an import the database is busy with it: nothing else is changed.
  const bool writable = store_.isOpen() && !store_.isReadOnly() && !importRunning();
  for (QAction* action : editActions_) action->setEnabled(writable);
  undoAction_->setEnabled(writable && !deleted_.isEmpty());
}

void ChannelsWindow::say(const QString& message) { statusBar()->showMessage(message, kMessageMs); }

void ChannelsWindow::capabilitiesChanged() { model_->setCapabilities(host_.capabilities()); }

qint64 ChannelsWindow::currentListId() const { return model_->listId(); }

void ChannelsWindow::refreshLists(qint64 select, bool reload) {
  const qint64 keep = select != 0 ? select : model_->listId();
  const channels::Result<QList<channels::ChannelList>> all = store_.lists();
  if (!all && store_.isOpen()) ShowError(this, all.error());
  QSignalBlocker blocker(lists_);
  lists_->clear();
  int row = -1;
  for (const channels::ChannelList& list : all.value()) {
    auto* item = new QListWidgetItem(
        QStringLiteral("%1 (%2)").arg(list.name).arg(list.channelCount), lists_);
    item->setData(Qt::UserRole, list.id);
    item->setData(Qt::UserRole + 1, list.name);
    if (list.id == keep || row < 0) row = lists_->count() - 1;
  }
  lists_->setCurrentRow(row);
  blocker.unblock();
  const qint64 shown = row >= 0 ? lists_->item(row)->data(Qt::UserRole).toLongLong() : 0;
  if (reload || shown != model_->listId()) showList(row);
}

void ChannelsWindow::showList(int row) {
  const qint64 id = row >= 0 ? lists_->item(row)->data(Qt::UserRole).toLongLong() : 0;
  if (channels::Status shown = model_->setList(id); !shown) ShowError(this, shown.error());
  updateActions();
}

bool ChannelsWindow::selectList(const QString& name) {
  for (int row = 0; row < lists_->count(); ++row) {
    if (lists_->item(row)->data(Qt::UserRole + 1).toString().compare(name, Qt::CaseInsensitive) ==
        0) {
      lists_->setCurrentRow(row);
      return true;
    }
  }
  return false;
}

QList<qint64> ChannelsWindow::selectedIds() const {
  QList<qint64> ids;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
    ids.append(proxy_->channelAt(index.row()).id);
  }
  return ids;
}

void ChannelsWindow::tuneRow(const QModelIndex& proxyIndex) {
  if (!proxyIndex.isValid()) return;
  const Channel channel = proxy_->channelAt(proxyIndex.row());
  QString refused = host_.refusal(channel);
  if (refused.isEmpty()) refused = host_.tune(channel);
  if (!refused.isEmpty()) {
    ShowInformation(this, refused);
    return;
  }
  say(QStringLiteral("Tuned %1 MHz %2 %3")
          .arg(channels::FormatMhz(channel.frequencyHz), channel.mode, channel.name));
}

void ChannelsWindow::addCurrentTuning() {
  const ChannelsHost::Tuning tuning = host_.currentTuning();
  if (tuning.frequencyHz == 0) {
    ShowInformation(this, QStringLiteral("Nothing has been tuned yet."));
    return;
  }
  if (model_->listId() == 0) {
    if (lists_->count() > 0) {
      ShowInformation(this, QStringLiteral("Choose a list first."));
      return;
    }
    const channels::Result<qint64> created = store_.createList(QStringLiteral("Channels"));
    if (!created) {
      ShowError(this, created.error());
      return;
    }
    refreshLists(created.value(), true);
  }
  Channel channel;
  channel.frequencyHz = tuning.frequencyHz;
  channel.mode = tuning.mode;
  channel.filter = tuning.filter;
  const channels::Result<Channel> added = model_->addChannel(channel);
  if (!added) {
    ShowInformation(this, added.error());
    return;
  }
  refreshLists(model_->listId(), false);
  search_->clear();
  const QModelIndex name = proxy_->mapFromSource(
      model_->index(model_->rowOfChannel(added.value().id), ChannelTableModel::kName));
  table_->setCurrentIndex(name);
  table_->scrollTo(name);
  table_->edit(name);
}

void ChannelsWindow::deleteSelected() {
  const QList<qint64> ids = selectedIds();
  if (ids.isEmpty()) return;
  const channels::Result<QList<Channel>> deleted = model_->deleteChannels(ids);
  if (!deleted) {
    ShowError(this, deleted.error());
    return;
  }
  deleted_.append(deleted.value());
  refreshLists(0, false);
  updateActions();
  say(QStringLiteral("Deleted %1 channels. %2 puts them back.")
          .arg(deleted.value().size())
          .arg(undoAction_->shortcut().toString(QKeySequence::NativeText)));
}

void ChannelsWindow::undoDelete() {
  if (deleted_.isEmpty()) return;
  if (channels::Status restored = model_->restoreChannels(deleted_.last()); !restored) {
    ShowError(this, restored.error());
    return;
  }
  say(QStringLiteral("Put back %1 channels.").arg(deleted_.takeLast().size()));
  refreshLists(0, false);
  updateActions();
}

void ChannelsWindow::toggleLockout() {
  const QList<qint64> ids = selectedIds();
  if (ids.isEmpty()) return;
  if (channels::Status done = model_->toggleLockout(ids); !done) ShowError(this, done.error());
}

void ChannelsWindow::fillTargetMenu(QMenu* menu, bool move) {
  menu->clear();
  for (int row = 0; row < lists_->count(); ++row) {
    const qint64 target = lists_->item(row)->data(Qt::UserRole).toLongLong();
    if (target == model_->listId()) continue;
    QAction* action = menu->addAction(lists_->item(row)->data(Qt::UserRole + 1).toString());
    connect(action, &QAction::triggered, this, [this, target, move] {
      const QList<qint64> ids = selectedIds();
      const channels::Status done =
          move ? model_->moveChannels(ids, target) : model_->copyChannels(ids, target);
      if (!done) ShowError(this, done.error());
      refreshLists(0, false);
    });
  }
  if (menu->isEmpty()) menu->addAction(QStringLiteral("(no other list)"))->setEnabled(false);
}

void ChannelsWindow::newList() {
  bool ok = false;
  const QString name = QInputDialog::getText(
      this, QStringLiteral("New List"), QStringLiteral("Name:"), QLineEdit::Normal, QString(), &ok);
  if (!ok) return;
  const channels::Result<qint64> created = store_.createList(name);
  if (!created) {
    ShowInformation(this, created.error());
    return;
  }
  refreshLists(created.value(), true);
}

void ChannelsWindow::renameList() {
  QListWidgetItem* item = lists_->currentItem();
  if (item == nullptr) return;
  bool ok = false;
  const QString name =
      QInputDialog::getText(this, QStringLiteral("Rename List"), QStringLiteral("Name:"),
                            QLineEdit::Normal, item->data(Qt::UserRole + 1).toString(), &ok);
  if (!ok) return;
  const channels::Status renamed = store_.renameList(item->data(Qt::UserRole).toLongLong(), name);
  if (!renamed) ShowInformation(this, renamed.error());
  refreshLists(0, false);
}

void ChannelsWindow::deleteList() {
  QListWidgetItem* item = lists_->currentItem();
  if (item == nullptr) return;
  if (!Confirm(this,
               QStringLiteral("Delete the list %1 and every channel in it? This cannot be undone.")
                   .arg(item->text()),
               QStringLiteral("Delete"))) {
    return;
  }
  const qint64 id = item->data(Qt::UserRole).toLongLong();
  if (channels::Status done = store_.deleteList(id); !done) ShowError(this, done.error());
  model_->setList(0);
  refreshLists(0, true);
}

void ChannelsWindow::showRefusedEdit(const QString& message) { ShowInformation(this, message); }
