#pragma once

#include <QWidget>

class QToolButton;

// An up/down arrow pair that stands beside another control without being
// attached to it. Each press of an arrow (repeated while held) moves the
// counter by one, wrapping at the ends when Wrap is set, and raises Click
// with the arrow that was used.
class TUpDown : public QWidget {
  Q_OBJECT

 public:
  enum class Button { Next, Previous };  // the up arrow, the down arrow

  explicit TUpDown(QWidget* parent = nullptr);

  int Min = 0;
  int Max = 1000;
  int Position = 500;
  bool Wrap = true;

  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }

  // Uses an arrow as the operator's press would.
  void press(Button button);

 signals:
  void Click(TUpDown::Button button);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QToolButton* up_;
  QToolButton* down_;
};
