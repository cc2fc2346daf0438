#pragma once

#include <array>
#include <optional>

#include <QByteArray>
#include <QString>

// The simulated instrument's screens as three rows of at most 17 characters,
// with values at the places the program reads them, and their encoding as the
// instrument's display stream.
using ScreenRows = std::array<QString, 3>;

// `value` in at most `width` characters with up to `maxDecimals` decimals.
QString fitNumber(double value, int width, int maxDecimals);

ScreenRows mainMenuRows(QChar choice);
ScreenRows dialogRows(const QString& title, const QString& hint, const QString& entry);
inline constexpr int DialogEntryRow = 2;
inline constexpr int DialogEntryColumn = 2;
inline constexpr int MenuEntryRow = 2;
inline constexpr int MenuEntryColumn = 16;

// Phase rows "Ф1  220.12 В"; a three-wire scheme labels them "2-1", "2-3", "3-1".
ScreenRows voltageRows(const std::array<double, 3>& volts, bool lineLabels);
ScreenRows currentRows(const std::array<double, 3>& amperes, bool milliamperes, bool lineLabels);
ScreenRows powerFactorRows(double powerFactor, int decimals, double angle);
ScreenRows powerRows(double power, bool reactive, int scheme, bool counting);
// page 0: meters 1-4, page 1: meters 5-8; a meter without a value shows a blank field.
ScreenRows errorPageRows(int page, const std::array<std::optional<double>, 8>& errors);

// Text in the instrument's 7-bit code (Cyrillic capitals in KOI-7).
QByteArray koi7Text(const QString& text);
// ESC H ESC J BEL: home, erase, bell; it closes the screen sent before it.
QByteArray frameEnd();
QByteArray cursorTo(int row, int column);
// A fresh screen with every row placed by ESC Y.
QByteArray drawAddressed(const ScreenRows& rows);
// A fresh screen written as lines separated by CR LF.
QByteArray drawLines(const ScreenRows& rows);
