#include "ui/OpenedWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QScreen>

OpenedWindow::OpenedWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  // Only the main window ends the program.
  setAttribute(Qt::WA_QuitOnClose, false);
}

void OpenedWindow::showFor(QWidget* opener) {
  releaseOpener();
  opener_ = opener;
  if (opener_) opener_->setEnabled(false);
  show();
  raise();
  activateWindow();
}

void OpenedWindow::releaseOpener() {
  if (opener_) opener_->setEnabled(true);
  opener_ = nullptr;
}

void OpenedWindow::centreOnScreen() {
  const QScreen* screen = this->screen();
  if (!screen) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void OpenedWindow::makeFixedDialog() {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(sizeHint());
}

void OpenedWindow::previewKeys() {
  installEventFilter(this);
  for (QWidget* control : findChildren<QWidget*>()) control->installEventFilter(this);
}

bool OpenedWindow::formKeyPress(QKeyEvent*) { return false; }

bool OpenedWindow::controlKeyPress(QWidget*, QKeyEvent*) { return false; }

void OpenedWindow::closeEvent(QCloseEvent* event) {
  const auto enableOpener = qScopeGuard([this] { releaseOpener(); });
  formClose();
  QWidget::closeEvent(event);
}

bool OpenedWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  auto* control = static_cast<QWidget*>(watched);
  // Pop-ups of the controls (a calendar) are windows of their own.
  if (control->window() != this) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  return formKeyPress(key) || (control != this && controlKeyPress(control, key));
}

bool isEnterKey(const QKeyEvent* event) {
  return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

bool isEscapeKey(const QKeyEvent* event) { return event->key() == Qt::Key_Escape; }
