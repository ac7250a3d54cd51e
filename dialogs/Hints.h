#pragma once

#include <QObject>

// The program-wide switch for control hints (tooltips). While hints are off,
// an application-wide event filter swallows every tooltip request, so no
// window of the program shows a hint; switching them on removes the filter.
// The tray icon's tooltip is drawn by the desktop shell and is not affected.
class HintDisplay : public QObject {
  Q_OBJECT

 public:
  // Switches the hints of every window on or off at once. A hint that is on
  // screen when they are switched off is taken down.
  static void setEnabled(bool on);
  static bool isEnabled();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit HintDisplay(QObject* parent);
};
