#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QSerialPort;

// The serial port under the radio link: open a terminal device at a rate with
// 8 data bits, no parity and one stop bit; write bytes so that they have left
// the port when the call returns; read with a time limit; change the rate.
// Everything is blocking and runs on the calling thread; no window events are
// processed.
class SerialTransport {
 public:
  SerialTransport();
  ~SerialTransport();
  SerialTransport(const SerialTransport&) = delete;
  SerialTransport& operator=(const SerialTransport&) = delete;

  // Opens devicePath if it names a terminal device. A regular file, a folder,
  // a missing path or a device that is not a terminal is not opened.
  bool open(const QString& devicePath, int baudRate);
  void close();
  bool isOpen() const;

  // One write of exactly these bytes, pushed to the driver at once and then
  // drained: when this returns the bytes have left the port. Returns false
  // when the port failed (it vanished, or the bytes could not leave within a
  // generous limit); the caller then closes the port.
  bool write(const QByteArray& bytes);
  // Waits until every byte written has left the port.
  bool drain();
  // Discards output not yet sent.
  void purgeOutput();
  // Reads until maxBytes have arrived or limitMs have passed, whichever comes
  // first. *failed is set when the port failed during the read.
  QByteArray read(int maxBytes, int limitMs, bool* failed);
  // Changes the rate after draining the output.
  bool setBaudRate(int rate);
  // The rate the open port runs at (0 when closed).
  int baudRate() const;
  // True when the driver reports the port as a modem (only where the platform
  // can tell; false elsewhere).
  bool isModem() const;
  // True when the open port's carrier-detect input is raised.
  bool carrierDetect() const;

 private:
  std::unique_ptr<QSerialPort> port_;
};
