#include "app/CorvaloApplication.h"

#include "components/MessageBox.h"
#include "settings/SettingsStore.h"

CorvaloApplication::CorvaloApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool CorvaloApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const SettingsError& error) {
    if (store_) {
      ShowStoreMessages(*store_, activeWindow(), {error.message()});
    } else {
      ShowError(activeWindow(), error.message());
    }
    return true;
  }
}
