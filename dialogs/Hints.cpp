#include "dialogs/Hints.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QPointer>
#include <QTextDocument>
#include <QToolTip>
#include <QWidget>

namespace {

// The filter lives on the application object and goes with it.
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
  if (!filter) {
    filter = new HintDisplay(app);
    app->installEventFilter(filter);
  }
  filter->enabled_ = on;
  if (!on) QToolTip::hideText();
}

bool HintDisplay::isEnabled() { return filterInstance().isNull() || filterInstance()->enabled_; }

bool HintDisplay::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QObject::eventFilter(watched, event);
  if (!enabled_) return true;
  // The tooltip would take a hint that reads like markup for rich text and
  // render it; it gets the hint escaped instead, which shows it as written.
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || !Qt::mightBeRichText(widget->toolTip())) {
    return QObject::eventFilter(watched, event);
  }
  const auto* help = static_cast<QHelpEvent*>(event);
  QToolTip::showText(help->globalPos(),
                     Qt::convertFromPlainText(widget->toolTip(), Qt::WhiteSpacePre), widget,
                     QRect(), widget->toolTipDuration());
  return true;
}
