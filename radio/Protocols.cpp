#include "radio/Protocols.h"

#include "radio/FrequencyText.h"

namespace protocols {

namespace {

// Mode list entries 0..11 as bits.
constexpr unsigned mode(int entry) { return 1u << entry; }
constexpr unsigned AM = mode(0), CW = mode(1), FMN = mode(2), FMW = mode(3), FM1 = mode(4),
                   FM3 = mode(5), FM9 = mode(6), FSK = mode(7), LSB = mode(8), SSB = mode(9),
                   USB = mode(10), AUT = mode(11);

// What the tuning commands carry: the CI-V frame ten digits of hertz; the
// OS456/OS535 frame and the PCR1000 command four digits of megahertz with
// five decimals; the BC-895XLT command four digits of megahertz from 10 MHz
// on, to 100 Hz; the AOR radios' text commands megahertz with five decimals.
constexpr CarriedRange kCiv = {0.0, 9999.999999, 6, "0 to 9999.999999 MHz"};
constexpr CarriedRange kFourDigits = {0.0, 9999.99999, 5, "0 to 9999.99999 MHz"};
constexpr CarriedRange kBc895 = {10.0, 999.99999, 5, "10 to 999.9999 MHz"};

const std::array<ProtocolInfo, 8> kProtocols = {{
    {kAr2700, 0, "AR2700", ":AR2700", "0.5", "1300.0", AM | FMN | FMW | AUT, kMute | kAttenuate,
     false, false, nullptr, false, kFourDigits},
    {kAr8000, 1, "AR8000", ":AR8000", "0.1", "1900.0", AM | CW | FMN | FMW | LSB | USB | AUT,
     kMute | kAttenuate, false, false, nullptr, false, kFourDigits},
    {kBc895Xlt, 2, "BC-895XLT", ":BC895XLT", "29.0", "956.0", AM | FMN, kMute | kAttenuate, false,
     false, nullptr, false, kBc895},
    {kIcomCiv, 3, "Icom CI-V", ":Icom CI-V", "0.5", "1300.0",
     AM | CW | FMN | FMW | FM1 | FM3 | FM9 | FSK | LSB | SSB | USB, kMute | kAttenuate, true, true,
     nullptr, false, kCiv},
    {kPcr1000, 4, "Icom PCR1000", ":PCR-1000", "0.01", "1300.0", AM | CW | FMN | FMW | LSB | USB,
     kAllFeatures, false, false, nullptr, true, kFourDigits},
    {kOs456, 5, "OS456/OS535", ":OS456/535", "25.0", "1300.0", AM | FMN | FMW, kMute, true, false,
     "80", false, kFourDigits},
    {kAr3000, 6, "AR3000", ":AR3000", "0.01", "2036.0", AM | CW | FMN | FMW | LSB | USB, kAttenuate,
     false, false, nullptr, false, kFourDigits},
    {kAr3000A, 7, "AR3000A", ":AR3000A", "0.01", "2036.0", AM | CW | FMN | FMW | LSB | USB,
     kMute | kAttenuate, false, false, nullptr, false, kFourDigits},
}};

}  // namespace

const std::array<ProtocolInfo, 8>& all() { return kProtocols; }

const ProtocolInfo* byNumber(int number) {
  for (const ProtocolInfo& p : kProtocols) {
    if (p.number == number) return &p;
  }
  return nullptr;
}

const ProtocolInfo* byListPosition(int position) {
  if (position < 0 || position >= static_cast<int>(kProtocols.size())) return nullptr;
  return &kProtocols[static_cast<size_t>(position)];
}

bool carries(const CarriedRange& range, double mhz) {
  // No radio takes a negative frequency, even one that rounds to zero.
  if (!(mhz >= 0)) return false;
  // Far outside (or no number at all): no rounding brings it in.
  if (!(mhz >= range.lowest - 1 && mhz <= range.highest + 1)) return false;
  // Rounded as the command's text or digits round it.
  double rounded = 0;
  if (!freqtext::ParseNumber(freqtext::FormatFixed(mhz, range.decimals), &rounded)) return false;
  return rounded >= range.lowest && rounded <= range.highest;
}

QString caption(const QString& portName, int number) {
  const ProtocolInfo* p = byNumber(number);
  return QStringLiteral("Corvalo [") + portName +
         (p ? QString::fromLatin1(p->captionSuffix) : QString()) + QLatin1Char(']');
}

}  // namespace protocols
