#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// What the radio link needs of the line to the radio, whatever carries it: a
// local serial port, a raw TCP connection to a serial server, or an RFC 2217
// (Telnet COM-PORT-OPTION) client. Every call blocks and runs on the thread
// that owns the link; no event loop is needed and no window event is handled.
//
// The link and the encoders never know which kind of line is under them: a
// transport is made from the configured port name by makeTransport().
class Transport {
 public:
  virtual ~Transport() = default;
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  // Opens the line at a rate with 8 data bits, no parity and one stop bit.
  // False when it cannot be opened; errorString() then says why.
  virtual bool open(int baudRate) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;

  // One write of exactly these bytes. When it returns the bytes have left
  // (a local port: drained from the UART; a network line: handed to the
  // socket with nothing held back), so a wait that follows is a real gap.
  // False when the line failed; the caller then closes it.
  virtual bool write(const QByteArray& bytes) = 0;
  // Waits until every byte written has left.
  virtual bool drain() = 0;
  // Discards output not yet sent, and input received but not yet read.
  virtual void purgeOutput() = 0;
  virtual void purgeInput() = 0;

  // Reads until maxBytes have arrived or limitMs have passed, whichever
  // comes first. *failed is set when the line failed during the read.
  virtual QByteArray read(int maxBytes, int limitMs, bool* failed) = 0;

  // Changes the rate after the output has left.
  virtual bool setBaudRate(int rate) = 0;
  // The rate the open line runs at (0 when closed).
  virtual int baudRate() const = 0;
  // True when the driver reports the port as a modem (only a local port on a
  // platform that can tell).
  virtual bool isModem() const { return false; }
  // True while the carrier-detect input is raised (false where unknown). A
  // network port takes in the server's line-state reports to answer.
  virtual bool carrierDetect() = 0;

  // Takes in what the far side sent and tells, without waiting, whether the
  // line still works: false once it failed (a network port whose server
  // went away or whose network stalled); errorString() then says why. The
  // link calls it between commands so that a failure shows while idle. A
  // local port's failures show at its next write or read.
  virtual bool checkLine() { return isOpen(); }

  // Why the last open or operation failed, for the operator; empty when
  // there is nothing to add to the link's own message.
  virtual QString errorString() const { return {}; }

 protected:
  Transport() = default;
};

// The transport for a configured port name: a device path for a local serial
// port (already mapped from "COM1" and the like), or a network address
// ("rfc2217://host:port", "tcp://host:port"). A malformed network address
// gives a transport whose open() fails with the reason in errorString().
std::unique_ptr<Transport> makeTransport(const QString& devicePath);
