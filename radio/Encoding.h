#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// Shared pieces of the command encoders: pure functions from a request to the
// bytes a radio receives. They never touch a port; RadioLink sends what they
// build through its one write path, with the waits between the pieces.
namespace encoders {

inline constexpr char kCr[] = "\r";
inline constexpr char kCrLf[] = "\r\n";

// A frequency request after its text has been checked: the value in MHz and
// the text the radio families that send text use.
struct FrequencyRequest {
  double mhz = 0;
  QString text;  // as typed, or the shown form for a text of more than 11 characters
};

// The shown form of a frequency: five decimals, right-aligned in 11 places.
QString ShownForm(double mhz);

// value rounded to five decimals (10 Hz), split into whole megahertz and the
// five decimal digits, exactly as the fixed-point text shows them.
struct TenHertz {
  qint64 wholeMhz = 0;
  QString decimals;  // always 5 digits
};
TenHertz RoundToTenHertz(double mhz);
// The same rounding as a number (what the radio is tuned to).
double RoundedMhz(double mhz);

// True when text (after leading blanks) is digits with an optional "." and
// more digits: a form every text-based radio reads as it stands.
bool IsPlainDecimal(const QString& text);

// Upper-case hexadecimal with at least two digits.
QByteArray Hex2(int value);

}  // namespace encoders
