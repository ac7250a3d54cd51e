#include "remote/RigctlProtocol.h"

#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace rigctl {

namespace {

enum class Op {
  SetFreq,
  GetFreq,
  SetMode,
  GetMode,
  SetVfo,
  GetVfo,
  SetLevel,
  GetLevel,
  SetFunc,
  GetFunc,
  SetSplitVfo,
  GetSplitVfo,
  SetPtt,
  GetPtt,
  ChkVfo,
  DumpState,
  GetDcd,
  GetPowerstat,
  SetLockMode,
  GetLockMode,
  Quit,
};

struct CommandEntry {
  char shortName;         // 0 when the command has only the long form
  const char* longName;   // also the extended answer's header
  int arguments;          // required
  bool optionalArgument;  // one more integer argument may follow
  Op op;
  // Labels of the values a get command answers with, in the extended form
  // ("" for a value shown without a label).
  std::array<const char*, 2> labels;
};

constexpr CommandEntry kCommands[] = {
    {'F', "set_freq", 1, false, Op::SetFreq, {}},
    {'f', "get_freq", 0, false, Op::GetFreq, {"Frequency"}},
    {'M', "set_mode", 1, true, Op::SetMode, {}},
    {'m', "get_mode", 0, false, Op::GetMode, {"Mode", "Passband"}},
    {'V', "set_vfo", 1, false, Op::SetVfo, {}},
    {'v', "get_vfo", 0, false, Op::GetVfo, {"VFO"}},
    {'L', "set_level", 2, false, Op::SetLevel, {}},
    {'l', "get_level", 1, false, Op::GetLevel, {""}},
    {'U', "set_func", 2, false, Op::SetFunc, {}},
    {'u', "get_func", 1, false, Op::GetFunc, {""}},
    {'S', "set_split_vfo", 2, false, Op::SetSplitVfo, {}},
    {'s', "get_split_vfo", 0, false, Op::GetSplitVfo, {"Split", "TX VFO"}},
    {'T', "set_ptt", 1, false, Op::SetPtt, {}},
    {'t', "get_ptt", 0, false, Op::GetPtt, {"PTT"}},
    {0, "chk_vfo", 0, false, Op::ChkVfo, {}},
    {0, "dump_state", 0, false, Op::DumpState, {""}},
    {0, "get_dcd", 0, false, Op::GetDcd, {"DCD"}},
    {0, "get_powerstat", 0, false, Op::GetPowerstat, {"Power Status"}},
    {0, "set_lock_mode", 1, false, Op::SetLockMode, {}},
    {0, "get_lock_mode", 0, false, Op::GetLockMode, {"Locked"}},
    {'q', "quit", 0, false, Op::Quit, {}},
    {'Q', "quit", 0, false, Op::Quit, {}},
};
constexpr int kCommandCount = static_cast<int>(std::size(kCommands));

// The mode names, paired with the program's codes.
struct ModePair {
  const char* code;
  const char* name;
  unsigned bit;  // the protocol's mode bit
};
constexpr ModePair kModes[] = {
    {"AM", "AM", 1u << 0},   {"CW", "CW", 1u << 1},    {"USB", "USB", 1u << 2},
    {"LSB", "LSB", 1u << 3}, {"FSK", "RTTY", 1u << 4}, {"FMN", "FM", 1u << 5},
    {"FMW", "WFM", 1u << 6},
};

// Level and function bits of the protocol.
constexpr unsigned long long kLevelAtt = 1ull << 1;
constexpr unsigned long long kLevelAf = 1ull << 3;
constexpr unsigned long long kLevelSql = 1ull << 5;
constexpr unsigned long long kLevelIf = 1ull << 6;
constexpr unsigned long long kFuncNb = 1ull << 1;
constexpr unsigned long long kFuncMute = 1ull << 17;

constexpr double kHighestHz = 1e12;  // no receiver tunes above this
constexpr int kRadioLevelMax = 255;

// The one VFO of a receiver, under the names a client may use for it.
bool IsMainVfo(const QByteArray& name) {
  return name == "VFOA" || name == "currVFO" || name == "VFO" || name == "Main";
}

bool IsSeparator(char c) { return c == '+' || c == ';' || c == '|' || c == ','; }

bool ParseDouble(const QByteArray& text, double* value) {
  bool ok = false;
  const double v = text.toDouble(&ok);
  if (!ok || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool ParseInt(const QByteArray& text, int* value) {
  bool ok = false;
  const int v = text.toInt(&ok, 10);
  if (!ok) return false;
  *value = v;
  return true;
}

struct Outcome {
  int code = kOk;
  QList<QByteArray> values;  // answered only when code is kOk
};

Outcome Fail(int code) { return Outcome{code, {}}; }

std::optional<Level> LevelNamed(const QByteArray& name) {
  if (name == "AF") return Level::Af;
  if (name == "SQL") return Level::Squelch;
  if (name == "IF") return Level::IfShift;
  if (name == "ATT") return Level::Attenuator;
  return std::nullopt;
}

bool HasLevel(const RadioInfo& info, Level level) {
  switch (level) {
    case Level::Af:
      return info.volume;
    case Level::Squelch:
      return info.squelch;
    case Level::IfShift:
      return info.ifShift;
    case Level::Attenuator:
      return info.attenuatorDb > 0;
  }
  return false;
}

std::optional<Switch> SwitchNamed(const QByteArray& name) {
  if (name == "MUTE") return Switch::Mute;
  if (name == "NB") return Switch::NoiseBlanker;
  return std::nullopt;
}

bool HasSwitch(const RadioInfo& info, Switch which) {
  return which == Switch::Mute ? info.mute : info.noiseBlanker;
}

Outcome SetLevel(Target& target, const QByteArray& name, const QByteArray& text) {
  const std::optional<Level> level = LevelNamed(name);
  if (!level) return Fail(kInvalid);
  const RadioInfo info = target.radioInfo();
  if (!HasLevel(info, *level)) return Fail(kNotAvailable);
  double value = 0;
  if (!ParseDouble(text, &value)) return Fail(kInvalid);
  int radioValue = 0;
  switch (*level) {
    case Level::Af:
    case Level::Squelch:
      radioValue = LevelToRadio(value);
      if (radioValue < 0) return Fail(kInvalid);
      break;
    case Level::IfShift:
      if (std::fabs(value) > info.maxIfShiftHz) return Fail(kInvalid);
      radioValue = static_cast<int>(std::lround(value));
      break;
    case Level::Attenuator:
      // The radios have one attenuator step: any positive value switches it on.
      if (value < 0) return Fail(kInvalid);
      radioValue = value > 0 ? info.attenuatorDb : 0;
      break;
  }
  return Fail(target.setLevel(*level, radioValue));
}

Outcome GetLevel(Target& target, const QByteArray& name) {
  const std::optional<Level> level = LevelNamed(name);
  if (!level) return Fail(kInvalid);
  if (!HasLevel(target.radioInfo(), *level)) return Fail(kNotAvailable);
  const int value = target.level(*level);
  if (*level == Level::Af || *level == Level::Squelch) {
    return Outcome{kOk, {QByteArray::number(LevelFromRadio(value), 'f', 6)}};
  }
  return Outcome{kOk, {QByteArray::number(value)}};
}

Outcome SetFunc(Target& target, const QByteArray& name, const QByteArray& text) {
  const std::optional<Switch> which = SwitchNamed(name);
  if (!which) return Fail(kInvalid);
  if (!HasSwitch(target.radioInfo(), *which)) return Fail(kNotAvailable);
  int status = 0;
  if (!ParseInt(text, &status)) return Fail(kInvalid);
  return Fail(target.setSwitch(*which, status != 0));
}

Outcome GetFunc(Target& target, const QByteArray& name) {
  const std::optional<Switch> which = SwitchNamed(name);
  if (!which) return Fail(kInvalid);
  if (!HasSwitch(target.radioInfo(), *which)) return Fail(kNotAvailable);
  return Outcome{kOk, {target.switchState(*which) ? QByteArray("1") : QByteArray("0")}};
}

Outcome SetMode(Target& target, const Command& command) {
  const QString code = ModeCode(command.arguments.value(0));
  if (code.isEmpty() || !target.radioInfo().modes.contains(code)) return Fail(kInvalid);
  int passband = 0;  // the mode's usual passband
  if (command.arguments.size() > 1) {
    // -1 keeps the passband as it is.
    if (!ParseInt(command.arguments[1], &passband) || passband < -1) return Fail(kInvalid);
  }
  return Fail(target.setMode(code, passband));
}

Outcome Run(Target& target, const CommandEntry& entry, const Command& command, bool* quit) {
  const QList<QByteArray>& args = command.arguments;
  switch (entry.op) {
    case Op::SetFreq: {
      double hertz = 0;
      if (!ParseDouble(args[0], &hertz) || hertz < 0 || hertz > kHighestHz) return Fail(kInvalid);
      return Fail(target.setFrequency(hertz));
    }
    case Op::GetFreq:
      return Outcome{kOk, {QByteArray::number(std::llround(target.frequency()))}};
    case Op::SetMode:
      return SetMode(target, command);
    case Op::GetMode: {
      QByteArray name = ModeName(target.mode());
      if (name.isEmpty()) name = "None";
      return Outcome{kOk, {name, QByteArray::number(target.passband())}};
    }
    case Op::SetVfo:
      return Fail(IsMainVfo(args[0]) ? kOk : kInvalid);
    case Op::GetVfo:
      return Outcome{kOk, {"VFOA"}};
    case Op::SetLevel:
      return SetLevel(target, args[0], args[1]);
    case Op::GetLevel:
      return GetLevel(target, args[0]);
    case Op::SetFunc:
      return SetFunc(target, args[0], args[1]);
    case Op::GetFunc:
      return GetFunc(target, args[0]);
    case Op::SetSplitVfo: {
      // A receiver has no split: switching it off is all there is to do.
      int split = 0;
      if (!ParseInt(args[0], &split)) return Fail(kInvalid);
      return Fail(split == 0 ? kOk : kNotAvailable);
    }
    case Op::GetSplitVfo:
      return Outcome{kOk, {"0", "VFOA"}};
    case Op::SetPtt: {
      // A receiver never transmits.
      int ptt = 0;
      if (!ParseInt(args[0], &ptt)) return Fail(kInvalid);
      return Fail(ptt == 0 ? kOk : kNotAvailable);
    }
    case Op::GetPtt:
      return Outcome{kOk, {"0"}};
    case Op::ChkVfo:
      return Outcome{kOk, {"0"}};
    case Op::DumpState: {
      QByteArray body = DumpState(target.radioInfo());
      body.chop(1);  // the answer ends the last line itself
      return Outcome{kOk, {body}};
    }
    case Op::GetDcd: {
      bool present = false;
      const int code = target.carrierDetect(&present);
      if (code != kOk) return Fail(code);
      return Outcome{kOk, {present ? QByteArray("1") : QByteArray("0")}};
    }
    case Op::GetPowerstat:
      return Outcome{kOk, {target.powerOn() ? QByteArray("1") : QByteArray("0")}};
    case Op::SetLockMode: {
      // The mode is never locked against clients.
      int locked = 0;
      if (!ParseInt(args[0], &locked)) return Fail(kInvalid);
      return Fail(locked == 0 ? kOk : kNotAvailable);
    }
    case Op::GetLockMode:
      return Outcome{kOk, {"0"}};
    case Op::Quit:
      *quit = true;
      return Outcome{};
  }
  return Fail(kNotImplemented);
}

QByteArray Report(int code) { return "RPRT " + QByteArray::number(code) + '\n'; }

bool IsGet(Op op) {
  switch (op) {
    case Op::GetFreq:
    case Op::GetMode:
    case Op::GetVfo:
    case Op::GetLevel:
    case Op::GetFunc:
    case Op::GetSplitVfo:
    case Op::GetPtt:
    case Op::DumpState:
    case Op::GetDcd:
    case Op::GetPowerstat:
    case Op::GetLockMode:
      return true;
    default:
      return false;
  }
}

}  // namespace

QList<Command> ParseLine(QByteArrayView line) {
  QList<QByteArray> tokens;
  QByteArray token;
  for (char c : line) {
    if (c == ' ' || c == '\t' || c == '\r') {
      if (!token.isEmpty()) tokens.append(std::exchange(token, QByteArray()));
    } else {
      token.append(c);
    }
  }
  if (!token.isEmpty()) tokens.append(token);

  QList<Command> commands;
  qsizetype next = 0;
  while (next < tokens.size()) {
    Command command;
    QByteArray word = tokens[next++];
    if (IsSeparator(word[0])) {
      command.separator = word[0] == '+' ? '\n' : word[0];
      word.remove(0, 1);
      // "+ f": the prefix stands alone.
      if (word.isEmpty() && next < tokens.size()) word = tokens[next++];
    }
    command.word = word;
    for (int i = 0; i < kCommandCount; ++i) {
      const CommandEntry& entry = kCommands[i];
      const bool longForm = word.size() > 1 && word[0] == '\\' && word.mid(1) == entry.longName;
      const bool shortForm = word.size() == 1 && entry.shortName != 0 && word[0] == entry.shortName;
      if (longForm || shortForm) {
        command.kind = i;
        break;
      }
    }
    if (command.kind < 0) {
      // Whatever follows an unknown command cannot be told from its arguments.
      commands.append(command);
      break;
    }
    const CommandEntry& entry = kCommands[command.kind];
    for (int i = 0; i < entry.arguments && next < tokens.size(); ++i) {
      command.arguments.append(tokens[next++]);
    }
    if (command.arguments.size() < entry.arguments) {
      command.missingArguments = true;
      commands.append(command);
      break;
    }
    int ignored = 0;
    if (entry.optionalArgument && next < tokens.size() && ParseInt(tokens[next], &ignored)) {
      command.arguments.append(tokens[next++]);
    }
    commands.append(command);
  }
  return commands;
}

QByteArray Execute(Target& target, const Command& command, bool* quit) {
  *quit = false;
  if (command.kind < 0 || command.kind >= kCommandCount) return Report(kNotImplemented);
  const CommandEntry& entry = kCommands[command.kind];

  const Outcome outcome =
      command.missingArguments ? Fail(kInvalid) : Run(target, entry, command, quit);

  if (entry.op == Op::Quit) return Report(kOk);
  if (entry.op == Op::ChkVfo) {
    return command.separator ? "ChkVFO: " + outcome.values[0] + '\n' : outcome.values[0] + '\n';
  }

  if (command.separator == 0) {
    if (!IsGet(entry.op) || outcome.code != kOk) return Report(outcome.code);
    QByteArray reply;
    for (const QByteArray& value : outcome.values) reply += value + '\n';
    return reply;
  }

  QByteArray reply = QByteArray(entry.longName) + ':';
  for (const QByteArray& argument : command.arguments) reply += ' ' + argument;
  reply += command.separator;
  if (outcome.code == kOk) {
    for (qsizetype i = 0; i < outcome.values.size(); ++i) {
      const char* label = i < 2 ? entry.labels[static_cast<size_t>(i)] : nullptr;
      if (label != nullptr && label[0] != 0) reply += QByteArray(label) + ": ";
      reply += outcome.values[i] + command.separator;
    }
  }
  return reply + Report(outcome.code);
}

QByteArray OverlongLineReply() { return Report(kProtocolError); }

QByteArray ModeName(const QString& code) {
  for (const ModePair& mode : kModes) {
    if (code == QLatin1String(mode.code)) return mode.name;
  }
  return {};
}

QString ModeCode(QByteArrayView name) {
  for (const ModePair& mode : kModes) {
    if (name.compare(QByteArrayView(mode.name), Qt::CaseInsensitive) == 0) {
      return QString::fromLatin1(mode.code);
    }
  }
  return {};
}

int LevelToRadio(double value) {
  if (!(value >= 0.0 && value <= 1.0)) return -1;
  return static_cast<int>(std::lround(value * kRadioLevelMax));
}

double LevelFromRadio(int level) { return static_cast<double>(level) / kRadioLevelMax; }

QByteArray DumpState(const RadioInfo& info) {
  unsigned modes = 0;
  for (const QString& code : info.modes) {
    for (const ModePair& mode : kModes) {
      if (code == QLatin1String(mode.code)) modes |= mode.bit;
    }
  }
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
  s += levelMask + '\n' + levelMask + '\n';
  s += "0x0\n0x0\n";  // no parameters
  return s;
}

}  // namespace rigctl
