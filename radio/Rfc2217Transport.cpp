#include "radio/Rfc2217Transport.h"

// libtelnet's header uses size_t without including its definition: the
// definition comes first.
// clang-format off
#include <cstddef>
#include <libtelnet.h>
// clang-format on

#include <algorithm>
#include <utility>

namespace {

using Clock = NetworkTransport::Clock;

// The Telnet option of RFC 2217 and its commands, as the client sends them;
// the server answers with the command number plus 100.
constexpr unsigned char kComPortOption = 44;
constexpr quint8 kSetBaudRate = 1;
constexpr quint8 kSetDataSize = 2;
constexpr quint8 kSetParity = 3;
constexpr quint8 kSetStopSize = 4;
constexpr quint8 kNotifyModemState = 7;
constexpr quint8 kPurgeData = 12;
constexpr quint8 kServerAnswer = 100;

constexpr quint8 kEightDataBits = 8;
constexpr quint8 kNoParity = 1;
constexpr quint8 kOneStopBit = 1;
// What PURGE-DATA discards on the server: what it received from the radio
// and not yet passed on, or what it holds for the radio and not yet sent.
constexpr quint8 kPurgeFromRadio = 1;
constexpr quint8 kPurgeToRadio = 2;
// The modem-state bit of the receive-line-signal-detect (carrier) input.
constexpr quint8 kCarrierDetect = 0x80;

// How long the server is listened to before the program says anything: a
// Telnet server opens with offers of its own, which tells it from a raw
// TCP port before a byte reaches the radio.
constexpr auto kFirstWord = std::chrono::milliseconds(300);

// The options accepted: binary transmission both ways (the radio's bytes
// pass unaltered), suppress-go-ahead, and the COM-PORT-OPTION on our side.
// Anything else the server offers is declined by the Telnet layer.
const telnet_telopt_t kOptions[] = {
    {TELNET_TELOPT_BINARY, TELNET_WILL, TELNET_DO},
    {TELNET_TELOPT_SGA, TELNET_WILL, TELNET_DO},
    {kComPortOption, TELNET_WILL, TELNET_DONT},
    {-1, 0, 0},
};

QByteArray bigEndian(quint32 value) {
  QByteArray bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
  return bytes;
}

}  // namespace

Rfc2217Transport::Rfc2217Transport(const PortAddress& address) : NetworkTransport(address) {}

Rfc2217Transport::~Rfc2217Transport() { resetTelnet(); }

void Rfc2217Transport::resetTelnet() {
  if (telnet_) telnet_free(telnet_);
  telnet_ = nullptr;
  outbox_.clear();
  heardServer_ = serverSpeaksTelnet_ = false;
  comPort_ = Option::Asked;
  answered_ = 0;
  reportedRate_ = 0;
  modemState_ = 0;
}

void Rfc2217Transport::close() {
  NetworkTransport::close();
  resetTelnet();
}

void Rfc2217Transport::onEvent(telnet_t*, telnet_event_t* event, void* self) {
  static_cast<Rfc2217Transport*>(self)->handle(*event);
}

void Rfc2217Transport::handle(const telnet_event_t& event) {
  switch (event.type) {
    case TELNET_EV_DATA:
      keep(event.data.buffer, static_cast<qsizetype>(event.data.size));
      break;
    case TELNET_EV_SEND:
      outbox_.append(event.data.buffer, static_cast<qsizetype>(event.data.size));
      break;
    case TELNET_EV_DO:
      if (event.neg.telopt == kComPortOption) comPort_ = Option::Agreed;
      break;
    case TELNET_EV_DONT:
      if (event.neg.telopt == kComPortOption) comPort_ = Option::Declined;
      break;
    case TELNET_EV_SUBNEGOTIATION:
      if (event.sub.telopt == kComPortOption) {
        comPortAnswer(QByteArray(event.sub.buffer, static_cast<qsizetype>(event.sub.size)));
      }
      break;
    case TELNET_EV_ERROR:
      fail(QStringLiteral("%1 sent a Telnet stream that cannot be read (%2).")
               .arg(peer(), QString::fromLocal8Bit(event.error.msg)));
      break;
    default:
      break;  // warnings, and options nobody asked for
  }
}

void Rfc2217Transport::comPortAnswer(const QByteArray& body) {
  if (body.isEmpty()) return;
  const quint8 command = static_cast<quint8>(body[0]);
  if (command <= kServerAnswer) return;  // a request of the server's own
  const quint8 answer = command - kServerAnswer;
  const QByteArray value = body.mid(1);
  if (answer == kSetBaudRate && value.size() >= 4) {
    reportedRate_ = 0;
    for (int i = 0; i < 4; ++i) reportedRate_ = (reportedRate_ << 8) | quint8(value[i]);
  }
  if (answer == kNotifyModemState && !value.isEmpty()) modemState_ = quint8(value[0]);
  if (answer >= kSetBaudRate && answer <= kSetStopSize) answered_ |= 1u << answer;
}

void Rfc2217Transport::comPortCommand(quint8 command, const QByteArray& value) {
  const QByteArray body = QByteArray(1, char(command)) + value;
  // The Telnet layer doubles any 0xFF of the value (a rate can hold one).
  telnet_subnegotiation(telnet_, kComPortOption, body.constData(), size_t(body.size()));
}

bool Rfc2217Transport::flush() {
  if (outbox_.isEmpty()) return usable();
  return handOver(std::exchange(outbox_, {}), 0);
}

