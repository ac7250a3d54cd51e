#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// Icom CI-V and OS456/OS535: byte frames FE FE <radio> E0 <command> ... FD.
// Every byte of a frame reaches the wire, 00 included: the radio address 00
// (the CI-V broadcast address) and zero data bytes keep the frame its full
// length.
namespace encoders {

inline constexpr std::uint8_t kControllerAddress = 0xE0;

// OS456/OS535 sub-commands of command 7F.
inline constexpr std::uint8_t kOsPowerDown = 0x01;
inline constexpr std::uint8_t kOsPowerUp = 0x02;
inline constexpr std::uint8_t kOsAudioOn = 0x0A;
inline constexpr std::uint8_t kOsAudioOff = 0x0B;
// The OptoScan needs more than 100 ms before an audio on or off.
inline constexpr int kOsAudioWaitMs = 101;

// CI-V level sub-commands of command 14.
inline constexpr std::uint8_t kCivVolume = 0x01;
inline constexpr std::uint8_t kCivSquelch = 0x03;

// FE FE address E0, the body, FD.
QByteArray CivFrame(std::uint8_t address, const QByteArray& body);

// Command 05 with the exact frequency in hertz as packed decimal, lowest
// digits first: 5 bytes, or 4 when ic735 is set and the frequency is below
// 100 MHz. The caller has checked that the protocol carries the frequency.
QByteArray CivFrequencyFrame(std::uint8_t address, double mhz, bool ic735);

// Command 05 with the frequency rounded to 10 Hz: three bytes of decimals
// (lowest first, the units of hertz always 0), then the tens and units of
// megahertz, then the thousands and hundreds.
QByteArray OsFrequencyFrame(std::uint8_t address, double mhz);

// Command 06 with the mode bytes of the CI-V (protocol 0) or OS456/OS535
// (protocol 1) table; a mode outside the table has no mode byte. The mode is
// compared ignoring letter case.
QByteArray ModeFrame(int protocol, std::uint8_t address, const QString& mode);

// Command 14 with the level (0..255) as two packed-decimal bytes, hundreds
// first: 50 -> 00 50, 255 -> 02 55.
QByteArray CivLevelFrame(std::uint8_t address, std::uint8_t subCommand, int level);

// Command 11 with the code 00, 10, 20 or 30 for as many dB; another value
// gives the frame without a code.
QByteArray CivAttenuatorFrame(std::uint8_t address, int dB);

// OS456/OS535 command 7F with one sub-command.
QByteArray OsControlFrame(std::uint8_t address, std::uint8_t subCommand);

}  // namespace encoders
