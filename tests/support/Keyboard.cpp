#include "support/Keyboard.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QWidget>

namespace keyboard {

namespace {

// The key code a keyboard reports with a character: its capital's code.
Qt::Key keyOf(QChar c) {
  if (c == u'\b') return Qt::Key_Backspace;
  if (c == u'\n') return Qt::Key_Return;
  if (c == u'\t') return Qt::Key_Tab;
  return static_cast<Qt::Key>(c.toUpper().unicode());
}

bool hasFocus(const QWidget* control) {
  const QWidget* focus = QApplication::focusWidget();
  return focus && (focus == control || control->focusProxy() == focus || control->isAncestorOf(focus));
}

}  // namespace

QWidget* focusWidget() { return QApplication::focusWidget(); }

QWidget* keyReceiver() {
  // As the window system delivers keys: the active window's focus widget, or
  // the window itself when none of its widgets has the focus.
  if (QWidget* focus = QApplication::focusWidget()) return focus;
  return QApplication::activeWindow();
}

bool clickToFocus(QWidget* control) {
  QWidget* window = control->window();
  if (QApplication::activeWindow() != window) {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window)) return false;
  }
  // The click goes to the innermost widget under the pointer, as the window
  // system's does (a combo box's or a date edit's inner line edit).
  QPoint point = control->rect().center();
  QWidget* target = control;
  if (QWidget* child = control->childAt(point)) {
    point = child->mapFrom(control, point);
    target = child;
  }
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, point);
  return hasFocus(control);
}

void type(const QString& text) {
  for (const QChar c : text) {
    QWidget* focus = focusWidget();
    if (!focus) {
      QTest::qFail("no widget has the keyboard focus", __FILE__, __LINE__);
      return;
    }
    const bool control = c == u'\b' || c == u'\n' || c == u'\t';
    const QString character = control ? QString() : QString(c);
    // The release goes where the press went, as long as that widget lives,
    // even when the press moved the focus (Return, Tab).
    const QPointer<QWidget> pressed(focus);
    QTest::sendKeyEvent(QTest::Press, focus, keyOf(c), character, Qt::NoModifier);
    if (pressed) QTest::sendKeyEvent(QTest::Release, pressed, keyOf(c), character, Qt::NoModifier);
  }
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* focus = focusWidget();
  if (!focus) {
    QTest::qFail("no widget has the keyboard focus", __FILE__, __LINE__);
    return;
  }
  const QPointer<QWidget> pressed(focus);
  QTest::keyPress(focus, key, modifiers);
  if (pressed) QTest::keyRelease(pressed, key, modifiers);
}

void pressWithText(int key, const QString& text, Qt::KeyboardModifiers modifiers) {
  QWidget* focus = keyReceiver();
  if (!focus) {
    QTest::qFail("no window is active", __FILE__, __LINE__);
    return;
  }
  const QPointer<QWidget> pressed(focus);
  QTest::sendKeyEvent(QTest::Press, focus, static_cast<Qt::Key>(key), text, modifiers);
  if (pressed) QTest::sendKeyEvent(QTest::Release, pressed, static_cast<Qt::Key>(key), text, modifiers);
}

bool typeInto(QWidget* control, const QString& text) {
  if (!clickToFocus(control)) return false;
  type(text);
  return true;
}

}  // namespace keyboard
