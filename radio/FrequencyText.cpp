#include "radio/FrequencyText.h"

#include <QLocale>
#include <cmath>

namespace freqtext {

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

bool ParseNumber(const QString& text, double* value) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && text[i] == QLatin1Char(' ')) ++i;
  const qsizetype start = i;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) ++i;
  qsizetype digits = 0;
  while (i < n && isDigit(text[i])) {
    ++i;
    ++digits;
  }
  if (i < n && text[i] == QLatin1Char('.')) {
    ++i;
    qsizetype decimals = 0;
    while (i < n && isDigit(text[i])) {
      ++i;
      ++decimals;
    }
    if (decimals == 0) return false;  // "162." is not a number
    digits += decimals;
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
    ++i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) ++i;
    qsizetype exponent = 0;
    while (i < n && isDigit(text[i])) {
      ++i;
      ++exponent;
    }
    if (exponent == 0) return false;
  }
  if (i != n) return false;
  bool ok = false;
  const double result = QLocale::c().toDouble(QStringView(text).mid(start), &ok);
  if (!ok || !std::isfinite(result)) return false;
  *value = result;
  return true;
}

QString FormatFixed(double value, int decimals, int width) {
  return QString::number(value, 'f', decimals).rightJustified(width, QLatin1Char(' '));
}

QString ShownMhz(double megahertz) { return FormatFixed(megahertz, kDecimals, kShownWidth); }

QString ShownHz(qint64 hz) { return ShownMhz(double(hz) / 1e6); }

QString MhzText(qint64 hz) { return FormatFixed(double(hz) / 1e6, kDecimals); }

bool ValidateFrequencyText(QString& text, int width, int decimals, double low, double high) {
  double f = 0;
  if (!ParseNumber(text, &f)) return false;
  if (f < low || f > high) return false;
  text = FormatFixed(f, decimals, width);
  return true;
}

std::uint8_t ToBcd(int n) { return static_cast<std::uint8_t>(((n / 10) << 4) | (n % 10)); }

}  // namespace freqtext
