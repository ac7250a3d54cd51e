#include <QtTest/QtTest>

#include "TestMain.h"
#include "radio/FrequencyText.h"

class SettingsTest : public QObject {
  Q_OBJECT
 private slots:
  void placeholder() { QVERIFY(true); }
};

CORVALO_TEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
