#pragma once

// A stand-in for the radio session behind the remote-control server: it keeps
// what it was told, answers from that, and records every change in order. A
// change answers at once, or, while answers are held, once the test releases
// them (as the radio's link answers once it has run the change).

#include <QMap>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

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

  void setFrequency(double hertz, rigctl::Reply done) override {
    calls << QStringLiteral("setFrequency %1").arg(hertz, 0, 'f', 0);
    int code = refuseAll;
    if (code == rigctl::kOk && (hertz < info.lowestHz || hertz > info.highestHz)) {
      code = rigctl::kInvalid;
    }
    if (code == rigctl::kOk) hz = hertz;
    answer(std::move(done), code);
  }
  double frequency() override { return hz; }

  void setMode(const QString& code, int passbandHz, rigctl::Reply done) override {
    calls << QStringLiteral("setMode %1 %2").arg(code).arg(passbandHz);
    if (refuseAll == rigctl::kOk) {
      modeCode = code;
      if (passbandHz > 0) width = passbandHz;
    }
    answer(std::move(done), refuseAll);
  }
  QString mode() override { return modeCode; }
  int passband() override { return width; }

  void setLevel(rigctl::Level which, int value, rigctl::Reply done) override {
    calls << QStringLiteral("setLevel %1 %2").arg(static_cast<int>(which)).arg(value);
    if (refuseAll == rigctl::kOk) levels[static_cast<int>(which)] = value;
    answer(std::move(done), refuseAll);
  }
  int level(rigctl::Level which) override { return levels.value(static_cast<int>(which)); }

  void setSwitch(rigctl::Switch which, bool on, rigctl::Reply done) override {
    calls << QStringLiteral("setSwitch %1 %2").arg(static_cast<int>(which)).arg(on);
    if (refuseAll == rigctl::kOk) switches[static_cast<int>(which)] = on;
    answer(std::move(done), refuseAll);
  }
  bool switchState(rigctl::Switch which) override {
    return switches.value(static_cast<int>(which));
  }

  void carrierDetect(rigctl::CarrierReply done) override {
    const int code = carrierCode;
    const bool present = carrier;
    hold([done = std::move(done), code, present] { done(code, present); });
  }
  bool powerOn() override { return power; }

  // Gives the held answers, in the order their changes came.
  void releaseAnswers() {
    const std::vector<std::function<void()>> answers = std::exchange(held, {});
    for (const auto& give : answers) give();
  }

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
  bool holdAnswers = false;  // changes answer when released, not at once
  std::vector<std::function<void()>> held;

 private:
  void answer(rigctl::Reply done, int code) {
    hold([done = std::move(done), code] { done(code); });
  }
  void hold(std::function<void()> give) {
    if (holdAnswers) {
      held.push_back(std::move(give));
    } else {
      give();
    }
  }
};
