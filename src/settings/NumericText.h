#pragma once

#include <array>

#include <QString>

// Conversions between the texts the operator types or the instrument shows and
// numbers. Text written by the program always uses "." whatever the locale.

// Reads a number from display or keyboard text. Spaces are ignored; text with
// anything but digits, "." and "-" reads as 0; it never throws.
double textToNumber(const QString& text);

// General format with 15 significant digits, "." as decimal separator.
QString numberToText(double x);

// Round to the nearest integer, halves to the even neighbour.
double roundHalfEven(double x);

// Whole percentage of the mean of the non-zero phase values against the
// nominal value; empty when nothing was measured or the nominal rounds to 0.
QString percentOfNominal(const std::array<QString, 3>& phaseTexts, const QString& nominalText);
