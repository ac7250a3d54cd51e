#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The tuning request of every protocol: checks that the protocol can carry
// the frequency and mode, and builds the bytes. Pure: no port, no waits.
namespace encoders {

// What the tuning encoders need of the link state.
struct TuneParameters {
  int protocol = 0;
  std::uint8_t civAddress = 0;
  bool ic735 = false;
  int pcrDefaultAmFilter = 1;
};

struct TuneCommand {
  // Non-empty when the request cannot be encoded: a message for the operator.
  // Nothing else is set then.
  QString refusal;
  QByteArray bytes;       // the tuning command; empty for a protocol without one
  int waitAfterMs = 0;    // the protocol's own pause after the command
  QString frequencyText;  // what CurrentFrequency becomes
  int filterIndex = -1;   // the PCR1000 filter chosen; -1 for other protocols
  QByteArray modeFrame;   // protocols 0 and 1: sent when the mode changed
};

// The pause after every tuning command before the mode is looked at: more
// than 50 ms.
inline constexpr int kTuneSettleMs = 51;
// The CI-V pause after a frequency frame: at least 15 ms.
inline constexpr int kCivFrequencyWaitMs = 15;
// The AR8000/AR2700 pause after the tuning lines: more than 35 ms.
inline constexpr int kAr8000WaitMs = 36;

// The frequency text may carry leading blanks and any number of decimals; a
// text of more than 11 characters is first brought to its shown form.
TuneCommand EncodeTuning(const TuneParameters& link, const QString& frequencyText,
                         const QString& mode);

// The PCR1000 filter change: the "K0" command for the frequency text and
// mode of the last tuning with the filter field of filterIndex (0..4).
TuneCommand EncodePcrFilter(const TuneParameters& link, const QString& frequencyText,
                            const QString& mode, int filterIndex);

}  // namespace encoders
