#include "dialogs/StepSize.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "components/MessageBox.h"
#include "radio/FrequencyText.h"

namespace {

constexpr const char* kSteps[] = {"0.00010", "0.00100", "0.00500", "0.01250",  "0.02500",
                                  "0.03000", "0.05000", "1.00000", "10.00000", "3.00000",
                                  "4.00000", "5.00000", "45.00000"};

}  // namespace

TStepSizeForm::TStepSizeForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("StepSizeForm"));
  setWindowTitle(QStringLiteral("Step Size"));

  Label1 = new QLabel(QStringLiteral("Step Size:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));

  StepSizesComboBox = new QComboBox(this);
  StepSizesComboBox->setObjectName(QStringLiteral("StepSizesComboBox"));
  StepSizesComboBox->setEditable(true);
  StepSizesComboBox->setInsertPolicy(QComboBox::NoInsert);
  for (const char* step : kSteps) StepSizesComboBox->addItem(QString::fromLatin1(step));
  Label1->setBuddy(StepSizesComboBox);

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("&Cancel"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  connect(Button1, &QPushButton::clicked, this, &TStepSizeForm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

  auto* row = new QHBoxLayout;
  row->addWidget(Label1);
  row->addWidget(StepSizesComboBox, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TStepSizeForm::SetStepSize(double step) {
  step_ = step;
  StepSizesComboBox->setCurrentIndex(-1);
  StepSizesComboBox->setEditText(
      freqtext::FormatFixed(step, freqtext::kDecimals, freqtext::kStoredWidth));
}

void TStepSizeForm::Button1Click() {
  const QString text = StepSizesComboBox->currentText();
  double step = 0;
  if (!text.isEmpty() && !freqtext::ParseNumber(text, &step)) {
    ShowInformation(this, QStringLiteral("Not a valid step size. Please enter a number of "
                                         "megahertz, such as 0.00500."));
    StepSizesComboBox->setFocus();
    StepSizesComboBox->lineEdit()->selectAll();
    return;
  }
  step_ = step;
  accept();
}
