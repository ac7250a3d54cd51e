#pragma once

#include <QString>
#include <cstdint>

// Frequency and other decimal texts: the one number parser of the program and
// the fixed-width forms in which frequencies are shown and stored. "." is the
// decimal separator whatever the user's locale.
namespace freqtext {

// Width and decimals of the forms the program uses.
inline constexpr int kShownWidth = 11;  // "  162.55000" in the frequency field
inline constexpr int kStoredWidth = 9;  // coverage limits, step size, checks
inline constexpr int kDecimals = 5;

// A valid number text: optional leading blanks, an optional sign, decimal
// digits, optionally "." followed by at least one digit (digits before the
// point may be missing: ".5"), optionally an exponent ("E"/"e", optional
// sign, digits). Nothing may follow, not even a blank. Returns false for
// anything else, and for values that do not fit a double.
bool ParseNumber(const QString& text, double* value);

// value in fixed-point notation with exactly `decimals` decimals, right-aligned
// with leading blanks to at least `width` characters.
QString FormatFixed(double value, int decimals, int width = 0);

// A frequency as the frequency field shows it ("  162.55000"), from MHz or Hz.
QString ShownMhz(double megahertz);
QString ShownHz(qint64 hz);
// The same without the leading blanks ("162.55000"), for messages and files.
QString MhzText(qint64 hz);

// Checks a frequency text and, when it is a valid number within [low, high]
// (both inclusive), rewrites it in fixed-point form (`decimals` decimals,
// right-aligned to `width`) and returns true. Otherwise the text is left as it
// was and false is returned.
bool ValidateFrequencyText(QString& text, int width, int decimals, double low, double high);

// n (0..99) as one packed-decimal byte, tens in the high nibble.
std::uint8_t ToBcd(int n);

}  // namespace freqtext
