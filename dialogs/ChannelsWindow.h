#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <optional>

#include "channels/ChannelFiles.h"
#include "channels/ChannelStore.h"
#include "channels/ChannelTableModel.h"
#include "dialogs/ChannelsHost.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressDialog;
class QTableView;

// The Channels window: the lists on the left, the chosen list's channels on
// the right with a search box that filters as one types. Cells are edited in
// place and checked as they are stored; a double click or Return tunes the
// channel through the host. Deleting can be undone; channels move or copy to
// another list; the File menu imports and exports the peers' files.
//
// Widgets tests may find by name: "lists", "search", "channels" (the table).
class ChannelsWindow : public QMainWindow {
  Q_OBJECT

 public:
  ChannelsWindow(channels::ChannelStore& store, ChannelsHost& host, QWidget* parent = nullptr);
  ~ChannelsWindow() override;

  // The radio's modes, filters or coverage changed: re-asks the host.
  void capabilitiesChanged();
  // Stores the radio's current tuning in the chosen list (a list "Channels"
  // is made when there is none) and starts editing its name.
  void addCurrentTuning();
  // Shows the named list; false when there is none.
  bool selectList(const QString& name);
  // The list shown, or 0.
  qint64 currentListId() const;

  // Imports the file into the list on a worker thread, with a progress
  // dialog that can cancel. A file with bad rows imports nothing; the
  // operator is then offered to skip them. importFinished() tells the end.
  void startImport(const QString& filePath, const QString& listName, bool skipBadRows = false);
  bool importRunning() const { return !importJob_.isNull(); }
  // Writes the list shown to the file; the format from the file name when
  // not given. Failures are shown; returns whether it was written.
  bool exportCurrentList(const QString& filePath, std::optional<channels::Format> format);

 signals:
  void importFinished(const channels::ImportReport& report);

 private:
  // ChannelsWindow.cpp
  void buildWidgets();
  void buildMenus();
  // Rebuilds the list panel, choosing `select` (or the list shown); reloads
  // the table when asked or when the list shown changes.
  void refreshLists(qint64 select, bool reload);
  void showList(int row);
  void updateActions();
  QList<qint64> selectedIds() const;
  void tuneRow(const QModelIndex& proxyIndex);
  void deleteSelected();
  void undoDelete();
  void toggleLockout();
  void fillTargetMenu(QMenu* menu, bool move);
  void newList();
  void renameList();
  void deleteList();
  void showRefusedEdit(const QString& message);
  void say(const QString& message);

  // ChannelsWindowFiles.cpp
  void chooseImport();
  void chooseExport();
  void importDone(const channels::ImportRequest& request, const channels::ImportReport& report);

  channels::ChannelStore& store_;
  ChannelsHost& host_;
  channels::ChannelTableModel* model_ = nullptr;
  channels::ChannelFilterProxy* proxy_ = nullptr;
  QLabel* banner_ = nullptr;
  QListWidget* lists_ = nullptr;
  QLineEdit* search_ = nullptr;
  QTableView* table_ = nullptr;
  QList<QAction*> editActions_;  // enabled only for a writable store and a list
  QAction* undoAction_ = nullptr;
  // Deleted channels, latest last, for undo.
  QList<QList<channels::Channel>> deleted_;
  QPointer<channels::ImportJob> importJob_;
  QPointer<QProgressDialog> progress_;
};
