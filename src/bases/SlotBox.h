#pragma once

#include <QCheckBox>

// A slot box of the base editor. It reports the press of any mouse button
// before anything else happens, toggles on a left click like any check box and
// reports the left release after the toggle. Only the mouse ticks it: the box
// takes the focus on a click (so the field being left runs its exit handler
// first) but keeps no tab stop and ignores the space bar.
class SlotBox : public QCheckBox {
  Q_OBJECT
 public:
  explicit SlotBox(QWidget* parent = nullptr);

  // The slot number 1..8 (the box's tag).
  int slot() const { return slot_; }
  void setSlot(int slot) { slot_ = slot; }

  // The current slot's box has a grey background, the others the button face.
  void setCurrent(bool current);

 signals:
  void pressed(int slot, Qt::MouseButton button);
  // A left release over the box, after the click has toggled it.
  void released(int slot);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor backgroundColour() const;

  int slot_ = 0;
  bool current_ = false;
};
