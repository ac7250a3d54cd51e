// The radio as the protocol describes it to a client: the answers to
// "\dump_state" and "\dump_caps".

#include "remote/RigctlProtocol.h"

namespace rigctl {

namespace {

// Level and function bits of the protocol.
constexpr unsigned long long kLevelAtt = 1ull << 1;
constexpr unsigned long long kLevelAf = 1ull << 3;
constexpr unsigned long long kLevelSql = 1ull << 5;
constexpr unsigned long long kLevelIf = 1ull << 6;
constexpr unsigned long long kLevelRawStr = 1ull << 26;
constexpr unsigned long long kLevelStrength = 1ull << 30;
constexpr unsigned long long kFuncNb = 1ull << 1;
constexpr unsigned long long kFuncMute = 1ull << 17;

}  // namespace

QByteArray DumpState(const RadioInfo& info) {
  unsigned modes = 0;
  for (const QString& code : info.modes) modes |= ModeBit(code);
  const QByteArray modeMask = "0x" + QByteArray::number(modes, 16);
  unsigned long long levels = 0;
  if (info.volume) levels |= kLevelAf;
  if (info.squelch) levels |= kLevelSql;
  if (info.ifShift) levels |= kLevelIf;
  if (info.attenuatorDb > 0) levels |= kLevelAtt;
  unsigned long long funcs = 0;
  if (info.mute) funcs |= kFuncMute;
  if (info.noiseBlanker) funcs |= kFuncNb;
  const QByteArray levelMask = "0x" + QByteArray::number(levels, 16);
  unsigned long long getLevels = levels;
  if (info.strength) getLevels |= kLevelStrength;
  if (info.rawStrength) getLevels |= kLevelRawStr;
  const QByteArray getLevelMask = "0x" + QByteArray::number(getLevels, 16);
  const QByteArray funcMask = "0x" + QByteArray::number(funcs, 16);
  const QByteArray rangeEnd = "0 0 0 0 0 0 0\n";

  QByteArray s;
  s += "0\n";  // protocol version
  s += "2\n";  // the model of a networked radio
  s += "0\n";  // region
  // Receive range: start, end, modes, low and high power (none), VFO A, antenna.
  s += QByteArray::number(info.lowestHz, 'f', 6) + ' ' +
       QByteArray::number(info.highestHz, 'f', 6) + ' ' + modeMask + " -1 -1 0x1 0x0\n";
  s += rangeEnd;
  s += rangeEnd;                // no transmit range
  s += modeMask + " 1\n0 0\n";  // tuning steps
  for (int width : info.passbandsHz) s += modeMask + ' ' + QByteArray::number(width) + '\n';
  s += "0 0\n";
  s += "0\n0\n";  // no RIT, no XIT
  s += QByteArray::number(info.ifShift ? info.maxIfShiftHz : 0) + '\n';
  s += "0\n";  // announcements
  s += "\n";   // no preamplifier
  s += info.attenuatorDb > 0 ? QByteArray::number(info.attenuatorDb) + " \n" : QByteArray("\n");
  s += funcMask + '\n' + funcMask + '\n';
  s += getLevelMask + '\n' + levelMask + '\n';
  s += "0x0\n0x0\n";  // no parameters
  return s;
}

QByteArray DumpCaps(const RadioInfo& info) {
  auto yes = [](bool on) { return on ? QByteArray("Y") : QByteArray("N"); };
  QByteArray modes;
  for (const QString& code : info.modes) {
    const QByteArray name = ModeName(code);
    if (!name.isEmpty()) modes += name + ' ';
  }
  QByteArray setLevels;
  if (info.attenuatorDb > 0) setLevels += "ATT ";
  if (info.volume) setLevels += "AF ";
  if (info.squelch) setLevels += "SQL ";
  if (info.ifShift) setLevels += "IF ";
  QByteArray getLevels = setLevels;
  if (info.rawStrength) getLevels += "RAWSTR ";
  if (info.strength) getLevels += "STRENGTH ";
  QByteArray functions;
  if (info.noiseBlanker) functions += "NB ";
  if (info.mute) functions += "MUTE ";

  QByteArray s;
  s += "Caps dump for model: 2\n";
  s += "Model name:\tCorvalo\n";
  s += "Rig type:\tReceiver\n";
  s += "Receive range:\t" + QByteArray::number(info.lowestHz, 'f', 0) + " Hz to " +
       QByteArray::number(info.highestHz, 'f', 0) + " Hz\n";
  s += "Modes:\t" + modes.trimmed() + '\n';
  s += "Transmit:\tN\n";
  s += "Get level:\t" + getLevels.trimmed() + '\n';
  s += "Set level:\t" + setLevels.trimmed() + '\n';
  s += "Get functions:\t" + functions.trimmed() + '\n';
  s += "Set functions:\t" + functions.trimmed() + '\n';
  s += "Can set Frequency:\tY\nCan get Frequency:\tY\n";
  s += "Can set Mode:\tY\nCan get Mode:\tY\n";
  s += "Can get DCD:\tY\n";
  s += "Can read signal strength:\t" + yes(info.strength || info.rawStrength) + '\n';
  return s;
}

}  // namespace rigctl
