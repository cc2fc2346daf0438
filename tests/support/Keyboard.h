#pragma once

#include <QString>
#include <Qt>

class QWidget;

// Typing in GUI tests as the operator's keyboard does it: the control gets the
// focus by a click (or Tab), and every key goes to the widget that has the
// focus, QApplication::focusWidget(), through the application's event routing
// (shortcut override, event filters, propagation to the parents). A combo box
// or a date edit thus gets the keys itself, not its inner line edit.
namespace keyboard {

// Activates the control's window and clicks the control (an editable combo
// box in its edit field); true when the focus is then in the control.
bool clickToFocus(QWidget* control);
// The focus widget; null when no widget has the focus.
QWidget* focusWidget();
// Where a key goes now: the focus widget, or the active window itself when
// none of its widgets has the focus.
QWidget* keyReceiver();
// Types the text key by key (any alphabet; "\b" is Backspace, "\n" Return).
void type(const QString& text);
// One key press and release.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// One key press and release with the text the keyboard layout gives it
// (Cyrillic letters, control characters), sent to the keyReceiver().
void pressWithText(int key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// clickToFocus, then Type.
bool typeInto(QWidget* control, const QString& text);

}  // namespace keyboard
