#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "radio/LinkSettings.h"
#include "radio/ReadingExchange.h"

class SettingsStore;
class Transport;
namespace encoders {
struct TuneCommand;
}

// The radio link: what radio is attached where, what was last sent to it, the
// serial port, and the one write path through which every command byte leaves
// the program. One object lives for the whole run (created by the program
// entry and handed to whoever needs it); tests make their own.
//
// Commands are fire-and-forget and paced by fixed waits on a monotonic clock.
// Everything runs on the GUI thread; a command sequence runs to its end before
// the next event is handled.
class RadioLink : public QObject {
  Q_OBJECT

 public:
  explicit RadioLink(QObject* parent = nullptr);
  ~RadioLink() override;

  // ---- Link state (read and written directly by the code that uses it) ----
  QString PortName = QStringLiteral("COM2");  // "Connection"/"Com Port"
  int Protocol = 0;                           // "Connection"/"Protocol"
  bool Ic735 = false;                         // "Connection"/"IC-735"
  quint8 CivAddress = 0;                      // "Connection"/"Address"
  QString CurrentFrequency = QStringLiteral("162.55");
  QString CurrentMode = QStringLiteral("FMN");
  double LowestFrequency = 0.1;
  double HighestFrequency = 1300.0;
  int VolumeLevel = 128;
  int SquelchLevel = 128;
  int IfShiftLevel = 128;
  int VolumeMax = 255;
  int SquelchMax = 255;
  int IfShiftMax = 255;
  int CommandDelay = 2;            // "PCR1000"/"PCR1000 Command Delay", ms
  int Pcr1000DefaultAmFilter = 1;  // "Connection"/"PCR1000 Default AM Filter"
  int Bc895Delay = 25;             // ms
  bool AttenuatorOn = false;
  int BaudRate = 9600;      // the rate the port runs at now (8 data bits, no parity, 1 stop bit)
  qint64 BytesWritten = 0;  // byte count of the last write or of the power-up read
  QString LastMode;         // mode of the previous tuning; empty at start
  int FilterIndex = 0;      // the PCR1000 filter chosen by the last tuning

  // Equivalent of a non-negative port handle: a port is open.
  bool portOpen() const;
  // True while a port is open and its carrier-detect (receive-line-signal-
  // detect) input is raised; false with no port or an unreadable line.
  bool CarrierDetect();
  // Stand-in for the port's carrier-detect line where the device has none (a
  // pseudo-terminal in tests): when set, it is read instead of the line while
  // a port is open.
  std::function<bool()> CarrierLineOverride;

  // ---- Link lifecycle ----
  // Reads the link settings of the store's profile, opens and configures
  // the port and runs the power-up sequence of Protocol.
  void OpenRadioLink(SettingsStore& store);
  // The same with settings read beforehand (the link's own thread never
  // touches the settings store).
  void OpenRadioLink(const LinkSettings& settings);
  // Saves frequency, mode (and the PCR1000 levels), runs the power-off
  // sequence when "General"/"Power Off" is set, closes the port.
  void CloseRadioLink(SettingsStore& store);
  // Closes the port without power-off and without saving (the operator
  // released it). Emits linkStateChanged(false).
  void ReleasePort();
  // The end of the link once its values are saved: the power-off sequence
  // when asked for, then the port is closed.
  void PowerOffAndClose(bool powerOff);
  // Sets CivAddress from "Connection"/"Address" (the store must be open): one
  // or two hexadecimal digits, blanks around them ignored. Any other text
  // (empty, three characters, a non-hexadecimal character) gives 0x00, the
  // CI-V broadcast address, which every CI-V radio listens to.
  void LoadCivAddress(SettingsStore& store);
  // Writes the three levels as "PCR1000"/"PCR1000 Volume", "... Squelch" and
  // "... IF Shift" (the main window does this at every release and retake of
  // the port). Throws SettingsError when the store fails.
  void SavePcrLevels(SettingsStore& store);

