#include "dialogs/ScanOptionsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "components/ComboText.h"
#include "components/MessageBox.h"
#include "radio/FrequencyText.h"

ScanOptionsDialog::ScanOptionsDialog(const ScanOptions& options, const QStringList& modes,
                                     double lowestMhz, double highestMhz, QWidget* parent)
    : QDialog(parent), options_(options), lowestMhz_(lowestMhz), highestMhz_(highestMhz) {
  setObjectName(QStringLiteral("ScanOptionsDialog"));
  setWindowTitle(QStringLiteral("Scan Options"));
  auto* form = new QFormLayout(this);

  listen_ = new QSpinBox(this);
  listen_->setObjectName(QStringLiteral("longestListen"));
  listen_->setRange(0, ScanOptions::kLongestListenS);
  listen_->setSuffix(QStringLiteral(" s"));
  listen_->setSpecialValueText(QStringLiteral("no limit"));
  listen_->setValue(options.longestListenS);
  listen_->setToolTip(QStringLiteral("The longest time the scan stays on one signal"));
  form->addRow(QStringLiteral("&Longest listen:"), listen_);

  priority_ = new QLineEdit(options.priorityFrequency, this);
  priority_->setObjectName(QStringLiteral("priorityFrequency"));
  priority_->setPlaceholderText(QStringLiteral("none"));
  priority_->setToolTip(
      QStringLiteral("A frequency in MHz looked at every so often while the scan "
                     "runs, also while it listens elsewhere; empty: none"));
  mode_ = new QComboBox(this);
  mode_->setObjectName(QStringLiteral("priorityMode"));
  mode_->addItems(modes);
  SelectComboText(mode_, options.priorityMode);
  auto* channel = new QHBoxLayout;
  channel->addWidget(priority_, 1);
  channel->addWidget(mode_);
  form->addRow(QStringLiteral("&Priority channel (MHz):"), channel);

  every_ = new QSpinBox(this);
  every_->setObjectName(QStringLiteral("priorityEvery"));
  every_->setRange(1, ScanOptions::kLongestPriorityEveryS);
  every_->setSuffix(QStringLiteral(" s"));
  every_->setValue(options.priorityEveryS);
  form->addRow(QStringLiteral("Look at it &every:"), every_);
  form->addRow(new QLabel(QStringLiteral("They apply from the next scan on."), this));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &ScanOptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ScanOptionsDialog::reject);
  form->addRow(buttons);
}

void ScanOptionsDialog::accept() {
  QString frequency = priority_->text().trimmed();
  if (!frequency.isEmpty() &&
      !freqtext::ValidateFrequencyText(frequency, freqtext::kStoredWidth, freqtext::kDecimals,
                                       lowestMhz_, highestMhz_)) {
    ShowInformation(this, QStringLiteral("Not a valid frequency."));
    priority_->setFocus();
    return;
  }
  options_.longestListenS = listen_->value();
  options_.priorityFrequency = frequency.trimmed();
  options_.priorityMode = mode_->currentText();
  options_.priorityEveryS = every_->value();
  QDialog::accept();
}
