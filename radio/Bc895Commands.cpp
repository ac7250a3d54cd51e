#include "radio/Bc895Commands.h"

#include "radio/Encoding.h"

namespace encoders {

QByteArray Bc895Tuning(double mhz) {
  const TenHertz f = RoundToTenHertz(mhz);
  return "RF" + QByteArray::number(f.wholeMhz).rightJustified(4, '0') +
         f.decimals.left(4).toLatin1() + kCr;
}

QByteArray Bc895Mute(bool mute) { return QByteArray(mute ? "MUN" : "MUA") + kCr; }

QByteArray Bc895Query() { return QByteArray("MD") + kCr; }

QByteArray Bc895ReplyAnswer(const QByteArray& reply) {
  for (const char* model : {"MD06", "MD07", "MD08", "MD09", "MD10"}) {
    if (reply.startsWith(model)) return QByteArray("KEY13") + kCr;
  }
  return kCr;
}

QByteArray Bc895Key01() { return QByteArray("KEY01") + kCr; }

}  // namespace encoders
