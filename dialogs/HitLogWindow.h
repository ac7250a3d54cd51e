#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QModelIndex;
class QTableView;
class RadioSession;

namespace channels {
class ChannelStore;
}

// The hit log: every stop of the signal scan in this run of the program,
// newest first, growing as the scan goes (start time, frequency, channel,
// mode, peak level, duration). Return, a double click or Tune tunes the hit
// chosen; Add to List stores it in a channel list the operator picks or
// names anew; Write CSV writes the whole log to a new file in the
// application data folder and says where.
//
// Widgets tests may find by name: "hits" (the table), "tuneHit",
// "addHitToList", "writeHits", "hitLogStatus".
class HitLogWindow : public QWidget {
  Q_OBJECT

 public:
  using StoreAccess = std::function<channels::ChannelStore&()>;
  HitLogWindow(RadioSession& session, StoreAccess store, QWidget* parent = nullptr);

 private:
  // The row chosen in the table, or -1.
  int chosenRow() const;
  void tuneHit(const QModelIndex& index);
  void addToList();
  void writeCsv();
  void say(const QString& text);

  RadioSession& session_;
  StoreAccess store_;
  QTableView* table_ = nullptr;
  QLabel* status_ = nullptr;
};
