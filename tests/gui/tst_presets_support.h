#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QInputDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QtTest>
#include <deque>
#include <functional>
#include <vector>

#include "settings/SettingsStore.h"

// Helpers of the preset suites: answering modal windows, reading the
// settings file as it lies on disk, and operating lists the way an operator
// does.
namespace presettest {

// A modal window that appeared while a watcher ran.
struct SeenModal {
  QString kind;   // "message", "input" or the window's class name
  QString title;  // window title
  QString text;   // message text or input prompt
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool expected = false;
};

// Polls for the application's active modal window every few milliseconds,
// records it and answers it with the next queued responder; a modal window
// nobody expected is recorded and closed, so a test never hangs on one.
class ModalWatcher : public QObject {
 public:
  using Responder = std::function<void(QWidget*)>;

  ModalWatcher() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    timer_.start();
  }

  // Queues the answer to the next modal window.
  void expect(Responder responder) { pending_.push_back(std::move(responder)); }
  void expectOk() { expect(pressOk); }

  // Presses the OK button of a message box or an input dialog.
  static void pressOk(QWidget* w) {
    if (auto* d = qobject_cast<QDialog*>(w)) d->accept();
  }
  // Types a text into an input dialog and presses OK.
  static Responder enterText(const QString& text) {
    return [text](QWidget* w) {
      if (auto* d = qobject_cast<QInputDialog*>(w)) {
        d->setTextValue(text);
        d->accept();
      }
    };
  }
  // Presses Cancel.
  static void pressCancel(QWidget* w) {
    if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
  }

  // Runs the event loop until `count` modal windows were seen in all or the
  // deadline passed; true when they were.
  bool waitForSeen(size_t count, int ms = 5000) {
    return QTest::qWaitFor([&] { return seen_.size() >= count; }, ms);
  }

  const std::vector<SeenModal>& seen() const { return seen_; }
  // The pre-filled text of the last input dialog seen.
  QString lastInputValue() const { return lastInputValue_; }
  size_t unexpectedCount() const {
    size_t n = 0;
    for (const auto& s : seen_) n += s.expected ? 0 : 1;
    return n;
  }
  void clear() {
    seen_.clear();
    pending_.clear();
  }

 private:
  void poll() {
    QWidget* w = QApplication::activeModalWidget();
    // A window answered before may come up again (the presets dialog lives
    // for the whole run): it is new once it has been closed in between.
    if (last_ != nullptr && !last_->isVisible()) last_ = nullptr;
    if (w == nullptr || !w->isVisible()) return;
    if (w == last_) {
      // An answer that left its window open past the deadline: close it,
      // so the test fails instead of hanging.
      if (answered_.elapsed() > kDeadlineMs) {
        seen_.push_back(
            {QStringLiteral("left open"), w->windowTitle(), QString(), QMessageBox::NoIcon, false});
        if (auto* d = qobject_cast<QDialog*>(w)) {
          d->done(QDialog::Rejected);
        } else {
          w->close();
        }
      }
      return;
    }
    answered_.start();
    last_ = w;
    SeenModal s;
    s.kind = QString::fromLatin1(w->metaObject()->className());
    s.title = w->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      s.kind = QStringLiteral("message");
      s.text = box->text();
      s.icon = box->icon();
    } else if (auto* input = qobject_cast<QInputDialog*>(w)) {
      s.kind = QStringLiteral("input");
      s.text = input->labelText();
      lastInputValue_ = input->textValue();
    }
    s.expected = !pending_.empty();
    seen_.push_back(s);
    if (!pending_.empty()) {
      Responder responder = std::move(pending_.front());
      pending_.pop_front();
      responder(w);
    } else if (auto* d = qobject_cast<QDialog*>(w)) {
      d->done(QDialog::Rejected);
    } else {
      w->close();
    }
    // Closed by the answer: the next showing of the same window is new,
    // even if it comes before the next poll.
    if (last_ != nullptr && !last_->isVisible()) last_ = nullptr;
  }

  static constexpr int kDeadlineMs = 5000;
  QTimer timer_;
  QElapsedTimer answered_;
  QPointer<QWidget> last_;
  std::deque<Responder> pending_;
  std::vector<SeenModal> seen_;
  QString lastInputValue_;
};

// The settings file as it lies on disk: a copy read by a QSettings of its
// own, so nothing the program holds in memory and has not written shows.
class SettingsFile {
 public:
  SettingsFile() {
    const QString copy = dir_.filePath(QStringLiteral("copy.conf"));
    QFile::remove(copy);
    if (QFile::exists(SettingsStore::fileName())) QFile::copy(SettingsStore::fileName(), copy);
    settings_ = std::make_unique<QSettings>(copy, QSettings::IniFormat);
  }
  bool contains(const QString& key) const { return settings_->contains(key); }
  QVariant value(const QString& key) const { return settings_->value(key); }
  QString text(const QString& key) const { return settings_->value(key).toString(); }
  QStringList presetKeys() const {
    settings_->beginGroup(QStringLiteral("Presets"));
    const QStringList keys = settings_->childKeys();
    settings_->endGroup();
    return keys;
  }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<QSettings> settings_;
};

// Writes values straight into the settings file (as a hand edit would) and
// forgets nothing the program holds: call it while the store is released.
inline void WriteSettingsFile(const QList<QPair<QString, QString>>& values) {
  QSettings raw(SettingsStore::fileName(), QSettings::IniFormat);
  for (const auto& [key, value] : values) raw.setValue(key, value);
  raw.sync();
}

inline void RemoveSettingsFile() { QFile::remove(SettingsStore::fileName()); }

// Picks an item of a drop-down list as the operator does: opens the list
// and clicks the item. Returns false when the list did not open.
inline bool ChooseItem(QComboBox* box, int index) {
  box->showPopup();
  QAbstractItemView* view = box->view();
  if (!QTest::qWaitFor([&] { return view->isVisible(); }, 2000)) return false;
  const QModelIndex item = view->model()->index(index, box->modelColumn(), view->rootIndex());
  view->scrollTo(item);
  const QPoint at = view->visualRect(item).center();
  QTest::mouseMove(view->viewport(), at);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  return QTest::qWaitFor([&] { return !view->isVisible(); }, 2000);
}

inline bool ChooseText(QComboBox* box, const QString& text) {
  const int index = box->findText(text, Qt::MatchExactly);
  return index >= 0 && ChooseItem(box, index);
}

// Clicks the list item with this text.
inline bool ClickListItem(QListWidget* list, const QString& text) {
  const auto items = list->findItems(text, Qt::MatchExactly);
  if (items.size() != 1) return false;
  list->scrollToItem(items.first());
  const QRect rect = list->visualItemRect(items.first());
  if (!list->viewport()->rect().contains(rect.center())) return false;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  return true;
}

}  // namespace presettest
