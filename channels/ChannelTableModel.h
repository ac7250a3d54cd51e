#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QSortFilterProxyModel>
#include <QString>
#include <functional>

#include "channels/Channel.h"
#include "channels/ChannelStore.h"

namespace channels {

// The channels of one list as a table. Edits are checked (frequency through
// the program's one number parser, mode and filter against what the radio
// offers) and written through the store at once; a refused edit changes
// nothing and is told through editRefused(). Rows the radio cannot tune are
// greyed, with the reason as their tooltip.
class ChannelTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kFrequency, kMode, kFilter, kName, kTags, kLockout, kComment, kColumnCount };
  // Raw values for sorting: hertz, text, bool.
  static constexpr int kSortRole = Qt::UserRole + 1;

  explicit ChannelTableModel(ChannelStore& store, QObject* parent = nullptr);

  // Shows the list (0: none). Fails, showing nothing, when it cannot be read.
  Status setList(qint64 listId);
  qint64 listId() const { return listId_; }
  Status reload() { return setList(listId_); }

  void setCapabilities(const Capabilities& capabilities);
  const Capabilities& capabilities() const { return capabilities_; }
  // Why the configured radio cannot tune a channel ("" when it can); rows it
  // refuses are shown as such. Without one, the capabilities decide.
  void setRefusalCheck(std::function<QString(const Channel&)> check);
  QString refusal(const Channel& channel) const;

  const Channel& channelAt(int row) const { return channels_.at(row); }
  int rowOfChannel(qint64 channelId) const;
  // Lower-case name, frequency (MHz and Hz) and tags, for the search box.
  const QString& searchKey(int row) const { return searchKeys_.at(row); }

  // ---- Changes, through the store ----
  Result<Channel> addChannel(const Channel& channel);
  // Returns what was deleted, for restoreChannels (undo).
  Result<QList<Channel>> deleteChannels(const QList<qint64>& channelIds);
  Status restoreChannels(const QList<Channel>& channels);
  Status moveChannels(const QList<qint64>& channelIds, qint64 targetListId);
  Status copyChannels(const QList<qint64>& channelIds, qint64 targetListId);
  // Locks out every channel given, or lifts the lockout when all are locked out.
  Status toggleLockout(const QList<qint64>& channelIds);

  // ---- QAbstractTableModel ----
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 signals:
  void editRefused(const QString& message);

 private:
  // The edited channel, or the reason the text cannot be taken.
  QString applyEdit(int column, const QVariant& value, Channel* channel) const;
  void replaceRow(int row, const Channel& channel);
  static QString makeSearchKey(const Channel& channel);

  ChannelStore& store_;
  qint64 listId_ = 0;
  QList<Channel> channels_;
  QList<QString> searchKeys_;
  Capabilities capabilities_;
  std::function<QString(const Channel&)> refusalCheck_;
};

// Sorts a ChannelTableModel by its raw values and keeps the rows whose name,
// frequency or tags hold the search text (any case), as the operator types.
class ChannelFilterProxy : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  explicit ChannelFilterProxy(QObject* parent = nullptr);
  void setSearchText(const QString& text);
  QString searchText() const { return needle_; }
  // The source model's channel behind a row of this model.
  const Channel& channelAt(int proxyRow) const;

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  const ChannelTableModel* channels() const;
  QString needle_;
};

}  // namespace channels
