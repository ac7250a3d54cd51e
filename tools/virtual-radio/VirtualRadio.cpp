#include "VirtualRadio.h"

#include <QStringList>
#include <chrono>

namespace {

// Protocol numbers as stored in the settings.
constexpr int kCiv = 0, kOs456 = 1, kBc895 = 5, kPcr1000 = 6;

constexpr unsigned char kPreamble = 0xFE;
constexpr unsigned char kEndOfFrame = 0xFD;

RadioEvent Unknown(const QString& reason, const QByteArray& raw) {
  RadioEvent e;
  e.kind = QStringLiteral("unknown");
  e.text = QStringLiteral("unknown: ") + reason;
  e.fields.insert(QStringLiteral("reason"), reason);
  e.raw = raw;
  return e;
}

QString OnOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

}  // namespace

VirtualRadio::VirtualRadio(const RadioOptions& options)
    : options_(options),
      band_(options.stations ? *options.stations : DefaultStations(), options.seed),
      clock_(options.clock) {
  if (!clock_) {
    const auto start = std::chrono::steady_clock::now();
    clock_ = [start] {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
  }
  // Radios with a power-up command are off until they receive it.
  state_.powered = !(options_.protocol == kPcr1000 || options_.protocol == kOs456);
  if (options_.protocol == kPcr1000) state_.radioBaud = 9600;
}

bool VirtualRadio::isTextProtocol() const {
  return options_.protocol != kCiv && options_.protocol != kOs456;
}

std::vector<RadioEvent> VirtualRadio::feed(const QByteArray& bytes) {
  const std::optional<qint64> before = state_.frequencyHz;
  std::vector<RadioEvent> out = decode(bytes);
  if (state_.frequencyHz != before) {
    // The synthesizer is slewing: for a while the radio still hears where it
    // was (what makes a scanner that reads too soon stop one channel late).
    settlingFromHz_ = before;
    retunedAtS_ = nowS();
  }
  return out;
}

std::vector<RadioEvent> VirtualRadio::decode(const QByteArray& bytes) {
  std::vector<RadioEvent> out;
  if (!isTextProtocol()) {
    // Every device on a CI-V bus hears every byte, the sender included.
    if (options_.echo && !bytes.isEmpty()) outgoing_.push_back({0, bytes, true});
    for (const char c : bytes) feedFrameByte(c, out);
    return out;
  }
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' && options_.protocol != kBc895 && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      // CR LF in one piece: one line end.
      ++i;
      if (overlong_) {
        overlong_ = false;
        continue;
      }
      out.push_back(decodeLine(pending_, LineEnd::CrLf));
      pending_.clear();
      afterCr_ = false;
      continue;
    }
    feedLineByte(c, out);
  }
  return out;
}

void VirtualRadio::feedLineByte(char c, std::vector<RadioEvent>& out) {
  if (c == '\n' && afterCr_ && pending_.isEmpty() && !overlong_) {
    // The LF of a CR LF that arrived in two pieces.
    afterCr_ = false;
    if (options_.protocol == kBc895) {
      out.push_back(Unknown(QStringLiteral("LF after CR; this radio's commands end with CR alone"),
                            QByteArray(1, c)));
    }
    return;
  }
  afterCr_ = false;
  if (c == '\r' || c == '\n') {
    if (overlong_) {
      overlong_ = false;
      return;
    }
    out.push_back(decodeLine(pending_, c == '\r' ? LineEnd::Cr : LineEnd::Lf));
    pending_.clear();
    afterCr_ = c == '\r';
    return;
  }
  if (overlong_) return;
  pending_.append(c);
  if (pending_.size() > kMaxLine) {
    out.push_back(Unknown(
        QStringLiteral("line longer than %1 bytes; skipped to its end").arg(kMaxLine), pending_));
    pending_.clear();
    overlong_ = true;
  }
}

void VirtualRadio::feedFrameByte(char c, std::vector<RadioEvent>& out) {
  const auto b = static_cast<unsigned char>(c);
  if (pending_.isEmpty()) {
    if (b == kPreamble) {
      pending_.append(c);
    } else {
      junk_.append(c);
    }
    return;
  }
  if (pending_.size() == 1) {
    // One FE so far: a frame starts only with two.
    if (b == kPreamble) {
      pending_.append(c);
      flushJunk(out);
    } else {
      junk_.append(pending_).append(c);
      pending_.clear();
    }
    return;
  }
  pending_.append(c);
  if (b == kEndOfFrame) {
    out.push_back(decodeFrame(pending_));
    pending_.clear();
    return;
  }
  // A new preamble after the header: the frame before it never ended.
  const qsizetype n = pending_.size();
  if (n >= 6 && static_cast<unsigned char>(pending_[n - 2]) == kPreamble && b == kPreamble) {
    out.push_back(Unknown(QStringLiteral("frame without FD"), pending_.left(n - 2)));
    pending_ = pending_.right(2);
    return;
  }
  if (n > kMaxFrame) {
    out.push_back(Unknown(QStringLiteral("frame without FD (longer than %1 bytes)").arg(kMaxFrame),
                          pending_));
    pending_.clear();
  }
}

void VirtualRadio::flushJunk(std::vector<RadioEvent>& out) {
  if (junk_.isEmpty()) return;
  out.push_back(Unknown(QStringLiteral("bytes outside a frame"), junk_));
  junk_.clear();
}

std::vector<RadioEvent> VirtualRadio::flushIdle() {
  std::vector<RadioEvent> out;
  if (!isTextProtocol()) {
    if (pending_.size() == 1) {
      junk_.append(pending_);
      pending_.clear();
    }
    flushJunk(out);
    if (!pending_.isEmpty()) out.push_back(Unknown(QStringLiteral("frame without FD"), pending_));
  } else if (!pending_.isEmpty()) {
    out.push_back(Unknown(QStringLiteral("line without an end (no CR or LF)"), pending_));
  }
  pending_.clear();
  overlong_ = false;
  afterCr_ = false;
  return out;
}

