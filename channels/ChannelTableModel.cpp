#include "channels/ChannelTableModel.h"

#include <algorithm>

namespace channels {

namespace {

// The message the main window gives for a frequency it cannot take.
const QString kNotValidFrequency = QStringLiteral("Not a valid frequency.");
// Above this many rows a change reloads the table rather than moving rows.
constexpr int kRowByRowLimit = 64;

bool byFrequency(const Channel& a, const Channel& b) {
  return a.frequencyHz != b.frequencyHz ? a.frequencyHz < b.frequencyHz : a.id < b.id;
}

}  // namespace

ChannelTableModel::ChannelTableModel(ChannelStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {}

QString ChannelTableModel::makeSearchKey(const Channel& channel) {
  // One buffer, lowered in place: a list of thousands opens without a
  // storm of small allocations.
  QString key;
  key.reserve(channel.name.size() + 48 + 16 * channel.tags.size());
  key.append(channel.name).append(u'\n').append(FormatMhz(channel.frequencyHz)).append(u'\n');
  key.append(QString::number(channel.frequencyHz));
  for (const QString& tag : channel.tags) key.append(u'\n').append(tag);
  return std::move(key).toLower();
}

Status ChannelTableModel::setList(qint64 listId) {
  QList<Channel> loaded;
  Status status;
  if (listId != 0) {
    Result<QList<Channel>> result = store_.channels(listId);
    status = result;
    if (result) loaded = result.take();
  }
  beginResetModel();
  listId_ = status ? listId : 0;
  channels_ = std::move(loaded);
  searchKeys_.clear();
  searchKeys_.reserve(channels_.size());
  for (const Channel& channel : channels_) searchKeys_.append(makeSearchKey(channel));
  endResetModel();
  return status;
}

void ChannelTableModel::setCapabilities(const Capabilities& capabilities) {
  beginResetModel();
  capabilities_ = capabilities;
  endResetModel();
}

void ChannelTableModel::setRefusalCheck(std::function<QString(const Channel&)> check) {
  beginResetModel();
  refusalCheck_ = std::move(check);
  endResetModel();
}

QString ChannelTableModel::refusal(const Channel& channel) const {
  return refusalCheck_ ? refusalCheck_(channel) : CapabilityRefusal(channel, capabilities_);
}

int ChannelTableModel::rowOfChannel(qint64 channelId) const {
  for (int row = 0; row < channels_.size(); ++row) {
    if (channels_[row].id == channelId) return row;
  }
  return -1;
}

int ChannelTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(channels_.size());
}

int ChannelTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ChannelTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= channels_.size()) return QVariant();
  const Channel& channel = channels_.at(index.row());
  const int column = index.column();
  if (role == Qt::DisplayRole || role == Qt::EditRole) {
    switch (column) {
      case kFrequency:
        return FormatMhz(channel.frequencyHz);
      case kMode:
        return channel.mode;
      case kFilter:
        return FilterCode(channel.filter);
      case kName:
        return channel.name;
      case kTags:
        return TagsText(channel.tags);
      case kComment:
        return channel.comment;
      default:
        return QVariant();
    }
  }
  if (role == kSortRole) {
    if (column == kFrequency) return channel.frequencyHz;
    if (column == kLockout) return channel.lockout;
    return data(index, Qt::DisplayRole);
  }
  if (role == Qt::CheckStateRole && column == kLockout) {
    return channel.lockout ? Qt::Checked : Qt::Unchecked;
  }
  if (role == Qt::ToolTipRole) {
    const QString why = refusal(channel);
    if (!why.isEmpty()) return QStringLiteral("This radio cannot tune this channel: ") + why;
    return QVariant();
  }
  if (role == Qt::TextAlignmentRole && column == kFrequency) {
    return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
  }
  return QVariant();
}

QVariant ChannelTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  static const char* const kTitles[kColumnCount] = {
      "Frequency (MHz)", "Mode", "Filter", "Name", "Tags", "Lockout", "Comment"};
  if (section < 0 || section >= kColumnCount) return QVariant();
  return QString::fromLatin1(kTitles[section]);
}

Qt::ItemFlags ChannelTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (store_.isReadOnly()) return result;
  if (index.column() == kLockout) return result | Qt::ItemIsUserCheckable;
  if (index.column() == kFilter && !capabilities_.filters) return result;
  return result | Qt::ItemIsEditable;
}

QString ChannelTableModel::applyEdit(int column, const QVariant& value, Channel* channel) const {
  const QString text = value.toString();
  switch (column) {
    case kFrequency:
      if (!ParseMhz(text, &channel->frequencyHz)) return kNotValidFrequency;
      return QString();
    case kMode: {
      const int mode = ModeIndex(text.trimmed().toUpper());
      if (mode < 0) return QStringLiteral("\"%1\" is not a mode.").arg(text.trimmed());
      if (!capabilities_.hasMode(ModeCode(mode))) {
        return QStringLiteral("The radio has no %1 mode.").arg(ModeCode(mode));
      }
      channel->mode = ModeCode(mode);
      return QString();
    }
    case kFilter: {
      const int filter = FilterIndexOf(text.trimmed());
      if (filter < kNoFilter) {
        return QStringLiteral("\"%1\" is not a filter (3K, 6K, 15K, 50K, 230K or none).")
            .arg(text.trimmed());
      }
      if (filter != kNoFilter && !capabilities_.filters) {
        return QStringLiteral("The radio has no filter choice.");
      }
      channel->filter = filter;
      return QString();
    }
    case kName:
      channel->name = text.trimmed();
      return QString();
    case kTags:
      channel->tags = TagsFromText(text);
      return QString();
    case kComment:
      channel->comment = text;
      return QString();
    default:
      return QStringLiteral("This column cannot be edited.");
  }
}

