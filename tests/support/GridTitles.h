#pragma once

#include <QStringList>

class DatasetGrid;

// The titles of a grid's visible columns that do not fit their column in the
// header's current font ("title: width < needed"); empty when all are whole.
QStringList cutGridTitles(const DatasetGrid* grid);
