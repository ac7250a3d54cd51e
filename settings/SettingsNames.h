#pragma once

// Section and value names of the settings store, with the defaults their
// readers pass. Every reader and writer names its setting through these.

namespace settings_names {

inline constexpr char kGeneral[] = "General";
inline constexpr char kConnection[] = "Connection";
inline constexpr char kCoverage[] = "Coverage";
inline constexpr char kFeatures[] = "Features";
inline constexpr char kPcr1000[] = "PCR1000";
inline constexpr char kPresets[] = "Presets";

// "General"
inline constexpr char kFrequency[] = "Frequency";
inline constexpr char kMode[] = "Mode";
inline constexpr char kLeft[] = "Left";
inline constexpr char kTop[] = "Top";
inline constexpr char kWidth[] = "Width";
inline constexpr char kHeight[] = "Height";
inline constexpr char kShowIcon[] = "Show Icon";
inline constexpr char kAlwaysOnTop[] = "Always On Top";
inline constexpr char kStepSize[] = "Step Size";
inline constexpr char kPowerOff[] = "Power Off";
inline constexpr char kShowHints[] = "Show Hints";
inline constexpr char kReleasePortAfterStartup[] = "Release Port After Startup";
inline constexpr char kAttenuate[] = "Attenuate";
inline constexpr char kShowScanPanel[] = "Show Scan Panel";

inline constexpr char kDefaultFrequency[] = "162.55";
inline constexpr char kDefaultMode[] = "FMN";
inline constexpr int kDefaultLeft = 280;
inline constexpr int kDefaultTop = 146;
inline constexpr int kDefaultWidth = 370;
inline constexpr int kDefaultHeight = 142;
inline constexpr char kDefaultStepSize[] = "0.00050";
inline constexpr bool kDefaultShowScanPanel = false;

// "Connection"
inline constexpr char kProtocol[] = "Protocol";
inline constexpr char kComPort[] = "Com Port";
inline constexpr char kComPortRate[] = "Com Port Rate";
inline constexpr char kAddress[] = "Address";
inline constexpr char kIc735[] = "IC-735";
inline constexpr char kPcr1000DefaultAmFilter[] = "PCR1000 Default AM Filter";

inline constexpr int kDefaultProtocol = 0;
inline constexpr char kDefaultComPort[] = "COM2";
inline constexpr int kDefaultComPortRate = 9600;
inline constexpr int kDefaultPcr1000AmFilter = 1;
// How often the radio is asked what it hears while the link is idle.
inline constexpr char kReadingsPerSecond[] = "Readings Per Second";
inline constexpr int kDefaultReadingsPerSecond = 10;
// How long a scan waits after a retune before it reads (ms); -1: the radio's
// own settle time.
inline constexpr char kSettleTime[] = "Settle Time";
inline constexpr int kDefaultSettleTime = -1;

// "Coverage"
inline constexpr char kLowestFrequency[] = "Lowest Frequency";
inline constexpr char kHighestFrequency[] = "Highest Frequency";
inline constexpr char kDefaultLowestFrequency[] = "0.100";
inline constexpr char kDefaultHighestFrequency[] = "1300.0";
// The "Supports <mode>" values are named "Supports " + the mode code.
inline constexpr char kSupportsPrefix[] = "Supports ";

// "Features"
inline constexpr char kFeatureMute[] = "Mute";
inline constexpr char kFeatureVolume[] = "Volume";
inline constexpr char kFeatureSquelch[] = "Squelch";
inline constexpr char kFeatureIfShift[] = "IF Shift";
inline constexpr char kFeatureAgc[] = "AGC";
inline constexpr char kFeatureNb[] = "NB";
inline constexpr char kFeatureAttenuate[] = "Attenuate";
inline constexpr char kFeatureFilters[] = "Filters";

// "PCR1000"
inline constexpr char kPcr1000Volume[] = "PCR1000 Volume";
inline constexpr char kPcr1000Squelch[] = "PCR1000 Squelch";
inline constexpr char kPcr1000IfShift[] = "PCR1000 IF Shift";
inline constexpr char kPcr1000CommandDelay[] = "PCR1000 Command Delay";
inline constexpr int kDefaultPcr1000Volume = 100;
inline constexpr int kDefaultPcr1000Squelch = 75;
inline constexpr int kDefaultPcr1000IfShift = 127;
inline constexpr int kDefaultPcr1000CommandDelay = 2;

// "Presets"
inline constexpr char kActiveGroup[] = "Active Group";
inline constexpr char kPresetFrequency[] = "Preset Frequency ";
inline constexpr char kPresetMode[] = "Preset Mode ";
inline constexpr char kPresetFilter[] = "Preset Filter ";
inline constexpr char kPresetDescription[] = "Preset Description ";
inline constexpr char kPresetAttenuate[] = "Preset Attenuate ";

// "Remote": the server through which other programs control the radio.
inline constexpr char kRemote[] = "Remote";
inline constexpr char kRemoteEnabled[] = "Enabled";
inline constexpr char kRemotePort[] = "Port";
inline constexpr char kRemoteAllowOtherHosts[] = "Allow Other Hosts";
inline constexpr bool kDefaultRemoteEnabled = false;
inline constexpr int kDefaultRemotePort = 4532;
inline constexpr bool kDefaultRemoteAllowOtherHosts = false;

// "Scan": the signal scan's longest listen and priority channel.
inline constexpr char kScan[] = "Scan";
inline constexpr char kLongestListen[] = "Longest Listen";          // seconds, 0: no limit
inline constexpr char kPriorityFrequency[] = "Priority Frequency";  // MHz, empty: none
inline constexpr char kPriorityMode[] = "Priority Mode";
inline constexpr char kPriorityEvery[] = "Priority Every";  // seconds
inline constexpr int kDefaultPriorityEvery = 5;

}  // namespace settings_names
