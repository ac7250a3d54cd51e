#include "RadioEvent.h"

#include <QJsonDocument>

bool RadioEvent::flagged() const {
  return kind == QLatin1String("unknown") || kind == QLatin1String("other-address") ||
         !warning.isEmpty();
}

QString HexBytes(const QByteArray& bytes) {
  return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString PrintableBytes(const QByteArray& bytes) {
  QString out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b == '\r') {
      out += QLatin1String("<CR>");
    } else if (b == '\n') {
      out += QLatin1String("<LF>");
    } else if (b >= 0x20 && b < 0x7F) {
      out += QLatin1Char(c);
    } else {
      out += QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
  }
  return out;
}

QString MegahertzText(qint64 hertz) {
  const QString sign = hertz < 0 ? QStringLiteral("-") : QString();
  const qint64 h = hertz < 0 ? -hertz : hertz;
  return QStringLiteral("%1%2.%3 MHz")
      .arg(sign)
      .arg(h / 1000000)
      .arg(h % 1000000, 6, 10, QLatin1Char('0'));
}

QString FormatReadable(const RadioEvent& event, const QTime& at, bool asText) {
  QString line = at.toString(QStringLiteral("HH:mm:ss.zzz")) + QLatin1String("  ");
  if (event.flagged()) line += QLatin1String("! ");
  line += event.text;
  if (!event.warning.isEmpty()) line += QLatin1String(" (") + event.warning + QLatin1Char(')');
  if (!event.raw.isEmpty()) {
    line += QLatin1String("  [") + (asText ? PrintableBytes(event.raw) : HexBytes(event.raw)) +
            QLatin1Char(']');
  }
  if (!event.answer.isEmpty()) {
    line += QLatin1String(" -> [") +
            (asText ? PrintableBytes(event.answer) : HexBytes(event.answer)) + QLatin1Char(']');
  }
  return line;
}

QByteArray FormatJson(const RadioEvent& event, const QTime& at, double elapsedMs) {
  QJsonObject o = event.fields;
  o.insert(QStringLiteral("event"), event.kind);
  o.insert(QStringLiteral("time"), at.toString(QStringLiteral("HH:mm:ss.zzz")));
  o.insert(QStringLiteral("ms"), qRound64(elapsedMs * 1000.0) / 1000.0);
  o.insert(QStringLiteral("text"), event.text);
  if (!event.raw.isEmpty()) o.insert(QStringLiteral("hex"), HexBytes(event.raw));
  if (!event.answer.isEmpty()) {
    o.insert(QStringLiteral("answer"), PrintableBytes(event.answer));
    o.insert(QStringLiteral("answerHex"), HexBytes(event.answer));
  }
  if (!event.warning.isEmpty()) o.insert(QStringLiteral("warning"), event.warning);
  if (event.flagged()) o.insert(QStringLiteral("flagged"), true);
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

RadioEvent Event(const QString& kind, const QString& text) {
  RadioEvent e;
  e.kind = kind;
  e.text = text;
  return e;
}

RadioEvent Malformed(const QString& reason) {
  RadioEvent e = Event(QStringLiteral("unknown"), QStringLiteral("unknown: ") + reason);
  e.fields.insert(QStringLiteral("reason"), reason);
  return e;
}
