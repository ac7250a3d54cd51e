#include "radio/PortAddress.h"

#include <QRegularExpression>

namespace {

constexpr int kLongestHostName = 253;

// A scheme as URLs write it: a letter, then letters, digits, "+", "-", ".".
const QRegularExpression& schemePrefix() {
  static const QRegularExpression re(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://"));
  return re;
}

bool fail(QString* error, const QString& message) {
  if (error) *error = message;
  return false;
}

QString quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QString howToWrite() {
  return QStringLiteral("Write a network port as rfc2217://host:port or tcp://host:port.");
}

// A host name (letters, digits, "-", "_" and "."; an IPv4 address is one
// too) or an IPv6 address, which arrives here without its brackets.
bool validHost(const QString& host, bool bracketed) {
  if (bracketed) {
    static const QRegularExpression ipv6(QStringLiteral("^[0-9A-Fa-f:.]+$"));
    return host.contains(QLatin1Char(':')) && ipv6.match(host).hasMatch();
  }
  static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_-]+(\\.[A-Za-z0-9_-]+)*\\.?$"));
  return host.size() <= kLongestHostName && name.match(host).hasMatch();
}

// Reads "host:port" after the scheme into address.
bool parseNetwork(const QString& text, const QString& rest, PortAddress* address, QString* error) {
  QString host;
  QString portText;
  bool hasPort = false;
  bool bracketed = false;
  if (rest.startsWith(QLatin1Char('['))) {
    const qsizetype close = rest.indexOf(QLatin1Char(']'));
    if (close < 0) {
      return fail(error, QStringLiteral("The address %1 opens a \"[\" for an IPv6 address but "
                                        "never closes it.")
                             .arg(quoted(text)));
    }
    bracketed = true;
    host = rest.mid(1, close - 1);
    const QString after = rest.mid(close + 1);
    if (after.startsWith(QLatin1Char(':'))) {
      hasPort = true;
      portText = after.mid(1);
    } else if (!after.isEmpty()) {
      return fail(error, QStringLiteral("The address %1 has %2 after the host where \":port\" "
                                        "belongs. %3")
                             .arg(quoted(text), quoted(after), howToWrite()));
    }
  } else {
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    hasPort = colon >= 0;
    host = hasPort ? rest.left(colon) : rest;
    portText = hasPort ? rest.mid(colon + 1) : QString();
    // Text after the port ("host:4001/x") shows up as a slash somewhere.
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
      return fail(error, QStringLiteral("The address %1 has %2 after the port number. %3")
                             .arg(quoted(text), quoted(rest.mid(slash)), howToWrite()));
    }
    if (host.contains(QLatin1Char(':'))) {
      return fail(error, QStringLiteral("The address %1 has more than one \":\"; write an IPv6 "
                                        "address in brackets, as in rfc2217://[::1]:4001.")
                             .arg(quoted(text)));
    }
  }
  if (host.isEmpty()) {
    return fail(error,
                QStringLiteral("The address %1 names no host. %2").arg(quoted(text), howToWrite()));
  }
  if (!validHost(host, bracketed)) {
    return fail(error, QStringLiteral("%1 in the address %2 is not a host name or address.")
                           .arg(quoted(host), quoted(text)));
  }
  if (!hasPort || portText.isEmpty()) {
    return fail(
        error,
        QStringLiteral("The address %1 has no port number. %2").arg(quoted(text), howToWrite()));
  }
  static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
  if (!digits.match(portText).hasMatch()) {
    return fail(error, QStringLiteral("%1 in the address %2 is not a port number. %3")
                           .arg(quoted(portText), quoted(text), howToWrite()));
  }
  bool ok = false;
  const qulonglong port = portText.toULongLong(&ok);
  if (!ok || port < 1 || port > 65535) {
    return fail(error, QStringLiteral("The port number in the address %1 must be from 1 to 65535.")
                           .arg(quoted(text)));
  }
  address->host = host;
  address->port = static_cast<quint16>(port);
  return true;
}

}  // namespace

QString PortAddress::peer() const {
  const QString h =
      host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
  return h + QLatin1Char(':') + QString::number(port);
}

bool looksLikeNetworkAddress(const QString& text) { return schemePrefix().match(text).hasMatch(); }

std::optional<PortAddress> parsePortAddress(const QString& text, QString* error) {
  if (error) error->clear();
  if (text == QLatin1String(kNoPortName)) return PortAddress{};
  if (text.trimmed().isEmpty()) {
    fail(error,
         QStringLiteral("The port name is empty. Choose a serial port, \"Internet\" for "
                        "none, or a network port (rfc2217://host:port or tcp://host:port)."));
    return std::nullopt;
  }
  static const QRegularExpression blank(QStringLiteral("\\s"));
  if (blank.match(text).hasMatch()) {
    fail(error, QStringLiteral("The port name %1 contains a blank; port names and network "
                               "addresses have none.")
                    .arg(quoted(text)));
    return std::nullopt;
  }
  const QRegularExpressionMatch scheme = schemePrefix().match(text);
  if (!scheme.hasMatch()) {
    // A bare "host:port" or a scheme with its slashes missing is a network
    // address typed wrong, not a device name.
    static const QRegularExpression bare(
        QStringLiteral("^(?:(?:rfc2217|tcp):(?!//).*|[A-Za-z0-9.-]+:[0-9]+)$"),
        QRegularExpression::CaseInsensitiveOption);
    if (bare.match(text).hasMatch()) {
      fail(error, QStringLiteral("%1 is not a port name. %2").arg(quoted(text), howToWrite()));
      return std::nullopt;
    }
    PortAddress local;
    local.kind = PortAddress::Kind::Local;
    return local;
  }
  const QString name = scheme.captured(1).toLower();
  PortAddress address;
  if (name == QLatin1String("rfc2217")) {
    address.kind = PortAddress::Kind::Rfc2217;
  } else if (name == QLatin1String("tcp")) {
    address.kind = PortAddress::Kind::Tcp;
  } else {
    fail(error, QStringLiteral("%1 is not a kind of port Corvalo knows. %2")
                    .arg(quoted(scheme.captured(0)), howToWrite()));
    return std::nullopt;
  }
  if (!parseNetwork(text, text.mid(scheme.capturedLength()), &address, error)) return std::nullopt;
  return address;
}
