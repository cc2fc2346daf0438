#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

#include "reports/VerificationProgram.h"

class Connection;
class Dataset;

// The verification programs over the stored points: how far each meter of a
// base is, which point the bench should be set to next, and whether a save
// measured a point no program asks for. GUI-free.

// The accuracy class of the base of that name; nothing when there is no such base.
std::optional<double> baseAccuracyClass(Connection& connection, const QString& baseName);

// The rows of a dataset over test points or archived points (fields Voltage,
// Tok, KM, Opogr and, for test points, Rep) that are marked "R" (every row
// when it has no Rep field), judged against the limits. Fetches the whole
// result; the cursor stays.
QList<MeasuredPoint> markedMeasuredPoints(Dataset& points, const AccuracyLimits& limits,
                                          double accuracyClass);

// Every meter in use of the base, by its key, judged on its marked points
// against its program (a meter without marked points too).
QHash<qint64, MeterAssessment> assessMetersOfBase(Connection& connection, const QString& baseName,
                                                  double accuracyClass, const AccuracyLimits& limits,
                                                  const VerificationPrograms& programs);

// The terminal window's line for the base: "Следующая точка: …" naming, in
// program order, the first program point that a meter in use has no measured
// point for (a stored point with an error, marked or not), or "Программа
// выполнена"; empty when no meter in use has a program.
QString nextPointLine(Connection& connection, const QString& baseName, const VerificationPrograms& programs);

// Whether points stored at these conditions for these meters (keys) cover no
// program point of one of them that has a program.
bool outsideProgram(Connection& connection, const QString& baseName, const QList<qint64>& meters,
                    double voltagePercent, double currentPercent, const QString& powerFactor,
                    const VerificationPrograms& programs);
