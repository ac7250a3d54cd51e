#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

#include "channels/ChannelFormats.h"
#include "channels/ChannelStore.h"

class QThread;

// Importing a file into a list and exporting a list to a file: what the
// Channels window's File menu and the command line do.
namespace channels {

struct ImportRequest {
  QString filePath;
  QString listName;              // made when missing
  std::optional<Format> format;  // from the content when not given
  bool skipBadRows = false;
};

// The list name a file suggests: its name without the folder and suffix.
QString ListNameForFile(const QString& filePath);

// Reads, parses and imports the file in one transaction of the store.
// progress gets 0..100 as the file is read; *cancel stops it with nothing
// imported.
ImportReport ImportFile(ChannelStore& store, const ImportRequest& request,
                        const std::atomic<bool>* cancel = nullptr,
                        const std::function<void(int)>& progress = {});

// Imports the thirty presets' values (RowsFromPresets) into the list.
ImportReport ImportPresets(ChannelStore& store, const QList<PresetValues>& presets,
                           const QString& listName, bool skipBadRows);

// Writes the list to the file (replaced as a whole, never left half
// written). *notes gets what the format could not keep.
Status ExportList(ChannelStore& store, const QString& listName, const QString& filePath,
                  std::optional<Format> format, QStringList* notes = nullptr);

// An import on a thread of its own, with a store of its own on the same
// database file: the window stays responsive and can cancel. Create it, connect
// to finished(), call start(); it deletes itself after finished().
class ImportJob : public QObject {
  Q_OBJECT

 public:
  ImportJob(const QString& databasePath, const ImportRequest& request, QObject* parent = nullptr);
  ~ImportJob() override;

  void start();
  // Thread-safe; the import ends with nothing imported.
  void cancel() { cancel_.store(true); }

 signals:
  void progress(int percent);
  void finished(const channels::ImportReport& report);

 private:
  QString databasePath_;
  ImportRequest request_;
  std::atomic<bool> cancel_{false};
  QThread* thread_ = nullptr;
};

}  // namespace channels
