#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class DatasetGrid;

// Drives the archive browser as the operator does: typing (any alphabet,
// one key at a time), clicking column titles and grid rows, and reading what
// the grids show.
namespace BrowserDriver {

// Clicks the control (a filter's combo box) and types into the focus widget.
void type(QWidget* widget, const QString& text);
void clickTitle(DatasetGrid* grid, int column);
void clickRow(DatasetGrid* grid, int row);
// One "<type> <serial number>" per row of the meter grid, top to bottom.
QStringList listedMeters(DatasetGrid* grid);
// The texts of one column of a grid, top to bottom.
QStringList columnTexts(DatasetGrid* grid, int column);

}  // namespace BrowserDriver