QByteArray VirtualRadio::takeReply() {
  QByteArray r = reply_;
  reply_.clear();
  return r;
}

void VirtualRadio::warnIfOff(RadioEvent& event) const {
  if (!state_.powered && event.warning.isEmpty()) {
    event.warning = QStringLiteral("the radio is switched off");
  }
}

RadioEvent VirtualRadio::decodeLine(const QByteArray& line, LineEnd end) {
  RadioEvent e;
  if (line.isEmpty()) {
    e.kind = QStringLiteral("empty");
    e.text = QStringLiteral("empty command");
  } else {
    switch (options_.protocol) {
      case 2:
      case 3:
        e = decodeAorLine(line);
        break;
      case kBc895:
        e = decodeBc895Line(line);
        break;
      case kPcr1000:
        e = decodePcrLine(line);
        break;
      default:
        e = decodeAr3000Line(line);
        break;
    }
  }
  QByteArray raw = line;
  QString terminator;
  switch (end) {
    case LineEnd::Cr:
      raw += '\r';
      terminator = QStringLiteral("CR");
      break;
    case LineEnd::CrLf:
      raw += "\r\n";
      terminator = QStringLiteral("CRLF");
      break;
    case LineEnd::Lf:
      raw += '\n';
      terminator = QStringLiteral("LF");
      if (e.warning.isEmpty())
        e.warning = QStringLiteral("ended by LF alone; the radio acts on CR");
      break;
  }
  e.raw = raw;
  e.fields.insert(QStringLiteral("line"), QString::fromLatin1(line));
  e.fields.insert(QStringLiteral("terminator"), terminator);
  acknowledge(e, raw);
  return e;
}

QString VirtualRadio::stateSummary() const {
  QStringList parts;
  parts << QStringLiteral("power ") + OnOff(state_.powered);
  if (state_.frequencyHz) {
    QString tuned = MegahertzText(*state_.frequencyHz);
    if (!state_.mode.isEmpty()) tuned += QLatin1Char(' ') + state_.mode;
    if (!state_.filter.isEmpty()) tuned += QStringLiteral(" filter ") + state_.filter;
    parts << tuned;
  } else if (!state_.mode.isEmpty()) {
    parts << QStringLiteral("mode ") + state_.mode;
  }
  if (state_.volume) parts << QStringLiteral("volume %1").arg(*state_.volume);
  if (state_.squelch) parts << QStringLiteral("squelch %1").arg(*state_.squelch);
  if (state_.ifShift) parts << QStringLiteral("IF shift %1").arg(*state_.ifShift);
  if (state_.agc) parts << QStringLiteral("AGC ") + OnOff(*state_.agc);
  if (state_.noiseBlanker) parts << QStringLiteral("NB ") + OnOff(*state_.noiseBlanker);
  if (state_.attenuator) {
    QString att = QStringLiteral("attenuator ") + OnOff(*state_.attenuator);
    if (state_.attenuatorDb) att += QStringLiteral(" (%1 dB)").arg(*state_.attenuatorDb);
    parts << att;
  }
  if (state_.muted) parts << QStringLiteral("mute ") + OnOff(*state_.muted);
  if (!state_.step.isEmpty()) parts << QStringLiteral("step ") + state_.step;
  if (state_.radioBaud > 0) parts << QStringLiteral("radio at %1 baud").arg(state_.radioBaud);
  return parts.join(QStringLiteral(", "));
}

QJsonObject VirtualRadio::stateFields() const {
  QJsonObject o;
  o.insert(QStringLiteral("power"), state_.powered);
  if (state_.frequencyHz) o.insert(QStringLiteral("frequencyHz"), *state_.frequencyHz);
  if (!state_.mode.isEmpty()) o.insert(QStringLiteral("mode"), state_.mode);
  if (!state_.filter.isEmpty()) o.insert(QStringLiteral("filter"), state_.filter);
  if (state_.volume) o.insert(QStringLiteral("volume"), *state_.volume);
  if (state_.squelch) o.insert(QStringLiteral("squelch"), *state_.squelch);
  if (state_.ifShift) o.insert(QStringLiteral("ifShift"), *state_.ifShift);
  if (state_.agc) o.insert(QStringLiteral("agc"), *state_.agc);
  if (state_.noiseBlanker) o.insert(QStringLiteral("nb"), *state_.noiseBlanker);
  if (state_.attenuator) o.insert(QStringLiteral("attenuator"), *state_.attenuator);
  if (state_.attenuatorDb) o.insert(QStringLiteral("attenuatorDb"), *state_.attenuatorDb);
  if (state_.muted) o.insert(QStringLiteral("muted"), *state_.muted);
  if (!state_.step.isEmpty()) o.insert(QStringLiteral("step"), state_.step);
  if (state_.radioBaud > 0) o.insert(QStringLiteral("radioRate"), state_.radioBaud);
  return o;
}

std::optional<qint64> ParseMegahertz(const QByteArray& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  qint64 whole = 0;
  int wholeDigits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (++wholeDigits > 6) return std::nullopt;
    whole = whole * 10 + (text[i] - '0');
    ++i;
  }
  qint64 fraction = 0;
  int decimals = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      if (++decimals > 6) return std::nullopt;
      fraction = fraction * 10 + (text[i] - '0');
      ++i;
    }
    if (decimals == 0) return std::nullopt;
  }
  if (i != text.size() || wholeDigits + decimals == 0) return std::nullopt;
  for (int d = decimals; d < 6; ++d) fraction *= 10;
  return whole * 1000000 + fraction;
}
