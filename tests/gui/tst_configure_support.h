#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QtTest>

// Answers every message box of the program while it exists: it polls for the
// application's active modal window every few milliseconds, records the box's
// title, text and icon, and presses OK. A box nobody expected is answered as
// well, so a test never hangs on one; the test then sees it in seen().
class ModalAnswerer : public QObject {
 public:
  struct Box {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
  };

  ModalAnswerer() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    timer_.start();
  }

  const QList<Box>& seen() const { return seen_; }

  // Runs the event loop until one more box than before has been answered, or
  // the deadline passed; true when it was.
  bool waitForBox(int ms) {
    const qsizetype before = seen_.size();
    return QTest::qWaitFor([&] { return seen_.size() > before; }, ms) || seen_.size() > before;
  }

 private:
  void poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    seen_.append({box->windowTitle(), box->text(), box->icon()});
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
    } else {
      box->reject();
    }
  }

  QTimer timer_;
  QList<Box> seen_;
};
