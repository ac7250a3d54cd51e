#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// What the remote-control server drives: the radio session. A change answers
// through a callback once the radio's link has taken it (or refused it), so
// the server never waits; what is read answers at once. Everything runs on
// the GUI thread.
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

// What the radio hears, read only: the signal in whole dB relative to S9
// (Hamlib's STRENGTH) and on the radio's own scale (RAWSTR).
enum class Meter { Strength, RawStrength };

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
  bool strength = false;     // a calibrated signal level
  bool rawStrength = false;  // a signal level on the radio's scale
};

// The answer to a change: kOk, or a Code when it was refused (nothing was
// sent then) or the radio's port was not open to take it.
using Reply = std::function<void(int code)>;
// The answer to the carrier-detect query.
using CarrierReply = std::function<void(int code, bool present)>;
// The answer to a meter reading.
using MeterReply = std::function<void(int code, int value)>;

class Target {
 public:
  virtual ~Target() = default;

  virtual RadioInfo radioInfo() = 0;

  // Tunes to a frequency in the mode selected now.
  virtual void setFrequency(double hertz, Reply done) = 0;
  // The frequency of the last tuning, in hertz.
  virtual double frequency() = 0;
  // Selects a mode (one of radioInfo().modes) and re-tunes; a passband
  // above 0 then selects the nearest filter the radio has.
  virtual void setMode(const QString& mode, int passbandHz, Reply done) = 0;
  // The mode code of the last tuning and its passband (0 when fixed).
  virtual QString mode() = 0;
  virtual int passband() = 0;

  virtual void setLevel(Level level, int value, Reply done) = 0;
  virtual int level(Level level) = 0;
  virtual void setSwitch(Switch which, bool on, Reply done) = 0;
  virtual bool switchState(Switch which) = 0;

  // Whether the radio reports a received signal; a Code when it cannot be
  // read.
  virtual void carrierDetect(CarrierReply done) = 0;
  // Whether the radio is reachable (its port is open).
  virtual bool powerOn() = 0;
  // What the radio hears; a radio that cannot tell answers kNotAvailable.
  virtual void readMeter(Meter which, MeterReply done) {
    (void)which;
    done(kNotAvailable, 0);
  }
};

}  // namespace rigctl
