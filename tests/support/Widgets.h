#pragma once

#include <QAction>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <QWidget>

#include <memory>

// Tests reach a window's widgets and actions by their object names, as the
// window's design names them, not through accessors of their own: the
// window's public interface stays what the program uses.
namespace widgets {

inline const QObject* objectOf(const QObject* object) { return object; }
inline const QObject* objectOf(const QObject& object) { return &object; }
template <typename T>
const QObject* objectOf(const std::unique_ptr<T>& object) {
  return object.get();
}

// The child of `parent` (a pointer, a reference or a unique_ptr; at any depth)
// with that object name and type. A missing child ends the test run: the
// design and the test disagree.
template <typename T = QWidget, typename Parent>
T* child(const Parent& parent, const QString& name) {
  T* found = objectOf(parent)->template findChild<T*>(name);
  if (!found) qFatal("no %s named \"%s\"", T::staticMetaObject.className(), qPrintable(name));
  return found;
}

// Triggers the action of that object name, as a menu item or a tool bar
// button would.
template <typename Parent>
void trigger(const Parent& window, const QString& name) {
  child<QAction>(window, name)->trigger();
}

// The texts of a table's row, column by column.
inline QStringList rowTexts(const QTableWidget* table, int row) {
  QStringList texts;
  for (int column = 0; column < table->columnCount(); ++column) texts << table->item(row, column)->text();
  return texts;
}

}  // namespace widgets
