#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "radio/Transport.h"

class QSerialPort;

// A local serial port under the radio link: a terminal device opened at a
// rate with 8 data bits, no parity and one stop bit; bytes written have left
// the port when the call returns.
class SerialTransport final : public Transport {
 public:
  explicit SerialTransport(const QString& devicePath);
  ~SerialTransport() override;

  // Opens the device if it names a terminal device. A regular file, a folder,
  // a missing path or a device that is not a terminal is not opened.
  bool open(int baudRate) override;
  void close() override;
  bool isOpen() const override;

  // One write of exactly these bytes, pushed to the driver at once and then
  // drained: when this returns the bytes have left the port. Returns false
  // when the port failed (it vanished, or the bytes could not leave within a
  // generous limit); the caller then closes the port.
  bool write(const QByteArray& bytes) override;
  bool drain() override;
  void purgeOutput() override;
  void purgeInput() override;
  QByteArray read(int maxBytes, int limitMs, bool* failed) override;
  bool setBaudRate(int rate) override;
  int baudRate() const override;
  bool isModem() const override;
  bool carrierDetect() override;

 private:
  QString devicePath_;
  std::unique_ptr<QSerialPort> port_;
};
