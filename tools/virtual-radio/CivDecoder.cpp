// Decoding of the FE FE byte frames of the Icom CI-V and OS456/OS535 radios:
//   FE FE <radio address> <controller address> <command> [data...] FD
// Frequencies are packed decimal, two digits a byte, lowest digits first.

#include <array>

#include "VirtualRadio.h"

namespace {

constexpr int kOs456 = 1;

struct ModeBytes {
  QByteArray bytes;
  const char* mode;
};

// Mode frame data (command 06) of each family, by the program's mode codes.
// The second byte, where present, selects the radio's filter width.
const std::array<ModeBytes, 14>& CivModes() {
  static const std::array<ModeBytes, 14> modes = {{
      {QByteArray("\x00", 1), "LSB"},
      {QByteArray("\x01"), "USB"},
      {QByteArray("\x02"), "AM"},
      {QByteArray("\x03"), "CW"},
      {QByteArray("\x04"), "FSK"},
      {QByteArray("\x05\x02"), "FMN"},
      {QByteArray("\x05"), "FMW"},
      {QByteArray("\x06"), "FM9"},
      {QByteArray("\x05\x00", 2), "SSB"},
      {QByteArray("\x05\x01"), "FM1"},
      {QByteArray("\x05\x03"), "FM3"},
      {QByteArray("\x02\x01"), "AMW"},
      {QByteArray("\x02\x02"), "AM2"},
      {QByteArray("\x02\x03"), "AM3"},
  }};
  return modes;
}

// The OS456/OS535 differs only in its FM codes: 05 narrow, 06 wide.
const std::array<ModeBytes, 13>& OsModes() {
  static const std::array<ModeBytes, 13> modes = {{
      {QByteArray("\x00", 1), "LSB"},
      {QByteArray("\x01"), "USB"},
      {QByteArray("\x02"), "AM"},
      {QByteArray("\x03"), "CW"},
      {QByteArray("\x04"), "FSK"},
      {QByteArray("\x05"), "FMN"},
      {QByteArray("\x06"), "FMW"},
      {QByteArray("\x05\x00", 2), "SSB"},
      {QByteArray("\x05\x01"), "FM1"},
      {QByteArray("\x05\x03"), "FM3"},
      {QByteArray("\x02\x01"), "AMW"},
      {QByteArray("\x02\x02"), "AM2"},
      {QByteArray("\x02\x03"), "AM3"},
  }};
  return modes;
}

QString Hex2(unsigned value) {
  return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// Packed decimal bytes, lowest first, to a number; nullopt when a nibble is
// not a decimal digit.
std::optional<qint64> FromBcdLowestFirst(const QByteArray& bytes) {
  qint64 value = 0;
  for (qsizetype i = bytes.size() - 1; i >= 0; --i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if ((b >> 4) > 9 || (b & 0x0F) > 9) return std::nullopt;
    value = value * 100 + (b >> 4) * 10 + (b & 0x0F);
  }
  return value;
}

}  // namespace

RadioEvent VirtualRadio::decodeFrame(const QByteArray& frame) {
  RadioEvent e;
  if (frame.size() < 6) {
    e = Malformed(QStringLiteral("frame too short for a command"));
  } else {
    const auto address = static_cast<unsigned char>(frame[2]);
    const auto controller = static_cast<unsigned char>(frame[3]);
    if (options_.address && *options_.address != address) {
      e = Event(QStringLiteral("other-address"),
                QStringLiteral("frame for address %1, not this radio (%2)")
                    .arg(Hex2(address), Hex2(*options_.address)));
    } else {
      e = decodeCivCommand(frame);
    }
    e.fields.insert(QStringLiteral("address"), Hex2(address));
    e.fields.insert(QStringLiteral("controller"), Hex2(controller));
  }
  e.raw = frame;
  acknowledge(e, frame);
  return e;
}

RadioEvent VirtualRadio::decodeCivCommand(const QByteArray& frame) {
  const bool os = options_.protocol == kOs456;
  const QString family = os ? QStringLiteral("OS456/OS535") : QStringLiteral("CI-V");
  const auto command = static_cast<unsigned char>(frame[4]);
  const QByteArray data = frame.mid(5, frame.size() - 6);
  RadioEvent e;

  switch (command) {
    case 0x05: {  // set frequency
      const bool sizeOk = data.size() == 5 || (!os && data.size() == 4);
      const std::optional<qint64> hz = FromBcdLowestFirst(data);
      if (!sizeOk) {
        e = Malformed(QStringLiteral("frequency field of %1 bytes (the radio reads %2)")
                          .arg(data.size())
                          .arg(os ? QStringLiteral("5") : QStringLiteral("5, or 4 on the IC-735")));
      } else if (!hz) {
        e = Malformed(QStringLiteral("frequency field is not packed decimal"));
      } else {
        state_.frequencyHz = *hz;
        e = Event(QStringLiteral("tune"), QStringLiteral("tune ") + MegahertzText(*hz));
        if (data.size() == 4) e.text += QStringLiteral(" (4-byte frequency)");
        e.fields.insert(QStringLiteral("frequencyHz"), *hz);
        e.fields.insert(QStringLiteral("frequencyBytes"), int(data.size()));
        warnIfOff(e);
      }
      break;
    }
    case 0x06: {  // set mode
      const char* mode = nullptr;
      if (os) {
        for (const ModeBytes& m : OsModes()) {
          if (m.bytes == data) mode = m.mode;
        }
      } else {
        for (const ModeBytes& m : CivModes()) {
          if (m.bytes == data) mode = m.mode;
        }
      }
      if (data.isEmpty()) {
        e = Malformed(QStringLiteral("mode frame without a mode byte"));
      } else if (!mode) {
        e = Malformed(QStringLiteral("mode bytes %1 name no mode").arg(HexBytes(data)));
      } else {
        state_.mode = QString::fromLatin1(mode);
        e = Event(QStringLiteral("mode"), QStringLiteral("mode ") + state_.mode);
        e.fields.insert(QStringLiteral("mode"), state_.mode);
        e.fields.insert(QStringLiteral("modeBytes"), HexBytes(data));
        warnIfOff(e);
      }
      break;
    }
    case 0x14: {  // levels: 01 volume (AF), 03 squelch
      if (os) {
        e = Malformed(QStringLiteral("command 14 is not an OS456/OS535 command"));
        break;
      }
      const int sub = data.isEmpty() ? -1 : static_cast<unsigned char>(data[0]);
      const QByteArray field = data.mid(1);
      if (sub != 0x01 && sub != 0x03) {
        e = Malformed(QStringLiteral("level sub-command %1 not known")
                          .arg(sub < 0 ? QStringLiteral("(none)") : Hex2(sub)));
        break;
      }
      const QString name = sub == 0x01 ? QStringLiteral("volume") : QStringLiteral("squelch");
      // The level is two packed-decimal bytes, hundreds first: 00 00 to 02 55.
      QByteArray lowestFirst;
      if (field.size() == 2) lowestFirst.append(field[1]).append(field[0]);
      const std::optional<qint64> level =
          field.size() == 2 ? FromBcdLowestFirst(lowestFirst) : std::nullopt;
      if (field.size() != 2) {
        e = Malformed(
            QStringLiteral("%1 level field of %2 bytes (the radio reads 2: 00 00 to 02 55)")
                .arg(name)
                .arg(field.size()));
      } else if (!level || *level > 255) {
        e = Malformed(
            QStringLiteral("%1 level %2 outside 00 00 to 02 55").arg(name, HexBytes(field)));
      } else {
        const int v = static_cast<int>(*level);
        (sub == 0x01 ? state_.volume : state_.squelch) = v;
        e = Event(name, QStringLiteral("%1 %2").arg(name).arg(v));
        e.fields.insert(QStringLiteral("level"), v);
        warnIfOff(e);
      }
      break;
    }
    case 0x11: {  // attenuator in dB, packed decimal
      if (os) {
        e = Malformed(QStringLiteral("command 11 is not an OS456/OS535 command"));
        break;
      }
      const int code = data.size() == 1 ? static_cast<unsigned char>(data[0]) : -1;
      if (code != 0x00 && code != 0x10 && code != 0x20 && code != 0x30) {
        e = Malformed(QStringLiteral("attenuator field %1 (the radio reads 00, 10, 20 or 30)")
                          .arg(data.isEmpty() ? QStringLiteral("missing") : HexBytes(data)));
        break;
      }
      const int dB = (code >> 4) * 10;
      state_.attenuator = dB > 0;
      state_.attenuatorDb = dB;
      e = Event(QStringLiteral("attenuator"), dB > 0
                                                  ? QStringLiteral("attenuator on (%1 dB)").arg(dB)
                                                  : QStringLiteral("attenuator off"));
      e.fields.insert(QStringLiteral("on"), dB > 0);
      e.fields.insert(QStringLiteral("dB"), dB);
      warnIfOff(e);
      break;
    }
    case 0x15: {  // read the squelch (01) or the S-meter (02)
      const int sub = data.size() == 1 ? static_cast<unsigned char>(data[0]) : -1;
      if (sub != 0x01 && sub != 0x02) {
        e = Malformed(
            QStringLiteral("meter query %1 not known (the radio reads 15 01 or 15 02)")
                .arg(data.isEmpty() ? QStringLiteral("without a sub-command") : HexBytes(data)));
        break;
      }
      e = answerQuery(sub == 0x02 ? Asked::Signal : Asked::Squelch, frame);
      break;
    }
    case 0x7F: {  // OS456/OS535 power, audio and status
      if (!os) {
        e = Malformed(QStringLiteral("command 7F is not a CI-V command of this radio"));
        break;
      }
      const int sub = data.size() == 1 ? static_cast<unsigned char>(data[0]) : -1;
      if (sub == 0x05) {
        e = answerQuery(Asked::Status, frame);
      } else if (sub == 0x02 || sub == 0x01) {
        state_.powered = sub == 0x02;
        e = Event(QStringLiteral("power"),
                  state_.powered ? QStringLiteral("power on") : QStringLiteral("power off"));
        e.fields.insert(QStringLiteral("on"), state_.powered);
      } else if (sub == 0x0A || sub == 0x0B) {
        state_.muted = sub == 0x0B;
        e = Event(QStringLiteral("mute"), *state_.muted ? QStringLiteral("mute on (audio off)")
                                                        : QStringLiteral("mute off (audio on)"));
        e.fields.insert(QStringLiteral("on"), *state_.muted);
        warnIfOff(e);
      } else {
        e = Malformed(QStringLiteral("7F sub-command %1 not known")
                          .arg(data.isEmpty() ? QStringLiteral("missing") : HexBytes(data)));
      }
      break;
    }
    default:
      e = Malformed(
          QStringLiteral("command %1 not known to this %2 radio").arg(Hex2(command), family));
      break;
  }
  return e;
}
