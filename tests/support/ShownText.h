#pragma once

// What a label or a hint puts on the screen: the text as the label renders
// it (markup rendered, escapes resolved), not the text it was given.

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QTextDocument>
#include <QWidget>

namespace testsupport {

// The characters a label shows; a picture counts as one object character.
inline QString ShownText(const QLabel* label) {
  const Qt::TextFormat format = label->textFormat();
  const bool rich =
      format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(label->text()));
  QTextDocument shown;
  if (rich) {
    shown.setHtml(label->text());
  } else {
    shown.setPlainText(label->text());
  }
  return shown.toPlainText();
}

// Whether a tooltip request made inside the widget reaches a control there
// (hints switched off swallow it).
inline bool TooltipReaches(QWidget* widget) {
  struct Probe : QWidget {
    bool got = false;
    bool event(QEvent* e) override {
      if (e->type() == QEvent::ToolTip) got = true;
      return QWidget::event(e);
    }
  };
  Probe probe;
  probe.setParent(widget);
  probe.setToolTip(QStringLiteral("tip"));
  QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
  QApplication::sendEvent(&probe, &help);
  probe.setParent(nullptr);
  return probe.got;
}

// The hint a control shows when the pointer rests on it, as shown; empty when
// none comes up.
inline QString ShownTooltip(QWidget* control) {
  const QPoint at(2, 2);
  QHelpEvent help(QEvent::ToolTip, at, control->mapToGlobal(at));
  QApplication::sendEvent(control, &help);
  for (QWidget* window : QApplication::topLevelWidgets()) {
    const auto* tip = qobject_cast<const QLabel*>(window);
    if (tip != nullptr && tip->objectName() == QLatin1String("qtooltip_label") &&
        tip->isVisible()) {
      return ShownText(tip);
    }
  }
  return {};
}

}  // namespace testsupport
