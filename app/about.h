#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the program's picture, its name and the version, and an OK
// button. Kept above other windows and centred on the screen.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* VersionLabel = nullptr;
  QPushButton* OKButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
};