QByteArray Rfc2217Transport::encode(const QByteArray& bytes) {
  // Anything the Telnet layer still holds to send goes first, in the same
  // hand-over, then the data with every 0xFF doubled.
  telnet_send(telnet_, bytes.constData(), size_t(bytes.size()));
  return std::exchange(outbox_, {});
}

void Rfc2217Transport::takeIn(const QByteArray& raw) {
  if (!heardServer_) {
    heardServer_ = true;
    serverSpeaksTelnet_ = quint8(raw[0]) == 0xFF;
  }
  // A server that is no Telnet server is refused at open; nothing it sent
  // is taken for the radio's bytes.
  if (!serverSpeaksTelnet_ || !telnet_) return;
  telnet_recv(telnet_, raw.constData(), size_t(raw.size()));
}

bool Rfc2217Transport::listen(Clock::time_point deadline, const std::function<bool()>& done) {
  for (;;) {
    if (!flush()) return false;  // the Telnet layer's answers to the server
    if (done() || Clock::now() >= deadline) return true;
    if (!pump(deadline)) return false;
  }
}

bool Rfc2217Transport::startLine(int baudRate, Clock::time_point deadline) {
  resetTelnet();
  telnet_ = telnet_init(kOptions, &Rfc2217Transport::onEvent, 0, this);
  if (!telnet_) return fail(QStringLiteral("Out of memory for the Telnet connection."));
  const auto noTelnet = [this] {
    return fail(QStringLiteral("%1 answers, but not as an RFC 2217 serial server (it speaks no "
                               "Telnet). If it is a raw TCP port, use tcp://%1.")
                    .arg(peer()));
  };

  // A Telnet server opens with its own offers; a raw TCP port stays silent
  // or passes on the radio's bytes. Listening first keeps the program from
  // sending Telnet commands that a raw port would hand to the radio.
  if (!listen(std::min(deadline, Clock::now() + kFirstWord), [this] { return heardServer_; })) {
    return false;
  }
  if (heardServer_ && !serverSpeaksTelnet_) return noTelnet();
  telnet_negotiate(telnet_, TELNET_WILL, kComPortOption);
  if (!listen(deadline, [this] { return comPort_ != Option::Asked || heardServer_; })) {
    return false;
  }
  if (heardServer_ && !serverSpeaksTelnet_) return noTelnet();
  if (!heardServer_) {
    return fail(QStringLiteral("%1 did not answer as an RFC 2217 serial server within %2 s. If "
                               "it is a raw TCP port, use tcp://%1.")
                    .arg(peer(), QString::number(kOpenLimitMs / 1000.0, 'f', 1)));
  }
  if (!listen(deadline, [this] { return comPort_ != Option::Asked; })) return false;
  if (comPort_ != Option::Agreed) {
    // A Telnet server without the option declines it (the Telnet layer
    // reports no refusal), or never answers.
    return fail(QStringLiteral("%1 speaks Telnet but does not let Corvalo set up its serial "
                               "port (RFC 2217 COM-PORT-OPTION). Set the port up for RFC 2217 "
                               "on the server, or use tcp://%1 for a raw TCP port.")
                    .arg(peer()));
  }

  telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_BINARY);
  telnet_negotiate(telnet_, TELNET_DO, TELNET_TELOPT_BINARY);
  // A rate of 0 asks the server for the rate in force: a stored rate that
  // is no rate leaves the port as the server has it.
  comPortCommand(kSetBaudRate, bigEndian(quint32(std::max(baudRate, 0))));
  comPortCommand(kSetDataSize, QByteArray(1, char(kEightDataBits)));
  comPortCommand(kSetParity, QByteArray(1, char(kNoParity)));
  comPortCommand(kSetStopSize, QByteArray(1, char(kOneStopBit)));
  const unsigned all = kRate | kDataSize | kParity | kStop;
  const auto answerBy =
      std::min(deadline, Clock::now() + std::chrono::milliseconds(kAnswerLimitMs));
  if (!listen(answerBy, [&] { return (answered_ & all) == all; })) return false;
  if ((answered_ & kRate) && reportedRate_ > 0) rate_ = int(reportedRate_);
  return true;
}

bool Rfc2217Transport::setBaudRate(int rate) {
  if (!usable() || rate <= 0) return false;
  // The bytes already written leave at the rate they were written for.
  if (!drain()) return false;
  answered_ &= ~unsigned(kRate);
  comPortCommand(kSetBaudRate, bigEndian(quint32(rate)));
  const auto answerBy = Clock::now() + std::chrono::milliseconds(kAnswerLimitMs);
  if (!listen(answerBy, [this] { return (answered_ & kRate) != 0; })) return false;
  // Without an answer the rate is taken as set: the server took the request
  // in order with the data, before anything written after it.
  rate_ = (answered_ & kRate) && reportedRate_ > 0 ? int(reportedRate_) : rate;
  return rate_ == rate;
}

void Rfc2217Transport::purgeOutput() {
  if (!usable()) return;
  comPortCommand(kPurgeData, QByteArray(1, char(kPurgeToRadio)));
  flush();
}

void Rfc2217Transport::purgeInput() {
  if (!usable()) return;
  comPortCommand(kPurgeData, QByteArray(1, char(kPurgeFromRadio)));
  flush();
  NetworkTransport::purgeInput();
}

bool Rfc2217Transport::carrierDetect() {
  if (!usable()) return false;
  if (!pump(Clock::now()) || !flush()) return false;
  return (modemState_ & kCarrierDetect) != 0;
}
