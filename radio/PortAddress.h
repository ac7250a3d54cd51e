#pragma once

#include <QString>
#include <optional>

// What a configured "Com Port" text names: no port ("Internet"), a local
// serial port ("COM1", "ttyUSB0", "/dev/..."), or a serial port shared over
// the network by a serial server: "rfc2217://host:port" (Telnet with the
// COM-PORT-OPTION, so the rate and the modem lines travel too) or
// "tcp://host:port" (raw bytes; the server's own settings apply).
struct PortAddress {
  enum class Kind { NoPort, Local, Tcp, Rfc2217 };
  Kind kind = Kind::NoPort;
  QString host;      // network kinds: a name, an IPv4 address or an IPv6 address (no brackets)
  quint16 port = 0;  // network kinds: 1..65535

  bool isNetwork() const { return kind == Kind::Tcp || kind == Kind::Rfc2217; }
  // "host:port", with an IPv6 address in brackets, for messages.
  QString peer() const;
};

// The "Com Port" text that names no port: the program runs without a radio.
inline constexpr char kNoPortName[] = "Internet";

// Reads a port name. A text the program cannot use gives nothing and sets
// *error to a message for the operator, naming what is wrong and how to
// write it. Refused: an empty text, blanks anywhere, an unknown scheme
// ("ftp://..."), a network address without host or port, a port outside
// 1..65535, text after the port, and "host:port" without a scheme.
std::optional<PortAddress> parsePortAddress(const QString& text, QString* error = nullptr);

// True when the text starts with a scheme ("rfc2217://", "tcp://", or any
// other "name://"): it names a network port, well formed or not, and is
// never a device name.
bool looksLikeNetworkAddress(const QString& text);
