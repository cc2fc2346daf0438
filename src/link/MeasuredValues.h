#pragma once

#include <array>

#include <QString>

// The values read from the instrument's screens, one record for the whole
// program. Every field is a short text; longer text is cut to its width.
// Arrays are indexed from 0: phaseVoltageText[0] is phase 1, meterErrorText[0] meter 1.
struct MeasuredValues {
  static constexpr int TextWidth = 10;
  static constexpr int PowerFactorWidth = 6;  // the width of the database field KM

  QString nominalVoltageText;
  QString nominalCurrentText;
  std::array<QString, 3> phaseVoltageText;
  std::array<QString, 3> phaseCurrentText;
  QString powerFactorText;
  std::array<QString, 8> meterErrorText;

  // Empty every measured text; the nominal texts stay.
  void clearMeasured();
  void setNominalTexts(const QString& voltage, const QString& current);

  // Whole percentages of the nominal values ("" when nothing was measured).
  QString voltagePercent() const;
  QString currentPercent() const;

  bool operator==(const MeasuredValues&) const = default;
};

// Text cut to `width` characters.
inline QString shortText(const QString& text, int width) { return text.left(width); }

// The program-wide record.
MeasuredValues& programMeasuredValues();
