#pragma once

#include <QApplication>

class SettingsStore;

// The application object. A failure of the settings store that escapes an
// event handler ends that handler's operation with the store's message in an
// error box instead of ending the program.
class CorvaloApplication : public QApplication {
  Q_OBJECT

 public:
  CorvaloApplication(int& argc, char** argv);

  // The help file the program names; no window opens it.
  static constexpr char kHelpFile[] = "Corvalo.HLP";

  // The store whose failures are told (made once the profile is known).
  void setSettingsStore(SettingsStore* store) { store_ = store; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  SettingsStore* store_ = nullptr;
};
