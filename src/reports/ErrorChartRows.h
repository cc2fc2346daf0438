#pragma once

#include <QString>

#include <optional>
#include <vector>

#include "reports/ErrorChart.h"

class Connection;

// The rows error charts are made of, read straight from the database so that
// no dataset of the data module moves.

// A meter's test points, all or only those marked "R", in the order they were added.
std::vector<ErrorPointRow> readMeterErrorRows(Connection& connection, qint64 meterNum, bool markedOnly);

// The meters in use of a base, by slot, with their marked points.
std::vector<MeterErrorRows> readBaseMarkedErrorRows(Connection& connection, const QString& baseName);

// The base's accuracy class (KlasT); none when there is no such base or no class.
std::optional<double> readAccuracyClass(Connection& connection, const QString& baseName);
