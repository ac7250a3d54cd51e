#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The remote-control dialog: whether other programs may control the radio
// through the program (Hamlib's rigctld protocol over TCP), on which port,
// and whether from other computers too. It only returns the values; the main
// window stores them and starts or stops the server.
class TRemoteControlForm : public QDialog {
  Q_OBJECT

 public:
  explicit TRemoteControlForm(QWidget* parent = nullptr);

  void SetValues(bool enabled, int port, bool allowOtherHosts);
  bool Enabled() const;
  int Port() const;
  bool AllowOtherHosts() const;
  // What the server is doing now ("Listening on ...", "Off.").
  void SetStatus(const QString& text);

  QLabel* IntroLabel = nullptr;
  QCheckBox* EnabledCheckBox = nullptr;
  QLabel* PortLabel = nullptr;
  QSpinBox* PortSpinBox = nullptr;
  QCheckBox* AllowOtherHostsCheckBox = nullptr;
  QLabel* StatusLabel = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
};
