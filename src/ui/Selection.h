#pragma once

#include <QObject>
#include <QString>

// What the operator has chosen in the main window, shared with the windows
// that act on it: the base chosen in the tree, the chosen meter (its slot and
// its key), how many of its test points are marked "R", whether the base
// commands are allowed (not while a measurement runs) and the serial port.
// The main window sets it; the terminal window, the base editor, the reports
// and the archive read it. One object for the whole run, made at start-up.
class Selection : public QObject {
  Q_OBJECT
 public:
  explicit Selection(QObject* parent = nullptr) : QObject(parent) {}

  // The base chosen in the tree; empty: none.
  const QString& baseName() const { return baseName_; }
  void setBaseName(const QString& name);
  // Slot 1..8 of the chosen meter; the base editor's current slot.
  int slot() const { return slot_; }
  void setSlot(int slot);
  // The chosen meter's key (master.Num); 0: none.
  int meterNum() const { return meterNum_; }
  void setMeterNum(int num);
  // Test points of the chosen meter marked "R".
  int markedCount() const { return markedCount_; }
  void setMarkedCount(int count);
  // False while a measurement is under way.
  bool actionsAllowed() const { return actionsAllowed_; }
  void setActionsAllowed(bool allowed);
  // The port the terminal window opens: false "Com1", true "Com2".
  bool useCom2() const { return useCom2_; }
  void setUseCom2(bool com2);

  // No base, no meter, no marked points (the slot and the rest stay).
  void clearChoice();

 signals:
  void baseNameChanged(const QString& name);
  void slotChanged(int slot);
  void meterNumChanged(int num);
  void markedCountChanged(int count);
  void actionsAllowedChanged(bool allowed);
  void useCom2Changed(bool com2);

 private:
  QString baseName_;
  int slot_ = 1;
  int meterNum_ = 0;
  int markedCount_ = 0;
  bool actionsAllowed_ = true;
  bool useCom2_ = false;
};
