#pragma once

#include <QAction>
#include <QObject>
#include <QString>
#include <QWidget>

// Tests reach a window's widgets and actions by their object names, as the
// window's design names them, not through accessors of their own: the
// window's public interface stays what the program uses.
namespace widgets {

// The child of `parent` (at any depth) with that object name and type. A
// missing child ends the test run: the design and the test disagree.
template <typename T = QWidget>
T* child(const QObject* parent, const QString& name) {
  T* found = parent->findChild<T*>(name);
  if (!found) qFatal("no %s named \"%s\"", T::staticMetaObject.className(), qPrintable(name));
  return found;
}

// Triggers the action of that object name, as a menu item or a tool bar
// button would.
inline void trigger(const QObject* window, const QString& name) { child<QAction>(window, name)->trigger(); }

}  // namespace widgets
