#pragma once

#include <functional>
#include <optional>

#include "reports/AccuracyLimits.h"
#include "ui/DatasetGrid.h"

// How the grids show the judgement of a test point's error: green with "✓"
// when within the limit, red with "✗" when beyond, the limit in the tooltip
// ("Предел ±1,0 %"); a point not judged looks plain. The sign keeps the two
// apart for readers who do not tell the colours apart.
std::optional<CellLook> errorCellLook(const PointJudgement& judgement);

// The Opogr cells of a grid over test points (fields Tok, KM, Opogr) look by
// their judgement against the program's limits for the accuracy class that
// accuracyClass gives (nothing: no judgement), both taken once per change of
// the grid's data or refreshCellLooks.
void showPointJudgements(DatasetGrid* grid, std::function<std::optional<double>()> accuracyClass);
