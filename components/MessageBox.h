#pragma once

#include <QString>
#include <QStringList>

class QMessageBox;
class QWidget;
class SettingsStore;

// Every message box of the program is captioned with the application title
// and shows its text as written: a name that reads like markup is not
// rendered.
inline constexpr char kApplicationTitle[] = "Corvalo";

// A modal box with the text and an OK button, no icon (the link's messages).
void ShowMessage(QWidget* parent, const QString& text);
// The same with the information icon (operator input that cannot be used).
void ShowInformation(QWidget* parent, const QString& text);
// The same with the error icon (a failure of the settings store).
void ShowError(QWidget* parent, const QString& text);
// The error box of a settings store: what it has for the operator now (the
// problems its reads met, and `failures`, messages of store errors that ended
// an operation) in one box, each message once while its problem lasts.
// Nothing new to tell shows nothing.
void ShowStoreMessages(SettingsStore& store, QWidget* parent, const QStringList& failures = {});
// A question with the warning icon: true when the operator presses the
// button captioned acceptText, false for Cancel.
bool Confirm(QWidget* parent, const QString& text, const QString& acceptText);
// Makes a box built elsewhere one of these: its text shown as written, and
// known to the program by its name.
void PrepareBox(QMessageBox& box);
