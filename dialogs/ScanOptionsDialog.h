#pragma once

#include <QDialog>
#include <QStringList>

#include "radio/ScanOptions.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

// The signal scan's options: the longest listen on one hit and the priority
// channel with how often it is looked at. It shows the values it is given
// and returns what the operator confirmed; a priority frequency that is not
// a number within the coverage is refused and the dialog stays open.
class ScanOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  ScanOptionsDialog(const ScanOptions& options, const QStringList& modes, double lowestMhz,
                    double highestMhz, QWidget* parent = nullptr);
  ScanOptions options() const { return options_; }

  void accept() override;

 private:
  ScanOptions options_;
  double lowestMhz_;
  double highestMhz_;
  QSpinBox* listen_ = nullptr;
  QLineEdit* priority_ = nullptr;
  QComboBox* mode_ = nullptr;
  QSpinBox* every_ = nullptr;
};
