#include "bases/FieldRules.h"

#include "settings/NumericText.h"

#include <algorithm>

QChar capitalLetter(QChar c) {
  if (c >= u'a' && c <= u'z') return QChar(c.unicode() - u'a' + u'A');
  if (c >= u'а' && c <= u'я') return QChar(c.unicode() - u'а' + u'А');
  return c;
}

QString capitalLetters(const QString& text) {
  QString result = text;
  for (QChar& c : result) c = capitalLetter(c);
  return result;
}

bool isSerialNumberCharacter(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'А' && c <= u'Я');
}

QString clampedNominalText(const QString& text, NominalBounds bounds) {
  if (text.isEmpty()) return text;
  return numberToText(std::clamp(textToNumber(text), bounds.low, bounds.high));
}
