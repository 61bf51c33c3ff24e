#include "ui/widgets/numbers.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

QString FloatToStrF(double Value, TFloatFormat, int, int Digits) {
  if (std::isnan(Value)) return QStringLiteral("NAN");
  if (std::isinf(Value)) return Value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  if (Digits < 0) Digits = 0;
  if (Digits > 18) Digits = 18;

  // Seventeen significant digits identify the double; the decimal rounding then works on
  // those digits, so that 0.0625 shows as 0.063 rather than the binary tie's 0.062.
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.16e", std::fabs(Value));
  std::string digits;
  for (const char* p = buf; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits.push_back(*p);
  const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
  int intDigits = exponent + 1;  // digits before the decimal point

  int keep = intDigits + Digits;
  if (keep < 0) {
    digits.clear();
  } else {
    const bool roundUp = keep < static_cast<int>(digits.size()) && digits[keep] >= '5';
    digits.resize(keep, '0');
    if (roundUp) {
      int i = keep - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i >= 0) {
        ++digits[i];
      } else {
        digits.insert(digits.begin(), '1');
        ++intDigits;
      }
    }
  }
  // Left-pad so that the integer part has at least one digit and the fraction all of its own.
  const int total = std::max(intDigits, 1) + Digits;
  const int lead = total - static_cast<int>(digits.size());
  if (lead > 0) digits.insert(0, lead, '0');
  const int intLen = static_cast<int>(digits.size()) - Digits;

  const QLocale locale;  // the user's, unless the program chose another
  const QString group = locale.groupSeparator();
  QString text;
  for (int i = 0; i < intLen; ++i) {
    if (i > 0 && (intLen - i) % 3 == 0) text += group;
    text += QLatin1Char(digits[i]);
  }
  if (Digits > 0) {
    text += locale.decimalPoint();
    text += QString::fromLatin1(digits.data() + intLen, Digits);
  }
  // A value that rounds to zero shows no sign.
  const bool zero = digits.find_first_not_of('0') == std::string::npos;
  if (Value < 0 && !zero) text.prepend(QLatin1Char('-'));
  return text;
}

int32_t RoundEven(double x) {
  const double r = std::nearbyint(x);
  if (!(r >= -2147483648.0)) return INT32_MIN;  // NaN too
  if (r > 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(r);
}

int32_t RoundEven(float x) { return RoundEven(static_cast<double>(x)); }

QString F2(double v) { return FloatToStrF(v, TFloatFormat::ffNumber, 5, 2); }
QString F3(double v) { return FloatToStrF(v, TFloatFormat::ffNumber, 5, 3); }
