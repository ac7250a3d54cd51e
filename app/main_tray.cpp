// The tray icon's clicks, minimising to the tray, the topmost band and the
// about box.

#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "app/about.h"
#include "app/main.h"

void TMainForm::CorvaloTaskIconClick() {
  showNormal();
  raise();
  activateWindow();
  SetTopmost(AlwaysOnTop);
}

void TMainForm::CorvaloTaskIconRightClick(int x, int y) {
  // The item names what the port button would do now.
  TogglePortMenu->setText(TogglePortButton->text());
  PopupMenu->popup(QPoint(x, y));
  TrayPopupX = x;
  TrayPopupY = y;
}

void TMainForm::MyMinimize() {
  if (ShowIcon) return;
  // Without a taskbar button the program lives in the tray until its icon is
  // clicked.
  hide();
  if (AlwaysOnTop) SetTopmost(false);
}

void TMainForm::SetTopmost(bool topmost) {
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost) return;
  const bool visible = isVisible();
  const QRect bounds = geometry();
  const Qt::WindowStates state = windowState();
  setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
  // Changing the flag takes the window down; bring it back where it was.
  if (visible) {
    setGeometry(bounds);
    setWindowState(state);
    show();
  }
}

void TMainForm::About1Click() {
  TAboutBox box(this);
  box.exec();
}
