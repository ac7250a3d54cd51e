#include "radio/Encoding.h"

#include "radio/FrequencyText.h"

namespace encoders {

QString ShownForm(double mhz) {
  return freqtext::FormatFixed(mhz, freqtext::kDecimals, freqtext::kShownWidth);
}

TenHertz RoundToTenHertz(double mhz) {
  const QString fixed = freqtext::FormatFixed(mhz, freqtext::kDecimals).trimmed();
  const qsizetype dot = fixed.indexOf(QLatin1Char('.'));
  TenHertz result;
  result.wholeMhz = fixed.left(dot).toLongLong();
  result.decimals = fixed.mid(dot + 1);
  return result;
}

double RoundedMhz(double mhz) {
  double rounded = 0;
  freqtext::ParseNumber(freqtext::FormatFixed(mhz, freqtext::kDecimals), &rounded);
  return rounded;
}

bool IsPlainDecimal(const QString& text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && text[i] == QLatin1Char(' ')) ++i;
  auto digitsFrom = [&](qsizetype& k) {
    const qsizetype start = k;
    while (k < n && text[k] >= QLatin1Char('0') && text[k] <= QLatin1Char('9')) ++k;
    return k - start;
  };
  if (digitsFrom(i) == 0) return false;
  if (i < n && text[i] == QLatin1Char('.')) {
    ++i;
    if (digitsFrom(i) == 0) return false;
  }
  return i == n;
}

QByteArray Hex2(int value) {
  return QByteArray::number(value, 16).toUpper().rightJustified(2, '0');
}

}  // namespace encoders
