#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// The step-size dialog: the operator picks one of the usual steps or types
// another, in megahertz. OK takes the text as the new step; Cancel or closing
// the window keeps the step as it was. A text that is not a number is
// refused (the dialog stays open); an empty text is a step of 0, which the
// stepper replaces by its default step.
class TStepSizeForm : public QDialog {
  Q_OBJECT

 public:
  explicit TStepSizeForm(QWidget* parent = nullptr);

  // Shows this step in the combo box (five decimals, right-aligned in 9).
  void SetStepSize(double step);
  // The step the operator confirmed.
  double StepSize() const { return step_; }

  QLabel* Label1 = nullptr;
  QComboBox* StepSizesComboBox = nullptr;
  QPushButton* Button1 = nullptr;  // OK
  QPushButton* Button2 = nullptr;  // Cancel

 private:
  void Button1Click();

  double step_ = 0;
};
