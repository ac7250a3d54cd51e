#include "ProtocolArgument.h"

#include <QStringList>

#include "radio/Protocols.h"

namespace {

// Letters and digits only, lower-case: "Icom PCR1000" -> "icompcr1000".
QString Folded(const QString& text) {
  QString out;
  for (const QChar c : text) {
    if (c.isLetterOrNumber()) out += c.toLower();
  }
  return out;
}

}  // namespace

int ParseProtocolArgument(const QString& argument) {
  bool isNumber = false;
  const int number = argument.trimmed().toInt(&isNumber);
  if (isNumber) return protocols::byNumber(number) ? number : -1;

  const QString wanted = Folded(argument);
  if (wanted.isEmpty()) return -1;
  for (const protocols::ProtocolInfo& p : protocols::all()) {
    const QString text = Folded(QString::fromLatin1(p.listText));
    QStringList names{text};
    if (text.startsWith(QLatin1String("icom"))) names << text.mid(4);
    // "OS456/OS535" answers to either model.
    for (const QString& part : QString::fromLatin1(p.listText).split(QLatin1Char('/'))) {
      names << Folded(part);
    }
    if (names.contains(wanted)) return p.number;
  }
  return -1;
}

QString KnownProtocolTexts() {
  QStringList texts;
  for (const protocols::ProtocolInfo& p : protocols::all()) {
    texts << QStringLiteral("\"%1\" (%2)").arg(QString::fromLatin1(p.listText)).arg(p.number);
  }
  return texts.join(QStringLiteral(", "));
}
