#include "radio/CivCommands.h"

#include <algorithm>
#include <array>

#include "radio/Encoding.h"
#include "radio/FrequencyText.h"
#include "radio/Protocols.h"

namespace encoders {

namespace {

using freqtext::ToBcd;

char byte(std::uint8_t b) { return static_cast<char>(b); }

// The frequency in whole hertz, rounded as its six-decimal text shows it.
qint64 Hertz(double mhz) {
  QString text = freqtext::FormatFixed(mhz, 6).trimmed();
  text.remove(QLatin1Char('.'));
  return text.toLongLong();
}

struct ModeBytes {
  const char* mode;
  std::array<int, 2> civ;  // -1: no byte
  std::array<int, 2> os;
};

// The second byte, where present, selects the radio's filter width.
constexpr std::array<ModeBytes, 14> kModeBytes = {{
    {"LSB", {0x00, -1}, {0x00, -1}},
    {"USB", {0x01, -1}, {0x01, -1}},
    {"AM", {0x02, -1}, {0x02, -1}},
    {"CW", {0x03, -1}, {0x03, -1}},
    {"FSK", {0x04, -1}, {0x04, -1}},
    {"FMN", {0x05, 0x02}, {0x05, -1}},
    {"FMW", {0x05, -1}, {0x06, -1}},
    {"FM9", {0x06, -1}, {0x06, -1}},
    {"SSB", {0x05, 0x00}, {0x05, 0x00}},
    {"FM1", {0x05, 0x01}, {0x05, 0x01}},
    {"FM3", {0x05, 0x03}, {0x05, 0x03}},
    {"AMW", {0x02, 0x01}, {0x02, 0x01}},
    {"AM2", {0x02, 0x02}, {0x02, 0x02}},
    {"AM3", {0x02, 0x03}, {0x02, 0x03}},
}};

}  // namespace

QByteArray CivFrame(std::uint8_t address, const QByteArray& body) {
  QByteArray frame;
  frame.reserve(body.size() + 5);
  frame.append(byte(0xFE))
      .append(byte(0xFE))
      .append(byte(address))
      .append(byte(kControllerAddress));
  frame.append(body);
  frame.append(byte(0xFD));
  return frame;
}

QByteArray CivFrequencyFrame(std::uint8_t address, double mhz, bool ic735) {
  qint64 hertz = Hertz(mhz);
  const int bytes = (ic735 && hertz < 100'000'000) ? 4 : 5;
  QByteArray body(1, byte(0x05));
  for (int i = 0; i < bytes; ++i) {
    body.append(byte(ToBcd(static_cast<int>(hertz % 100))));
    hertz /= 100;
  }
  return CivFrame(address, body);
}

QByteArray OsFrequencyFrame(std::uint8_t address, double mhz) {
  const TenHertz f = RoundToTenHertz(mhz);
  const QString decimals = f.decimals + QLatin1Char('0');
  auto pair = [&](int at) { return ToBcd(decimals.mid(at, 2).toInt()); };
  QByteArray body(1, byte(0x05));
  body.append(byte(pair(4)));
  body.append(byte(pair(2)));
  body.append(byte(pair(0)));
  body.append(byte(ToBcd(static_cast<int>(f.wholeMhz % 100))));
  body.append(byte(ToBcd(static_cast<int>(f.wholeMhz / 100))));
  return CivFrame(address, body);
}

QByteArray ModeFrame(int protocol, std::uint8_t address, const QString& mode) {
  QByteArray body(1, byte(0x06));
  for (const ModeBytes& m : kModeBytes) {
    if (mode.compare(QLatin1String(m.mode), Qt::CaseInsensitive) != 0) continue;
    const std::array<int, 2>& codes = protocol == protocols::kOs456 ? m.os : m.civ;
    for (int code : codes) {
      if (code >= 0) body.append(byte(static_cast<std::uint8_t>(code)));
    }
    break;
  }
  return CivFrame(address, body);
}

QByteArray CivLevelFrame(std::uint8_t address, std::uint8_t subCommand, int level) {
  const int v = std::clamp(level, 0, 255);
  QByteArray body;
  body.append(byte(0x14)).append(byte(subCommand));
  body.append(byte(ToBcd(v / 100))).append(byte(ToBcd(v % 100)));
  return CivFrame(address, body);
}

QByteArray CivAttenuatorFrame(std::uint8_t address, int dB) {
  QByteArray body(1, byte(0x11));
  if (dB == 0 || dB == 10 || dB == 20 || dB == 30) body.append(byte(ToBcd(dB)));
  return CivFrame(address, body);
}

QByteArray OsControlFrame(std::uint8_t address, std::uint8_t subCommand) {
  QByteArray body;
  body.append(byte(0x7F)).append(byte(subCommand));
  return CivFrame(address, body);
}

}  // namespace encoders
