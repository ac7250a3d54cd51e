// The carrier-detect input of the serial port: a receiver raises it while its
// squelch is open, which is how the scan and the search tell that a signal is
// present.

#include <QSerialPort>

#include "radio/RadioLink.h"
#include "radio/SerialTransport.h"

bool SerialTransport::carrierDetect() {
  if (!isOpen()) return false;
  const QSerialPort::PinoutSignals lines = port_->pinoutSignals();
  // A device without modem lines (a pseudo-terminal, some adapters) refuses
  // the query. That refusal is no fault of the port: it must not make the
  // next write look like a failed one. A port that vanished keeps its
  // resource error, so the next write still finds it gone.
  const QSerialPort::SerialPortError error = port_->error();
  if (error != QSerialPort::NoError && error != QSerialPort::ResourceError) port_->clearError();
  return (lines & QSerialPort::DataCarrierDetectSignal) != 0;
}

bool RadioLink::CarrierDetect() {
  if (!portOpen()) return false;
  if (CarrierLineOverride) return CarrierLineOverride();
  return transport_->carrierDetect();
}
