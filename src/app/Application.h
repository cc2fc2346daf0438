#pragma once

#include <QApplication>

// The application object. An exception that escapes an event handler ends that
// handler only: its text is shown in the standard error box and the program goes on.
class Application : public QApplication {
  Q_OBJECT
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // The application title "ВТ3417": the caption of the standard error box and
  // of the plain message box. (Not set as Qt's display name, which the
  // platforms would append to every window's caption.)
  static QString title();
};