  // ---- Transport ----
  // The one write path: exactly these bytes, in one write, drained before it
  // returns. Nothing when no port is open. A port that vanished is closed and
  // reported through portLost().
  void WritePort(const QByteArray& bytes);
  // Waits at least ms milliseconds on a monotonic clock, sleeping rather than
  // spinning, and handles no window events.
  static void BusyWait(int ms);
  // The same up to a deadline on the monotonic clock.
  static void WaitUntil(std::chrono::steady_clock::time_point deadline);
  // Discards output not yet sent.
  void PurgeOutput();
  // Reads what arrives within limitMs, at most maxBytes; it ends early only
  // when maxBytes have arrived. BytesWritten receives the count.
  QByteArray ReadPort(int maxBytes, int limitMs);
  // The read time-outs of the open port: no interval limit, 5 ms a byte and
  // 50 ms in all (ReadPortTimeoutMs gives the limit for a byte count).
  void SetPortTimeouts();
  int ReadPortTimeoutMs(int maxBytes) const;
  // Changes the rate of the open port after draining its output.
  void SetBaudRate(int rate);
  // Checks, without waiting, that the open port still works: a network port
  // whose server went away or whose network stalled is closed and reported
  // through portLost() as a failed write would be. Call it between commands
  // so that a failure shows while the link is idle. False with no port.
  bool CheckPort();
  // ---- Readings ----
  // What a query needs to know of the link: protocol, address, the tuning,
  // the line's rate and the PCR1000's command delay.
  readings::LinkFacts ReadingFacts() const;
  // Asks the radio what it hears (the signal level, and the squelch state
  // where it tells it), after the gap its pacing asks for since the last
  // command; costs at most the answer's deadline. A line that fails is
  // closed and reported through portLost(). Nothing with no port open.
  // `only`: that quantity alone, where the radio can be asked it apart.
  readings::ReadingResult TakeReading(std::optional<readings::Quantity> only = std::nullopt);
  // Why the port last failed to open or was lost, for the operator (the
  // host that refused, the server that closed the connection); empty when
  // the port gave no reason (a local device that does not exist).
  QString portError() const;

  // ---- Tuning (frequency, mode, filter) ----
  // Tunes to the frequency text in the mode. Returns false, sending nothing
  // and changing nothing, when no port is open or when the protocol cannot
  // encode the request (lastRefusal() then says why).
  bool TuneRadio(const QString& frequencyText, const QString& modeText);
  // PCR1000: the filter change, resent as a full tuning command.
  void SendPcrFilter(int filterIndex);
  // A scan's retune: the tuning command (with the PCR1000 filter when
  // filterIndex >= 0), the mode frame and its pause only when the mode
  // changes, then a wait until settleMs after the last command has left
  // (the protocol's own pause after its command counts towards it). False,
  // sending nothing, as TuneRadio refuses.
  bool ScanTune(const QString& frequencyText, const QString& modeText, int filterIndex,
                int settleMs);
  // Why the last TuneRadio or SendPcrFilter refused to send; empty when it
  // did not refuse.
  QString lastRefusal() const { return lastRefusal_; }

  // ---- Levels and switches ----
  void SendPcrVolume(int level);
  void SendPcrSquelch(int level);
  void SendPcrIfShift(int level);
  void SendPcrAgc(bool on);
  void SendPcrNoiseBlanker(bool on);
  void SendPcrAttenuator(bool on);
  void SendCivVolume(int level);
  void SendCivSquelch(int level);
  void SendCivAttenuator(int dB);
  void MuteRadio();
  void UnmuteRadio();
  void SwitchAttenuatorOn();
  void SwitchAttenuatorOff();

  // ---- Power sequences ----
  void PowerUp();   // by Protocol; run by OpenRadioLink
  void PowerOff();  // by Protocol; run by CloseRadioLink when configured

  // The device path a configured port name opens ("COM1" -> /dev/ttyS0 on
  // Linux; "ttyUSB0" -> /dev/ttyUSB0; absolute paths and network addresses
  // such as "rfc2217://host:4001" as they stand). Empty for "Internet".
  static QString DevicePath(const QString& portName);

 signals:
  // A message for the operator ("Cannot Open Port Not.", the modem warning).
  void message(const QString& text);
  // true while a sequence that blocks the window runs (hourglass cursor).
  void busyChanged(bool busy);
  // The tray picture: true for OnImage, false for OffImage.
  void linkStateChanged(bool open);
  // The open port failed a write and was closed (a USB adapter pulled out).
  // The main window shows the port as released; the next command retakes it.
  void portLost();
  // The system beep (the AR8000/AR2700 mute sounds it).
  void beep();

 private:
  void SwitchAttenuator(bool on);
  // Sends a tuning command and takes up what it tunes to; false (nothing
  // sent, lastRefusal() set) when the encoder refused it.
  bool sendTuning(const encoders::TuneCommand& command, const QString& modeText);
  void loadPcrSettings();
  void closePort();
  std::unique_ptr<Transport> transport_;
  readings::Clock::time_point lastWrite_{};  // when the last command had left
  LinkSettings pcrSettings_;                 // the PCR1000 values its power-up applies
  QString lastRefusal_;
  int readMsPerByte_ = 0;   // read time-out multiplier; 0 = none set
  int readConstantMs_ = 0;  // read time-out constant
};
