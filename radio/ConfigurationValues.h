#pragma once

#include <QString>
#include <array>

#include "radio/LinkSettings.h"
#include "settings/SettingsNames.h"

class SettingsStore;

// Every setting the configuration dialog shows, as one value: the caller
// reads it from the profile's store, hands it to the dialog, and writes back
// what the operator confirmed. The defaults are those of a store that holds
// nothing.
struct ConfigurationValues {
  // "Connection"
  int protocol = 0;                           // "Protocol": the stored number, known or not
  QString portName = QStringLiteral("COM2");  // "Com Port", at most kPortNameLength characters
  int rate = 9600;                            // "Com Port Rate"
  QString address;                            // "Address", as typed
  bool ic735 = false;                         // "IC-735"
  int readingsPerSecond = 10;                 // "Readings Per Second", 0: no readings
  int settleMs = -1;                          // "Settle Time", -1: the radio's own
  // "Coverage"
  double lowestMhz = 0.1;                                       // "Lowest Frequency"
  double highestMhz = 1300.0;                                   // "Highest Frequency"
  unsigned supportedModes = (1u << 0) | (1u << 2) | (1u << 3);  // bit i: "Supports " + mode i
  int pcrAmFilter = 1;  // "Connection"/"PCR1000 Default AM Filter": 0 "3K" .. 3 "50K"
  // "Features": protocols::Feature bits.
  unsigned features = 0;
  // "General"
  bool showIcon = true;
  bool alwaysOnTop = false;
  bool powerOff = false;
  bool showHints = true;
  bool releasePortAfterStartup = false;
};

// The configured port name is used up to this many characters.
inline constexpr int kPortNameLength = 14;

// The "Features" values, in the bit order of protocols::Feature.
inline constexpr std::array<const char*, 8> kFeatureNames = {
    settings_names::kFeatureMute,      settings_names::kFeatureVolume,
    settings_names::kFeatureSquelch,   settings_names::kFeatureIfShift,
    settings_names::kFeatureAttenuate, settings_names::kFeatureAgc,
    settings_names::kFeatureNb,        settings_names::kFeatureFilters};

// The protocols::Feature bits of the features the store's profile shows
// (the store must be open); a missing value is off.
unsigned ReadFeatures(SettingsStore& store);

// Reads the values of the store's profile in a session of their own. The
// coverage is read as the link reads it; the readings rate and settle time
// are held to what the dialog accepts. Reads never fail: what they meet is
// kept in the store for the operator.
ConfigurationValues ReadConfiguration(SettingsStore& store);

// Writes every value into the store's profile in a session of their own, the
// coverage limits in their stored form (five decimals, nine wide). Throws
// SettingsError when the store cannot be written; nothing is kept then.
void WriteConfiguration(SettingsStore& store, const ConfigurationValues& values);

// WriteConfiguration for a caller that tells the operator itself: empty when
// the values were stored, else the failure's message, followed by anything
// else the store has for the operator now, each once.
QString SaveConfiguration(SettingsStore& store, const ConfigurationValues& values);
