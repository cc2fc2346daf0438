#pragma once

#include <QPointer>
#include <QWidget>

class QKeyEvent;

// A window opened by a command of another window, its opener. The opener is
// disabled while the window is open and enabled again when the window closes,
// whichever way it closes. The window sees key presses before its controls.
class OpenedWindow : public QWidget {
  Q_OBJECT
 public:
  explicit OpenedWindow(QWidget* parent = nullptr);

  QWidget* opener() const { return opener_; }

 protected:
  // Disables the opener and shows this window non-modally, active.
  void showFor(QWidget* opener);
  // Enables the opener again (once).
  void releaseOpener();
  // Centres the window on the screen it is on (or the primary screen).
  void centreOnScreen();
  // Gives the window a fixed size and a caption with only the close box.
  void makeFixedDialog();
  // Sends key presses of the controls present now to formKeyPress and
  // controlKeyPress; call once the controls exist.
  void previewKeys();

  // The window's own closing duties. The opener is enabled afterwards even if
  // they raise an error.
  virtual void formClose() {}
  // A key press anywhere in the window, before the control sees it. Returns
  // true when it acted on the key (the control then never sees it); a handler
  // that returns false must have done nothing, since an ignored key reaches
  // the window once more on its way up.
  virtual bool formKeyPress(QKeyEvent* event);
  // Then the focused control's own key filter (same contract).
  virtual bool controlKeyPress(QWidget* control, QKeyEvent* event);

  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> opener_;
};

// Enter (either key) or Esc.
bool isEnterKey(const QKeyEvent* event);
bool isEscapeKey(const QKeyEvent* event);
