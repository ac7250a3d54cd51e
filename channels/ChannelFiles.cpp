#include "channels/ChannelFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include "channels/TextInput.h"

namespace channels {

QString ListNameForFile(const QString& filePath) {
  const QString name = QFileInfo(filePath).completeBaseName().trimmed();
  return name.isEmpty() ? QStringLiteral("Imported") : name;
}

ImportReport ImportFile(ChannelStore& store, const ImportRequest& request,
                        const std::atomic<bool>* cancel, const std::function<void(int)>& progress) {
  ImportReport failure;
  failure.listName = request.listName.trimmed().isEmpty() ? ListNameForFile(request.filePath)
                                                          : request.listName.trimmed();
  const QString shown = QDir::toNativeSeparators(request.filePath);
  QFile file(request.filePath);
  if (QFileInfo(request.filePath).isDir() || !file.open(QIODevice::ReadOnly)) {
    failure.error =
        QStringLiteral("the file %1 cannot be read (%2).")
            .arg(shown, QFileInfo(request.filePath).isDir() ? QStringLiteral("it is a folder")
                                                            : file.errorString());
    return failure;
  }
  const auto tooLarge = [&] {
    failure.error = QStringLiteral("the file %1 is too large for a channel list (at most %2 MB).")
                        .arg(shown)
                        .arg(kMaxImportBytes / (1024 * 1024));
    return failure;
  };
  if (file.size() > kMaxImportBytes) return tooLarge();
  const QByteArray data = file.read(kMaxImportBytes + 1);
  if (data.size() > kMaxImportBytes) return tooLarge();
  if (file.error() != QFileDevice::NoError) {
    failure.error =
        QStringLiteral("the file %1 cannot be read (%2).").arg(shown, file.errorString());
    return failure;
  }
  file.close();
  const std::optional<Format> format = request.format ? request.format : DetectFormat(data);
  if (!format) {
    // A file that is not even text says so; otherwise it is no format known.
    QByteArrayView text;
    if (!text::CheckText(data, &text, &failure.error)) return failure;
    failure.error = QStringLiteral(
                        "the file %1 is not a channel list Corvalo knows (gqrx bookmarks, SDR++ "
                        "bookmarks, CHIRP CSV or a Corvalo channel list).")
                        .arg(shown);
    return failure;
  }
  int shownPercent = -1;
  const auto produce = [&](const RowSink& sink) {
    return ParseChannels(*format, data, [&](const ImportRow& row) {
      if (progress && row.total > 0) {
        const int percent = static_cast<int>(row.position * 100 / row.total);
        if (percent != shownPercent) {
          shownPercent = percent;
          progress(percent);
        }
      }
      return sink(row);
    });
  };
  return store.importRows(failure.listName, produce, request.skipBadRows, cancel);
}

ImportReport ImportPresets(ChannelStore& store, const QList<PresetValues>& presets,
                           const QString& listName, bool skipBadRows) {
  const QList<ImportRow> rows = RowsFromPresets(presets);
  const auto produce = [&rows](const RowSink& sink) {
    ParseOutcome outcome;
    for (const ImportRow& row : rows) {
      if (!sink(row)) {
        outcome.stopped = true;
        break;
      }
    }
    return outcome;
  };
  return store.importRows(listName, produce, skipBadRows);
}

Status ExportList(ChannelStore& store, const QString& listName, const QString& filePath,
                  std::optional<Format> format, QStringList* notes) {
  const Result<ChannelList> list = store.findList(listName);
  if (!list) return list;
  const Result<QList<Channel>> channels = store.channels(list.value().id);
  if (!channels) return channels;
  ExportNotes lost;
  const QByteArray data =
      WriteChannels(format.value_or(FormatForFileName(filePath)), channels.value(), &lost);
  QSaveFile file(filePath);
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
    return Status::failure(QStringLiteral("The file %1 cannot be written (%2); it is unchanged.")
                               .arg(QDir::toNativeSeparators(filePath), file.errorString()));
  }
  if (notes != nullptr) *notes = lost.lines();
  return Status();
}

ImportJob::ImportJob(const QString& databasePath, const ImportRequest& request, QObject* parent)
    : QObject(parent), databasePath_(databasePath), request_(request) {
  qRegisterMetaType<channels::ImportReport>();
}

ImportJob::~ImportJob() {
  if (thread_ != nullptr) {
    cancel_.store(true);
    thread_->wait();
    delete thread_;
  }
}

void ImportJob::start() {
  if (thread_ != nullptr) return;
  thread_ = QThread::create([this] {
    // A connection of Qt SQL belongs to the thread that opened it: the
    // import opens its own.
    ImportReport report;
    {
      ChannelStore store(databasePath_);
      if (!store.isOpen()) {
        report.listName = request_.listName;
        report.error = store.openMessage();
      } else {
        report =
            ImportFile(store, request_, &cancel_, [this](int percent) { emit progress(percent); });
      }
    }
    emit finished(report);
  });
  connect(this, &ImportJob::finished, this, &QObject::deleteLater);
  thread_->start();
}

}  // namespace channels
