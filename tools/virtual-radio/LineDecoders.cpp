// Decoding of the ASCII command lines of the AR8000/AR2700, BC-895XLT,
// PCR1000 and AR3000/AR3000A radios. The line arrives without its end.

#include <cctype>
#include <iterator>

#include "VirtualRadio.h"

namespace {

constexpr int kAr3000 = 8;

RadioEvent NotACommand(const QByteArray& line) {
  return Malformed(
      QStringLiteral("\"%1\" is not a command of this radio").arg(PrintableBytes(line)));
}

RadioEvent Switch(const QString& kind, const QString& name, bool on) {
  RadioEvent e = Event(kind, name + (on ? QStringLiteral(" on") : QStringLiteral(" off")));
  e.fields.insert(QStringLiteral("on"), on);
  return e;
}

RadioEvent Tune(qint64 hz) {
  RadioEvent e = Event(QStringLiteral("tune"), QStringLiteral("tune ") + MegahertzText(hz));
  e.fields.insert(QStringLiteral("frequencyHz"), hz);
  return e;
}

bool AllDigits(const QByteArray& text) {
  if (text.isEmpty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Two hexadecimal digits (either case) to 0..255; -1 otherwise.
int HexLevel(const QByteArray& text) {
  if (text.size() != 2) return -1;
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return -1;
  }
  return text.toInt(nullptr, 16);
}

}  // namespace

RadioEvent VirtualRadio::decodeAorLine(const QByteArray& line) {
  static const char* const kModes[] = {"FMW", "FMN", "AM", "USB", "LSB", "CW"};
  if (line.startsWith("RF")) {
    const std::optional<qint64> hz = ParseMegahertz(line.mid(2));
    if (!hz) return Malformed(QStringLiteral("RF without a frequency the radio reads"));
    state_.frequencyHz = *hz;
    RadioEvent e = Tune(*hz);
    e.fields.insert(QStringLiteral("frequencyText"), QString::fromLatin1(line.mid(2)));
    return e;
  }
  if (line.startsWith("ST")) {
    if (!ParseMegahertz(line.mid(2)) || line.mid(2).startsWith(' ')) {
      return Malformed(QStringLiteral("ST without a step the radio reads"));
    }
    state_.step = QString::fromLatin1(line.mid(2));
    RadioEvent e = Event(QStringLiteral("step"), QStringLiteral("step ") + state_.step);
    e.fields.insert(QStringLiteral("step"), state_.step);
    return e;
  }
  if (line.startsWith("MD")) {
    const QByteArray digit = line.mid(2);
    if (digit.isEmpty()) return Malformed(QStringLiteral("MD without a mode digit"));
    if (digit.size() != 1 || digit[0] < '0' || digit[0] > '5') {
      return Malformed(
          QStringLiteral("mode digit \"%1\" names no mode").arg(PrintableBytes(digit)));
    }
    state_.mode = QString::fromLatin1(kModes[digit[0] - '0']);
    RadioEvent e = Event(QStringLiteral("mode"), QStringLiteral("mode ") + state_.mode);
    e.fields.insert(QStringLiteral("mode"), state_.mode);
    return e;
  }
  if (line == "AU1" || line == "AU0") {
    const bool on = line == "AU1";
    if (on) state_.mode = QStringLiteral("AUT");
    RadioEvent e = Event(QStringLiteral("mode"), on ? QStringLiteral("mode AUT (automatic mode on)")
                                                    : QStringLiteral("automatic mode off"));
    if (on) e.fields.insert(QStringLiteral("mode"), state_.mode);
    e.fields.insert(QStringLiteral("auto"), on);
    return e;
  }
  // The attenuator commands are sent with a leading blank.
  const QByteArray trimmed = line.startsWith(' ') ? line.mid(1) : line;
  if (trimmed == "AT1" || trimmed == "AT0") {
    state_.attenuator = trimmed == "AT1";
    return Switch(QStringLiteral("attenuator"), QStringLiteral("attenuator"), *state_.attenuator);
  }
  if (line == "MC1" || line == "MC0") {
    state_.muted = line == "MC1";
    return Switch(QStringLiteral("mute"), QStringLiteral("mute"), *state_.muted);
  }
  if (line == "EX")
    return Event(QStringLiteral("exit"), QStringLiteral("exit (remote control ends)"));
  if (line == "LM") return answerQuery(Asked::Signal);
  return NotACommand(line);
}

RadioEvent VirtualRadio::decodeBc895Line(const QByteArray& line) {
  if (line == "MD") {
    RadioEvent e = Event(QStringLiteral("model-query"), QStringLiteral("model query"));
    if (options_.silentModel) {
      e.text += QStringLiteral(", not answered");
      e.fields.insert(QStringLiteral("answered"), false);
    } else {
      reply_ += options_.modelReply + '\r';
      e.text += QStringLiteral(", answered \"%1\"").arg(QString::fromLatin1(options_.modelReply));
      e.fields.insert(QStringLiteral("answered"), true);
      e.fields.insert(QStringLiteral("reply"), QString::fromLatin1(options_.modelReply));
    }
    return e;
  }
  if (line.startsWith("KEY") && line.size() == 5 && AllDigits(line.mid(3))) {
    RadioEvent e = Event(QStringLiteral("key"), QStringLiteral("key ") + line.mid(3));
    e.fields.insert(QStringLiteral("key"), QString::fromLatin1(line.mid(3)));
    return e;
  }
  if (line.startsWith("RF")) {
    // Eight digits: the frequency in units of 100 Hz.
    const QByteArray digits = line.mid(2);
    if (digits.size() != 8 || !AllDigits(digits)) {
      return Malformed(QStringLiteral("RF needs 8 digits (units of 100 Hz)"));
    }
    state_.frequencyHz = digits.toLongLong() * 100;
    return Tune(*state_.frequencyHz);
  }
  if (line == "SG") return answerQuery(Asked::Signal);
  if (line == "SQ") return answerQuery(Asked::Squelch);
  if (line == "MUN" || line == "MUA") {
    state_.muted = line == "MUN";
    return Switch(QStringLiteral("mute"), QStringLiteral("mute"), *state_.muted);
  }
  return NotACommand(line);
}

RadioEvent VirtualRadio::decodePcrLine(const QByteArray& line) {
  static const char* const kModes[] = {"LSB", "USB", "AM", "CW", "RTY", "FMN", "FMW"};
  static const char* const kFilters[] = {"3K", "6K", "15K", "50K", "230K"};
  static const int kRates[] = {300, 1200, 4800, 9600, 19200, 38400};
  RadioEvent e;
  if (line == "I1?") return answerQuery(Asked::Signal);
  if (line == "I0?") return answerQuery(Asked::Squelch);
  if (line == "H101" || line == "H100") {
    state_.powered = line == "H101";
    e = Switch(QStringLiteral("power"), QStringLiteral("power"), state_.powered);
    return e;
  }
  if (line.startsWith("G1") && line.size() == 4 && AllDigits(line.mid(2))) {
    const int code = line.mid(2).toInt();
    if (code >= int(std::size(kRates))) return Malformed(QStringLiteral("rate code not known"));
    state_.radioBaud = kRates[code];
    e = Event(QStringLiteral("radio-rate"),
              QStringLiteral("radio switches to %1 baud").arg(state_.radioBaud));
    e.fields.insert(QStringLiteral("rate"), state_.radioBaud);
    warnIfOff(e);
    return e;
  }
  if (line == "G300" || line == "G301") {
    e = Event(QStringLiteral("status-reports"),
              line == "G301" ? QStringLiteral("automatic status reports on")
                             : QStringLiteral("automatic status reports off"));
    e.fields.insert(QStringLiteral("on"), line == "G301");
    warnIfOff(e);
    return e;
  }
  if (line.startsWith("K0")) {
    // 10 digits of hertz, 2 of mode, 2 of filter, 2 reserved ("00").
    const QByteArray digits = line.mid(2);
    if (digits.size() != 16 || !AllDigits(digits)) {
      return Malformed(QStringLiteral("K0 needs 16 digits (frequency, mode, filter, 00)"));
    }
    const int mode = digits.mid(10, 2).toInt();
    const int filter = digits.mid(12, 2).toInt();
    if (mode >= int(std::size(kModes))) return Malformed(QStringLiteral("mode field not known"));
    if (filter >= int(std::size(kFilters)))
      return Malformed(QStringLiteral("filter field not known"));
    if (digits.mid(14) != "00") return Malformed(QStringLiteral("last field is not 00"));
    state_.frequencyHz = digits.left(10).toLongLong();
    state_.mode = QString::fromLatin1(kModes[mode]);
    state_.filter = QString::fromLatin1(kFilters[filter]);
    e = Tune(*state_.frequencyHz);
    e.text += QLatin1Char(' ') + state_.mode + QStringLiteral(" filter ") + state_.filter;
    e.fields.insert(QStringLiteral("mode"), state_.mode);
    e.fields.insert(QStringLiteral("filter"), state_.filter);
    warnIfOff(e);
    return e;
  }
  if (line.startsWith("J4") && line.size() == 5) {
    const char which = line[2];
    const int value = HexLevel(line.mid(3));
    if (value < 0) return Malformed(QStringLiteral("value is not two hexadecimal digits"));
    switch (which) {
      case '0':
        state_.volume = value;
        state_.muted = value == 0;
        e = Event(QStringLiteral("volume"), QStringLiteral("volume %1").arg(value));
        if (value == 0) e.text += QStringLiteral(" (silent)");
        e.fields.insert(QStringLiteral("level"), value);
        break;
      case '1':
        state_.squelch = value;
        e = Event(QStringLiteral("squelch"), QStringLiteral("squelch %1").arg(value));
        e.fields.insert(QStringLiteral("level"), value);
        break;
      case '3':
        state_.ifShift = value;
        e = Event(QStringLiteral("if-shift"), QStringLiteral("IF shift %1").arg(value));
        e.fields.insert(QStringLiteral("level"), value);
        break;
      case '5':
      case '6':
      case '7': {
        if (value > 1) return Malformed(QStringLiteral("switch value is not 00 or 01"));
        const bool on = value == 1;
        if (which == '5') {
          state_.agc = on;
          e = Switch(QStringLiteral("agc"), QStringLiteral("AGC"), on);
        } else if (which == '6') {
          state_.noiseBlanker = on;
          e = Switch(QStringLiteral("nb"), QStringLiteral("NB"), on);
        } else {
          state_.attenuator = on;
          e = Switch(QStringLiteral("attenuator"), QStringLiteral("attenuator"), on);
        }
        break;
      }
      default:
        return NotACommand(line);
    }
    warnIfOff(e);
    return e;
  }
  return NotACommand(line);
}

RadioEvent VirtualRadio::decodeAr3000Line(const QByteArray& line) {
  const bool plain = options_.protocol == kAr3000;
  if (line.size() == 1 && QByteArrayLiteral("RTEGY").contains(line[0])) {
    if (plain) return Malformed(QStringLiteral("\"%1\" is an AR3000A command").arg(line));
    if (line == "Y") return answerQuery(Asked::Signal);
    if (line == "R" || line == "T") {
      state_.attenuator = line == "R";
      return Switch(QStringLiteral("attenuator"), QStringLiteral("attenuator"), *state_.attenuator);
    }
    state_.muted = line == "E";
    return Switch(QStringLiteral("mute"), QStringLiteral("mute"), *state_.muted);
  }
  // A frequency in megahertz followed by a mode letter.
  static const struct {
    char letter;
    const char* mode;
  } kLetters[] = {{'A', "AM"}, {'N', "FMN"}, {'W', "FMW"}, {'L', "LSB"}, {'U', "USB"}, {'C', "CW"}};
  const char last = line.back();
  const char* mode = nullptr;
  for (const auto& l : kLetters) {
    if (l.letter == last) mode = l.mode;
  }
  const QByteArray number = mode ? line.left(line.size() - 1) : line;
  const std::optional<qint64> hz = ParseMegahertz(number);
  if (!hz) return NotACommand(line);
  state_.frequencyHz = *hz;
  RadioEvent e = Tune(*hz);
  e.fields.insert(QStringLiteral("frequencyText"), QString::fromLatin1(number));
  if (mode) {
    state_.mode = QString::fromLatin1(mode);
    e.text += QLatin1Char(' ') + state_.mode;
    e.fields.insert(QStringLiteral("mode"), state_.mode);
  } else {
    e.text += QStringLiteral(" (no mode letter; mode unchanged)");
  }
  return e;
}