bool ChannelTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.row() >= channels_.size()) return false;
  const Channel& current = channels_.at(index.row());
  if (role == Qt::CheckStateRole && index.column() == kLockout) {
    const bool lockout = value.toInt() == Qt::Checked;
    if (lockout == current.lockout) return true;
    if (Status done = store_.setLockout({current.id}, lockout); !done) {
      emit editRefused(done.error());
      return false;
    }
    Channel changed = current;
    changed.lockout = lockout;
    replaceRow(index.row(), changed);
    return true;
  }
  if (role != Qt::EditRole) return false;
  Channel edited = current;
  if (const QString why = applyEdit(index.column(), value, &edited); !why.isEmpty()) {
    emit editRefused(why);
    return false;
  }
  if (edited == current) return true;
  Result<Channel> stored = store_.updateChannel(edited);
  if (!stored) {
    emit editRefused(stored.error());
    return false;
  }
  replaceRow(index.row(), stored.value());
  return true;
}

void ChannelTableModel::replaceRow(int row, const Channel& channel) {
  channels_[row] = channel;
  searchKeys_[row] = makeSearchKey(channel);
  emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

Result<Channel> ChannelTableModel::addChannel(const Channel& channel) {
  if (listId_ == 0) return Status::failure(QStringLiteral("Choose a list first."));
  Channel added = channel;
  added.listId = listId_;
  Result<Channel> stored = store_.addChannel(added);
  if (!stored) return stored;
  const auto at = std::upper_bound(channels_.begin(), channels_.end(), stored.value(), byFrequency);
  const int row = static_cast<int>(at - channels_.begin());
  beginInsertRows(QModelIndex(), row, row);
  channels_.insert(row, stored.value());
  searchKeys_.insert(row, makeSearchKey(stored.value()));
  endInsertRows();
  return stored;
}

Result<QList<Channel>> ChannelTableModel::deleteChannels(const QList<qint64>& channelIds) {
  Result<QList<Channel>> deleted = store_.deleteChannels(channelIds);
  if (!deleted) return deleted;
  if (deleted.value().size() > kRowByRowLimit) {
    reload();
    return deleted;
  }
  for (const Channel& channel : deleted.value()) {
    const int row = rowOfChannel(channel.id);
    if (row < 0) continue;
    beginRemoveRows(QModelIndex(), row, row);
    channels_.removeAt(row);
    searchKeys_.removeAt(row);
    endRemoveRows();
  }
  return deleted;
}

Status ChannelTableModel::restoreChannels(const QList<Channel>& channels) {
  Status done = store_.restoreChannels(channels);
  if (done) done = reload();
  return done;
}

Status ChannelTableModel::moveChannels(const QList<qint64>& channelIds, qint64 targetListId) {
  if (targetListId == listId_) return Status();
  Status done = store_.moveChannels(channelIds, targetListId);
  if (!done) return done;
  if (channelIds.size() > kRowByRowLimit) return reload();
  for (qint64 id : channelIds) {
    const int row = rowOfChannel(id);
    if (row < 0) continue;
    beginRemoveRows(QModelIndex(), row, row);
    channels_.removeAt(row);
    searchKeys_.removeAt(row);
    endRemoveRows();
  }
  return done;
}

Status ChannelTableModel::copyChannels(const QList<qint64>& channelIds, qint64 targetListId) {
  Result<QList<Channel>> copies = store_.copyChannels(channelIds, targetListId);
  if (copies && targetListId == listId_) return reload();
  return copies;
}

Status ChannelTableModel::toggleLockout(const QList<qint64>& channelIds) {
  bool allLocked = !channelIds.isEmpty();
  for (qint64 id : channelIds) {
    const int row = rowOfChannel(id);
    if (row >= 0 && !channels_[row].lockout) allLocked = false;
  }
  Status done = store_.setLockout(channelIds, !allLocked);
  if (!done) return done;
  for (qint64 id : channelIds) {
    const int row = rowOfChannel(id);
    if (row < 0) continue;
    Channel changed = channels_[row];
    changed.lockout = !allLocked;
    replaceRow(row, changed);
  }
  return done;
}

// ---- ChannelFilterProxy ----

ChannelFilterProxy::ChannelFilterProxy(QObject* parent) : QSortFilterProxyModel(parent) {
  setSortRole(ChannelTableModel::kSortRole);
}

const ChannelTableModel* ChannelFilterProxy::channels() const {
  return static_cast<const ChannelTableModel*>(sourceModel());
}

const Channel& ChannelFilterProxy::channelAt(int proxyRow) const {
  return channels()->channelAt(mapToSource(index(proxyRow, 0)).row());
}

void ChannelFilterProxy::setSearchText(const QString& text) {
  const QString needle = text.trimmed().toLower();
  if (needle == needle_) return;
  needle_ = needle;
  invalidateFilter();
}

bool ChannelFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
  if (needle_.isEmpty() || sourceParent.isValid()) return true;
  return channels()->searchKey(sourceRow).contains(needle_);
}

bool ChannelFilterProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const Channel& a = channels()->channelAt(left.row());
  const Channel& b = channels()->channelAt(right.row());
  int order = 0;
  switch (left.column()) {
    case ChannelTableModel::kFrequency:
      break;
    case ChannelTableModel::kLockout:
      order = int(a.lockout) - int(b.lockout);
      break;
    default:
      order =
          channels()
              ->data(left, Qt::DisplayRole)
              .toString()
              .compare(channels()->data(right, Qt::DisplayRole).toString(), Qt::CaseInsensitive);
      break;
  }
  if (order != 0) return order < 0;
  return a.frequencyHz != b.frequencyHz ? a.frequencyHz < b.frequencyHz : a.id < b.id;
}

}  // namespace channels
