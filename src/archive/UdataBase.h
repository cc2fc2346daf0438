#pragma once

#include <QString>
#include <QWidget>

#include <initializer_list>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QAbstractButton;
class TDBGrid;

namespace Ui {
class TFDataBase;
}

// The archive browser "Архив ": the archived meters QMasterArhive lists (meter
// grid, filter by type / serial number / year, sorting by a click on a column
// title) and the archived test points of the meter under the cursor
// (TSlaveArhive). From here archived meters and points are deleted, the listed
// meters go to the Excel archive protocol, and, when the meter base editor
// opened the browser, an archived meter's identity goes back into the editor.
//
// The opener sets QMasterArhive, shows the browser and disables itself; the
// browser enables the editor again if it is visible, else the main window.
// Created once at start-up (DM1 must exist); a top-level window of its own.
class TFDataBase : public QWidget {
  Q_OBJECT
 public:
  explicit TFDataBase(QWidget* parent = nullptr);
  ~TFDataBase() override;

  // Opened by the meter base editor on the archived meters of its base (set
  // in QMasterArhive by the editor): only the take-over is offered.
  void OpenForTakeOver();

  // The column that orders the meter list: "tip", "myNumber" or "myYear".
  QString SortField() const { return sortField_; }

  // --- components (names as in the window's design) ---
  QAction* AButtonGetArhive() const;
  QAction* AbuttonDelM() const;
  QAction* AProtocolExel() const;
  QAction* AClose() const;
  QAction* AButtonDelS() const;
  QAction* AButtonDelAllS() const;
  QAction* Aclear() const;
  QComboBox* CBTip() const;
  QComboBox* CBnumber1() const;  // serial number "от"
  QComboBox* CBnumber() const;   // serial number "до"
  QComboBox* CBYear1() const;    // year "от"
  QComboBox* CBYear() const;     // year "до"
  TDBGrid* DBGrid2() const;      // archived meters
  TDBGrid* DBGrid1() const;      // archived test points of the meter under the cursor
  // The detail label showing a field of the current archived meter
  // ("Nvoltage", "NTok", "KlasT", "MyUser", "Maker", "Pered").
  QLabel* DetailLabel(const QString& field) const;

 public slots:
  void AButtonGetArhiveExecute();
  void AbuttonDelMExecute();
  void AProtocolExelExecute();
  void ACloseExecute();
  void AButtonDelSExecute();
  void AButtonDelAllSExecute();
  void AclearExecute();
  void ATipRefrechExecute();
  void AmySQLExecute();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormActivate();
  void FormClose();
  void connectActions();
  void connectFilterInputs();
  void DBGrid2TitleClick(int column);
  bool CBTipKeyPress(QObject* watched, QEvent* event);
  void ShowMeterDetails();
  void SetActionStates(bool takeOver);
  void FillFilterList(const QString& column, std::initializer_list<QComboBox*> boxes);
  bool HasArchivedMeter() const;
  bool ConfirmDeletion(const QString& question);

  std::unique_ptr<Ui::TFDataBase> ui;
  QString sortField_;
};
