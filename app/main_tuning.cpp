// The tuning row: the Enter action that every way of tuning ends in, the mode
// and filter lists, the stepper and the tuning step. The session checks and
// sends; the window shows a refusal to the operator.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/main.h"
#include "components/MessageBox.h"
#include "dialogs/StepSize.h"
#include "radio/FrequencyText.h"

void TMainForm::EnterButtonClick() {
  ShowRefusal(session_.tune(FrequencyEdit->text(), ModeComboBox->currentText(),
                            RadioSession::Origin::Operator));
}

void TMainForm::ModeComboBoxChange() { EnterButtonClick(); }

void TMainForm::FilterComboBoxChange() {
  session_.setFilter(FilterComboBox->currentIndex(), RadioSession::Origin::Operator);
}

void TMainForm::UpDown1Click(TUpDown::Button button) {
  RadioSession::Result result;
  if (!session_.step(button == TUpDown::Button::Next, FrequencyEdit->text(),
                     ModeComboBox->currentText(), RadioSession::Origin::Operator, &result)) {
    QApplication::beep();
    return;
  }
  ShowRefusal(result);
}

void TMainForm::AutoSetStepSize1Click() { session_.autoStepSize(FrequencyEdit->text()); }

void TMainForm::AutoSetStepSize2Click() { AutoSetStepSize1Click(); }

void TMainForm::ChangeStepSize1Click() {
  TStepSizeForm dialog(this);
  dialog.SetStepSize(session_.stepSize());
  if (dialog.exec() == QDialog::Accepted) session_.setStepSize(dialog.StepSize());
}

void TMainForm::ChangeStepSize2Click() { ChangeStepSize1Click(); }

void TMainForm::LoadModeListBox() {
  ModeComboBox->clear();
  ModeComboBox->addItems(session_.modeList());
  ModeComboBox->setCurrentIndex(-1);
}
