#pragma once

#include <QDate>
#include <QString>
#include <QVector>

#include <memory>

#include "support/TempProgramDir.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"

class BaseEditor;
class BaseNameDialog;
class DataModule;
class MainWindow;
class QCheckBox;
class QLineEdit;
class QWidget;

// --- the database, read directly ---
struct MeterRow {
  qint64 num;
  int slot;
  QString type;
  QString number;
  QVariant year;
  bool inUse;
  QString user;
  QString maker;
  QDate oldDate;
};

// A fresh program directory with its database, the main window, the meter base
// editor and the base name dialog, as the program creates them on the data
// module and the selection the fixture owns. Every message box is answered by
// `answers` (so none can block a test).
class BasesFixture {
 public:
  BasesFixture();
  ~BasesFixture();
  BasesFixture(const BasesFixture&) = delete;
  BasesFixture& operator=(const BasesFixture&) = delete;

  TempProgramDir dir;
  MessageService::ScriptedAnswers answers;

  DataModule& dm() { return *dm_; }
  Selection& selection() { return selection_; }
  MainWindow& mainWindow() { return *mainWindow_; }
  BaseEditor& editor() { return *editor_; }
  BaseNameDialog& nameDialog() { return *nameDialog_; }

  // --- the database, read directly ---
  QVector<MeterRow> metersOf(const QString& base);
  int baseRowCount(const QString& name);
  // Nvoltage, NTok, Pered, KlasT of the base (null as an invalid QVariant).
  QVariantList nominalsOf(const QString& name);
  int pointCount(qint64 meterNum);
  void addPoints(qint64 meterNum, int count);

  // --- the windows, driven as the operator does ---
  QLineEdit* editorField(const char* name);
  QCheckBox* slot(int n);
  void clickSlot(int n, Qt::MouseButton button = Qt::LeftButton);
  // The base name dialog from the main window: name typed, Enter pressed.
  void createBaseByName(const QString& name);
  // Fills the meter fields of the current slot.
  void fillMeter(const QString& number, const QString& type, const QString& year,
                 const QString& user = "ЭНЕРГО", const QString& maker = "ЗАВОД");
  // Chooses slot n, fills it and ticks it.
  void putMeter(int n, const QString& number, const QString& type, const QString& year = "2020");

 private:
  // Declared in the order of creation: the windows go before the selection
  // and the data module they were made on.
  std::unique_ptr<DataModule> dm_;
  Selection selection_;
  std::unique_ptr<MainWindow> mainWindow_;
  std::unique_ptr<BaseEditor> editor_;
  std::unique_ptr<BaseNameDialog> nameDialog_;
};

// Types text key by key into w (any letters), clicking w first when it does
// not have the focus; the keys go to the focus widget.
void typeText(QWidget* w, const QString& text);
// Clicks the field (leaving the one before), selects its text with Ctrl+A and
// replaces it by typing.
void fill(QLineEdit* field, const QString& text);
// Return in w (clicked first when it does not have the focus).
void pressEnter(QWidget* w);
