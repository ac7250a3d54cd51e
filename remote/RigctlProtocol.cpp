#include "remote/RigctlProtocol.h"

#include <array>
#include <cmath>
#include <functional>
#include <memory>
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
  DumpCaps,
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
    {0, "dump_caps", 0, false, Op::DumpCaps, {""}},
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

constexpr double kHighestHz = 1e12;  // no receiver tunes above this
constexpr int kRadioLevelMax = 255;

// The one VFO of a receiver, under the names a client may use for it.
bool IsMainVfo(const QByteArray& name) {
  return name == "VFOA" || name == "currVFO" || name == "VFO" || name == "Main";
}

bool IsSeparator(char c) { return c == '+' || c == ';' || c == '|' || c == ','; }

// Digits after an optional sign: no command starts so, so such a token is an
// argument even when its number does not fit (it is refused then).
bool StartsLikeNumber(const QByteArray& token) {
  const qsizetype first = token.startsWith('-') || token.startsWith('+') ? 1 : 0;
  return first < token.size() && token[first] >= '0' && token[first] <= '9';
}

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

// Receives a command's outcome, at once or once the radio has taken it.
using Done = std::function<void(const Outcome&)>;

Reply ReplyTo(const Done& done) {
  return [done](int code) { done(Fail(code)); };
}

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

std::optional<Meter> MeterNamed(const QByteArray& name) {
  if (name == "STRENGTH") return Meter::Strength;
  if (name == "RAWSTR") return Meter::RawStrength;
  return std::nullopt;
}

std::optional<Switch> SwitchNamed(const QByteArray& name) {
  if (name == "MUTE") return Switch::Mute;
  if (name == "NB") return Switch::NoiseBlanker;
  return std::nullopt;
}

bool HasSwitch(const RadioInfo& info, Switch which) {
  return which == Switch::Mute ? info.mute : info.noiseBlanker;
}

