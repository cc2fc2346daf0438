#pragma once

#include <QString>

#include "link/InstrumentScreen.h"
#include "link/MeasuredValues.h"

// Readers of the values at fixed places of the measurement screens.

// Cells (row, first..last) keeping only digits and "." (and "-" when allowed).
QString numericCells(const InstrumentScreen& screen, int row, int first, int last, bool keepMinus = false);

// Phase values from rows 0..2, columns 4..9.
void readVoltages(const InstrumentScreen& screen, MeasuredValues& values);
// As readVoltages; a row 0 showing "МА" (milliamperes) stores amperes.
void readCurrents(const InstrumentScreen& screen, MeasuredValues& values);
// Power factor from row 1 and the phase angle from row 0, with "/L" or "/C"
// by the angle and the programmed power kind.
void readPowerFactor(const InstrumentScreen& screen, bool errorModeActive, MeasuredValues& values);
// Power from row 2, columns 4..15, without sign.
double readPower(const InstrumentScreen& screen);

// "/L" (inductive), "/C" (capacitive) or "" for a power factor and its angle
// in degrees; `activePower` is the programmed kind of the error mode.
QString powerFactorSuffix(double powerFactor, double angle, bool activePower);
