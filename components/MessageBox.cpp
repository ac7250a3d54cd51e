#include "components/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

#include "settings/SettingsStore.h"

void PrepareBox(QMessageBox& box) {
  box.setObjectName(QStringLiteral("CorvaloMessageBox"));
  box.setTextFormat(Qt::PlainText);
}

namespace {

void showBox(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
  QMessageBox box(icon, QString::fromLatin1(kApplicationTitle), text, QMessageBox::Ok, parent);
  PrepareBox(box);
  box.exec();
}

}  // namespace

void ShowMessage(QWidget* parent, const QString& text) {
  showBox(parent, text, QMessageBox::NoIcon);
}

void ShowInformation(QWidget* parent, const QString& text) {
  showBox(parent, text, QMessageBox::Information);
}

void ShowError(QWidget* parent, const QString& text) {
  showBox(parent, text, QMessageBox::Critical);
}

void ShowStoreMessages(SettingsStore& store, QWidget* parent, const QStringList& failures) {
  const QStringList messages = store.takeMessages(failures);
  if (!messages.isEmpty()) ShowError(parent, messages.join(QLatin1Char('\n')));
}

bool Confirm(QWidget* parent, const QString& text, const QString& acceptText) {
  QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kApplicationTitle), text,
                  QMessageBox::Cancel, parent);
  PrepareBox(box);
  QPushButton* accept = box.addButton(acceptText, QMessageBox::AcceptRole);
  box.setDefaultButton(QMessageBox::Cancel);
  box.exec();
  return box.clickedButton() == accept;
}
