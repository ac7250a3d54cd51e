#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <functional>

#include "radio/SignalScanner.h"

// The hits of this run of the program, newest first, as a table: start time,
// frequency, channel name, mode, peak level, duration. It follows a
// scanner's hits as they start, grow and end, and writes itself to a CSV
// file on request. Qt Core only: the window shows it in a view.
class ScanHitLog : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Time, Frequency, Channel, Mode, Peak, Duration, ColumnCount };

  explicit ScanHitLog(QObject* parent = nullptr);

  // Follows the scanner's hits from now on.
  void follow(const SignalScanner& scanner);
  // How a raw level is shown ("S7 (-12 dB)"); the raw number when unset.
  void setLevelText(std::function<QString(int raw)> text);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  const QList<SignalScanner::Hit>& hits() const { return hits_; }  // newest first
  // The hit of a table row.
  const SignalScanner::Hit& hitAt(int row) const { return hits_.at(row); }
  void clear();

  // Writes every hit, oldest first, with a header line; an empty text when
  // done, else why not (the file is left as it was when it cannot be
  // written whole).
  QString writeCsv(const QString& path) const;

 private:
  void add(const SignalScanner::Hit& hit);
  void update(const SignalScanner::Hit& hit);
  QString levelText(const SignalScanner::Hit& hit) const;

  QList<SignalScanner::Hit> hits_;
  std::function<QString(int)> levelText_;
};
