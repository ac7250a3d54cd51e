#pragma once

#include <QString>
#include <array>
#include <optional>

// The one table of the eight radio protocols: stored number, position and text
// in the configuration dialog's protocol list, caption suffix, and what the
// configuration dialog proposes when the operator picks the protocol.
namespace protocols {

// Stored protocol numbers ("Connection"/"Protocol"). 4, 7 and anything above
// 9 name no protocol.
enum Number : int {
  kIcomCiv = 0,
  kOs456 = 1,
  kAr8000 = 2,
  kAr2700 = 3,
  kBc895Xlt = 5,
  kPcr1000 = 6,
  kAr3000 = 8,
  kAr3000A = 9,
};

// The fifteen mode codes in the fixed order of every mode list.
inline constexpr std::array<const char*, 15> kModeCodes = {"AM",  "CW",  "FMN", "FMW", "FM1",
                                                           "FM3", "FM9", "FSK", "LSB", "SSB",
                                                           "USB", "AUT", "AMW", "AM2", "AM3"};

// The configuration dialog's texts for the same fifteen modes.
inline constexpr std::array<const char*, 15> kModeListTexts = {"AM",
                                                               "CW",
                                                               "FMN (Narrow)",
                                                               "FMW (Wide)",
                                                               "FM1 (Icom Width 1)",
                                                               "FM3 (Icom Width 3)",
                                                               "FM9 (Icom R-9000 FM Wide)",
                                                               "FSK (RTTY)",
                                                               "LSB (Lower Side Band)",
                                                               "SSB (Single Side Band)",
                                                               "USB (Upper Side Band)",
                                                               "AUT (AR8000 Auto Mode)",
                                                               "AMW",
                                                               "AM2",
                                                               "AM3"};

// The IF filter list of the main window and the presets dialog.
inline constexpr std::array<const char*, 5> kFilterCodes = {"3K", "6K", "15K", "50K", "230K"};

// Features, in the order of the configuration dialog's check boxes.
enum Feature : unsigned {
  kMute = 1u << 0,
  kVolume = 1u << 1,
  kSquelch = 1u << 2,
  kIfShift = 1u << 3,
  kAttenuate = 1u << 4,
  kAgc = 1u << 5,
  kNb = 1u << 6,
  kFilters = 1u << 7,
  kAllFeatures = 0xFFu,
};

// The frequencies a protocol's tuning command can carry, MHz, once the
// frequency is rounded to the decimals the command resolves.
struct CarriedRange {
  double lowest;
  double highest;
  int decimals;
  const char* text;  // as a refusal names it: "0 to 9999.99999 MHz"
};

struct ProtocolInfo {
  int number;                 // stored "Connection"/"Protocol"
  int listPosition;           // position in the configuration dialog's list
  const char* listText;       // "Icom PCR1000"
  const char* captionSuffix;  // ":PCR-1000"
  // Proposals of the configuration dialog.
  const char* lowest;           // "0.01"
  const char* highest;          // "1300.0"
  unsigned modes;               // bit i: mode list entry i (0..11) selected
  unsigned features;            // Feature bits checked
  bool showAddress;             // AddressLabel and AddressEdit shown
  bool showIc735;               // IC735CheckBox shown
  const char* proposedAddress;  // address text put in, or nullptr (unchanged)
  bool showPcrAmFilter;         // the PCR1000 AM filter controls shown
  CarriedRange carried;         // what its tuning command can carry
};

// The eight protocols, in list-position order.
const std::array<ProtocolInfo, 8>& all();

// nullptr for a number or position that names no protocol.
const ProtocolInfo* byNumber(int number);
const ProtocolInfo* byListPosition(int position);

// True when the command of the range carries the frequency (MHz).
bool carries(const CarriedRange& range, double mhz);

// The main window's caption: "Corvalo [" + port + suffix + "]". A number that
// names no protocol has no suffix.
QString caption(const QString& portName, int number);

}  // namespace protocols
