#include "dialogs/RemoteControl.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;

}  // namespace

TRemoteControlForm::TRemoteControlForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("RemoteControlForm"));
  setWindowTitle(QStringLiteral("Remote Control"));

  IntroLabel = new QLabel(
      QStringLiteral("Other programs (satellite trackers, loggers, decoders) can tune the radio "
                     "through Corvalo. Choose Hamlib's \"NET rigctl\" radio (model 2) in them, "
                     "with this computer's address and the port below."),
      this);
  IntroLabel->setObjectName(QStringLiteral("IntroLabel"));
  IntroLabel->setWordWrap(true);

  EnabledCheckBox = new QCheckBox(QStringLiteral("&Enabled"), this);
  EnabledCheckBox->setObjectName(QStringLiteral("EnabledCheckBox"));

  PortSpinBox = new QSpinBox(this);
  PortSpinBox->setObjectName(QStringLiteral("PortSpinBox"));
  PortSpinBox->setRange(kLowestPort, kHighestPort);
  PortLabel = new QLabel(QStringLiteral("&Port:"), this);
  PortLabel->setObjectName(QStringLiteral("PortLabel"));
  PortLabel->setBuddy(PortSpinBox);

  AllowOtherHostsCheckBox = new QCheckBox(QStringLiteral("&Allow Other Hosts"), this);
  AllowOtherHostsCheckBox->setObjectName(QStringLiteral("AllowOtherHostsCheckBox"));
  AllowOtherHostsCheckBox->setToolTip(
      QStringLiteral("Off: only programs on this computer can connect. On: any computer that "
                     "can reach this one can tune the radio."));

  StatusLabel = new QLabel(this);
  StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
  StatusLabel->setWordWrap(true);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* form = new QFormLayout;
  form->addRow(EnabledCheckBox);
  form->addRow(PortLabel, PortSpinBox);
  form->addRow(AllowOtherHostsCheckBox);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(IntroLabel);
  layout->addLayout(form);
  layout->addWidget(StatusLabel);
  layout->addLayout(buttons);
  IntroLabel->setMinimumWidth(320);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TRemoteControlForm::SetValues(bool enabled, int port, bool allowOtherHosts) {
  EnabledCheckBox->setChecked(enabled);
  PortSpinBox->setValue(port);
  AllowOtherHostsCheckBox->setChecked(allowOtherHosts);
}

bool TRemoteControlForm::Enabled() const { return EnabledCheckBox->isChecked(); }

int TRemoteControlForm::Port() const { return PortSpinBox->value(); }

bool TRemoteControlForm::AllowOtherHosts() const { return AllowOtherHostsCheckBox->isChecked(); }

void TRemoteControlForm::SetStatus(const QString& text) { StatusLabel->setText(text); }
