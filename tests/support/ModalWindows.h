#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

class QDialog;
class QWidget;

namespace testsupport {

// A modal window that came up while a ModalWindows watched.
struct SeenModal {
  QString kind;   // "message", "input", "left open" or the window's class name
  QString title;  // window title
  QString text;   // message text or input prompt
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool expected = false;  // answered by a responder or the handler the test gave
};

// Answers every modal window of the program while it lives, so a test never
// hangs on one. It polls for the application's active modal window every few
// milliseconds (so it works inside the nested event loop of exec()), records
// the window and answers it with, in this order:
//  - the next responder queued with expect();
//  - for a dialog other than a message box, the handler given at construction
//    (a handler that leaves its dialog open is asked again on the next poll,
//    until the deadline);
//  - by default: a message box's OK button (or its first button), Cancel for
//    any other dialog.
// The answer runs from a timer of its own, so a window it opens in turn is
// answered by the same polling while the answer is still at work. A window
// an answer left open is closed once the deadline has passed since, and
// recorded as "left open".
class ModalWindows {
 public:
  using Responder = std::function<void(QWidget*)>;
  using Handler = std::function<void(QDialog*)>;

  explicit ModalWindows(Handler handler = nullptr);
  ModalWindows(const ModalWindows&) = delete;
  ModalWindows& operator=(const ModalWindows&) = delete;

  // Queues the answer to the next modal window that comes up.
  void expect(Responder responder);
  void expectOk() { expect(pressOk); }

  // Accepts a dialog (the OK of a message box or an input dialog).
  static void pressOk(QWidget* window);
  // Rejects a dialog, as its Cancel button does.
  static void pressCancel(QWidget* window);
  // Types a text into an input dialog and presses OK.
  static Responder enterText(const QString& text);

  // Runs the event loop until `count` modal windows were seen in all, or the
  // deadline passed; true when they were.
  bool waitForSeen(qsizetype count, int ms = 5000);
  // Runs the event loop until one more modal window than before was seen, or
  // the deadline passed; true when it was.
  bool waitForNext(int ms = 5000);

  // Every modal window seen so far, in order.
  const QList<SeenModal>& seen() const { return seen_; }
  // Texts, titles and icons of the message boxes seen so far, in order.
  QStringList texts() const;
  QStringList titles() const;
  QList<QMessageBox::Icon> icons() const;
  // How many times a dialog other than a message box was answered.
  int dialogs() const;
  // How many windows came up that no responder or handler was given for.
  qsizetype unexpectedCount() const;
  // The pre-filled text of the last input dialog seen.
  QString lastInputValue() const { return lastInputValue_; }
  // Forgets what was seen and the queued responders.
  void clear();

  // How long a window may stay open after its answer before it is closed.
  static constexpr int kDeadlineMs = 5000;

 private:
  void poll();
  void take(QWidget* window);
  void answer(QWidget* window, const Responder& responder, bool again);
  void closeLeftOpen(QWidget* window);

  Handler handler_;
  QTimer timer_;
  std::deque<Responder> pending_;
  QList<SeenModal> seen_;
  QString lastInputValue_;
  // The window answered last; it is not answered again while it stays open.
  QPointer<QWidget> current_;
  // Since when the current window stayed open after its answer.
  QElapsedTimer leftOpen_;
  // Windows whose answer is waiting for its timer or still at work.
  QList<QPointer<QWidget>> answering_;
  // The dialog the handler left open, and since when it keeps doing so.
  QPointer<QWidget> repeated_;
  QElapsedTimer repeatedSince_;
};

}  // namespace testsupport
