#include "radio/Capabilities.h"

#include <map>

#include "radio/Protocols.h"

namespace protocols {

namespace {

Capabilities civ() {
  Capabilities c;
  c.volume = c.squelch = LevelCommand::Civ;
  c.attenuator = AttenuatorCommand::Civ;
  return c;
}

Capabilities os456() {
  Capabilities c;
  c.mute = MuteCommand::OsAudio;
  c.powerUpSequence = c.powerOffSequence = true;
  return c;
}

Capabilities aor() {
  Capabilities c;
  c.attenuator = AttenuatorCommand::Aor;
  c.mute = MuteCommand::Aor;
  c.powerOffSequence = true;
  return c;
}

Capabilities bc895() {
  Capabilities c;
  c.mute = MuteCommand::Bc895;
  c.resolutionHz = 100;  // "RF" carries the frequency in units of 100 Hz
  c.powerUpSequence = true;
  return c;
}

Capabilities pcr1000() {
  Capabilities c;
  c.volume = c.squelch = LevelCommand::Pcr;
  c.ifShift = c.agc = c.noiseBlanker = true;
  c.attenuator = AttenuatorCommand::Pcr;
  c.mute = MuteCommand::PcrVolume;
  c.filters = true;
  c.modes = {QStringLiteral("AM"),  QStringLiteral("CW"),  QStringLiteral("FMN"),
             QStringLiteral("FMW"), QStringLiteral("LSB"), QStringLiteral("USB")};
  c.powerUpSequence = c.powerOffSequence = true;
  return c;
}

Capabilities ar3000(bool a) {
  Capabilities c;
  c.modes = {QStringLiteral("AM"),  QStringLiteral("CW"),  QStringLiteral("FMN"),
             QStringLiteral("FMW"), QStringLiteral("LSB"), QStringLiteral("USB")};
  if (a) {
    c.attenuator = AttenuatorCommand::Ar3000A;
    c.mute = MuteCommand::Ar3000A;
  }
  return c;
}

const std::map<int, Capabilities>& table() {
  static const std::map<int, Capabilities> kTable = {
      {kIcomCiv, civ()},        {kOs456, os456()},        {kAr8000, aor()},
      {kAr2700, aor()},         {kBc895Xlt, bc895()},     {kPcr1000, pcr1000()},
      {kAr3000, ar3000(false)}, {kAr3000A, ar3000(true)},
  };
  return kTable;
}

}  // namespace

const Capabilities& capabilities(int protocol) {
  static const Capabilities kNothing;
  const auto& t = table();
  const auto it = t.find(protocol);
  return it == t.end() ? kNothing : it->second;
}

QList<int> filterWidthsHz() {
  QList<int> widths;
  for (const char* code : kFilterCodes) {
    QString text = QString::fromLatin1(code);
    text.chop(1);  // the "K"
    widths << text.toInt() * 1000;
  }
  return widths;
}

}  // namespace protocols
