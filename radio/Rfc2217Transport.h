#pragma once

#include <QByteArray>
#include <functional>

#include "radio/NetworkTransport.h"

struct telnet_t;
union telnet_event_t;

// A serial port shared by an RFC 2217 server ("rfc2217://host:port"): the
// radio's bytes travel inside a Telnet connection (every 0xFF doubled, both
// ways), and the COM-PORT-OPTION carries what a local port sets through its
// driver: the rate, 8 data bits, no parity and one stop bit at open; rate
// changes in place; purges; the modem lines, carrier detect among them.
//
// The Telnet layer is libtelnet's: it parses the stream, answers the
// server's option negotiation (binary transmission both ways is accepted,
// so no byte of the radio's is altered; anything else the server offers is
// declined), and escapes what is sent.
//
// The server is never waited on for an answer it may not give: settings are
// answered within kAnswerLimitMs or taken as asked; modem-line requests are
// not made. A server that speaks no Telnet (a raw TCP port named as an
// RFC 2217 one) is told apart at open, and refused with a message.
class Rfc2217Transport final : public NetworkTransport {
 public:
  explicit Rfc2217Transport(const PortAddress& address);
  ~Rfc2217Transport() override;

  void close() override;
  // Discards what the server still holds for the radio; input held here
  // and by the server for the program.
  void purgeOutput() override;
  void purgeInput() override;
  // Lets every byte written leave at the old rate, then sets the new one on
  // the server's port. True when the server reports the new rate in force.
  bool setBaudRate(int rate) override;
  bool carrierDetect() override;

 protected:
  bool startLine(int baudRate, Clock::time_point deadline) override;
  QByteArray encode(const QByteArray& bytes) override;
  void takeIn(const QByteArray& raw) override;

 private:
  static void onEvent(telnet_t* telnet, telnet_event_t* event, void* self);
  void handle(const telnet_event_t& event);
  void comPortAnswer(const QByteArray& body);
  // Queues a COM-PORT-OPTION command; flush() hands the queue over.
  void comPortCommand(quint8 command, const QByteArray& value);
  bool flush();
  // Takes in what the server sends, answering it, until done() or the
  // deadline. False after a failure.
  bool listen(Clock::time_point deadline, const std::function<bool()>& done);
  void resetTelnet();

  enum class Option { Asked, Agreed, Declined };
  // Settings answered since they were last asked (bits by command number).
  enum Answer : unsigned {
    kRate = 1u << 1,
    kDataSize = 1u << 2,
    kParity = 1u << 3,
    kStop = 1u << 4
  };

  telnet_t* telnet_ = nullptr;
  QByteArray outbox_;  // what the Telnet layer has produced to send
  bool heardServer_ = false;
  bool serverSpeaksTelnet_ = false;
  Option comPort_ = Option::Asked;
  unsigned answered_ = 0;
  quint32 reportedRate_ = 0;
  quint8 modemState_ = 0;
};
