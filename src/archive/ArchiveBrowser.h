#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

#include <initializer_list>
#include <memory>

class QAction;
class QComboBox;
class QStringListModel;
class QLabel;
class QAbstractButton;
class BaseEditor;
class DataModule;
class DatasetGrid;
class Workspace;

namespace Ui {
class ArchiveBrowser;
}

// The archive browser "Архив ": the archived meters archivedMeters lists (meter
// grid, filter by type / serial number / year, sorting by a click on a column
// title) and the archived test points of the meter under the cursor
// (archivedPoints). From here archived meters and points are deleted, the listed
// meters go to the Excel archive protocol, and, when the meter base editor
// opened the browser, an archived meter's identity goes back into the editor.
//
// The opener sets archivedMeters, shows the browser and disables itself; the
// browser enables the editor again if it is visible, else the main window.
// Created once at start-up; a top-level window of its own.
class ArchiveBrowser : public QWidget {
  Q_OBJECT
 public:
  // The workspace and the editor may be null (a browser without them).
  ArchiveBrowser(DataModule& dataModule, Workspace* workspace, BaseEditor* editor, QWidget* parent = nullptr);
  ~ArchiveBrowser() override;

  // Opened by the meter base editor on the archived meters of its base (set
  // in archivedMeters by the editor): only the take-over is offered.
  void openForTakeOver();

  // The column that orders the meter list: "tip", "myNumber" or "myYear".
  QString sortField() const { return sortField_; }

 public slots:
  void takeOver();
  void deleteMeter();
  void writeExcelProtocol();
  void closeBrowser();
  void deletePoint();
  void deleteAllPoints();
  void clearFilter();
  void refreshTypeList();
  void applyFilter();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void setUpWindow();
  void onActivated();
  void onClosed();
  void connectActions();
  void connectFilterInputs();
  void onMeterTitleClicked(int column);
  void showMeterDetails();
  void setActionStates(bool takeOver);
  void fillFilterList(const QString& column, std::initializer_list<QComboBox*> boxes);
  bool hasArchivedMeter() const;
  bool confirmDeletion(const QString& question);
  // The detail label showing a field of the current archived meter (its
  // column: nominal voltage, current, class, owner, maker, meter constant).
  QLabel* detailLabel(const QString& field) const;

  std::unique_ptr<Ui::ArchiveBrowser> ui;
  // The values of a filter column, shared by its "from" and "to" lists.
  QHash<QString, QStringListModel*> filterValues_;
  QString sortField_;
  DataModule& dm_;
  Workspace* workspace_;
  BaseEditor* editor_;
};
