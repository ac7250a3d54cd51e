#include "components/TaskIcon.h"

#include <QCursor>

SystemTrayShell::SystemTrayShell() = default;
SystemTrayShell::~SystemTrayShell() = default;

bool SystemTrayShell::Add(const TrayEntry& entry) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  if (!tray_) {
    tray_ = std::make_unique<QSystemTrayIcon>();
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                       if (activated) activated(reason);
                     });
  }
  tray_->setIcon(entry.icon);
  tray_->setToolTip(entry.tip);
  tray_->show();
  return tray_->isVisible();
}

bool SystemTrayShell::Modify(const TrayEntry& entry) {
  if (!tray_ || !tray_->isVisible()) return false;
  tray_->setIcon(entry.icon);
  tray_->setToolTip(entry.tip);
  return true;
}

bool SystemTrayShell::Delete(const TrayEntry&) {
  if (!tray_) return false;
  tray_->hide();
  return true;
}

TTaskIcon::TTaskIcon(QObject* parent, std::unique_ptr<TrayShell> shell)
    : QObject(parent), shell_(shell ? std::move(shell) : std::make_unique<SystemTrayShell>()) {
  shell_->activated = [this](QSystemTrayIcon::ActivationReason reason) {
    HandleActivation(reason);
  };
}

TTaskIcon::~TTaskIcon() {
  if (registered_) shell_->Delete(entry());
  shell_->activated = nullptr;
}

TrayEntry TTaskIcon::entry() const {
  TrayEntry e;
  e.id = id_;
  e.icon = icon_;
  e.tip = hint_.left(kMaxHintLength);
  return e;
}

void TTaskIcon::SetEnabled(bool enabled) {
  if (enabled == registered_) return;
  if (enabled) {
    if (shell_->Add(entry())) registered_ = true;
  } else {
    if (shell_->Delete(entry())) registered_ = false;
  }
}

void TTaskIcon::SetIcon(const QIcon& icon) {
  icon_ = icon;
  if (registered_) shell_->Modify(entry());
}

void TTaskIcon::SetTaskIconID(int id) {
  if (id == id_) return;
  id_ = id;
  if (registered_) shell_->Modify(entry());
}

void TTaskIcon::UpdateIcon() { shell_->Modify(entry()); }

void TTaskIcon::HandleActivation(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      if (OnClick) OnClick(this);
      break;
    case QSystemTrayIcon::DoubleClick:
#ifndef Q_OS_WIN
      // Outside Windows the second click of a double-click arrives only as
      // the double-click, so the release it stands for is reported first.
      if (OnClick) OnClick(this);
#endif
      if (OnDblClick) OnDblClick(this);
      break;
    case QSystemTrayIcon::Context:
      if (OnRightClick) {
        const QPoint at = QCursor::pos();
        OnRightClick(this, Qt::RightButton, Qt::NoModifier, at.x(), at.y());
      }
      break;
    default:
      break;
  }
}
