// The Channels window's File menu: importing a file on a worker thread with
// a progress dialog, offering to skip bad rows, and exporting the list shown.
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>

#include "components/MessageBox.h"
#include "dialogs/ChannelsWindow.h"

namespace {

// The first bad rows and every note, as the detailed text of a message box.
QString detailText(const channels::ImportReport& report) { return report.details().join(u'\n'); }

}  // namespace

void ChannelsWindow::chooseImport() {
  const QString path =
      QFileDialog::getOpenFileName(this, QStringLiteral("Import Channels"), QString(),
                                   QStringLiteral("Channel lists (*.csv *.json);;All files (*)"));
  if (path.isEmpty()) return;
  QStringList names = {channels::ListNameForFile(path)};
  for (int row = 0; row < lists_->count(); ++row) {
    const QString name = lists_->item(row)->data(Qt::UserRole + 1).toString();
    if (!names.contains(name, Qt::CaseInsensitive)) names.append(name);
  }
  bool ok = false;
  const QString list = QInputDialog::getItem(this, QStringLiteral("Import Channels"),
                                             QStringLiteral("Into the list:"), names, 0, true, &ok);
  if (ok) startImport(path, list);
}

void ChannelsWindow::startImport(const QString& filePath, const QString& listName,
                                 bool skipBadRows) {
  if (importJob_) return;
  const channels::ImportRequest request{filePath, listName, std::nullopt, skipBadRows};
  importJob_ = new channels::ImportJob(store_.path(), request, this);
  progress_ =
      new QProgressDialog(QStringLiteral("Importing %1...").arg(QFileInfo(filePath).fileName()),
                          QStringLiteral("Cancel"), 0, 100, this);
  progress_->setWindowTitle(QStringLiteral("Import Channels"));
  progress_->setWindowModality(Qt::WindowModal);
  progress_->setMinimumDuration(400);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  connect(importJob_, &channels::ImportJob::progress, progress_, &QProgressDialog::setValue);
  connect(progress_, &QProgressDialog::canceled, importJob_, &channels::ImportJob::cancel);
  connect(importJob_, &channels::ImportJob::finished, this,
          [this, request](const channels::ImportReport& report) { importDone(request, report); });
  importJob_->start();
  updateActions();
}

void ChannelsWindow::importDone(const channels::ImportRequest& request,
                                const channels::ImportReport& report) {
  if (progress_) {
    progress_->hide();
    progress_->deleteLater();
  }
  importJob_.clear();
  updateActions();
  refreshLists(0, true);
  if (report.ok()) selectList(report.listName);
  emit importFinished(report);

  if (report.ok()) {
    statusBar()->showMessage(report.summary(), 8000);
    if (!report.notes.isEmpty() || report.problemCount > 0) {
      ShowInformation(this, report.summary() + QStringLiteral("\n\n") + detailText(report));
    }
    return;
  }
  if (report.cancelled) {
    statusBar()->showMessage(report.summary(), 8000);
    return;
  }
  const bool offerSkip = report.error.isEmpty() && report.problemCount > 0 &&
                         !request.skipBadRows && report.goodRows > 0;
  QString text = report.summary();
  if (offerSkip) {
    text +=
        QStringLiteral("\n\nSkip Bad Rows imports the other %1 rows and leaves the bad ones out.")
            .arg(report.goodRows);
  }
  QMessageBox box(offerSkip ? QMessageBox::Warning : QMessageBox::Critical,
                  QString::fromLatin1(kApplicationTitle), text, QMessageBox::NoButton, this);
  PrepareBox(box);  // the list's and the file's names as written
  box.setDetailedText(detailText(report));
  QPushButton* skip = nullptr;
  if (offerSkip) {
    skip = box.addButton(QStringLiteral("Skip Bad Rows"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
  } else {
    box.addButton(QMessageBox::Ok);
  }
  box.exec();
  if (skip != nullptr && box.clickedButton() == skip) {
    startImport(request.filePath, report.listName, true);
  }
}

void ChannelsWindow::chooseExport() {
  if (currentListId() == 0) {
    ShowInformation(this, QStringLiteral("Choose a list to export."));
    return;
  }
  QStringList filters;
  for (channels::Format format : channels::kFormats) filters.append(channels::FormatFilter(format));
  QString chosen = filters.first();
  const QString name = lists_->currentItem()->data(Qt::UserRole + 1).toString();
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Channels"),
                                                    name + QStringLiteral(".csv"),
                                                    filters.join(QStringLiteral(";;")), &chosen);
  if (path.isEmpty()) return;
  exportCurrentList(
      path,
      channels::kFormats[static_cast<size_t>(std::max<qsizetype>(0, filters.indexOf(chosen)))]);
}

bool ChannelsWindow::exportCurrentList(const QString& filePath,
                                       std::optional<channels::Format> format) {
  QListWidgetItem* item = lists_->currentItem();
  if (item == nullptr) return false;
  const QString name = item->data(Qt::UserRole + 1).toString();
  QStringList notes;
  const channels::Status written = channels::ExportList(store_, name, filePath, format, &notes);
  if (!written) {
    ShowError(this, written.error());
    return false;
  }
  const QString done =
      QStringLiteral("Exported the list \"%1\" to %2.").arg(name, QFileInfo(filePath).fileName());
  statusBar()->showMessage(done, 8000);
  if (!notes.isEmpty()) {
    ShowInformation(this, done + QStringLiteral(" The file has no place for some of it:\n\n") +
                              notes.join(u'\n'));
  }
  return true;
}
