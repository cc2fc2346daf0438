#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>

#include "reports/AccuracyLimits.h"

class Connection;
class Dataset;

// The judgement of test points as the database stores them (fields Tok, KM,
// Opogr, Rep) against the accuracy limits. GUI-free.

// The stored error: null, empty text or text that does not read as a number
// (an UnreadableValue among them) is no error to judge.
std::optional<double> storedError(const QVariant& opogr);

// One stored point of a meter of the class.
PointJudgement judgeStoredPoint(const AccuracyLimits& limits, double accuracyClass, const QVariant& tok,
                                const QString& km, const QVariant& opogr);

// Row `row` of a dataset with the fields Tok, KM and Opogr (without moving its cursor).
PointJudgement judgeDatasetRow(const Dataset& points, int row, const AccuracyLimits& limits,
                               double accuracyClass);

// The verdict over the rows of `points` whose Rep is "R" (every row when the
// dataset has no Rep field). Fetches the whole result; the cursor stays.
Verdict verdictOfPoints(Dataset& points, const AccuracyLimits& limits, double accuracyClass);

// The verdict of every meter in use of the base, by its Num; a meter without
// marked points is missing (not judged).
QHash<qint64, Verdict> meterVerdictsOfBase(Connection& connection, const QString& baseName,
                                           double accuracyClass, const AccuracyLimits& limits);
