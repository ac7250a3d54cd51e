#pragma once

#include <QObject>

// The program-wide switch for control hints (tooltips), an application-wide
// event filter. While hints are off it swallows every tooltip request, so no
// window of the program shows a hint. While they are on, a hint that holds
// operator text (a preset's description) is shown as the plain text it is,
// even where it reads like markup ("<b>x</b>"); any other hint shows as ever.
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
  bool enabled_ = true;
};
