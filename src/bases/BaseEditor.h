#pragma once

#include <QHash>

#include "ui/OpenedWindow.h"

#include <array>
#include <functional>
#include <memory>

class DataModule;
class QLineEdit;
class Selection;
class SlotBox;
class Workspace;
struct MeterData;

namespace Ui {
class BaseEditor;
}

// The meter base editor "Данные счетчиков": the four nominal values of the
// chosen base and, for each of its eight slots, the data of the meter
// placed there and whether the slot is in use. Everything is written through
// to the data module as the operator works: nominal values when their field is
// left, a meter when its slot is ticked, unticked or one of its fields is left.
// There is no cancel; "OK" or the close box closes the editor, after which the
// main window rebuilds its tree with nothing chosen.
//
// The selection's slot is the current slot. The main window is disabled while
// the editor is open; its closing has the workspace rebuild the tree.
class BaseEditor : public OpenedWindow {
  Q_OBJECT
 public:
  // The workspace may be null (an editor without a main window).
  BaseEditor(DataModule& dataModule, Selection& selection, Workspace* workspace, QWidget* parent = nullptr);
  ~BaseEditor() override;

  // --- opening (the opener, the main window, is disabled until the editor closes) ---
  // "Данные счетчиков" of the main window, for the chosen base: slot 1's meter
  // (or, when slot 1 is empty, the first meter's type, owner, maker and date as
  // proposals), the slots in use ticked; the focus in the serial number.
  void openForChosenBase(QWidget* opener);
  // The base name dialog, for the base it has just created: empty fields,
  // slot 1 chosen.
  void openForNewBase(QWidget* opener);
  // Empties every field but the date and shows all eight slots unused.
  void clearEditor();

  // --- the archive browser's take-over ---
  // Set by the archive browser: shows it on archivedMeters (the archived meters
  // of the base) ready to take a meter. "Взять из архива>>>" calls it when the
  // base has archived meters and then disables the editor.
  std::function<void()> openArchiveBrowser;
  // The browser's take-over: enables the editor, copies the archived meter's
  // type, serial number and year into the fields, deletes the current slot's
  // meters with their test points (AChSingle) and shows the slot unused, so
  // that the operator completes the fields and ticks the slot.
  void takeOverArchivedMeter(const QString& type, const QString& number, const QString& year);
  // Deletes the meters of the current slot (used or not) with their test points.
  void deleteSlotMeters();
  // Unticks box n and captions it "Не используется".
  void showSlotUnused(int n);
  // The eight slot boxes slotBox1 .. slotBox8 by slot number; [0] is unused.
  std::array<SlotBox*, 9> slotBoxes{};

  // --- actions ---
  void closeEditor();      // "OK": closes the editor
  void takeFromArchive();  // "Взять из архива>>>"
  void storeNominals();    // stores the four nominal values
  void putSlotInUse();     // puts the current slot in use (when its box is ticked)
  void storeSlotMeter();   // stores the current slot's meter in use

  // --- routines ---
  void onActivated();  // reloads the base's nominal values and slot ticks
  void resetSlotColours();
  void switchSlot(int n);
  void showMeterFields();  // from meters's current row
  void showBaseNominals();
  void showSlotStates();
  void clearNumberAndYear();
  void clampVoltage();
  void clampCurrent();
  void clampConstant();
  bool allFieldsFilled() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void formClose() override;
  bool controlKeyPress(QWidget* control, QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setUpFields();
  void setUpSlotBoxes();
  void showEditor(QWidget* opener, QLineEdit* focusField);
  void onSlotPressed(int slot, Qt::MouseButton button);
  void onSlotReleased(int slot);
  void markCurrentSlot(int n);
  void showSlotCaption(int n);
  void showMeterProposals(const MeterData& meter);
  void untickCurrentSlot();
  bool fieldKeyRelease(QObject* field, QKeyEvent* event);
  void fieldExit(QObject* field);
  void commitFocusedField();
  QList<QLineEdit*> dataEdits() const;
  QList<QLineEdit*> nominalEdits() const;
  void showNominal(QLineEdit* field, const QString& text);
  double nominalValue(const QLineEdit* field, double stored) const;
  MeterData typedMeter() const;
  bool currentSlotTicked() const;

  std::unique_ptr<Ui::BaseEditor> ui;
  bool wasInUse_ = false;
  // Exit handlers run only while the editor is open for a base, never while it
  // is being filled for opening or after it was closed.
  bool fieldsLive_ = false;
  QHash<const QLineEdit*, QString> shownText_;     // serial number and type as last shown
  QHash<const QLineEdit*, int> typingLimit_;       // nominal fields: characters that may be typed
  QHash<const QLineEdit*, QString> shownNominal_;  // nominal fields: the text shown for the stored value
  DataModule& dm_;
  Selection& selection_;
  Workspace* workspace_;
};
