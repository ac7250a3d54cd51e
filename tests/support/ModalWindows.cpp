#include "ModalWindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QtTest/QtTest>

namespace testsupport {

namespace {

// What a window nobody gave an answer for gets: a message box its OK button
// (or its only other choice), any other dialog Cancel, anything else closed.
void DefaultAnswer(QWidget* window) {
  if (auto* box = qobject_cast<QMessageBox*>(window)) {
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    if (!ok && !box->buttons().isEmpty()) ok = box->buttons().first();
    if (ok) {
      ok->click();
    } else {
      box->reject();
    }
  } else if (auto* dialog = qobject_cast<QDialog*>(window)) {
    dialog->reject();
  } else {
    window->close();
  }
}

// One field of every message box seen, in order.
template <typename T>
QList<T> OfMessageBoxes(const QList<SeenModal>& seen, T SeenModal::*field) {
  QList<T> list;
  for (const SeenModal& s : seen) {
    if (s.kind == QLatin1String("message")) list.append(s.*field);
  }
  return list;
}

}  // namespace

ModalWindows::ModalWindows(Handler handler) : handler_(std::move(handler)) {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { poll(); });
  timer_.start();
}

void ModalWindows::expect(Responder responder) { pending_.push_back(std::move(responder)); }

void ModalWindows::pressOk(QWidget* window) {
  if (auto* dialog = qobject_cast<QDialog*>(window)) dialog->accept();
}

void ModalWindows::pressCancel(QWidget* window) {
  if (auto* dialog = qobject_cast<QDialog*>(window)) dialog->reject();
}

ModalWindows::Responder ModalWindows::enterText(const QString& text) {
  return [text](QWidget* window) {
    if (auto* input = qobject_cast<QInputDialog*>(window)) {
      input->setTextValue(text);
      input->accept();
    }
  };
}

bool ModalWindows::waitForSeen(qsizetype count, int ms) {
  return QTest::qWaitFor([&] { return seen_.size() >= count; }, ms);
}

bool ModalWindows::waitForNext(int ms) { return waitForSeen(seen_.size() + 1, ms); }

QStringList ModalWindows::texts() const { return OfMessageBoxes(seen_, &SeenModal::text); }

QStringList ModalWindows::titles() const { return OfMessageBoxes(seen_, &SeenModal::title); }

QList<QMessageBox::Icon> ModalWindows::icons() const {
  return OfMessageBoxes(seen_, &SeenModal::icon);
}

int ModalWindows::dialogs() const {
  int count = 0;
  for (const SeenModal& s : seen_) {
    if (s.kind != QLatin1String("message") && s.kind != QLatin1String("left open")) ++count;
  }
  return count;
}

qsizetype ModalWindows::unexpectedCount() const {
  qsizetype count = 0;
  for (const SeenModal& s : seen_) count += s.expected ? 0 : 1;
  return count;
}

void ModalWindows::clear() {
  seen_.clear();
  pending_.clear();
}

void ModalWindows::poll() {
  // A window answered before may come up again (a dialog the program keeps
  // and shows many times): it is new once it has been closed in between.
  if (current_ && !current_->isVisible()) current_ = nullptr;
  QWidget* window = QApplication::activeModalWidget();
  if (window == nullptr || !window->isVisible()) return;
  for (const QPointer<QWidget>& busy : answering_) {
    if (busy == window) return;
  }
  if (window == current_) {
    // An answer that left its window open: close it once the deadline has
    // passed, so the test fails instead of hanging.
    if (leftOpen_.isValid() && leftOpen_.elapsed() > kDeadlineMs) closeLeftOpen(window);
    return;
  }
  take(window);
}

void ModalWindows::take(QWidget* window) {
  SeenModal s;
  s.kind = QString::fromLatin1(window->metaObject()->className());
  s.title = window->windowTitle();
  auto* box = qobject_cast<QMessageBox*>(window);
  if (box) {
    s.kind = QStringLiteral("message");
    s.text = box->text();
    s.icon = box->icon();
  } else if (auto* input = qobject_cast<QInputDialog*>(window)) {
    s.kind = QStringLiteral("input");
    s.text = input->labelText();
    lastInputValue_ = input->textValue();
  }

  Responder responder;
  bool again = false;
  if (!pending_.empty()) {
    responder = std::move(pending_.front());
    pending_.pop_front();
    s.expected = true;
  } else if (handler_ && !box && qobject_cast<QDialog*>(window)) {
    responder = [this](QWidget* w) { handler_(static_cast<QDialog*>(w)); };
    s.expected = true;
    again = true;
  } else {
    responder = DefaultAnswer;
  }
  seen_.append(s);

  current_ = window;
  leftOpen_.invalidate();
  answering_.append(window);
  QTimer::singleShot(0, &timer_,
                     [this, target = QPointer<QWidget>(window), responder = std::move(responder),
                      again] { answer(target, responder, again); });
}

void ModalWindows::answer(QWidget* window, const Responder& responder, bool again) {
  QPointer<QWidget> target(window);
  if (target) responder(target);
  answering_.removeIf([&](const QPointer<QWidget>& p) { return p.isNull() || p == target; });
  if (!target || !target->isVisible()) {
    // Closed by the answer: the next showing of the same window is new,
    // even if it comes before the next poll.
    if (current_ == target) current_ = nullptr;
    if (repeated_ == target) repeated_ = nullptr;
    return;
  }
  if (again) {
    // The handler left its dialog open (it refused the input): it is asked
    // again on the next poll, until the deadline.
    if (repeated_ != target) {
      repeated_ = target;
      repeatedSince_.start();
    }
    if (repeatedSince_.elapsed() <= kDeadlineMs) {
      if (current_ == target) current_ = nullptr;
      return;
    }
    closeLeftOpen(target);
    return;
  }
  current_ = target;
  leftOpen_.start();
}

void ModalWindows::closeLeftOpen(QWidget* window) {
  seen_.append(
      {QStringLiteral("left open"), window->windowTitle(), QString(), QMessageBox::NoIcon, false});
  if (auto* dialog = qobject_cast<QDialog*>(window)) {
    dialog->done(QDialog::Rejected);
  } else {
    window->close();
  }
}

}  // namespace testsupport
