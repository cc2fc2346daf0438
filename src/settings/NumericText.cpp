#include "settings/NumericText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The digit string with the decimal point put n places from its right end,
// converted with correct rounding (the C library's reading of "123.45").
double scaledDigits(const QString& digits, qsizetype n) {
  QString literal;
  if (n <= 0) {
    literal = digits;
  } else if (n < digits.size()) {
    literal = digits.left(digits.size() - n) + u'.' + digits.right(n);
  } else {
    literal = QStringLiteral("0.") + QString(n - digits.size(), u'0') + digits;
  }
  return literal.toDouble();  // QString::toDouble always reads the C locale
}

// A whole text of digits with an optional leading minus, as an integer reading
// would accept it; anything else (a minus inside, two minus signs) reads as 0.
double signedInteger(const QString& text) {
  const bool negative = text.startsWith(u'-');
  const QString body = negative ? text.mid(1) : text;
  if (body.isEmpty()) return 0;
  for (const QChar c : body) {
    if (!isDigit(c)) return 0;
  }
  const double magnitude = body.toDouble();
  return negative ? -magnitude : magnitude;
}

}  // namespace

double textToNumber(const QString& input) {
  QString text = input;
  text.remove(u' ');
  if (text.isEmpty()) return 0;
  QString digits;
  bool anyNonZeroDigit = false;
  for (const QChar c : text) {
    if (isDigit(c)) {
      digits.append(c);
      anyNonZeroDigit = anyNonZeroDigit || c != u'0';
    } else if (c != u'.' && c != u'-') {
      return 0;
    }
  }
  if (!anyNonZeroDigit) return 0;

  const qsizetype lastPoint = text.lastIndexOf(u'.');  // 0-based, -1 when none
  const qsizetype afterPoint = lastPoint < 0 ? 0 : text.size() - (lastPoint + 1);
  const bool leadingMinus = text.startsWith(u'-');

  if (leadingMinus && lastPoint < 0) return signedInteger(text);
  if (leadingMinus) return -scaledDigits(digits, afterPoint);
  if (lastPoint < 0 && text.front() != u'0' && isDigit(text.front())) return signedInteger(text);
  if (lastPoint >= 0) return scaledDigits(digits, afterPoint);
  return scaledDigits(digits, 0);
}

QString numberToText(double x) {
  if (std::isnan(x)) return QStringLiteral("NAN");
  if (std::isinf(x)) return x < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  if (x == 0) return QStringLiteral("0");

  // Round to 15 significant digits first: "d.dddddddddddddde±x".
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", x);
  const QString scientific = QString::fromLatin1(buffer);
  const qsizetype ePos = scientific.indexOf(u'e');
  QString mantissa = scientific.left(ePos);
  const int exponent = scientific.mid(ePos + 1).toInt();
  const bool negative = mantissa.startsWith(u'-');
  if (negative) mantissa.remove(0, 1);
  QString digits = mantissa.remove(u'.');
  while (digits.size() > 1 && digits.endsWith(u'0')) digits.chop(1);

  QString result;
  if (exponent >= 15 || exponent < -5) {
    result = digits.left(1);
    if (digits.size() > 1) result += u'.' + digits.mid(1);
    result += u'E' + QString::number(exponent);
  } else if (exponent < 0) {
    result = QStringLiteral("0.") + QString(-exponent - 1, u'0') + digits;
  } else if (digits.size() <= exponent + 1) {
    result = digits + QString(exponent + 1 - digits.size(), u'0');
  } else {
    result = digits.left(exponent + 1) + u'.' + digits.mid(exponent + 1);
  }
  return negative ? u'-' + result : result;
}

double roundHalfEven(double x) { return std::nearbyint(x); }

QString percentOfNominal(const std::array<QString, 3>& phaseTexts, const QString& nominalText) {
  double sum = 0;
  int count = 0;
  for (const QString& text : phaseTexts) {
    const double value = textToNumber(text);
    sum += value;
    if (value != 0) ++count;
  }
  const double nominal = textToNumber(nominalText);
  if (count == 0 || roundHalfEven(nominal) == 0) return {};
  const double percent = roundHalfEven(sum / count * 100 / nominal);
  return QString::number(static_cast<long long>(percent));
}
