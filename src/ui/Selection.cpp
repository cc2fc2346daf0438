#include "ui/Selection.h"

namespace {

// Stores the value and tells the listeners, only when it changed.
template <typename Value, typename Signal>
void change(Selection* selection, Value& stored, const Value& value, Signal signal) {
  if (stored == value) return;
  stored = value;
  emit(selection->*signal)(value);
}

}  // namespace

void Selection::setBaseName(const QString& name) {
  change(this, baseName_, name, &Selection::baseNameChanged);
}
void Selection::setSlot(int slot) { change(this, slot_, slot, &Selection::slotChanged); }
void Selection::setMeterNum(int num) { change(this, meterNum_, num, &Selection::meterNumChanged); }
void Selection::setMarkedCount(int count) {
  change(this, markedCount_, count, &Selection::markedCountChanged);
}
void Selection::setActionsAllowed(bool allowed) {
  change(this, actionsAllowed_, allowed, &Selection::actionsAllowedChanged);
}
void Selection::setUseCom2(bool com2) { change(this, useCom2_, com2, &Selection::useCom2Changed); }

void Selection::clearChoice() {
  setMarkedCount(0);
  setMeterNum(0);
  setBaseName(QString());
}