void SetLevel(Target& target, const QByteArray& name, const QByteArray& text, const Done& done) {
  // What the radio hears can be read, never set.
  if (MeterNamed(name)) return done(Fail(kInvalid));
  const std::optional<Level> level = LevelNamed(name);
  if (!level) return done(Fail(kInvalid));
  const RadioInfo info = target.radioInfo();
  if (!HasLevel(info, *level)) return done(Fail(kNotAvailable));
  double value = 0;
  if (!ParseDouble(text, &value)) return done(Fail(kInvalid));
  int radioValue = 0;
  switch (*level) {
    case Level::Af:
    case Level::Squelch:
      radioValue = LevelToRadio(value);
      if (radioValue < 0) return done(Fail(kInvalid));
      break;
    case Level::IfShift:
      if (std::fabs(value) > info.maxIfShiftHz) return done(Fail(kInvalid));
      radioValue = static_cast<int>(std::lround(value));
      break;
    case Level::Attenuator:
      // The radios have one attenuator step: any positive value switches it on.
      if (value < 0) return done(Fail(kInvalid));
      radioValue = value > 0 ? info.attenuatorDb : 0;
      break;
  }
  target.setLevel(*level, radioValue, ReplyTo(done));
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

void SetFunc(Target& target, const QByteArray& name, const QByteArray& text, const Done& done) {
  const std::optional<Switch> which = SwitchNamed(name);
  if (!which) return done(Fail(kInvalid));
  if (!HasSwitch(target.radioInfo(), *which)) return done(Fail(kNotAvailable));
  int status = 0;
  if (!ParseInt(text, &status)) return done(Fail(kInvalid));
  target.setSwitch(*which, status != 0, ReplyTo(done));
}

Outcome GetFunc(Target& target, const QByteArray& name) {
  const std::optional<Switch> which = SwitchNamed(name);
  if (!which) return Fail(kInvalid);
  if (!HasSwitch(target.radioInfo(), *which)) return Fail(kNotAvailable);
  return Outcome{kOk, {target.switchState(*which) ? QByteArray("1") : QByteArray("0")}};
}

void SetMode(Target& target, const Command& command, const Done& done) {
  const QString code = ModeCode(command.arguments.value(0));
  if (code.isEmpty() || !target.radioInfo().modes.contains(code)) return done(Fail(kInvalid));
  int passband = 0;  // the mode's usual passband
  if (command.arguments.size() > 1) {
    // -1 keeps the passband as it is.
    if (!ParseInt(command.arguments[1], &passband) || passband < -1) return done(Fail(kInvalid));
  }
  target.setMode(code, passband, ReplyTo(done));
}

// The commands that change the radio, or read its carrier-detect line: they
// answer once the radio's link has taken them. False for every other command.
bool RunChange(Target& target, const CommandEntry& entry, const Command& command,
               const Done& done) {
  const QList<QByteArray>& args = command.arguments;
  switch (entry.op) {
    case Op::SetFreq: {
      double hertz = 0;
      if (!ParseDouble(args[0], &hertz) || hertz < 0 || hertz > kHighestHz) {
        done(Fail(kInvalid));
      } else {
        target.setFrequency(hertz, ReplyTo(done));
      }
      return true;
    }
    case Op::SetMode:
      SetMode(target, command, done);
      return true;
    case Op::SetLevel:
      SetLevel(target, args[0], args[1], done);
      return true;
    case Op::SetFunc:
      SetFunc(target, args[0], args[1], done);
      return true;
    case Op::GetLevel: {
      const std::optional<Meter> meter = MeterNamed(args[0]);
      if (!meter) return false;
      const RadioInfo info = target.radioInfo();
      if (!(*meter == Meter::Strength ? info.strength : info.rawStrength)) {
        done(Fail(kNotAvailable));
        return true;
      }
      target.readMeter(*meter, [done](int code, int value) {
        if (code != kOk) return done(Fail(code));
        done(Outcome{kOk, {QByteArray::number(value)}});
      });
      return true;
    }
    case Op::GetDcd:
      target.carrierDetect([done](int code, bool present) {
        if (code != kOk) return done(Fail(code));
        done(Outcome{kOk, {present ? QByteArray("1") : QByteArray("0")}});
      });
      return true;
    default:
      return false;
  }
}

Outcome Run(Target& target, const CommandEntry& entry, const Command& command, bool* quit) {
  const QList<QByteArray>& args = command.arguments;
  switch (entry.op) {
    case Op::GetFreq:
      return Outcome{kOk, {QByteArray::number(std::llround(target.frequency()))}};
    case Op::GetMode: {
      QByteArray name = ModeName(target.mode());
      if (name.isEmpty()) name = "None";
      return Outcome{kOk, {name, QByteArray::number(target.passband())}};
    }
    case Op::SetVfo:
      return Fail(IsMainVfo(args[0]) ? kOk : kInvalid);
    case Op::GetVfo:
      return Outcome{kOk, {"VFOA"}};
    case Op::GetLevel:
      return GetLevel(target, args[0]);
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
    case Op::DumpState:
    case Op::DumpCaps: {
      QByteArray body =
          entry.op == Op::DumpState ? DumpState(target.radioInfo()) : DumpCaps(target.radioInfo());
      body.chop(1);  // the answer ends the last line itself
      return Outcome{kOk, {body}};
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
    default:
      break;
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
    case Op::DumpCaps:
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
    if (entry.optionalArgument && next < tokens.size() && StartsLikeNumber(tokens[next])) {
      command.arguments.append(tokens[next++]);
    }
    commands.append(command);
  }
  return commands;
}

namespace {

// The answer text of a command's outcome.
QByteArray Format(const CommandEntry& entry, const Command& command, const Outcome& outcome) {
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

}  // namespace

void Execute(Target& target, const Command& command, const Answer& answer) {
  if (command.kind < 0 || command.kind >= kCommandCount) {
    answer(Report(kNotImplemented), false);
    return;
  }
  const CommandEntry& entry = kCommands[command.kind];
  if (command.missingArguments) {
    answer(Format(entry, command, Fail(kInvalid)), false);
    return;
  }
  // One answer per command, whatever the target does: a second one would
  // be taken by the client for the answer to its next command.
  const auto answered = std::make_shared<bool>(false);
  const Done done = [&entry, command, answer, answered](const Outcome& outcome) {
    if (std::exchange(*answered, true)) return;
    answer(Format(entry, command, outcome), false);
  };
  if (RunChange(target, entry, command, done)) return;
  bool quit = false;
  const Outcome outcome = Run(target, entry, command, &quit);
  answer(Format(entry, command, outcome), quit);
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

unsigned ModeBit(const QString& code) {
  for (const ModePair& mode : kModes) {
    if (code == QLatin1String(mode.code)) return mode.bit;
  }
  return 0;
}

int LevelToRadio(double value) {
  if (!(value >= 0.0 && value <= 1.0)) return -1;
  return static_cast<int>(std::lround(value * kRadioLevelMax));
}

double LevelFromRadio(int level) { return static_cast<double>(level) / kRadioLevelMax; }

}  // namespace rigctl
