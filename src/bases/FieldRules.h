#pragma once

#include <QChar>
#include <QString>

// Input rules of the base editor and the base name dialog, free of widgets.

// Typed letters are kept as capitals: a lower-case Latin letter a-z or Cyrillic
// letter а-я becomes its capital; every other character stays as it is.
QChar capitalLetter(QChar c);
QString capitalLetters(const QString& text);

// A serial number holds only digits, Latin capitals A-Z and Cyrillic capitals А-Я.
bool isSerialNumberCharacter(QChar c);

// Bounds of the base's nominal values (inclusive).
struct NominalBounds {
  double low;
  double high;
};
inline constexpr NominalBounds kVoltageBounds{57.7, 380};
inline constexpr NominalBounds kCurrentBounds{1, 5};
inline constexpr NominalBounds kConstantBounds{0.1, 99999999};

// The text of a nominal field after bounding: empty stays empty; otherwise the
// text is read as a number (not a number reads as 0) and written back inside
// the bounds ("400" -> "380", "0.05" -> "0.1", "57.7" stays "57.7").
QString clampedNominalText(const QString& text, NominalBounds bounds);
