#pragma once

// A stand-in for the main window behind the remote-control server: it keeps
// what it was told, answers from that, and records every call in order.

#include <QMap>
#include <QStringList>

#include "remote/RemoteTarget.h"

class FakeTarget : public rigctl::Target {
 public:
  FakeTarget() {
    info.lowestHz = 100e3;
    info.highestHz = 1300e6;
    info.modes = {"AM", "CW", "FMN", "FMW", "LSB", "USB"};
    info.passbandsHz = {3000, 6000, 15000, 50000, 230000};
    info.volume = info.squelch = info.ifShift = true;
    info.maxIfShiftHz = 1270;
    info.attenuatorDb = 20;
    info.mute = info.noiseBlanker = true;
  }

  rigctl::RadioInfo radioInfo() override { return info; }

  int setFrequency(double hertz) override {
    calls << QStringLiteral("setFrequency %1").arg(hertz, 0, 'f', 0);
    if (refuseAll != rigctl::kOk) return refuseAll;
    if (hertz < info.lowestHz || hertz > info.highestHz) return rigctl::kInvalid;
    hz = hertz;
    return rigctl::kOk;
  }
  double frequency() override { return hz; }

  int setMode(const QString& code, int passbandHz) override {
    calls << QStringLiteral("setMode %1 %2").arg(code).arg(passbandHz);
    if (refuseAll != rigctl::kOk) return refuseAll;
    modeCode = code;
    if (passbandHz > 0) width = passbandHz;
    return rigctl::kOk;
  }
  QString mode() override { return modeCode; }
  int passband() override { return width; }

  int setLevel(rigctl::Level which, int value) override {
    calls << QStringLiteral("setLevel %1 %2").arg(static_cast<int>(which)).arg(value);
    if (refuseAll != rigctl::kOk) return refuseAll;
    levels[static_cast<int>(which)] = value;
    return rigctl::kOk;
  }
  int level(rigctl::Level which) override { return levels.value(static_cast<int>(which)); }

  int setSwitch(rigctl::Switch which, bool on) override {
    calls << QStringLiteral("setSwitch %1 %2").arg(static_cast<int>(which)).arg(on);
    if (refuseAll != rigctl::kOk) return refuseAll;
    switches[static_cast<int>(which)] = on;
    return rigctl::kOk;
  }
  bool switchState(rigctl::Switch which) override {
    return switches.value(static_cast<int>(which));
  }

  int carrierDetect(bool* present) override {
    *present = carrier;
    return carrierCode;
  }
  bool powerOn() override { return power; }

  rigctl::RadioInfo info;
  double hz = 162550000;
  QString modeCode = QStringLiteral("FMN");
  int width = 15000;
  QMap<int, int> levels;
  QMap<int, bool> switches;
  bool carrier = false;
  int carrierCode = rigctl::kOk;
  bool power = true;
  int refuseAll = rigctl::kOk;  // a code every change answers with instead
  QStringList calls;
};
