#include "components/UpDown.h"

#include <QResizeEvent>
#include <QToolButton>

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
  up_ = new QToolButton(this);
  up_->setObjectName(QStringLiteral("UpButton"));
  up_->setArrowType(Qt::UpArrow);
  down_ = new QToolButton(this);
  down_->setObjectName(QStringLiteral("DownButton"));
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIconSize(QSize(7, 4));
  }
  connect(up_, &QToolButton::clicked, this, [this] { press(Button::Next); });
  connect(down_, &QToolButton::clicked, this, [this] { press(Button::Previous); });
}

void TUpDown::press(Button button) {
  if (button == Button::Next) {
    Position = Position < Max ? Position + 1 : (Wrap ? Min : Max);
  } else {
    Position = Position > Min ? Position - 1 : (Wrap ? Max : Min);
  }
  emit Click(button);
}

void TUpDown::resizeEvent(QResizeEvent* event) {
  const int w = event->size().width();
  const int h = event->size().height();
  up_->setGeometry(0, 0, w, h / 2);
  down_->setGeometry(0, h / 2, w, h - h / 2);
}
