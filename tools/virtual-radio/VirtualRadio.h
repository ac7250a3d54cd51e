#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "Band.h"
#include "RadioEvent.h"

// What the virtual radio is told to be.
struct RadioOptions {
  int protocol = 6;  // the stored protocol number; the PCR1000 by default
  // The CI-V / OS456 address this radio answers to; any address when unset.
  std::optional<quint8> address;
  // The BC-895XLT's answer to the model query "MD" (a CR is appended).
  QByteArray modelReply = QByteArrayLiteral("MD07");
  bool silentModel = false;  // the BC-895XLT never answers the model query

  // What real set-ups send back besides answers: the CI-V bus's copy of every
  // byte the program writes, and the radios' acknowledgements of commands
  // (CI-V FB/FA, PCR1000 G000/G001, BC-895XLT OK/ERR, AR8000 "?").
  bool echo = true;
  bool acknowledge = true;
  // Answers the signal and squelch queries; off: the radio keeps silent.
  bool answerQueries = true;
  // The radio's turnaround before an answer (ms); unset: the radio's own.
  std::optional<int> replyDelayMs;
  // How long after a retune the radio still hears the old frequency (ms);
  // unset: the radio's own.
  std::optional<int> settleMs;
  // CI-V: an IC-735, which refuses the meter queries (FA).
  bool ic735 = false;
  // The squelch of radios whose squelch level the program does not set, in
  // dB relative to S9.
  double squelchDb = -40;
  // The band it hears; the built-in plan when none is given.
  std::optional<std::vector<Station>> stations;
  quint32 seed = 1;
  // Seconds since the radio started; a steady clock from construction when
  // unset.
  std::function<double()> clock;
};

// Bytes the radio sends back: after delayUs (the radio's turnaround and the
// bytes' time on the wire), in the order they were made.
struct Outgoing {
  qint64 delayUs = 0;
  QByteArray bytes;
  // The bus's copy of what the program wrote: on the wire at once, ahead of
  // any answer still being prepared.
  bool echo = false;
};

// What the radio has been told so far. Unknown values stay unset.
struct RadioState {
  bool powered = true;  // radios with a power-up command start switched off
  std::optional<qint64> frequencyHz;
  QString mode;
  QString filter;  // PCR1000 IF filter ("15K")
  std::optional<int> volume, squelch, ifShift;
  std::optional<bool> agc, noiseBlanker, attenuator, muted;
  std::optional<int> attenuatorDb;  // CI-V
  QString step;                     // AR8000/AR2700 "ST" value as sent
  int radioBaud = 0;                // PCR1000: the rate its own side runs at
};

// The radio end of a serial link: bytes from the program go in, one event
// per command comes out, and the radio's state follows the commands. The
// decoding works from the radios' byte layouts alone; it shares no code with
// the program's encoders, so a fault in either shows up as a disagreement.
//
// Bytes arrive in arbitrary pieces; a command is decoded once its frame end
// (FD) or line end has arrived. Nothing is dropped silently: bytes that make
// no command come back as "unknown" events with their hex.
class VirtualRadio {
 public:
  explicit VirtualRadio(const RadioOptions& options);

  std::vector<RadioEvent> feed(const QByteArray& bytes);
  // No byte has arrived for a while: an unfinished frame or line is reported
  // as such and forgotten.
  std::vector<RadioEvent> flushIdle();
  bool hasPartialCommand() const { return !pending_.isEmpty() || overlong_; }

  // The bytes the radio answers with since the last call (the BC-895XLT's
  // model reply).
  QByteArray takeReply();
  // Echoes, acknowledgements and answers to queries since the last call.
  std::vector<Outgoing> takeOutgoing();
  // The rate of the line, for the time an answer takes on the wire.
  void setLineRate(int baud) { lineRate_ = baud > 0 ? baud : lineRate_; }

  // What the radio hears now, in dB relative to S9, and whether its squelch
  // lets it through.
  double heardDb() const;
  bool squelchOpen(double db) const;
  const Band& band() const { return band_; }

  const RadioState& state() const { return state_; }
  const RadioOptions& options() const { return options_; }
  // One line describing the radio's state, and the same as JSON fields.
  QString stateSummary() const;
  QJsonObject stateFields() const;
  // ASCII protocols: raw bytes are best shown as text.
  bool isTextProtocol() const;

  // Longest frame or line accepted before it is reported as overlong.
  static constexpr int kMaxFrame = 32;
  static constexpr int kMaxLine = 64;

 private:
  enum class LineEnd { Cr, CrLf, Lf };

  std::vector<RadioEvent> decode(const QByteArray& bytes);
  int settleMs() const;

  void feedFrameByte(char byte, std::vector<RadioEvent>& out);
  void feedLineByte(char byte, std::vector<RadioEvent>& out);
  void flushJunk(std::vector<RadioEvent>& out);

  RadioEvent decodeFrame(const QByteArray& frame);
  RadioEvent decodeCivCommand(const QByteArray& frame);
  RadioEvent decodeLine(const QByteArray& line, LineEnd end);
  RadioEvent decodeAorLine(const QByteArray& line);
  RadioEvent decodeBc895Line(const QByteArray& line);
  RadioEvent decodePcrLine(const QByteArray& line);
  RadioEvent decodeAr3000Line(const QByteArray& line);

  // Marks commands a switched-off radio receives.
  void warnIfOff(RadioEvent& event) const;

  // The signal and squelch queries of each family, answered from the band
  // (the CI-V and OS456/OS535 frame gives the addresses to answer with).
  enum class Asked { Signal, Squelch, Status };
  RadioEvent answerQuery(Asked asked, const QByteArray& frame = {});
  // The acknowledgement or refusal of a decoded command, queued to go back
  // after the radio's turnaround and the bytes' time on the wire.
  void acknowledge(RadioEvent& event, const QByteArray& frame);
  void sendBack(RadioEvent& event, const QByteArray& bytes);
  QByteArray civFrameFromRadio(const QByteArray& query, const QByteArray& body) const;
  int turnaroundMs() const;
  double nowS() const;

  RadioOptions options_;
  RadioState state_;
  QByteArray pending_;     // the frame or line being collected
  QByteArray junk_;        // bytes outside any frame (CI-V style)
  bool overlong_ = false;  // the current line passed kMaxLine; skip to its end
  bool afterCr_ = false;   // the previous line ended with CR (an LF may follow)
  QByteArray reply_;
  std::vector<Outgoing> outgoing_;
  int lineRate_ = 9600;
  Band band_;
  std::function<double()> clock_;
  // The last retune: where the radio was tuned before, and when.
  std::optional<qint64> settlingFromHz_;
  double retunedAtS_ = -1e9;
};

// Parses a decimal megahertz text ("162.55", "  0.50000") to hertz; at most
// six decimals count, more are an error. Leading blanks are allowed.
std::optional<qint64> ParseMegahertz(const QByteArray& text);
