#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What each radio protocol's commands can do, as data: which levels and
// switches exist and how they are sent, which modes the tuning command
// carries, whether it selects an IF filter, and which power sequences run.
// Code outside radio/ asks this table (or the session) instead of comparing
// protocol numbers; the link dispatches on the command kinds named here.
namespace protocols {

// How a level (volume, squelch, IF shift) is sent.
enum class LevelCommand {
  None,  // the radio has no command for it: nothing is sent
  Pcr,   // "J4x" + two hexadecimal digits; a level of 0 keeps the last audible level
  Civ,   // CI-V frame 14 xx with a packed-decimal level; every level is kept
};

// How the attenuator is switched.
enum class AttenuatorCommand { None, Civ, Aor, Pcr, Ar3000A };

// How the audio is muted.
enum class MuteCommand {
  None,
  OsAudio,    // OS456/OS535 audio-off / audio-on frames, each after more than 100 ms
  Aor,        // "MC1" / "MC0", with the system beep on mute
  Bc895,      // "MU" + "N" / "A"
  PcrVolume,  // volume 0, then the last audible volume
  Ar3000A,    // "E" / "G"
};

struct Capabilities {
  LevelCommand volume = LevelCommand::None;
  LevelCommand squelch = LevelCommand::None;
  bool ifShift = false;       // PCR1000 "J43"
  bool agc = false;           // PCR1000 "J45"
  bool noiseBlanker = false;  // PCR1000 "J46"
  AttenuatorCommand attenuator = AttenuatorCommand::None;
  MuteCommand mute = MuteCommand::None;
  // The IF filter list selects the radio's filter (the PCR1000 resends its
  // tuning command with the chosen filter).
  bool filters = false;
  // The mode codes the tuning command can carry; empty when it takes any
  // mode (an unknown one is simply not sent).
  QStringList modes;
  bool powerUpSequence = false;
  bool powerOffSequence = false;
  // The finest frequency step the tuning command carries: the tuning text's
  // five decimals (10 Hz), or the radio's own coarser field.
  int resolutionHz = 10;

  bool hasVolume() const { return volume != LevelCommand::None; }
  bool hasSquelch() const { return squelch != LevelCommand::None; }
  bool hasAttenuator() const { return attenuator != AttenuatorCommand::None; }
  bool hasMute() const { return mute != MuteCommand::None; }
};

// The capabilities of a stored protocol number; a number that names no
// protocol can do nothing.
const Capabilities& capabilities(int protocol);

// The one attenuator step of the radios that have one, in dB.
inline constexpr int kAttenuatorDb = 20;
// Every level runs from 0 to this.
inline constexpr int kLevelMax = 255;
// The PCR1000 IF shift: level 128 is the centre, 10 Hz a step.
inline constexpr int kIfShiftCentre = 128;
inline constexpr int kIfShiftHzPerStep = 10;

// The IF filter list's widths in hertz ("3K" is 3000), narrowest first.
QList<int> filterWidthsHz();

}  // namespace protocols
