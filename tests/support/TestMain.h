#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <cstdlib>

// Every test process runs with a settings and a data folder of its own: a
// fresh temporary XDG_CONFIG_HOME and XDG_DATA_HOME (and XDG_RUNTIME_DIR),
// removed when the process ends, so no test ever reads or writes the real
// home folder (settings, channel lists, hit logs). Windows are offscreen.
namespace testsupport {

class IsolatedEnvironment {
 public:
  IsolatedEnvironment() {
    qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", dir_.filePath(QStringLiteral("data")).toLocal8Bit());
    QDir().mkpath(dir_.filePath(QStringLiteral("runtime")));
    QFile::setPermissions(dir_.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", dir_.filePath(QStringLiteral("runtime")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QString configHome() const { return dir_.filePath(QStringLiteral("config")); }
  QString dataHome() const { return dir_.filePath(QStringLiteral("data")); }

 private:
  QTemporaryDir dir_;
};

}  // namespace testsupport

// QTEST_MAIN / QTEST_GUILESS_MAIN with the isolated environment set up first.
#define CORVALO_TEST_MAIN_IMPL(TestClass, AppClass) \
  int main(int argc, char** argv) {                 \
    testsupport::IsolatedEnvironment environment;   \
    AppClass app(argc, argv);                       \
    app.setAttribute(Qt::AA_Use96Dpi, true);        \
    TestClass tc;                                   \
    QTEST_SET_MAIN_SOURCE_PATH                      \
    return QTest::qExec(&tc, argc, argv);           \
  }

#define CORVALO_TEST_GUILESS_MAIN(TestClass) CORVALO_TEST_MAIN_IMPL(TestClass, QCoreApplication)
