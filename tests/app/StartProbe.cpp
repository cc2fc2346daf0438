// The program's start for the start-up tests, run as a real process in a
// program directory the test prepares: every message box is answered and
// reported on standard output; a main window that did come up is closed at
// once. The formats of dates and numbers in force are reported too. The exit
// code is the start's own.

#include <QDate>
#include <QLocale>
#include <QMainWindow>
#include <QTextStream>
#include <QTimer>

#include "app/Application.h"
#include "app/Startup.h"
#include "ui/MessageService.h"

int main(int argc, char** argv) {
  Application app(argc, argv);
  MessageService::ScriptedAnswers answers;
  QTimer::singleShot(0, &app, [] {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (qobject_cast<QMainWindow*>(window) && window->isVisible()) window->close();
  });
  const int result = startProgram();
  QTextStream out(stdout);
  for (const MessageService::ShownBox& box : answers.shown())
    out << "box|" << static_cast<int>(box.kind) << '|' << box.caption << '|' << box.text << '\n';
  // A date and a number in the formats the program writes them everywhere.
  out << "formats|" << QLocale().toString(QDate(2026, 12, 10), QLocale::ShortFormat) << '|'
      << QLocale().toString(1.5) << '\n';
  out << "exit|" << result << '\n';
  return result;
}
