#pragma once

#include <QString>
#include <QtGlobal>

class SettingsStore;

// Everything the radio link needs from the settings to open the port and run
// the power-up sequence, read in one go on the thread that owns the settings
// store and handed to the link's thread with the open request. The link
// itself never touches the store.
struct LinkSettings {
  QString portName = QStringLiteral("COM2");     // "Connection"/"Com Port"
  int protocol = 0;                              // "Connection"/"Protocol"
  int baudRate = 9600;                           // "Connection"/"Com Port Rate"
  quint8 civAddress = 0;                         // "Connection"/"Address", parsed
  bool ic735 = false;                            // "Connection"/"IC-735"
  double lowestMhz = 0.1;                        // "Coverage"/"Lowest Frequency"
  double highestMhz = 1300.0;                    // "Coverage"/"Highest Frequency"
  QString frequency = QStringLiteral("162.55");  // "General"/"Frequency"
  QString mode = QStringLiteral("FMN");          // "General"/"Mode"
  int readingsPerSecond = 10;                    // "Connection"/"Readings Per Second"
  int settleMs = -1;                             // "Connection"/"Settle Time"; -1: the radio's
  bool powerOff = false;                         // "General"/"Power Off", for the end of the run
  // The PCR1000's own values, used by its power-up.
  int pcrDefaultAmFilter = 1;
  int pcrVolume = 100;
  int pcrSquelch = 75;
  int pcrIfShift = 127;
  int pcrCommandDelay = 2;  // ms
};

// The coverage a profile may hold, MHz: the limits the configuration dialog
// accepts for "Coverage"/"Lowest Frequency" and "Highest Frequency".
inline constexpr double kLowestCoverageMhz = 0.0;
inline constexpr double kHighestCoverageMhz = 9999.99999;

// The most readings a second a profile may ask for, and the longest settle
// time it may set (ms), as the configuration dialog accepts them.
inline constexpr int kMostReadingsPerSecond = 50;
inline constexpr int kLongestSettleMs = 2000;

// The address rule of "Connection"/"Address": one or two hexadecimal digits,
// blanks around them ignored. Any other text (empty, three characters, a
// non-hexadecimal character) gives 0x00, the CI-V broadcast address, which
// every CI-V radio listens to.
quint8 ParseCivAddress(const QString& text);

// Reads "Coverage"/"Lowest Frequency" and "Highest Frequency" of the store's
// profile (the store must be open), each held to the coverage a profile may
// hold; a lowest limit above the highest reads as an unreadable pair: both
// are the defaults.
void ReadCoverage(SettingsStore& store, double* lowestMhz, double* highestMhz);

// Reads the link settings of the store's profile (the store must be open).
// Each coverage limit is held to the coverage a profile may hold; a lowest
// limit above the highest reads as an unreadable pair: both are the defaults.
LinkSettings ReadLinkSettings(SettingsStore& store);
