#include "dialogs/Hints.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QToolTip>

namespace {

// The filter exists only while hints are off; it lives on the application
// object and goes with it.
QPointer<HintDisplay>& filterInstance() {
  static QPointer<HintDisplay> instance;
  return instance;
}

}  // namespace

HintDisplay::HintDisplay(QObject* parent) : QObject(parent) {}

void HintDisplay::setEnabled(bool on) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QPointer<HintDisplay>& filter = filterInstance();
  if (on) {
    delete filter.data();  // the destructor removes the event filter
    return;
  }
  if (!filter) {
    filter = new HintDisplay(app);
    app->installEventFilter(filter);
  }
  QToolTip::hideText();
}

bool HintDisplay::isEnabled() { return filterInstance().isNull(); }

bool HintDisplay::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip) return true;
  return QObject::eventFilter(watched, event);
}
