#include "bases/SlotBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor kCurrentSlotColour(128, 128, 128);
}

SlotBox::SlotBox(QWidget* parent) : QCheckBox(parent) {
  setFocusPolicy(Qt::ClickFocus);
  setCurrent(false);
}

void SlotBox::setCurrent(bool current) {
  current_ = current;
  QPalette colours = palette();
  colours.setColor(QPalette::Window, backgroundColour());
  setPalette(colours);
  update();
}

QColor SlotBox::backgroundColour() const {
  return current_ ? kCurrentSlotColour : QApplication::palette(this).color(QPalette::Button);
}

// The style paints a check box on its parent's background, whatever its own
// palette says: the box fills its background itself.
void SlotBox::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColour());
  }
  QCheckBox::paintEvent(event);
}

void SlotBox::mousePressEvent(QMouseEvent* event) {
  emit pressed(slot_, event->button());
  QCheckBox::mousePressEvent(event);
}

void SlotBox::mouseReleaseEvent(QMouseEvent* event) {
  // A release away from the box does not toggle it and is not a click on it.
  const bool overBox = hitButton(event->position().toPoint());
  QCheckBox::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && overBox) emit released(slot_);
}

void SlotBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) {
    event->ignore();
    return;
  }
  QCheckBox::keyPressEvent(event);
}

void SlotBox::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) {
    event->ignore();
    return;
  }
  QCheckBox::keyReleaseEvent(event);
}
