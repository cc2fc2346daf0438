#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

#include "SampleDatabase.h"
#include "support/TempProgramDir.h"

class QTreeWidgetItem;

// Captions of the main window's commands.
inline const QString kCreate = QStringLiteral("Создать базу");
inline const QString kDelete = QStringLiteral("Удалить базу");
inline const QString kClear = QStringLiteral("Очистить базу");
inline const QString kOptions = QStringLiteral("Данные счетчиков");
inline const QString kBegin = QStringLiteral("Начать измерение");
inline const QString kReport = QStringLiteral("Протокол поверки в MS Word");
inline const QString kGroupReport = QStringLiteral("Групповой протокол поверки в MS Word");
inline const QString kAddArchive = QStringLiteral("Добавить в архив");
inline const QString kSeeArchive = QStringLiteral("Просмотр архива");

// A meter of type СО-505 with serial number "N<slot>".
SampleRows::Meter meterIn(int slot, bool inUse = true);
// A test point at the voltage (percent), current 100 %, error 0.5 %.
SampleRows::Point pointAt(double voltage, const QString& rep = {});
class BaseEditor;
class BaseNameDialog;
class DataModule;
class MainWindow;
class Selection;

// A fresh program directory with the program's database, its data module and
// (on demand) the main window; rows are written as the program stores them.
class WorkspaceFixture {
 public:
  WorkspaceFixture();
  ~WorkspaceFixture();

  SampleRows& rows() { return *rows_; }
  DataModule& dm() const { return *dataModule_; }
  Selection& selection() const { return *selection_; }
  QString filePath(const QString& relative) const { return dir_.filePath(relative); }
  MainWindow* form() const { return form_.get(); }
  // Creates and shows the main window (as a start of the program would).
  MainWindow* openWindow();
  // The windows the main window's commands open (base editor, dialogs),
  // plugged into the main window's commands; made with the main window (at
  // once when it is open).
  void createDialogs();
  BaseEditor& baseEditor() const;
  BaseNameDialog& baseNameDialog() const;
  // Closes the window as the operator does, then a fresh data module and
  // window come up in the same program directory: a restart.
  MainWindow* restart();
  void closeWindow();

  // Nodes of the tree: "" for the root, "Б1" for a base, "Б1/3" for slot 3 of Б1.
  QTreeWidgetItem* node(const QString& path) const;
  QStringList treeOutline() const;  // captions, children indented by two blanks
  void leftClick(const QString& path);
  void rightPress(const QString& path);
  // Clicks the grid's cell of the given row in the column of that field.
  void clickCell(int row, const QString& field);

  // One column of a select on the program's database.
  QVariantList column(const QString& sql, const QVariantList& values = {}) const;
  QStringList enabledCommands() const;  // captions of the enabled tool bar and menu commands
  QStringList shownPopupItems() const;  // captions of baseTreeMenu's visible items

 private:
  struct Dialogs;
  void makeDialogs();

  TempProgramDir dir_;
  std::unique_ptr<DataModule> dataModule_;
  std::unique_ptr<Selection> selection_;
  std::unique_ptr<SampleRows> rows_;
  std::unique_ptr<MainWindow> form_;
  std::unique_ptr<Dialogs> dialogs_;
  bool dialogsWanted_ = false;
};
