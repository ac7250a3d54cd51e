#pragma once

// Helpers for the window suites: a watcher that answers modal dialogs so a
// test never hangs, settings profiles written through the real store, and a
// main window driving a real pseudo-terminal.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest/QtTest>
#include <functional>
#include <memory>

#include "PseudoTerminal.h"
#include "app/main.h"
#include "components/TaskIcon.h"
#include "radio/RadioLink.h"
#include "settings/SettingsStore.h"

namespace guitest {

// Answers every modal dialog that comes up while it lives: a message box is
// read and closed with its first button (OK), any other dialog is handed to
// the test's handler (or rejected). Polls with a timer, so it works inside
// the nested event loop of exec().
class DialogWatcher {
 public:
  using Handler = std::function<void(QDialog*)>;

  explicit DialogWatcher(Handler handler = nullptr) : handler_(std::move(handler)) {
    timer_.setInterval(15);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { poll(); });
    timer_.start();
  }

  // Texts of the message boxes answered so far, in order.
  QStringList texts() const { return texts_; }
  // Icons of the message boxes answered so far.
  QList<QMessageBox::Icon> icons() const { return icons_; }
  QStringList titles() const { return titles_; }
  int dialogs() const { return dialogs_; }
  void clear() {
    texts_.clear();
    icons_.clear();
    titles_.clear();
    dialogs_ = 0;
  }

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == handled_) return;
    handled_ = modal;
    // Answered from a timer of its own, so that a dialog the answer opens in
    // turn is seen by this poll while the answer is still running.
    QTimer::singleShot(0, &timer_, [this, target = QPointer<QWidget>(modal)] {
      if (target) answer(target);
    });
  }

  void answer(QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      texts_.append(box->text());
      icons_.append(box->icon());
      titles_.append(box->windowTitle());
      QAbstractButton* ok = box->buttons().isEmpty() ? nullptr : box->buttons().first();
      if (ok) {
        ok->click();
      } else {
        box->reject();
      }
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      ++dialogs_;
      QPointer<QDialog> guard(dialog);
      if (handler_) {
        handler_(dialog);
      } else {
        dialog->reject();
      }
      // A handler that left the dialog open (it refused the input) is
      // looked at again on the next poll.
      if (guard && guard->isVisible()) handled_ = nullptr;
    }
  }

  Handler handler_;
  QTimer timer_;
  QPointer<QWidget> handled_;
  QStringList texts_;
  QList<QMessageBox::Icon> icons_;
  QStringList titles_;
  int dialogs_ = 0;
};

// Settings of one profile, "Section/Value name" -> text, written through the
// store exactly as the program writes them.
inline void WriteProfile(const QString& profile, const QMap<QString, QString>& values) {
  SetSettingsProfile(profile);
  SettingsSession session;
  for (auto it = values.begin(); it != values.end(); ++it) {
    const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
    Settings.WriteText(it.key().left(slash), it.key().mid(slash + 1), it.value());
  }
}

inline QString ReadSetting(const QString& key, const QString& defaultValue = QStringLiteral("?")) {
  SettingsSession session;
  const qsizetype slash = key.indexOf(QLatin1Char('/'));
  return Settings.ReadText(key.left(slash), key.mid(slash + 1), defaultValue);
}

// Every feature control shown.
inline QMap<QString, QString> AllFeatures() {
  QMap<QString, QString> values;
  for (const char* name :
       {"Mute", "Volume", "Squelch", "IF Shift", "AGC", "NB", "Attenuate", "Filters"}) {
    values.insert(QStringLiteral("Features/") + QLatin1String(name), QStringLiteral("1"));
  }
  return values;
}

// A main window on its own profile whose port is a real pseudo-terminal.
class Rig {
 public:
  // protocol: the stored protocol number; extra: further settings.
  explicit Rig(int protocol, QMap<QString, QString> extra = {}, bool show = true) {
    static int serial = 0;
    profile_ = QStringLiteral("Rig%1").arg(++serial);
    QMap<QString, QString> values = AllFeatures();
    values.insert(QStringLiteral("Connection/Com Port"), pty.devicePath());
    values.insert(QStringLiteral("Connection/Protocol"), QString::number(protocol));
    values.insert(QStringLiteral("Connection/Address"), QStringLiteral("80"));
    for (auto it = extra.begin(); it != extra.end(); ++it) values.insert(it.key(), it.value());
    WriteProfile(profile_, values);
    form = std::make_unique<TMainForm>(link);
    if (show) {
      form->show();
      QVERIFY2(QTest::qWaitForWindowExposed(form.get()), "main window not shown");
    }
  }
  ~Rig() { form.reset(); }

  // Waits for the power-up and start-up tuning to finish and forgets them.
  void settleAndClear() {
    pty.settle(80);
    pty.clear();
  }

  QString profile() const { return profile_; }

  PseudoTerminal pty;
  RadioLink link;
  std::unique_ptr<TMainForm> form;

 private:
  QString profile_;
};

// Types a frequency as the operator would and presses Return.
inline void EnterFrequency(TMainForm* form, const QString& text) {
  form->FrequencyEdit->setFocus();
  form->FrequencyEdit->selectAll();
  form->FrequencyEdit->setText(text);
  QTest::keyClick(form->FrequencyEdit, Qt::Key_Return);
}

// Two pictures are the same when their pixels are.
inline bool SamePicture(const QPixmap& a, const QPixmap& b) {
  return a.toImage().convertToFormat(QImage::Format_ARGB32) ==
         b.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Which tray picture the main window shows: 1 OnImage, 0 OffImage, -1 other.
inline int TrayPicture(TMainForm* form) {
  const QPixmap shown = form->CorvaloTaskIcon->Icon().pixmap(QSize(15, 15));
  if (SamePicture(shown, form->OnImage->pixmap())) return 1;
  if (SamePicture(shown, form->OffImage->pixmap())) return 0;
  return -1;
}

}  // namespace guitest
