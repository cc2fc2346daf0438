#pragma once

class QString;
class QWidget;

// What the other windows may ask of the main window (the workspace): rebuild
// the tree of bases, re-evaluate the selection, block the base commands while
// a measurement runs, number the test points after a save. The main window
// implements it; the windows below it in the layers are handed it when they
// are made (a null one when they run without a main window, as in tests).
class Workspace {
 public:
  virtual ~Workspace() = default;

  // The main window itself (to disable or enable it as an opener).
  virtual QWidget* workspaceWidget() = 0;
  // The grid of the chosen meter's test points.
  virtual QWidget* testPointGrid() = 0;

  // Rebuilds the tree from the current rows of the data module's bases (callers
  // set it to every base first). All base nodes collapsed, nothing selected.
  virtual void buildBaseTree() = 0;
  // Re-evaluates the selection from the tree: datasets, status bar, grid,
  // command states.
  virtual void showSelection() = 0;
  // Start of a measurement: blocks the base commands.
  virtual void disableBaseActions() = 0;
  // The terminal window closed: the base commands again.
  virtual void enableBaseActions() = 0;
  // After results were stored: deletes the chosen base's empty test points and
  // numbers the rest 1, 2, 3 ... per meter in use.
  virtual void renumberTestPoints() = 0;
};
