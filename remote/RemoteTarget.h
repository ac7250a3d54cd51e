#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the remote-control server drives: the radio as the operator's window
// sees it. The main window implements this by running its own handlers, so a
// remote request takes the operator's path (checks, port, fields, tray hint).
// Everything runs on the GUI thread.
namespace rigctl {

// Reply codes of the protocol, sent as "RPRT <code>".
enum Code : int {
  kOk = 0,
  kInvalid = -1,         // bad argument, refused frequency or mode
  kNotImplemented = -4,  // a command this server does not offer
  kIoError = -6,         // the radio's port is not open
  kInternal = -7,        // the program failed (the settings store)
  kProtocolError = -8,   // malformed or over-long input
  kRejected = -9,        // the program cannot take a change now
  kNotAvailable = -11,   // the radio has no such control
};

// Levels a client can set and read.
enum class Level {
  Af,          // volume, 0..255
  Squelch,     // 0..255
  IfShift,     // hertz from the centre
  Attenuator,  // decibels; 0 is off
};

// On/off functions a client can set and read.
enum class Switch { Mute, NoiseBlanker };

// What the attached radio offers now.
struct RadioInfo {
  double lowestHz = 0;  // receive coverage
  double highestHz = 0;
  QStringList modes;       // the program's mode codes the operator can pick ("FMN", ...)
  QList<int> passbandsHz;  // selectable passbands, narrowest first; empty when fixed
  bool volume = false;
  bool squelch = false;
  bool ifShift = false;
  int maxIfShiftHz = 0;
  int attenuatorDb = 0;  // the attenuator's step; 0 when there is none
  bool mute = false;
  bool noiseBlanker = false;
};

class Target {
 public:
  virtual ~Target() = default;

  virtual RadioInfo radioInfo() = 0;

  // Tunes to a frequency in the mode selected now. Returns kOk, or a Code
  // when the request was refused (nothing is sent then).
  virtual int setFrequency(double hertz) = 0;
  // The frequency of the last tuning, in hertz.
  virtual double frequency() = 0;
  // Selects a mode (one of radioInfo().modes) and re-tunes; a passband
  // above 0 then selects the nearest filter the radio has.
  virtual int setMode(const QString& mode, int passbandHz) = 0;
  // The mode code of the last tuning and its passband (0 when fixed).
  virtual QString mode() = 0;
  virtual int passband() = 0;

  virtual int setLevel(Level level, int value) = 0;
  virtual int level(Level level) = 0;
  virtual int setSwitch(Switch which, bool on) = 0;
  virtual bool switchState(Switch which) = 0;

  // Whether the radio reports a received signal; returns a Code when it
  // cannot be read.
  virtual int carrierDetect(bool* present) = 0;
  // Whether the radio is reachable (its port is open).
  virtual bool powerOn() = 0;
};

}  // namespace rigctl
