#include "dialogs/Hints.h"

#include <QAbstractItemView>
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
  // A table's rows give their own hints (a channel's name), asked of the
  // row under the pointer.
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr) return QObject::eventFilter(watched, event);
  const auto* help = static_cast<QHelpEvent*>(event);
  QString hint = widget->toolTip();
  QRect area;
  if (auto* view = qobject_cast<QAbstractItemView*>(widget->parentWidget());
      view != nullptr && view->viewport() == widget) {
    const QModelIndex index = view->indexAt(help->pos());
    hint = index.data(Qt::ToolTipRole).toString();
    area = view->visualRect(index);
  }
  if (!Qt::mightBeRichText(hint)) return QObject::eventFilter(watched, event);
  QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(hint, Qt::WhiteSpacePre), widget,
                     area, widget->toolTipDuration());
  return true;
}
